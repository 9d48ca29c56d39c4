#include "platform/finder/FIFinderSync.h"

namespace platform {

std::shared_ptr<Menu> FIFinderSync::menuForMenuKind(FIMenuKind)
{
    return nullptr;
}

QString FIFinderSync::toolbarItemName() const
{
    return QString();
}

QString FIFinderSync::toolbarItemToolTip() const
{
    return QString();
}

QImage FIFinderSync::toolbarItemImage() const
{
    return QImage();
}

void FIFinderSync::onMenuItemAction(const MenuItem&) { }

FIFinderSyncController& FIFinderSync::finderSyncController() const
{
    return FIFinderSyncController::defaultController();
}

} // namespace platform
