#pragma once

#include <QString>

#include <functional>

class QWidget;

/// The application's two companions outside its own process: the login item (the XDG autostart
/// entry that starts Tarsel at login with the command "launched at login") and the file-manager
/// extension. The extension reaches the user through Tarsel's actions in their file managers
/// (see platform::FileManagerActions), which call the host; it is on when the host loads it and
/// at least one installed file manager holds those actions.
class QVExtensionManagement final
{
public:
    QVExtensionManagement() = delete;

    /// The address the autostart entry starts Tarsel with.
    static QString autoStartAddress();

    /// Writes or removes the autostart entry. A change the system refuses is logged, and the
    /// stored switch ("pref check13") is put back to the state really in force, which is also
    /// the answer, so that the page's checkbox shows the truth and not the wish.
    static bool launchAtLogin(bool on);

    /// True on the releases where the extension is switched by a command line (15.0.0 up to and
    /// including 15.3.1).
    static bool isNeedUseCmdEnable();

    /// True when the host loads the extension and an installed file manager has Tarsel's actions.
    static bool isExtensionEnabled();

    /// The start-up check: when the extension is off, the "Tip" alert with its "Turn On" button,
    /// then showExtensionManagementInterface(). Nothing when nobody can answer, when no supported
    /// file manager is installed, or when the host program cannot be found (there would be nothing
    /// to turn on).
    static void checkIsOpenRightMenu();

    /// Turns the extension on: the host loads it again, and every installed file manager gets
    /// Tarsel's actions (see setFileManagersEnabled).
    static void showExtensionManagementInterface(QWidget* window = nullptr);

    /// Writes Tarsel's actions for every installed file manager, with the host found beside
    /// Tarsel or on PATH (on), or removes them from every file manager (off); turning on also
    /// lets the host load the extension. The user is told, in an alert on `window` (or an
    /// application-modal one), what was left alone and why, which file manager must be
    /// restarted, and when no file manager was found. True when every file manager is as asked.
    static bool setFileManagersEnabled(bool on, QWidget* window = nullptr);

    /// Ends every host process of the extension that recorded itself (never a process found by
    /// name) and, half a second later on the main queue, turns the extension on again so that the
    /// next host loads it afresh; `done` runs then.
    static void restartFinderExtension(const std::function<void()>& done = {});
};
