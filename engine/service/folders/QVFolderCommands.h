#pragma once

#include "engine/service/QVPendingWork.h"

#include <QString>
#include <QStringList>

class QVCommandContext;

/// The folder commands: "Embed in Folder" puts the selected items into a new folder beside them
/// (optionally sorted into sub-folders by extension), "Unembed Folder" moves a folder's contents
/// up into its parent, "New Folder" makes a folder. Embed (with two or more items) and New
/// Folder ask for the name in their dialogs, reached through QVNameDialogs.
///
/// Nothing is replaced and nothing is lost: folders are made under free names, moves never
/// replace, and an unembedded folder is removed only once it is empty. Entries whose names begin
/// with "." stay in the folder, which then keeps its own name (or the next free one).
class QVFolderCommands final
{
public:
    /// Embed modes of the dialog.
    enum EmbedMode { NotClassified = 0, ByExtension = 1 };

    explicit QVFolderCommands(QVCommandContext& context)
        : m_context(context)
    {
    }
    Q_DISABLE_COPY_MOVE(QVFolderCommands)

    /// The dialogs keep the pending work until they have been answered.
    void embedFolder(QVPendingWork::Hold pending);
    void unembedFolder();
    void createFolder(QVPendingWork::Hold pending);

    /// The embed step: moves the selected items into a new folder of that name beside the first
    /// one. A name that is no folder name does nothing.
    void embedStep(const QString& name, int mode);
    /// The folder "New Folder" makes its folder in (see the command).
    QString newFolderBase();
    /// Makes a new folder at the path or at its next free variant; the path made, null when
    /// none could be made.
    static QString makeFreeFolder(const QString& path, QString* error);

private:
    /// Unembeds one folder; false when a move failed (the command ends then).
    bool unembedOne(const QString& folder);
    /// The staging name of a folder: "." and its name, or the next free variant of that.
    static QString stagingPathFor(const QString& folder);
    /// Renames the staging folder back to the folder's name, or to its next free variant.
    static QString renameBack(const QString& staging, const QString& folder);
    void clean();

    QVCommandContext& m_context;
};
