#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

class QKeyEvent;
class QSocketNotifier;
struct xcb_connection_t;
struct _XDisplay;

namespace platform {

/// The X11 desktop services: global hot keys, the keyboard layout's key names, synthetic key
/// presses and clicks, the pointer, the window manager's list of windows (X11Windows.cpp), and
/// screen capture (X11Capture.cpp). The global mouse hook is X11ButtonHook.
///
/// Keys are named by their virtual key code, the positional numbering of the hot-key kit
/// (kKeyCodeE = 14 is the key right of W whatever the layout prints on it), and modifiers by
/// the hot-key flags below; Command is this desktop's Super key and Option its Alt key. The
/// service maps them to the server's key codes through the keyboard description (xkbcommon)
/// and holds its own connection to the display named by $DISPLAY, watched on the main thread.
///
/// A hot key is grabbed on the root window four times over, with and without Caps Lock and
/// Num Lock, so a lock key left on never stops it. A press is delivered to the one handler on
/// the main thread, during the event loop. A combination that another program holds is
/// refused; within this process a combination can be held by one registration only.
///
/// On Wayland or without a display, hot keys and synthetic input are unavailable: every call
/// answers false with unavailableReason(), and nothing is grabbed. Key names still come from
/// the configured layout (the XKB_DEFAULT_* settings, else "us") when there is no display.
class X11 final : public QObject
{
    Q_OBJECT
public:
    /// Hot-key modifier flags.
    static constexpr quint32 kCommandKey = 0x100;
    static constexpr quint32 kShiftKey = 0x200;
    static constexpr quint32 kOptionKey = 0x800;
    static constexpr quint32 kControlKey = 0x1000;
    static constexpr quint32 kKeyCodeE = 14;

    /// A hot key was pressed: the signature and id it was registered under.
    using HotKeyHandler = std::function<void(quint32 signature, quint32 id)>;

    /// The process's service; created on first use on the main thread.
    static X11& shared();

    bool isAvailable() const { return m_connection != nullptr; }
    /// Why hot keys are unavailable; empty when they are available.
    QString unavailableReason() const { return m_unavailable; }

    /// The one handler of hot-key presses; an empty function removes it.
    void setHotKeyHandler(HotKeyHandler handler) { m_handler = std::move(handler); }
    /// Grabs the combination for (signature, id). False with the reason in *error when the
    /// service is unavailable, the key is not on this keyboard, another program or another
    /// registration of this process holds the combination, or (signature, id) is taken.
    bool registerHotKey(quint32 keyCode, quint32 flags, quint32 signature, quint32 id, QString* error = nullptr);
    /// Releases the grab of (signature, id); nothing when there is none.
    void unregisterHotKey(quint32 signature, quint32 id);
    /// Whether another program holds the combination as a global key (a desktop or window
    /// manager shortcut): found by trying to grab it for a moment.
    bool isTakenByAnotherProgram(quint32 keyCode, quint32 flags);

    /// The text the key gives without modifiers on the current ASCII-capable layout (the first
    /// such layout when the current one is not); "" when it gives none; a null string when no
    /// keyboard description can be had.
    QString keyText(quint32 keyCode);
    /// The virtual key code of a key event: from the server's key code when the event has one,
    /// else from its Qt key on the current layout. -1 when the key has no virtual key code.
    qint64 keyCodeForEvent(const QKeyEvent& event);
    /// The hot-key flags of a key event's modifiers.
    static quint32 flagsForEvent(const QKeyEvent& event);

    /// Presses and releases the combination through the XTest extension, as a user would: the
    /// modifier keys down, the key down and up, the modifiers up. Modifier keys the user holds
    /// that are not part of the combination are let go first, so that a click made with a
    /// modifier held still posts exactly this combination.
    bool postKeyCombination(quint32 keyCode, quint32 flags, QString* error = nullptr);
    /// Moves the pointer to the point (root coordinates) and presses and releases the button
    /// there through XTest (1 left, 2 middle, 3 right).
    bool postButtonClick(int button, const QPoint& global, QString* error = nullptr);
    /// Where the pointer is, in root coordinates (XQueryPointer); false when unavailable.
    bool pointerPosition(QPoint* global);
    /// The hot-key flags of a server modifier state (a key or button event's state field).
    quint32 flagsForModifierState(quint16 state) const;

    /// What a top-level window is to the window manager (_NET_WM_WINDOW_TYPE).
    enum class WindowType { Normal, Desktop, Dock, Other };
    /// A top-level window of another client as the window manager stacks it.
    struct Window
    {
        quint32 id = 0;
        QRect frame; ///< with the window manager's decorations, root coordinates
        QRect client; ///< the client's own area, root coordinates
        QString wmInstance; ///< WM_CLASS, first string
        QString wmClass; ///< WM_CLASS, second string
        WindowType type = WindowType::Normal;
        /// 0 for an ordinary window, -1 for a desktop window, 1 for any other kind.
        int layer = 0;
    };
    /// The viewable top-level windows, front to back: _NET_CLIENT_LIST_STACKING when a window
    /// manager keeps it, else the root's children that carry a WM_CLASS. Hidden (minimised)
    /// windows are left out. Empty when unavailable.
    QList<Window> windowsFrontToBack();
    /// The active window (_NET_ACTIVE_WINDOW, else the top-level holding the input focus);
    /// a window with id 0 when there is none.
    Window activeWindow();

    /// What the screen shows in the rectangle (root-window coordinates, device pixels): an
    /// image of the rectangle's size in Format_RGB32, with black where the rectangle lies
    /// outside the screen. A null image with the reason in *error when the service is
    /// unavailable, the rectangle is empty or the server refuses the capture.
    QImage captureScreen(const QRect& rect, QString* error = nullptr);

    ~X11() override;
    Q_DISABLE_COPY_MOVE(X11)

private:
    struct Keymap;
    struct Grab
    {
        quint32 keycode = 0;
        quint16 modifiers = 0;
    };

    X11();
    void connectToDisplay();
    void readModifierMapping();
    void disconnectFromDisplay(const QString& reason);
    void drainEvents();
    void scheduleDrain();
    bool grab(quint32 keycode, quint16 modifiers);
    void ungrab(const Grab& grab);
    bool serverModifiers(quint32 flags, quint16* modifiers) const;
    quint32 serverKeyCode(quint32 keyCode);
    Keymap& keymap();
    _XDisplay* testDisplay(QString* error);
    quint32 atom(const char* name);
    QList<quint32> windowListProperty(quint32 window, quint32 property);
    Window describeWindow(quint32 id);

    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
    QString m_unavailable;
    QSocketNotifier* m_notifier = nullptr;
    bool m_drainScheduled = false;
    HotKeyHandler m_handler;
    QHash<quint64, Grab> m_grabs; // (signature << 32 | id) -> grab
    std::unique_ptr<Keymap> m_keymap;
    // The server modifier bits of Alt, Super and Num Lock, from its modifier mapping.
    quint16 m_altMask = 0x08;
    quint16 m_superMask = 0x40;
    quint16 m_numLockMask = 0x10;
    _XDisplay* m_testDisplay = nullptr;
    QHash<QByteArray, quint32> m_atoms;
    _XDisplay* m_captureDisplay = nullptr;
};

} // namespace platform
