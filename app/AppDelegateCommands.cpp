// App command URLs: picking the command out of what the application is handed (its command
// line, the per-user socket), refusing anything that is not a well-formed command for existing
// paths, and running it on the application's engine.

#include "app/AppDelegate.h"

#include "app/QVSharingService.h"
#include "engine/model/QVAppCommandURL.h"
#include "engine/service/QVMenuService.h"
#include "foundation/QVCheckPermit.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QPointer>

Q_DECLARE_LOGGING_CATEGORY(lcApp)

namespace {

// The record key whose command the engine runs for a method; empty for the methods that the
// application carries out itself or that run nothing.
QString engineKeyForMethod(qint64 method)
{
    switch (method) {
    case QVAppCommandURL::ColorPicker:
        return QStringLiteral("Color Picker");
    case QVAppCommandURL::EncryptedCompression:
        return QStringLiteral("Encrypted Compression");
    case QVAppCommandURL::EmbedInFolder:
        return QStringLiteral("Embed in Folder");
    case QVAppCommandURL::ResizeImage:
        return QStringLiteral("Resize Image");
    case QVAppCommandURL::NewFolder:
        return QStringLiteral("New Folder");
    case QVAppCommandURL::ConvertToUTF8:
        return QStringLiteral("Convert to");
    default:
        return {};
    }
}

bool isKnownMethod(qint64 method)
{
    return method == QVAppCommandURL::LaunchedAtLogin || QVSharingService::handles(method)
        || !engineKeyForMethod(method).isEmpty();
}

// Only the beginning of an address goes into the log: it is outside input of any length.
QByteArray logged(const QByteArray& address)
{
    constexpr qsizetype kShown = 200;
    return address.size() > kShown ? address.left(kShown) + "..." : address;
}

} // namespace

void AppDelegate::receiveMessage(const QByteArray& message)
{
    if (message == kReopenMessage) {
        applicationShouldHandleReopen();
    } else if (message == kQuitMessage) {
        exitApp();
    } else {
        // The addresses one start was handed travel together, so the rule of the first one
        // holds for them as it does for a start's own command line.
        openURLs(message.split(kAddressSeparator));
    }
}

void AppDelegate::openURLs(const QList<QByteArray>& addresses)
{
    for (const QByteArray& address : addresses) {
        if (address.size() > kMaxAddressSize) {
            qCWarning(lcApp).noquote() << "refused an app command of" << address.size() << "bytes (at most"
                                       << kMaxAddressSize << "are taken)";
            continue;
        }
        const std::optional<QVAppCommandURL::Command> command = QVAppCommandURL::parse(address);
        if (!command) {
            qCWarning(lcApp).noquote() << "refused, not an app command:" << logged(address);
            continue;
        }
        // The first app command decides; a refused one runs nothing, and neither do the rest.
        // Its number is recorded all the same: an activation by a command, known or not, opens
        // no settings window.
        if (!command->methodIsExact || !isKnownMethod(command->method)) {
            qCWarning(lcApp).noquote() << "refused, no such command:" << logged(address);
            recordRefusedMethod(command->method);
            return;
        }
        for (const QUrl& url : command->selectURLs) {
            if (!QFileInfo::exists(url.toLocalFile())) {
                qCWarning(lcApp).noquote() << "refused, a path does not exist:" << url.toLocalFile();
                recordRefusedMethod(command->method);
                return;
            }
        }
        runCommand(command->method, command->selectURLs, command->hasQuery, command->isSelectURL);
        return;
    }
}

void AppDelegate::recordRefusedMethod(qint64 method)
{
    // During launch the launch handling reads and clears it; received while running, the
    // command is over and the user's next "Preferences" opens the window.
    m_method = m_launching ? method : 0;
}

void AppDelegate::runCommand(qint64 method, const QList<QUrl>& selection, bool hasQuery,
                             std::optional<bool> isSelectURL)
{
    m_method = method;
    QVMenuService* engine = service();
    if (hasQuery) {
        if (isSelectURL) {
            engine->setIsSelectURL(*isSelectURL);
        }
        engine->setSelectURLs(selection);
    }
    if (selection.isEmpty()) {
        executeMethod(method);
        return;
    }
    QPointer<AppDelegate> self(this);
    QVCheckPermit::checkPermitWithPath(
        selection.first().toLocalFile(),
        [self, method] {
            if (self) {
                self->executeMethod(method);
            }
        },
        [method] { qCInfo(lcApp) << "app command" << method << "not run: folder access was refused"; });
}

void AppDelegate::executeMethod(qint64 method)
{
    QVMenuService* engine = service();
    ++m_running;
    qCInfo(lcApp) << "app command" << method << "started";
    Q_EMIT commandStarted(method);
    engine->setIsOpenFromMainApp(true);
    if (method == QVAppCommandURL::LaunchedAtLogin) {
        m_isAutoStart = true;
    } else if (QVSharingService::handles(method)) {
        QVSharingService::perform(method, engine->selectURLs());
    } else if (const QString key = engineKeyForMethod(method); !key.isEmpty()) {
        engine->runHandedOverCommand(key);
    }
    engine->setIsOpenFromMainApp(false);
    --m_running;
    // Received while running: the command is handled, and the user's next "Preferences" opens
    // the window. During launch the launch handling clears it.
    if (!m_launching) {
        m_method = 0;
    }
}
