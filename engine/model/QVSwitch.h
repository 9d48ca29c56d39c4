#pragma once

#include <array>

/// The shared switches. Each is stored in the shared suite under "pref check" followed by the
/// number of the settings control that edits it (QVMenuManager::prefCheck), so the numbers are
/// part of the stored configuration and never change. An absent switch reads as NO (or 0).
enum class QVSwitch : int {
    AskBeforeDelete = 0, ///< ask before "Delete"
    NoTopLevelIcons = 1, ///< no icons on the top level of the context menu
    KeptInArchive = 2, ///< kept in the configuration archive; nothing acts on it
    ServeVolumes = 3, ///< the extension also serves every mounted volume
    NoSubmenuIcons = 4, ///< no icons in submenus
    StatusItem = 5, ///< status item; when off, pending cut paths are dropped at start
    HexColourHash = 6, ///< copied hex colours begin with "#"
    NoFoldMenuImage = 8, ///< no image on the fold menu item
    SoundFeedback = 9, ///< sound feedback
    ScriptsInITerm2 = 10, ///< script commands run in iTerm2
    DockIcon = 11, ///< Dock icon
    AddToCommonPath = 12, ///< offer "Add to Common Path" on a right-clicked folder
    LaunchAtLogin = 13, ///< launch at login (the state of its checkbox)
    OpenSettingsPage = 14, ///< a top entry without a command of its own opens its settings page
    AddToFileTemplate = 15, ///< offer "Add to File Template" in the New File submenu
    RightClickHook = 16, ///< global right-click hook
    HookMiddleButton = 17, ///< the hook also reacts to the middle mouse button
    HookPlainRightClick = 18, ///< the hook reacts to a plain right click (excludes 23)
    SystemMenuPlace = 20, ///< integer: system entry in the app's menu: 0 none, 1 top, 2 bottom
    NoSelectedTitle = 21, ///< no "Selected:" title entry in the application's own menu
    RevealAfterTransfer = 22, ///< reveal the result after copy, move or link
    HookModifiedRightClick = 23, ///< the hook reacts to a right click with the modifier of 24 (excludes 18)
    HookModifier = 24, ///< integer: that modifier: 0 Shift, 1 Control, 2 Option, 3 Command
};

/// When the start-up step writes a switch's factory value.
enum class QVSwitchWrite {
    WhenAbsent, ///< written whenever the key is absent
    OnFirstStart, ///< written only on the very first start (no stored main list yet), so a user's NO stays
};

/// One switch with its factory value (a BOOL switch stores a bool, an integer switch an int).
struct QVSwitchDefault
{
    QVSwitch number;
    bool isInteger;
    int value;
    QVSwitchWrite write;
};

/// Every switch with a factory value; the start-up step writes exactly these, and any other
/// switch stays absent until its control is used.
inline constexpr std::array<QVSwitchDefault, 7> kSwitchDefaults = { {
    { QVSwitch::StatusItem, false, 1, QVSwitchWrite::OnFirstStart },
    { QVSwitch::AddToCommonPath, false, 1, QVSwitchWrite::WhenAbsent },
    { QVSwitch::AddToFileTemplate, false, 1, QVSwitchWrite::WhenAbsent },
    { QVSwitch::OpenSettingsPage, false, 1, QVSwitchWrite::WhenAbsent },
    { QVSwitch::HookMiddleButton, false, 1, QVSwitchWrite::WhenAbsent },
    { QVSwitch::SystemMenuPlace, true, 1, QVSwitchWrite::WhenAbsent },
    { QVSwitch::HookModifier, true, 3, QVSwitchWrite::WhenAbsent },
} };

/// A stored integer whose 0 (or absence) stands for its factory value: where 0 is read, the value
/// is written in its place, by the start-up step when `atStartUp`, else by the settings page that
/// shows it (QVDefaultData::integerWithDefault).
struct QVIntegerDefault
{
    const char* key;
    int value;
    bool atStartUp;
};

inline constexpr std::array<QVIntegerDefault, 3> kIntegerDefaults = { {
    { "common path next menu", 3, true },
    { "new file display mode", 1, true },
    { "common subpath maxcount", 5, false },
} };
