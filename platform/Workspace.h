#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class QImage;

namespace platform {

/// An installed application, described by its XDG desktop entry.
struct Application
{
    QString id; ///< desktop-file id ("org.gnome.TextEditor.desktop" without ".desktop")
    QString name; ///< Name=
    QString exec; ///< Exec=
    QString icon; ///< Icon=
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
    /// Opens the paths with one application (by desktop id or name), started from the argument
    /// vectors its Exec line makes. A name only ever becomes a whole argument or an option's
    /// value ("--file=%f"); an entry that would put one inside another argument, or into the
    /// code a code option runs ("sh -c %f", "sh -c \"... %f\"", also behind a wrapper such as
    /// "nice" or with options between), is refused. False with a message when the application
    /// is unknown, refused or could not be started.
    static bool openFiles(const QStringList& paths, const Application& app, QString* error = nullptr);
    /// The program an application's Exec line starts (as written there), empty when none.
    static QString programOf(const Application& app);
    /// The keys of a desktop entry file's [Desktop Entry] group, values unescaped; nullopt when
    /// the path is no readable file or has no such group.
    static std::optional<QHash<QString, QString>> readDesktopEntry(const QString& path);
    /// Shows the item selected in a file-manager window (org.freedesktop.FileManager1 over D-Bus,
    /// else opens the parent folder).
    static bool reveal(const QString& path);
    /// Shows the items selected in one file-manager call; without a file manager, opens each
    /// of their folders once. False when none of them exists.
    static bool revealItems(const QStringList& paths);

    /// Every application the desktop entries on XDG_DATA_HOME and XDG_DATA_DIRS describe,
    /// first entry of an id wins (user entries before system ones).
    static QList<Application> applications();
    /// The application with that desktop-file id (with or without ".desktop"), or invalid.
    static Application applicationForId(const QString& id);
    /// The first application whose Name= equals the name (case-insensitive), or invalid.
    static Application applicationForName(const QString& name);
    /// True when a program of that name is on PATH.
    static bool hasProgram(const QString& program);

    /// The file manager's D-Bus service (org.freedesktop.FileManager1): whether one answers on
    /// that name (running or activatable), and a call of one of its methods with a list of file
    /// URIs and an empty startup id, true when it answered without an error.
    struct FileManager
    {
        std::function<bool()> isAvailable;
        std::function<bool(const QString& method, const QStringList& uris)> call;
    };
    /// Replaces the file manager (tests); an empty one restores the session bus.
    static void setFileManager(FileManager fileManager);
    static bool hasFileManager();
    /// Asks the file manager to show the properties of the items; false when none answered.
    static bool showItemProperties(const QStringList& paths);

    /// The subfolder of the private application-support folder that keeps custom icons as PNG
    /// files named by the digest of their bytes, so equal images share one file.
    static inline const QString kCustomIconsFolder = QStringLiteral("Custom Icons");
    /// Makes the image the custom icon of the file or folder; a null image removes the custom
    /// icon. A folder's icon is the Icon= key of the [Desktop Entry] group of its `.directory`
    /// file (every other line is kept, the file is rewritten atomically and removed when
    /// nothing else is left in it); files and folders alike also get the GIO metadata
    /// "metadata::custom-icon" when the `gio` program is there. False with a message when the
    /// image or the folder's file could not be written; GIO metadata is a best effort.
    static bool setIcon(const QImage& image, const QString& path, QString* error = nullptr);
    /// The icon a folder's `.directory` names, null when it names none.
    static QString folderIcon(const QString& path);
    /// The item's own icon at its largest, null when it has none of its own: a desktop entry's
    /// Icon= (an absolute path, or a name looked up in the icon theme, its parents and hicolor,
    /// then in the pixmaps folders) and a folder's custom icon. Of the sizes a theme has, the
    /// largest picture wins; a scalable one (where this system reads SVG) is drawn at `size`.
    static QImage ownIcon(const QString& path, int size);
    /// The file of the largest picture of a named icon in the icon themes, empty when none has it.
    static QString themeIconFile(const QString& name);
};

} // namespace platform
