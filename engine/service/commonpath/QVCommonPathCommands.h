#pragma once

#include "engine/model/QVMenuItem.h"

#include <QString>

class QVCommandContext;
class QVCopyMoveCommands;
class QVFlagAndLinkCommands;
class QVOpenWithCommands;

/// The common folders: opening one (or what the chosen entry beneath it names), adding the
/// selected folders to them, and turning an entry chosen beneath "Copy to", "Move to", "Create
/// Symlink to", the terminals or a script that uses "@rftocommonpath" into a target folder.
class QVCommonPathCommands final
{
public:
    QVCommonPathCommands(QVCommandContext& context, QVOpenWithCommands& openWith, QVFlagAndLinkCommands& links,
                         QVCopyMoveCommands& copyMove)
        : m_context(context)
        , m_openWith(openWith)
        , m_links(links)
        , m_copyMove(copyMove)
    {
    }
    Q_DISABLE_COPY_MOVE(QVCommonPathCommands)

    /// Opens a common folder, or what the chosen entry beneath it names: a desktop service or an
    /// application run on the folder, or a listed entry's own path.
    void openCommonPath(const QString& path, const QVMenuItemPtr& withItem);
    /// Appends every selected folder to "array common path" on the background queue, then
    /// reports success on the main thread.
    void addToCommonPath();
    /// The folder the entry chosen beneath the top entry stands for (item1 a common path or
    /// "Select Folder", item2 and item3 entries beneath it, null when not given), asking with the
    /// folder chooser where the entry names none. Runs the top entry's command on it, except for
    /// scripts, which use the answer themselves. Null when no folder was chosen.
    QString toCommonPathWithItem(const QVMenuItemPtr& top, const QVMenuItemPtr& item1, const QVMenuItemPtr& item2,
                                 const QVMenuItemPtr& item3);

private:
    QVCommandContext& m_context;
    QVOpenWithCommands& m_openWith;
    QVFlagAndLinkCommands& m_links;
    QVCopyMoveCommands& m_copyMove;
};
