// The application delegate: start-up, the engine and its progress window, the settings window's
// place, and when the process ends. App command URLs are in AppDelegateCommands.cpp.

#include "app/AppDelegate.h"

#include "app/QVExtensionManagement.h"
#include "app/QVStatusItem.h"
#include "app/QVStatusMenu.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "engine/model/QVSwitch.h"
#include "engine/service/QVMenuService.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVPermissions.h"
#include "foundation/StringExpand.h"
#include "kit/shortcut/MASShortcutBinder.h"
#include "platform/AppChannel.h"
#include "platform/Defaults.h"
#include "platform/X11.h"
#include "toolwindows/QVToolWindows.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>

Q_LOGGING_CATEGORY(lcApp, "tarsel.app", QtWarningMsg)

namespace {

// How often a deferred end looks whether the command has finished.
constexpr int kIdleCheckMs = 100;
// "System Right-Click Menu" waits this long for its menu to close.
constexpr int kSystemRightClickDelayMs = 50;

} // namespace

AppDelegate::AppDelegate(platform::AppChannel* channel, QObject* parent)
    : QObject(parent)
    , m_channel(channel)
{
    if (m_channel != nullptr) {
        connect(m_channel, &platform::AppChannel::messageReceived, this, &AppDelegate::receiveMessage);
    }
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        // The rule below decides, not Qt's default of ending with the last window.
        app->setQuitOnLastWindowClosed(false);
        connect(app, &QGuiApplication::lastWindowClosed, this, &AppDelegate::lastWindowClosed);
    }
}

AppDelegate::~AppDelegate()
{
    qv::removeAllNotification(this);
    // The status item's menus point into the status menu and the engine: it goes first.
    delete m_statusItem;
    m_statusItem = nullptr;
    clean();
}

// --- Start-up ------------------------------------------------------------------------------

bool AppDelegate::awakeFromNib(QString* error)
{
    // The factory lists (first start) and the upgrade merge come before anything reads them.
    if (!QVDefaultData::setup()) {
        *error = QStringLiteral("Failed to write the start-up configuration. File: \"%1\". Error: \"%2\"")
                     .arg(QVMenuManager::sharedDefaults().filePath(), QVMenuManager::sharedDefaults().lastError());
        return false;
    }
    m_method = 0;
    createStatusBar();
    // The hot keys come before the hook: the default of "CloudFolderShortCut" must be registered
    // when the hook binds it, so the hot key works from the start and the recorder shows it.
    bindShortcuts();
    setupCloudFolderEnable();
    qv::addNotification(this, qv::kConfigChangeNotification);
    return true;
}

void AppDelegate::applicationDidFinishLaunching()
{
    killLanchHelper();
    toggleDockIcon();
    const QString tab = QVMenuManager::sharedDefaults().stringValue(QVMenuManager::kMainOpenTabview);
    if (!m_isAutoStart || qv::isValid(tab)) {
        openWindow();
    }
    m_isAutoStart = false;
    // Started at login with no tab to show, no window opened to clear the command: the user's
    // first "Preferences" must still open the window.
    m_method = 0;
    m_launching = false;
    QPointer<AppDelegate> self(this);
    qv::enterForegroundWithDelay(0, [self] {
        if (self) {
            self->checkIsOpenRightMenu();
        }
    });
}

void AppDelegate::createStatusBar()
{
    if (!m_statusMenu) {
        m_statusMenu = std::make_unique<QVStatusMenu>(*service());
        m_statusItem = new QVStatusItem(*m_statusMenu, this);
        QVStatusMenu::Actions actions;
        actions.openWindow = [this] { openWindow(); };
        actions.exitApp = [this] { exitApp(); };
        actions.selectFilesAndFolders = [this] { m_statusItem->onSelectFilesAndFolders(); };
        actions.simuSystemRightClick = [] { simuSystemRightClick(); };
        actions.showMenuForPaths = [this](const QStringList& paths) {
            QList<QUrl> urls;
            for (const QString& path : paths) {
                urls << QUrl::fromLocalFile(path);
            }
            m_statusItem->selectFileURLs(urls);
        };
        m_statusMenu->setActions(std::move(actions));
    }
    m_statusItem->createStatusBar();
}

std::shared_ptr<platform::Menu> AppDelegate::rightMenuWithPaths(const QStringList& paths)
{
    if (!m_statusMenu) {
        createStatusBar();
    }
    return m_statusMenu->rightMenuWithPaths(paths);
}

void AppDelegate::setupCloudFolderEnable()
{
    MASShortcutBinder& binder = MASShortcutBinder::sharedBinder();
    QVPermissions& hook = QVPermissions::sharedInstance();
    if (!QVMenuManager::sharedDefaults().boolValue(QVMenuManager::prefCheck(QVSwitch::RightClickHook))) {
        hook.stopPermission();
        binder.breakBindingWithDefaultsKey(kCloudFolderShortCut);
        return;
    }
    QPointer<AppDelegate> self(this);
    hook.setMenuProvider([self](const QStringList& paths) -> QVPermissions::MenuProvider::result_type {
        // The hook may have been switched off since: then there is no menu at the pointer.
        if (!self || !QVMenuManager::sharedDefaults().boolValue(QVMenuManager::prefCheck(QVSwitch::RightClickHook))) {
            return {};
        }
        auto menu = std::make_shared<QVStatusMenu>(*self->service());
        QVStatusMenu::Actions actions;
        actions.simuSystemRightClick = [] { simuSystemRightClick(); };
        menu->setActions(std::move(actions));
        return std::make_pair(menu->rightMenuWithPaths(paths), std::shared_ptr<void>(menu));
    });
    hook.startWithHandler([](bool) {});
    binder.bindShortcutWithDefaultsKey(kCloudFolderShortCut, [self] {
        if (self) {
            QVPermissions::sharedInstance().setEventType(QVPermissions::HotKeyOrStatusItem);
            QVPermissions::sharedInstance().showRightMenu();
        }
    });
}

void AppDelegate::simuSystemRightClick()
{
    // Once the menu has closed, the same right click again, let through to the file manager.
    QTimer::singleShot(kSystemRightClickDelayMs, [] {
        QVPermissions& hook = QVPermissions::sharedInstance();
        hook.setIgnore(true);
        if (!QVPermissions::simuRightClick(hook.location())) {
            hook.setIgnore(false);
        }
    });
}

void AppDelegate::bindShortcuts()
{
    MASShortcutBinder& binder = MASShortcutBinder::sharedBinder();
    QPointer<AppDelegate> self(this);
    binder.bindShortcutWithDefaultsKey(kColorPickerShortCut, [self] {
        if (self) {
            self->service()->runHandedOverCommand(QStringLiteral("Color Picker"));
        }
    });
    // Control+Super+E, the Control-Command-E of the menu at the pointer.
    binder.registerDefaultShortcuts(
        { { kCloudFolderShortCut,
            MASShortcut::shortcutWithKeyCode(platform::X11::kKeyCodeE,
                                             MASShortcut::kControlFlag | MASShortcut::kCommandFlag) } });
}

void AppDelegate::killLanchHelper()
{
    // The login item is an autostart entry that starts Tarsel itself: no launcher lives on to quit.
}

void AppDelegate::toggleDockIcon() { }

void AppDelegate::checkIsOpenRightMenu()
{
    QVExtensionManagement::checkIsOpenRightMenu();
}

bool AppDelegate::launchAtLogin(bool on)
{
    return QVExtensionManagement::launchAtLogin(on);
}

void AppDelegate::restartFinderExtension()
{
    QVExtensionManagement::restartFinderExtension();
}

bool AppDelegate::isNeedUseCmdEnable() const
{
    return QVExtensionManagement::isNeedUseCmdEnable();
}

void AppDelegate::showExtensionManagementInterface()
{
    QVExtensionManagement::showExtensionManagementInterface();
}

void AppDelegate::handleSignal(const qv::Notification& notification)
{
    if (notification.name == qv::kConfigChangeNotification) {
        createStatusBar();
    }
}

// --- The engine ----------------------------------------------------------------------------

QVMenuService* AppDelegate::service()
{
    if (!m_service) {
        m_toolWindows = std::make_unique<QVToolWindows>();
        m_service = std::make_unique<QVMenuService>();
        m_toolWindows->attach(*m_service);
    }
    return m_service.get();
}

void AppDelegate::clean()
{
    if (m_toolWindows) {
        m_toolWindows->clean();
    }
}

// --- Window and lifetime -------------------------------------------------------------------

void AppDelegate::openWindow()
{
    if (m_method == 0) {
        // The user is back: an end that waited for a command is off.
        if (m_idleCheck != nullptr) {
            m_idleCheck->stop();
        }
        platform::Defaults& defaults = QVMenuManager::sharedDefaults();
        const QString tab = defaults.stringValue(QVMenuManager::kMainOpenTabview);
        if (m_settingsWindow) {
            m_settingsWindow(qv::isValid(tab) ? tab : QString());
        } else {
            qCInfo(lcApp) << "the settings window would open on"
                          << (qv::isValid(tab) ? tab : QStringLiteral("general"));
        }
        // A tab that names no page is dropped like one that was shown.
        if (defaults.contains(QVMenuManager::kMainOpenTabview) && !defaults.remove(QVMenuManager::kMainOpenTabview)) {
            qCWarning(lcApp).noquote() << QStringLiteral("Failed to write. File: \"%1\". Error: \"%2\"")
                                              .arg(defaults.filePath(), defaults.lastError());
        }
    }
    m_method = 0;
}

void AppDelegate::applicationShouldHandleReopen()
{
    openWindow();
}

bool AppDelegate::applicationShouldTerminateAfterLastWindowClosed()
{
    if (m_method != 0) {
        m_method = 0;
        return false;
    }
    return !QVMenuManager::isPrefCheckOn(QVSwitch::StatusItem)
        && !QVMenuManager::isPrefCheckOn(QVSwitch::RightClickHook);
}

bool AppDelegate::isHandlingCommand() const
{
    return m_running > 0 || (m_service && m_service->loadingCount() > 0) || QVMenuService::pendingWork() > 0;
}

void AppDelegate::lastWindowClosed()
{
    if (applicationShouldTerminateAfterLastWindowClosed()) {
        quitWhenIdle();
    }
}

void AppDelegate::quitWhenIdle()
{
    if (!isHandlingCommand()) {
        exitApp();
        return;
    }
    // The command's last window closed before its work ended: the end waits for the work.
    if (m_idleCheck == nullptr) {
        m_idleCheck = new QTimer(this);
        m_idleCheck->setInterval(kIdleCheckMs);
        connect(m_idleCheck, &QTimer::timeout, this, [this] {
            if (!isHandlingCommand()) {
                m_idleCheck->stop();
                exitApp();
            }
        });
    }
    m_idleCheck->start();
}

void AppDelegate::exitApp()
{
    if (m_idleCheck != nullptr) {
        m_idleCheck->stop();
    }
    Q_EMIT terminating();
    QCoreApplication::quit();
}
