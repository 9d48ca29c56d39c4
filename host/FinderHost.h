#pragma once

#include "host/HostRequest.h"

#include <QLibrary>
#include <QString>

#include <memory>

namespace platform {
class FIFinderSync;
}

/// Plays the file manager's part for one request: loads the extension plug-in, creates its
/// principal object, tells it the selection and the targeted folder, asks for the menu and
/// prints it, delivers a chosen entry, or shows the menu as a popup.
class FinderHost final
{
public:
    FinderHost();
    ~FinderHost();
    Q_DISABLE_COPY_MOVE(FinderHost)

    /// The plug-in file: $TARSEL_EXTENSION_PATH (a file, or a folder holding the plug-in), else
    /// the plug-in beside this program (the build's bin folder), else where an installation keeps
    /// it (lib/tarsel beside the program's bin folder).
    static QString pluginPath();

    /// Loads the plug-in and creates its principal object; false with a message on failure.
    bool load(const QString& path, QString* error);
    /// Runs the request; answers the process exit code, messages go to stderr.
    int run(const HostRequest& request);

private:
    void waitForPendingWork();
    /// Prints what the chosen command could not deliver or run; the exit code: 1 when anything.
    int reportFailedCommands() const;

    QLibrary m_library;
    std::unique_ptr<platform::FIFinderSync> m_sync;
};
