#pragma once

#include <QString>
#include <QStringList>

namespace platform {

/// Where things live on this desktop. Every answer is computed from the environment at the
/// time of the call (HOME and the XDG_* variables), so tests can point a process at a private
/// folder tree. Folders are answered without a trailing "/"; nothing here creates a folder
/// unless the function says so.
class Paths final
{
public:
    Paths() = delete;

    /// The user's home folder: $HOME, else the passwd entry.
    static QString home();
    /// The login name: the passwd entry of the real user id, else $USER.
    static QString userName();

    static QString configHome(); ///< $XDG_CONFIG_HOME or ~/.config
    static QString dataHome(); ///< $XDG_DATA_HOME or ~/.local/share
    static QString cacheHome(); ///< $XDG_CACHE_HOME or ~/.cache
    /// The user's private folder of the login session: $XDG_RUNTIME_DIR when it is set, which
    /// the session manager makes (0700) at login and removes at logout. Without it
    /// cacheHome()/tarsel/runtime, which outlives the session (isSessionRuntimeFolder() false).
    static QString runtimeFolder();
    static bool isSessionRuntimeFolder();

    /// XDG user folders (user-dirs.dirs), falling back to the English names under home.
    static QString desktop();
    static QString documents();
    static QString downloads();
    static QString pictures();
    static QString music();
    static QString movies();

    /// The folder every Tarsel file of this user lives under: dataHome()/tarsel.
    static QString tarselDataRoot();

    /// The shared container of an application group, readable and writable by the application
    /// and the extension alike: dataHome()/tarsel/<group id>.
    static QString groupContainer(const QString& groupId);
    /// The suite file of a group's shared defaults inside its container.
    static QString groupSuiteFile(const QString& groupId);

    /// The standard defaults file of a bundle: configHome()/tarsel/<bundle id>.plist.
    static QString standardDefaultsFile(const QString& bundleId);

    /// The private application-support folder of a bundle: dataHome()/tarsel/<bundle id>.
    /// No other program uses it, so scratch folders may be created and removed inside it.
    static QString applicationSupport(const QString& bundleId);

    /// Folders under which removable and mounted volumes appear.
    static QStringList volumeRoots();

    /// Creates the folder and its parents when missing; true when it exists afterwards.
    static bool ensureFolder(const QString& path);
};

} // namespace platform
