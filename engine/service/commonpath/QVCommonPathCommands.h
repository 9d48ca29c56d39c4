#pragma once

#include "engine/model/QVMenuItem.h"
#include "engine/service/QVPendingWork.h"

#include <QString>

class QVCommandContext;
class QVOpenWithCommands;

/// The common folders: opening one (or what the chosen entry beneath it names), adding the
/// selected folders to them, and turning an entry chosen beneath "Copy to", "Move to", "Create
/// Symlink to", the terminals or a script that uses "@rftocommonpath" into a target folder (the
/// action table's rows then act on that folder).
class QVCommonPathCommands final
{
public:
    QVCommonPathCommands(QVCommandContext& context, QVOpenWithCommands& openWith)
        : m_context(context)
        , m_openWith(openWith)
    {
    }
    Q_DISABLE_COPY_MOVE(QVCommonPathCommands)

    /// Opens a common folder, or what the chosen entry beneath it names: a desktop service or an
    /// application run on the folder, or a listed entry's own path.
    void openCommonPath(const QString& path, const QVMenuItemPtr& withItem);
    /// Appends every selected folder to "array common path" on the background queue, then
    /// reports success on the main thread, under the pending work.
    void addToCommonPath(QVPendingWork::Hold pending);
    /// The folder the entry chosen beneath the top entry stands for (item1 a common path or
    /// "Select Folder", item2 and item3 entries beneath it, null when not given), asking with the
    /// folder chooser (prompted for the top entry's command) where the entry names none or names
    /// a folder that is not there. Only chooses: the caller acts on the folder. Null when no
    /// folder was chosen.
    QString chooseFolder(const QVMenuItemPtr& top, const QVMenuItemPtr& item1, const QVMenuItemPtr& item2,
                         const QVMenuItemPtr& item3);

private:
    QVCommandContext& m_context;
    QVOpenWithCommands& m_openWith;
};
