#include "engine/model/QVAppCommandURL.h"

#include "engine/model/QVMenuManager.h"
#include "platform/AppChannel.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcAppCommand, "tarsel.engine.appcommand", QtWarningMsg)

namespace {

const QString kAppProgram = QStringLiteral("Tarsel");

bool isPathByteAllowed(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    static const QByteArray allowed("!$'()*,-./:;?@_~");
    return allowed.contains(char(c));
}

} // namespace

QByteArray QVAppCommandURL::encodedPath(const QUrl& url)
{
    // The fully encoded form keeps bytes that are not UTF-8 as escapes, so decoding it answers
    // the exact bytes of the name.
    const QByteArray raw = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(raw.size() * 3 / 2);
    for (const char ch : raw) {
        const auto c = static_cast<unsigned char>(ch);
        if (isPathByteAllowed(c)) {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0f];
        }
    }
    return out;
}

QString QVAppCommandURL::urlStringWithMethod(qint64 method, const QList<QUrl>& urls, bool isSelectURL)
{
    QString query = QStringLiteral("qvselect=%1").arg(isSelectURL ? 1 : 0);
    for (const QUrl& url : urls) {
        query += QStringLiteral("&qvpath=") + QString::fromLatin1(encodedPath(url));
    }
    return QStringLiteral("%1://qvcommand-%2?%3").arg(kScheme).arg(method).arg(query);
}

bool QVAppCommandURL::openMainAppWithMethod(qint64 method, const QList<QUrl>& urls, bool isSelectURL)
{
    const QString address = urlStringWithMethod(method, urls, isSelectURL);
    if (platform::AppChannel::send(address.toLatin1())) {
        return true;
    }
    const bool launched = platform::Workspace::launchApplication(mainAppProgram(), { address });
    if (!launched) {
        qCWarning(lcAppCommand).noquote() << "could not hand command" << method << "to the application";
    }
    return launched;
}

bool QVAppCommandURL::openMainApp()
{
    return platform::Workspace::launchApplication(mainAppProgram(), {});
}

QString QVAppCommandURL::mainAppProgram()
{
    const QString here = QCoreApplication::applicationDirPath();
    if (!here.isEmpty()) {
        for (const QString& folder : { here, here + QStringLiteral("/../app") }) {
            const QFileInfo candidate(folder + QLatin1Char('/') + kAppProgram);
            if (candidate.isFile() && candidate.isExecutable()) {
                return candidate.canonicalFilePath();
            }
        }
    }
    const QString onPath = QStandardPaths::findExecutable(kAppProgram);
    return onPath.isEmpty() ? kAppProgram : onPath;
}

bool QVMenuManager::openMainAppWithMethod(qint64 method, const QList<QUrl>& withURLs, bool isSelectURL)
{
    return QVAppCommandURL::openMainAppWithMethod(method, withURLs, isSelectURL);
}

bool QVMenuManager::openMainApp()
{
    return QVAppCommandURL::openMainApp();
}
