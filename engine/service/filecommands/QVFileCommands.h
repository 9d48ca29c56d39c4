#pragma once

#include "engine/model/QVMenuItem.h"

#include <QString>

class QVCommandContext;
class QVOpenWithCommands;

/// The file and folder commands that act at once on the selection: copying paths, names or a
/// text file's contents, deleting, moving to the Trash, showing a package's contents, ejecting,
/// the file manager's properties window, the system's own hidden files, and the screen colour
/// picker.
class QVFileCommands final
{
public:
    /// The largest file whose text "Copy File Contents" offers to copy.
    static constexpr qint64 kMaxCopyContentsSize = 16 * 1024 * 1024;

    QVFileCommands(QVCommandContext& context, QVOpenWithCommands& openWith)
        : m_context(context)
        , m_openWith(openWith)
    {
    }
    Q_DISABLE_COPY_MOVE(QVFileCommands)

    /// Puts the selected paths (or only their names), one a line, on the pasteboard.
    void copyPathWithOnlyName(bool onlyName);
    /// Removes every selected item permanently, after "Delete Tip" when the switch asks for it.
    void deletePath();
    /// Moves every selected item to the desktop's Trash.
    void moveToTrash();
    /// Reveals the first entry (by name) of each selected package or folder.
    void showPackageContents();
    /// Unmounts and ejects each selected volume on the background queue.
    void ejectVolumes();
    /// Copies the UTF-8 text of the first selected file.
    void copyFileContents();
    /// The text of a regular file of at most kMaxCopyContentsSize bytes that holds valid UTF-8
    /// (empty for an empty file); null for anything else.
    static QString copyableText(const QString& path);
    /// Copies the item's command for showing or hiding the system's hidden files (never runs it)
    /// and opens a terminal at the Desktop to paste it into.
    void showSystemFiles(const QVMenuItemPtr& item);
    /// Asks the file manager to show the properties of the selected items.
    void getInfo();
    /// Starts the screen colour picker of this process; false when the process has none.
    bool startColorPicker();
    /// Whether a file manager can take a request now; "Please select Finder first" when not.
    bool _canSimuFinderShortcut();

private:
    QVCommandContext& m_context;
    QVOpenWithCommands& m_openWith;
};
