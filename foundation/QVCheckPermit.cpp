#include "foundation/QVCheckPermit.h"

#include "foundation/BundleExpand.h"
#include "foundation/QVPermissions.h"
#include "foundation/QVURLCache.h"
#include "foundation/StringExpandText.h"
#include "platform/Alert.h"
#include "platform/Panels.h"
#include "platform/Paths.h"
#include "platform/System.h"

#include <QDir>
#include <QUrl>

namespace {

QVCheckPermit::ActivationPanel& activationPanel()
{
    static QVCheckPermit::ActivationPanel panel;
    return panel;
}

platform::PanelOptions folderPanel(const QString& prompt)
{
    platform::PanelOptions options;
    options.prompt = prompt;
    options.canChooseFiles = false;
    options.canChooseDirectories = true;
    options.allowsMultipleSelection = false;
    options.level = platform::Panels::ShieldingLevel;
    return options;
}

// The grant is in force once found: there is no sandbox here whose access must be started.
bool startAccessing(const QUrl& url)
{
    return url.isValid();
}

} // namespace

void QVCheckPermit::setActivationPanel(ActivationPanel panel)
{
    activationPanel() = std::move(panel);
}

bool QVCheckPermit::checkPermitWithPath(const QString& path)
{
    if (path.isNull()) {
        return false;
    }
    if (qv::isWritable(path)) {
        return true;
    }
    const QUrl url = QVURLCache::sharedInstance().urlWithAllowAccessToPath(path);
    return url.isValid() && startAccessing(url);
}

void QVCheckPermit::checkPermitWithPath(const QString& path, const Block& success, const Block& failure)
{
    if (path.isNull()) {
        return;
    }
    if (startAccessing(QVURLCache::sharedInstance().urlWithAllowAccessToPath(path)) || qv::isWritable(path)) {
        if (success) {
            success();
        }
        return;
    }
    activePanelForOSX15();
    platform::PanelOptions options = folderPanel(qv::localized("Authorization"));
    // The home folder is tested with the covering rule, so /home/anna is not under /home/ann.
    const QString home = QDir::cleanPath(platform::Paths::home());
    if (QVURLCache::covers(home, QDir::cleanPath(path))) {
        options.message = qv::localized("Authorization Tip");
        options.directory = home;
    } else {
        options.message = qv::localized("Auth Root Tip");
        options.directory = QStringLiteral("/");
    }
    const platform::PanelResult result = platform::Panels::runOpenPanel(options);
    if (result.isOK() && !result.paths.isEmpty()) {
        QVURLCache::sharedInstance().saveSecurityURL(QUrl::fromLocalFile(result.paths.first()));
        if (success) {
            success();
        }
    } else if (failure) {
        failure();
    }
}

bool QVCheckPermit::canUseMainApp()
{
#ifdef QV_EXTENSION_BUILD
    return platform::System::majorVersion() >= 15;
#else
    return false;
#endif
}

void QVCheckPermit::activePanelForOSX15()
{
    if (!canUseMainApp() || QVPermissions::sharedInstance().isActive15()) {
        return;
    }
    // A copy: the panel may run an event loop in which the hook is replaced.
    if (const ActivationPanel panel = activationPanel()) {
        panel();
    }
}

QString QVCheckPermit::selectFolderWithPrompt(const QString& prompt, const QString& directory)
{
    activePanelForOSX15();
    platform::PanelOptions options = folderPanel(qv::isValid(prompt) ? prompt : qv::localized("Choose"));
    if (qv::isValid(directory)) {
        options.directory = directory;
    }
    const platform::PanelResult result = platform::Panels::runOpenPanel(options);
    return result.isOK() && !result.paths.isEmpty() ? result.paths.first() : QString();
}

QString QVCheckPermit::accessPrivacyAllFiles()
{
    platform::PanelOptions options = folderPanel(qv::localized("Authorization"));
    options.message = qv::localized("Authorization Tip");
    options.directory = QDir::cleanPath(platform::Paths::home());
    const platform::PanelResult result = platform::Panels::runOpenPanel(options);
    if (!result.isOK() || result.paths.isEmpty()) {
        return QString();
    }
    QVURLCache::sharedInstance().saveSecurityURL(QUrl::fromLocalFile(result.paths.first()));
    return result.paths.first();
}

void QVCheckPermit::accessPrivacy()
{
    platform::Alert alert;
    alert.setMessageText(qv::localized("Tip"));
    alert.setInformativeText(qv::localized("Auth Full Disk Access Tip"));
    alert.addButtonWithTitle(qv::localized("Authorization"));
    alert.addButtonWithTitle(qv::localized("Cancel"));
    alert.setLevel(platform::Alert::FloatingLevel);
    // This desktop has no privacy settings to open: the alert itself is the whole prompt.
    alert.runModal();
}
