#pragma once

#include "foundation/NotificationCenter.h"

#include <QByteArray>
#include <QStringList>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QTimer;
class QVStatusItem;
class QVStatusMenu;
class QVMenuService;
class QVToolWindows;

namespace platform {
class AppChannel;
class Menu;
} // namespace platform

/// The application's one long-lived object: it owns the engine instance of the process
/// (service()), receives app command URLs from the command line and the per-user socket and runs
/// them, and decides when the process ends.
///
/// Start-up, in order: awakeFromNib() (configuration, status item, hook, observers, hot keys);
/// the app command URL of the command line through openURLs(); applicationDidFinishLaunching()
/// (login launcher, Dock icon, the settings window unless started at login, the extension check
/// on the next turn of the event loop); then the event loop.
///
/// method() is the command number of the last app command received, 0 for none. While it is not
/// 0 one openWindow() only clears it (the activation came from a command, not from the user),
/// and one last-window-closed keeps the process. It is cleared at the end of launch handling and
/// once a command received while running has been handled, so that the user's next explicit
/// "Preferences" opens the window.
///
/// Lifetime: the process ends when its last window closes, unless method() is set, the status
/// item ("pref check5") or the hook ("pref check16") is on, or a command is still being handled
/// (its window, a background job, a message still showing): then the decision waits until the
/// command has finished.
class AppDelegate final : public QObject
{
    Q_OBJECT

public:
    /// channel: the listening per-user socket whose messages this object receives (null for
    /// none).
    explicit AppDelegate(platform::AppChannel* channel = nullptr, QObject* parent = nullptr);
    ~AppDelegate() override;
    Q_DISABLE_COPY_MOVE(AppDelegate)

    /// The socket's words beside app command URLs: a later start without an address asks the
    /// running application to come forward; "Tarsel --quit" asks it to end.
    static inline const QByteArray kReopenMessage = QByteArrayLiteral("reopen");
    static inline const QByteArray kQuitMessage = QByteArrayLiteral("quit");
    /// Between the addresses of one start in one socket message: no argument can hold it.
    static constexpr char kAddressSeparator = '\0';

    // --- Start-up -----------------------------------------------------------------------------

    /// Writes the start-up configuration (factory lists on the first start, the upgrade merge
    /// later), then sets up the status item, the hook, the configuration observer and the hot
    /// keys. False with a message when the configuration cannot be written.
    bool awakeFromNib(QString* error);
    void applicationDidFinishLaunching();

    /// The engine of this process, made on first use with no delegate; its commands open their
    /// windows through toolWindows(), the same windows as in the extension.
    QVMenuService* service();
    /// The tool windows of the engine's commands, held until clean(); made with the engine.
    QVToolWindows* toolWindows() const { return m_toolWindows.get(); }
    /// Closes and drops the tool windows the engine's commands opened.
    void clean();

    qint64 method() const { return m_method; }
    bool isAutoStart() const { return m_isAutoStart; }

    // --- App command URLs ---------------------------------------------------------------------

    /// The longest app command URL taken; a longer one is refused unread.
    static constexpr qsizetype kMaxAddressSize = 256 * 1024;

    /// Runs the first address that is an app command (scheme "TarselPro", host
    /// "qvcommand-<number>"). Everything is untrusted: an address that is too long, a number
    /// that is not a plain known command number, or a path that does not exist refuses the
    /// command with a log line, and nothing runs. Folder access for the first path is obtained
    /// before the command runs.
    void openURLs(const QList<QByteArray>& addresses);
    /// One message from the socket: the app command URLs one start was handed (apart by
    /// kAddressSeparator), or one of the words above.
    void receiveMessage(const QByteArray& message);
    /// Runs the command on the engine, whose selection is already set.
    void executeMethod(qint64 method);

    // --- Window and lifetime ------------------------------------------------------------------

    /// Shows the settings window on the tab "main open tabview" names (then removes that key),
    /// unless method() is set; clears method() in every case.
    void openWindow();
    /// The user started Tarsel again while it runs.
    void applicationShouldHandleReopen();
    /// The rule for the last window closing; true when the process should end now.
    bool applicationShouldTerminateAfterLastWindowClosed();
    /// The last window closed: ends the process by the rule above, at once or once the command
    /// being handled has finished.
    void lastWindowClosed();
    /// A command is still being handled: running, or leaving work behind it (a job of the
    /// engine, a window or message it keeps alive).
    bool isHandlingCommand() const;
    /// Ends the process (the status menu's "Quit").
    void exitApp();

    /// Shows the settings window on a tab ("general" when empty). The window itself is built
    /// elsewhere and installs itself here; until then nothing is shown.
    using SettingsWindow = std::function<void(const QString& tabIdentifier)>;
    void setSettingsWindow(SettingsWindow window) { m_settingsWindow = std::move(window); }

    // --- Companions set up at start-up --------------------------------------------------------

    /// The status item ("pref check5"); called at start-up and on "config change noti".
    void createStatusBar();
    /// The one switch of the global right-click hook and its hot key: with "pref check16" on,
    /// starts the hook (QVPermissions) and binds "CloudFolderShortCut" to the menu at the
    /// pointer; with it off, stops the hook and breaks that binding. Start-up and the general
    /// settings page both come through here.
    void setupCloudFolderEnable();
    /// "System Right-Click Menu": once the menu has closed, posts the last taken right click
    /// again, marked for the hook to let through, so the file manager shows its own menu.
    static void simuSystemRightClick();
    /// The hot keys of the standard defaults: binds "ColorPickerShortCut" to the colour picker
    /// and registers the default of "CloudFolderShortCut" (Control+Super+E).
    void bindShortcuts();
    static inline const QString kColorPickerShortCut = QStringLiteral("ColorPickerShortCut");
    static inline const QString kCloudFolderShortCut = QStringLiteral("CloudFolderShortCut");
    /// Tells the login-item launcher to quit.
    void killLanchHelper();
    /// Dock icon by "pref check11": this desktop has no Dock, so there is nothing to switch.
    void toggleDockIcon();
    /// The start-up check that the file-manager extension is enabled.
    void checkIsOpenRightMenu();

    /// The application's own context menu for the paths (the status folder's when none exists),
    /// as the status item and the hook show it; its commands act on exactly these paths.
    std::shared_ptr<platform::Menu> rightMenuWithPaths(const QStringList& paths);
    /// The status item; null while "pref check5" is off.
    QVStatusItem* statusItem() const { return m_statusItem; }
    /// The login item switch; answers the state really in force (see QVExtensionManagement).
    bool launchAtLogin(bool on);
    /// Ends the recorded host processes of the extension and turns it on again.
    void restartFinderExtension();
    bool isNeedUseCmdEnable() const;
    void showExtensionManagementInterface();
    /// Notifications of the configuration ("config change noti" rebuilds the status item).
    Q_INVOKABLE void handleSignal(const qv::Notification& notification);

Q_SIGNALS:
    /// A received command is about to run (after its checks and folder access).
    void commandStarted(qint64 method);
    /// exitApp() was called: the event loop ends next.
    void terminating();

private:
    void runCommand(qint64 method, const QList<QUrl>& selection, bool hasQuery, std::optional<bool> isSelectURL);
    /// Records the number of a command that was refused, as one that ran would be.
    void recordRefusedMethod(qint64 method);
    void quitWhenIdle();

    platform::AppChannel* m_channel = nullptr;
    std::unique_ptr<QVToolWindows> m_toolWindows;
    std::unique_ptr<QVMenuService> m_service;
    std::unique_ptr<QVStatusMenu> m_statusMenu;
    QVStatusItem* m_statusItem = nullptr;
    SettingsWindow m_settingsWindow;
    QTimer* m_idleCheck = nullptr;
    qint64 m_method = 0;
    bool m_isAutoStart = false;
    bool m_launching = true;
    int m_running = 0;
};
