#pragma once

#include "engine/model/QVMenuItem.h"
#include "engine/service/QVPendingWork.h"

#include <QString>

class QVCommandContext;

/// The commands that change how the selected items show, and that make aliases of them: hidden
/// or visible, locked or unlocked, their custom icons, and aliases in a folder or on the Desktop.
class QVFlagAndLinkCommands final
{
public:
    explicit QVFlagAndLinkCommands(QVCommandContext& context)
        : m_context(context)
    {
    }
    Q_DISABLE_COPY_MOVE(QVFlagAndLinkCommands)

    /// Hides ("Hide ...") or shows ("Unhide ...") the selected items; with the menu opened on a
    /// folder's background, every entry of that folder whose name does not begin with ".".
    void hideAndShowFiles(const QVMenuItemPtr& item);
    /// Locks every selected item, or unlocks every one when the first is locked.
    void lockUnlockFiles();
    /// Sets the item's image as the custom icon of each selected item (of items chosen in a
    /// panel when the menu was opened on a folder's background); "Recover Icon", or an image
    /// that cannot be loaded, only removes the custom icons. The image is set a moment after the
    /// old icons are cleared, under the pending work.
    void setFolderIcon(const QVMenuItemPtr& item, QVPendingWork::Hold pending);
    /// Makes an alias of each selected item in the folder, under a free name; each item plays
    /// its own sound, and with the reveal switch on an alias outside the Desktop is revealed.
    void _createSymlinkTo(const QString& folder);
    /// _createSymlinkTo() with the user's Desktop folder.
    void sendToDesktopShortcut();

private:
    QVCommandContext& m_context;
};
