#include "app/QVSharingService.h"

#include "engine/model/QVAppCommandURL.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/StringExpandText.h"
#include "platform/Wallpaper.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcApp)

namespace {

void setDesktopPicture(const QList<QUrl>& items)
{
    const QString path = items.isEmpty() ? QString() : items.first().toLocalFile();
    if (!platform::Wallpaper::canSetPicture(path)) {
        qCInfo(lcApp).noquote() << "no desktop picture set: the first item is not an image:" << path;
        return;
    }
    const platform::Wallpaper::Result result = platform::Wallpaper::setDesktopPicture(path);
    if (result.ok) {
        qCInfo(lcApp).noquote() << "desktop picture set through" << result.backend << ":" << path;
        return;
    }
    qCWarning(lcApp).noquote() << result.error;
    qv::alertWithMsg(qv::stringWithFormat(qv::localized(QStringLiteral("Desktop Picture Not Set Tip")), path));
}

} // namespace

bool QVSharingService::handles(qint64 method)
{
    return method == QVAppCommandURL::AirDrop || method == QVAppCommandURL::DesktopPicture
        || method == QVAppCommandURL::SendToWechat;
}

void QVSharingService::perform(qint64 method, const QList<QUrl>& items)
{
    switch (method) {
    case QVAppCommandURL::AirDrop:
        qv::alertWithMsg(qv::localized(QStringLiteral("AirDrop Not Available Tip")));
        break;
    case QVAppCommandURL::SendToWechat:
        qv::alertWithMsg(qv::localized(QStringLiteral("WeChat Not Available Tip")));
        break;
    case QVAppCommandURL::DesktopPicture:
        setDesktopPicture(items);
        break;
    default:
        break;
    }
}
