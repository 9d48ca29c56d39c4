#pragma once

#include "platform/X11.h"

#include <QList>
#include <QPointer>
#include <QPoint>
#include <QRect>
#include <QStringList>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QMenu;
class QTimer;

namespace platform {
class Menu;
class X11ButtonHook;
} // namespace platform

/// The process-wide hook object, one per process in both deliverables.
///
/// Folder access reads its first-activation flag (isActive15): whether the one-time activation
/// panel has been answered with "Activate". The answer is kept in the process's standard user
/// defaults: every command of the file-manager host is a new process, and the panel is shown
/// once, not before every command.
///
/// In the application it is the global right-click hook. While started (startWithHandler) it
/// looks whether the desktop lets it watch the mouse (checkAccessibilityPermission: an X11
/// display with XTest, not Wayland) and holds the mouse hook (addEventTap) exactly while it
/// does. It looks at the start, when the hook reports that the display dropped its connection,
/// and every kPollIntervalMs only while the hook cannot run on an X11 desktop: a running hook
/// costs no wake-up while the user does not click. Each middle or right press anywhere on the
/// desktop comes to eventTapCallback(), which lets it through unless it lands on a file
/// manager's window and the switches ask for the menu; a taken click is swallowed, and once its
/// button is up the menu opens there (showRightMenu) for the file manager's selection. When that
/// file manager is already the active window, its copy shortcut goes at the press, so that it
/// copies while the button is still down. The hot
/// key "CloudFolderShortCut" opens the same menu at the pointer.
///
/// The file manager's selection is read through its own copy shortcut (Control+C puts the
/// selected files' addresses on the clipboard). The clipboard is taken only when it changed
/// after that shortcut, and the user's previous clipboard is then put back; when the file
/// manager wrote nothing, the clipboard is left alone.
///
/// One menu at a time: a second request while one is being prepared or shown is dropped
/// (menuVisible). The menu comes from a provider that the application delegate installs (this
/// layer knows no engine). Main thread only.
class QVPermissions final
{
public:
    static QVPermissions& sharedInstance();
    Q_DISABLE_COPY_MOVE(QVPermissions)

    bool isActive15() const;
    void setIsActive15(bool active);

    // --- What opened the menu -----------------------------------------------------------------

    /// What opened the application's own context menu last; the plain right click alone gets an
    /// entry that passes the click on to the file manager.
    enum EventType : int {
        MiddleOrModifierClick = 0,
        PlainRightClick = 1,
        HotKeyOrStatusItem = 2,
    };
    int eventType() const { return m_eventType.load(); }
    void setEventType(int type) { m_eventType.store(type); }
    /// Where the last menu-opening click happened (root coordinates).
    QPoint location() const { return m_location; }
    /// Let the next middle or right press through untouched (before a synthetic right click).
    bool ignore() const { return m_ignore; }
    void setIgnore(bool ignore) { m_ignore = ignore; }
    /// The modifier held at the last press: 0 Shift, 1 Control, 2 Option (Alt), 3 Command
    /// (Super), -1 none; the numbering of "pref check24".
    int eventFlag() const { return m_eventFlag; }
    /// eventFlag for hot-key modifier flags: Command before Control before Option before Shift.
    static int eventFlagForFlags(quint32 flags);
    /// The layer of the window the last judgetMouseEnable() found (0 an ordinary window).
    int layer() const { return m_layer; }
    bool menuVisible() const { return m_menuVisible; }

    // --- Watching the mouse --------------------------------------------------------------------

    bool isAccessibilityEnabled() const { return m_isAccessibilityEnabled; }
    /// Re-arms a mouse hook the display lost; then, on a change, stores the value, tells the
    /// handler, and adds the hook (true) or removes it (false).
    void setIsAccessibilityEnabled(bool enabled);
    using PermissionChangeHandler = std::function<void(bool enabled)>;
    /// Stores the handler when one is given and looks at once; then again as the class says.
    void startWithHandler(PermissionChangeHandler handler = {});
    /// Looks whether the desktop lets the hook watch the mouse, and starts or stops the poll.
    void onTimerAction();
    /// Off: no hook, no handler, no poll, no menu pending.
    void stopPermission();
    bool addEventTap();
    void removeEventTap();
    /// Whether the hook has its mouse hook now.
    bool hasEventTap() const;

    /// Whether this desktop lets the application watch the mouse: an X11 display with XTest
    /// (not Wayland). The reason when not.
    static bool checkAccessibilityPermission(QString* reason = nullptr);
    /// This desktop has no privacy settings to open: answers false (nothing opened).
    static bool openPrivacyAccessibility();

    // --- Decisions -----------------------------------------------------------------------------

    /// Whether a window's WM_CLASS (either string, any case) names a file manager: Thunar,
    /// Nautilus, Nemo, Dolphin, Caja, PCManFM.
    static bool isFileManagerWindow(const platform::X11::Window& window);
    /// The active window is a file manager's.
    static bool isFinderApp();
    /// The active window is a file manager's and, given a point, lies under it.
    static bool isActiveFileManagerAt(const std::optional<QPoint>& point);

    /// A screen: its whole area and the part not taken by panels, in root coordinates.
    struct Screen
    {
        QRect frame;
        QRect visible;
    };
    /// The strip along the top of a screen that is never taken (its panel, at least this).
    static constexpr int kTopStrip = 25;
    /// Whether the point lies on a file manager's window, and that window's layer. The strip
    /// and left-limit tests are made in the coordinates of the point's own screen, the window
    /// test in root coordinates, so every monitor of a multi-monitor desktop behaves alike.
    /// The first window front to back that covers the point (its frame, within the screen's
    /// visible part) and belongs to a regular application decides; windows with no WM_CLASS
    /// and panels do not.
    static bool judgetMouseEnable(const QPoint& mouse, const QList<Screen>& screens,
                                  const QList<platform::X11::Window>& windows, int* layer);
    /// The same for the desktop as it is now; stores the layer.
    bool judgetMouseEnable(const QPoint& mouse);

    /// What a press of the button (2 middle, 3 right) with this eventFlag opens by the shared
    /// switches: an EventType, or -1 for nothing. The middle button needs "pref check16" and
    /// "pref check17"; the right button "pref check16" and either "pref check18" (a plain right
    /// click, type 1) or "pref check23" with "pref check24" equal to the modifier held (type 0).
    static int eventTypeForPress(int button, int eventFlag);
    /// A middle or right press (2 or 3) anywhere on the desktop, with the hot-key flags held:
    /// true to swallow it and open the menu once the button is up.
    bool eventTapCallback(int button, const QPoint& global, quint32 flags);
    /// The swallowed press's button is up: click the window first when it is not the active
    /// ordinary window, then the menu.
    void onTappedClickReleased();

    // --- The menu ------------------------------------------------------------------------------

    /// Builds the menu for the paths, or none (the hook is off). The second element keeps what
    /// the menu's entries report to alive until the menu has closed.
    using MenuProvider
        = std::function<std::pair<std::shared_ptr<platform::Menu>, std::shared_ptr<void>>(const QStringList& paths)>;
    void setMenuProvider(MenuProvider provider) { m_provider = std::move(provider); }

    static constexpr int kCopyDelayMs = 30; ///< the longest wait for the window to become active
    static constexpr int kPasteboardWaitMs = 150; ///< the longest wait for the clipboard to change
    static constexpr int kMenuClosedDelayMs = 10; ///< after the menu closed, until the next may open
    static constexpr int kPollIntervalMs = 3000;

    /// Opens the menu at the point (root coordinates), for the file manager's selection when a
    /// file manager's window is active; kept above the bottom of the point's screen. Nothing
    /// while a menu is being prepared or shown, or when "pref check16" is off.
    void showRightMenu(const QPoint& at);
    /// The same at the pointer (XQueryPointer).
    void showRightMenu();

    /// The paths a clipboard text names: on system 15 and later the whole text when it is one
    /// existing path, else each 'quoted' path or run without white space that exists; earlier,
    /// one path a line.
    static QStringList pathsWithString(const QString& text);

    // --- Synthetic input -----------------------------------------------------------------------

    static bool simuLeftClick(const QPoint& global);
    static bool simuRightClick(const QPoint& global);
    /// The file manager's shortcut that copies its selected items: Control+C.
    static bool simuFinderCopySelectPath();

private:
    QVPermissions();
    ~QVPermissions();
    struct PendingCopy;
    /// Reads the user's clipboard, then posts the copy shortcut; the copy lands later.
    std::shared_ptr<PendingCopy> startCopy();
    /// Once the copy has landed (or not), the user's clipboard goes back.
    static void putBackAfter(const std::shared_ptr<PendingCopy>& copy);
    /// A copy posted at the press for which no menu follows.
    void dropCopy();
    /// Reads the file manager's selection and shows the menu for it; fileManagerActive, when
    /// known, spares another look at the active window.
    void readSelectionThenShow(const QPoint& at, std::optional<bool> fileManagerActive = std::nullopt);
    /// Makes the next menu's QMenu and its window ahead of time, while the hook runs: a new
    /// QMenu makes its window as it opens, a few milliseconds of every click.
    void prepareMenu();
    void popUp(const QStringList& paths, const QPoint& at);
    /// A hook menu has closed and its command, if any, has returned: emptied, it becomes the
    /// next menu's QMenu (one is kept; another is deleted).
    void keepForNext(QMenu* menu);

    std::atomic<int> m_eventType { MiddleOrModifierClick };
    QPoint m_location;
    bool m_ignore = false;
    int m_eventFlag = -1;
    int m_layer = 0;
    bool m_menuVisible = false;
    bool m_isAccessibilityEnabled = false;
    bool m_clickFirst = false;
    bool m_started = false; // between startWithHandler() and stopPermission()
    std::optional<QPoint> m_clickedAt; // the click made first for the menu being prepared
    std::shared_ptr<PendingCopy> m_copy; // the copy posted at the press, until the menu takes it
    QPointer<QMenu> m_spareMenu; // prepareMenu(), keepForNext()
    quint64 m_generation = 0; // a pending menu from before stopPermission() is dropped
    PermissionChangeHandler m_handler;
    QPointer<QTimer> m_timer;
    std::unique_ptr<platform::X11ButtonHook> m_tap;
    MenuProvider m_provider;
};
