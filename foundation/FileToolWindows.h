#pragma once

// The tool windows that file commands open on the items they were given: the file hash window
// and the garbled-name window. The engine cannot include windows; the process that owns them
// (the extension's principal object, the application) installs one opener per window at
// start-up, and the commands open the window through it.

#include <QList>
#include <QUrl>

#include <functional>

namespace qv {

/// Opens a window on the URLs; `sure` runs when the window reports success (it may be null).
using ToolWindowOpener = std::function<void(const QList<QUrl>& urls, std::function<void()> sure)>;

void setFileHashWindowOpener(ToolWindowOpener opener);
void setFixNameWindowOpener(ToolWindowOpener opener);

/// Opens the window through the installed opener; false when this process installed none.
bool openFileHashWindow(const QList<QUrl>& urls);
bool openFixNameWindow(const QList<QUrl>& urls, std::function<void()> sure);

} // namespace qv
