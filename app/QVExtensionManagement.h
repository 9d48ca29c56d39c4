#pragma once

#include <QString>

#include <functional>

/// The application's two companions outside its own process: the login item (the XDG autostart
/// entry that starts Tarsel at login with the command "launched at login") and the file-manager
/// extension, whose on/off state belongs to the file-manager host.
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

    /// The start-up check: when the extension is off, the "Tip" alert, then
    /// showExtensionManagementInterface(). Nothing on the command-line releases.
    static void checkIsOpenRightMenu();

    /// The host has no settings window of its own: the user answered the alert that the
    /// extension is off, so it is turned on for the hosts started from now on.
    static void showExtensionManagementInterface();

    /// Ends every host process of the extension that recorded itself (never a process found by
    /// name) and, half a second later on the main queue, turns the extension on again so that the
    /// next host loads it afresh; `done` runs then.
    static void restartFinderExtension(const std::function<void()>& done = {});
};
