#pragma once

#include "engine/model/QVMenuItem.h"
#include "platform/FileOps.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QFile;

class QVCommandContext;

/// New files from the template list ("array new file"): a user template copied byte for byte, a
/// blank document of a known type from the bundle, or an empty file; "New File From Window" asks
/// for the place, name and template in a save panel; "Add to File Template" turns the selected
/// file into a new template.
///
/// A new file is written whole beside its place and moved in with a no-replace rename, taking the
/// next free name when the place was taken meanwhile; it replaces an item only when the user
/// answered "Replace", and then in one exchange once it is complete. A write, copy or icon save
/// that fails plays the error sound and shows "Error Common Tip". A template is read only when it
/// is a regular file of the shared templates folder (QVAssetFile), streamed into the new file; any
/// other template path is refused with a message naming it, and no file is made.
class QVNewFileCommands final
{
public:
    /// The extensions of the blank documents the bundle holds (resource "Untitled" of each).
    static const QStringList& blankDocumentTypes();

    explicit QVNewFileCommands(QVCommandContext& context)
        : m_context(context)
    {
    }
    Q_DISABLE_COPY_MOVE(QVNewFileCommands)

    /// Runs a new-file entry: a template, "New File From Window" or "Add to File Template".
    void createFileWithItem(const QVMenuItemPtr& item);

    /// The folder new files go to: the first item's folder (the item itself when it is one), the
    /// home folder when nothing is selected.
    QString targetFolder();
    /// What a new file of an item without a template starts with: the blank document of the
    /// extension, else nothing.
    static QByteArray contentsFor(const QVMenuItem& item, const QString& extension);
    /// Writes the contents at the path, or at its next free variant when the path is taken (the
    /// name claimed atomically); with Replace, swaps the complete new file in for what is there.
    /// The path written, or a null string with the reason in error.
    static QString writeNewFile(const QString& path, const QByteArray& contents, QString* error,
                                platform::FileOps::Placement placement = platform::FileOps::Placement::FreeVariant,
                                bool trashExisting = false);
    /// The same with the contents streamed from an open file (a template).
    static QString writeNewFile(const QString& path, QFile& source, QString* error,
                                platform::FileOps::Placement placement = platform::FileOps::Placement::FreeVariant,
                                bool trashExisting = false);

private:
    /// The write step: writes the item's contents, opens the file when "open new file" is on,
    /// and plays the sound of a new file (or of the failure).
    /// With trashExisting, an item already at the path (the save panel's "replace it?" answered
    /// Yes) goes to the Trash once the new file is complete, and the new file takes its name.
    void writeFile(const QString& path, const QString& extension, const QVMenuItem& item,
                   platform::FileOps::Placement placement = platform::FileOps::Placement::FreeVariant,
                   bool trashExisting = false);
    void createFromWindow(const QVMenuItemPtr& item, const QString& folder);
    void addToFileTemplate();
    static void reportFailure(const QString& message);
    /// Writes under a scratch name beside the path, filled by fill, then renames it in.
    static QString writeNewFileWith(const QString& path, const std::function<bool(QFile&, QString*)>& fill,
                                    QString* error, platform::FileOps::Placement placement, bool trashExisting = false);
    /// Renames the complete new file in over what is at the path, which goes to the Trash.
    static QString trashAndRenameIn(const QString& scratch, const QString& path, QString* reason);

    QVCommandContext& m_context;
};
