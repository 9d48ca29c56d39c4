#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace platform {

/// An installed application, described by its XDG desktop entry.
struct Application {
    QString id;          ///< desktop-file id ("org.gnome.TextEditor.desktop" without ".desktop")
    QString name;        ///< Name=
    QString exec;        ///< Exec=
    QString icon;        ///< Icon=
    QString desktopFile; ///< the entry's path
    bool isValid() const { return !id.isEmpty(); }
};

/// The shared workspace: opening addresses and files, revealing items in the file manager,
/// finding applications. Opening goes through a launcher that tests replace with a recorder,
/// so no test starts a real program.
class Workspace final
{
public:
    Workspace() = delete;

    /// Launches a program from an argument vector (never a shell); true when it started.
    using Launcher = std::function<bool(const QString& program, const QStringList& args)>;
    /// Replaces the launcher (tests); an empty function restores the real one.
    static void setLauncher(Launcher launcher);

    /// Starts a program (found on PATH when not a path) with its arguments, through the launcher.
    static bool launchApplication(const QString& program, const QStringList& args);
    /// Opens an address with the desktop's handler (xdg-open semantics); false when there is
    /// no handler or it could not be started.
    static bool openUrl(const QUrl& url);
    /// Opens a file or folder with its default application.
    static bool openFile(const QString& path);
    /// Opens the paths with one application (by desktop id or name).
    static bool openFiles(const QStringList& paths, const Application& app);
    /// Shows the item selected in a file-manager window (org.freedesktop.FileManager1 over D-Bus,
    /// else opens the parent folder).
    static bool reveal(const QString& path);

    /// Every application the desktop entries on XDG_DATA_HOME and XDG_DATA_DIRS describe,
    /// first entry of an id wins (user entries before system ones).
    static QList<Application> applications();
    /// The application with that desktop-file id (with or without ".desktop"), or invalid.
    static Application applicationForId(const QString& id);
    /// The first application whose Name= equals the name (case-insensitive), or invalid.
    static Application applicationForName(const QString& name);
    /// True when a program of that name is on PATH.
    static bool hasProgram(const QString& program);
};

} // namespace platform
