#pragma once
// How the engine reaches the image resize window, which lives in a layer above it: the process
// that owns the tool windows installs an opener at start-up.

#include <QString>

#include <functional>

namespace qv {

/// The chosen width and height in pixels.
using ResizeImageSure = std::function<void(double width, double height)>;
/// Opens the resize window on the image at the path; `sure` runs when the user confirms.
using ResizeImageOpener = std::function<void(const QString& path, ResizeImageSure sure)>;

void setResizeImageOpener(ResizeImageOpener opener);
/// Opens the window through the installed opener; false when none is installed.
bool openResizeImageWindow(const QString& path, ResizeImageSure sure);

} // namespace qv
