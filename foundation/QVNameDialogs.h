#pragma once

#include <QIcon>
#include <QList>
#include <QString>

#include <functional>

/// The windows that ask the user for a name on behalf of the commands: the embed dialog (a
/// folder name and a sorting mode), the new-folder dialog, and the save panel of a new file with
/// its file-type accessory. The windows live above the foundation, so the process that shows
/// them installs their openers at start-up; the engine opens them through here.
///
/// Each opener shows its window and returns at once; the handler runs once, when the user has
/// answered. Cancel, and closing the window, hand back the empty name. Without an installed
/// opener nothing is shown, the handler never runs and the open call answers false.
class QVNameDialogs final
{
public:
    QVNameDialogs() = delete;

    using EmbedHandler = std::function<void(const QString& name, int mode)>;
    using NameHandler = std::function<void(const QString& name)>;

    /// One new-file template as the save panel's accessory lists it; entries that are not
    /// listed keep their place, so an index is one of the template list.
    struct FileTemplate
    {
        QString key;
        QString fileType;
        QString ext; ///< the extension, else the key
        QIcon menuIcon;
        bool listed = true;
    };
    struct NewFilePanel
    {
        QString directory;
        QString fileName;
        QList<FileTemplate> templates;
        QString currentKey; ///< the template chosen first
        bool hideIcons = false;
    };
    /// OK: the chosen path and the index of the template chosen last (-1 for none).
    using NewFileHandler = std::function<void(const QString& path, int templateIndex)>;

    using EmbedOpener = std::function<void(const QString& defaultName, EmbedHandler handler)>;
    using NameOpener = std::function<void(const QString& defaultName, NameHandler handler)>;
    using NewFileOpener = std::function<void(const NewFilePanel& panel, NewFileHandler handler)>;

    static void setEmbedFolderOpener(EmbedOpener opener);
    static void setNewFolderOpener(NameOpener opener);
    static void setNewFilePanelOpener(NewFileOpener opener);

    static bool openEmbedFolder(const QString& defaultName, EmbedHandler handler);
    static bool openNewFolder(const QString& defaultName, NameHandler handler);
    /// The handler runs only on OK.
    static bool openNewFilePanel(const NewFilePanel& panel, NewFileHandler handler);

    /// Whether a text names one folder in a folder: valid (not blank), neither "." nor "..",
    /// and free of "/" and NUL, which would name a path elsewhere or be cut short by the system.
    static bool isFolderName(const QString& name);
};
