// The workspace, sound, pasteboard and bundle-resource operations of StringExpandText.h: thin
// wrappers over the platform services.

#include "foundation/StringExpandText.h"

#include "platform/Bundle.h"
#include "platform/Pasteboard.h"
#include "platform/Sound.h"
#include "platform/Workspace.h"

#include <QFile>

namespace qv {

bool openURL(const QString& s)
{
    return openURL(netUrl(s));
}

bool openURL(const QUrl& url)
{
    return url.isValid() && !url.isEmpty() && platform::Workspace::openUrl(url);
}

bool openInFinder(const QString& path)
{
    return !path.isEmpty() && platform::Workspace::reveal(path);
}

QUrl appstoreUrlWithId(const QString& itemId)
{
    return QUrl(QStringLiteral("itms-apps://apps.apple.com/app/id")
                + QString::fromLatin1(QUrl::toPercentEncoding(itemId)));
}

bool play(const QString& s)
{
    if (!isValid(s)) {
        return false;
    }
    // A sound file on disk or among the bundle's resources (":/..."), else a theme sound.
    const bool isFile = s.startsWith(QLatin1String(":/")) ? QFile::exists(s) : isExist(s);
    return isFile ? platform::Sound::playFile(s) : platform::Sound::playNamed(s);
}

bool copyToPasteboard(const QString& s)
{
    platform::Pasteboard& board = platform::Pasteboard::general();
    board.clear();
    return board.setString(trim(s));
}

QString paste()
{
    const platform::Pasteboard& board = platform::Pasteboard::general();
    return board.hasString() ? board.string() : QStringLiteral("");
}

QString fromResource(const QString& fileName)
{
    // The name splits at its last extension into resource name and type.
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString name = dot > 0 ? fileName.left(dot) : fileName;
    const QString type = dot > 0 ? fileName.mid(dot + 1) : QString();
    if (platform::Bundle::resourcePath(name, type).isEmpty()) {
        return {};
    }
    return getStringFromData(platform::Bundle::resourceData(name, type));
}

} // namespace qv
