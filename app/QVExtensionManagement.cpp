#include "app/QVExtensionManagement.h"

#include "engine/model/QVAppCommandURL.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"
#include "platform/Alert.h"
#include "platform/Defaults.h"
#include "platform/LoginItem.h"
#include "platform/System.h"
#include "platform/ModalPolicy.h"
#include "platform/finder/FIFinderSyncController.h"
#include "platform/finder/FileManagerActions.h"
#include "platform/finder/HostProcesses.h"

#include <QLoggingCategory>

#include <chrono>

Q_LOGGING_CATEGORY(lcCompanions, "tarsel.app.companions", QtInfoMsg)

namespace {

const QString& extensionId()
{
    return platform::System::kExtensionBundleId;
}

constexpr std::chrono::milliseconds kRegisterAgainDelay { 500 };

} // namespace

QString QVExtensionManagement::autoStartAddress()
{
    return QVAppCommandURL::kScheme + QStringLiteral("://qvcommand-")
        + QString::number(QVAppCommandURL::LaunchedAtLogin);
}

bool QVExtensionManagement::launchAtLogin(bool on)
{
    const platform::Status result = platform::LoginItem::setEnabled(on, QString(), { autoStartAddress() });
    if (result.ok) {
        qCInfo(lcCompanions).noquote() << (on ? "the login item was added:" : "the login item was removed:")
                                       << platform::LoginItem::file();
        return on;
    }
    qCWarning(lcCompanions).noquote() << result.error;
    const bool real = platform::LoginItem::isEnabled();
    QVMenuManager::sharedDefaults().setValue(QVMenuManager::prefCheck(QVSwitch::LaunchAtLogin), real);
    return real;
}

bool QVExtensionManagement::isNeedUseCmdEnable()
{
    const QStringList parts = platform::System::systemVersion().split(QLatin1Char('.'));
    const int major = parts.value(0).toInt();
    const int minor = parts.value(1).toInt();
    const int patch = parts.value(2).toInt();
    return major == 15 && minor <= 3 && patch < 2;
}

bool QVExtensionManagement::isExtensionEnabled()
{
    return platform::FIFinderSyncController::isExtensionEnabled(extensionId())
        && platform::FileManagerActions::anyHasActions();
}

// The command-line releases skip the check elsewhere because the state cannot be read there;
// here it always can, so the check runs on every release.
void QVExtensionManagement::checkIsOpenRightMenu()
{
    if (!platform::ModalPolicy::canAskUser() || isExtensionEnabled()) {
        return;
    }
    if (platform::FileManagerActions::installed().isEmpty()) {
        qCInfo(lcCompanions) << "no supported file manager is installed: nothing to turn on";
        return;
    }
    if (platform::FileManagerActions::hostProgram().isEmpty()) {
        qCWarning(lcCompanions) << "tarsel-finder was found neither beside Tarsel nor on PATH: nothing to turn on";
        return;
    }
    platform::Alert alert = qv::alert();
    alert.setMessageText(qv::localized(QStringLiteral("Tip")));
    alert.setInformativeText(platform::System::majorVersion() >= 15 ? qv::localized(QStringLiteral("Finder Sync Tip 2"))
                                                                    : qv::localized(QStringLiteral("Finder Sync Tip")));
    alert.addButtonWithTitle(qv::localized(QStringLiteral("Open System Preferences")));
    alert.runModal();
    showExtensionManagementInterface();
}

void QVExtensionManagement::showExtensionManagementInterface(QWidget* window)
{
    setFileManagersEnabled(true, window);
}

bool QVExtensionManagement::setFileManagersEnabled(bool on, QWidget* window)
{
    QStringList lines;
    QList<platform::FileManagerActions::Outcome> outcomes;
    bool ok = true;
    bool hostMissing = false;
    if (on) {
        if (!platform::FIFinderSyncController::setExtensionEnabled(extensionId(), true)) {
            ok = false;
            lines << qv::localized(QStringLiteral("Extension Switch Not Stored"));
        }
        const QString host = platform::FileManagerActions::hostProgram();
        if (host.isEmpty()) {
            ok = false;
            hostMissing = true;
            lines << qv::localized(QStringLiteral("Host Program Not Found"));
        } else {
            outcomes = platform::FileManagerActions::enable(host);
        }
    } else {
        outcomes = platform::FileManagerActions::disable();
    }
    bool worthTelling = !ok || (on && outcomes.isEmpty());
    if (!hostMissing) {
        lines << platform::FileManagerActions::describe(outcomes, on);
    }
    for (const platform::FileManagerActions::Outcome& outcome : std::as_const(outcomes)) {
        ok = ok && outcome.ok;
        worthTelling = worthTelling || !outcome.ok || outcome.restartNeeded;
    }
    for (const QString& line : std::as_const(lines)) {
        qCInfo(lcCompanions).noquote() << line;
    }
    if (worthTelling) {
        if (window != nullptr) {
            qv::alertWithMsg(lines.join(QLatin1Char('\n')), window);
        } else {
            qv::alertWithMsg(lines.join(QLatin1Char('\n')));
        }
    }
    return ok;
}

void QVExtensionManagement::restartFinderExtension(const std::function<void()>& done)
{
    QString error;
    const int ended = platform::HostProcesses::killAll(extensionId(), &error);
    if (!error.isEmpty()) {
        qCWarning(lcCompanions).noquote() << error;
    }
    qCInfo(lcCompanions) << "ended" << ended << "host processes of the extension";
    qv::enterForegroundWithDelay(kRegisterAgainDelay, [done] {
        // Only the host's switch: the file managers' actions stay as the user set them.
        if (!platform::FIFinderSyncController::setExtensionEnabled(extensionId(), true)) {
            qCWarning(lcCompanions) << "the extension could not be turned on: its switch could not be stored";
        }
        if (done) {
            done();
        }
    });
}
