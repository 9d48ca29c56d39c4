#include "platform/X11.h"

#include "platform/X11Keymap.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <cstdlib>

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon.h>
// Xlib last: its macros (None, Bool, Status) break the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

Q_LOGGING_CATEGORY(lcX11, "tarsel.platform.x11")

namespace platform {

namespace {

constexpr quint16 kLockMask = XCB_MOD_MASK_LOCK;

quint64 grabKey(quint32 signature, quint32 id)
{
    return (quint64(signature) << 32) | id;
}

} // namespace

X11& X11::shared()
{
    // Never destroyed: the grabs and the connection end with the process.
    static X11* instance = new X11;
    return *instance;
}

X11::X11()
{
    connectToDisplay();
}

X11::~X11()
{
    disconnectFromDisplay(QString());
}

void X11::connectToDisplay()
{
    const QByteArray display = qgetenv("DISPLAY");
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland") {
        // X clients of a Wayland session see only keys typed into their own windows.
        m_unavailable = QStringLiteral("Hot keys are unavailable in a Wayland session.");
        return;
    }
    if (display.isEmpty()) {
        m_unavailable = QStringLiteral("Hot keys are unavailable: there is no X display.");
        return;
    }
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(display.constData(), &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        m_unavailable = QStringLiteral("Hot keys are unavailable: the X display \"%1\" cannot be reached.")
                            .arg(QString::fromLocal8Bit(display));
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i) {
        xcb_screen_next(&it);
    }
    m_connection = connection;
    m_root = it.data->root;
    readModifierMapping();
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11::drainEvents);
}

void X11::disconnectFromDisplay(const QString& reason)
{
    delete m_notifier;
    m_notifier = nullptr;
    m_keymap.reset();
    if (m_connection) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
    }
    if (m_testDisplay) {
        XCloseDisplay(m_testDisplay);
        m_testDisplay = nullptr;
    }
    if (m_captureDisplay) {
        XCloseDisplay(m_captureDisplay);
        m_captureDisplay = nullptr;
    }
    m_grabs.clear();
    if (!reason.isEmpty()) {
        m_unavailable = reason;
        qCWarning(lcX11).noquote() << reason;
    }
}

void X11::readModifierMapping()
{
    Keymap& km = keymap();
    xcb_get_modifier_mapping_reply_t* reply
        = xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr);
    if (!reply || !km.map) {
        std::free(reply);
        return;
    }
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply);
    const int perModifier = reply->keycodes_per_modifier;
    quint16 alt = 0, super = 0, numLock = 0;
    for (int mod = 0; mod < 8; ++mod) {
        for (int k = 0; k < perModifier; ++k) {
            const xkb_keysym_t* syms = nullptr;
            const xcb_keycode_t code = codes[mod * perModifier + k];
            if (code == 0 || xkb_keymap_key_get_syms_by_level(km.map, code, 0, 0, &syms) <= 0) {
                continue;
            }
            const quint16 bit = quint16(1u << mod);
            alt |= (syms[0] == XKB_KEY_Alt_L || syms[0] == XKB_KEY_Alt_R) ? bit : 0;
            super |= (syms[0] == XKB_KEY_Super_L || syms[0] == XKB_KEY_Super_R) ? bit : 0;
            numLock |= syms[0] == XKB_KEY_Num_Lock ? bit : 0;
        }
    }
    std::free(reply);
    m_altMask = alt ? alt : m_altMask;
    m_superMask = super ? super : m_superMask;
    m_numLockMask = numLock ? numLock : m_numLockMask;
}

bool X11::serverModifiers(quint32 flags, quint16* modifiers) const
{
    quint16 mods = 0;
    mods |= (flags & kShiftKey) ? XCB_MOD_MASK_SHIFT : 0;
    mods |= (flags & kControlKey) ? XCB_MOD_MASK_CONTROL : 0;
    mods |= (flags & kOptionKey) ? m_altMask : 0;
    mods |= (flags & kCommandKey) ? m_superMask : 0;
    *modifiers = mods;
    return true;
}

bool X11::grab(quint32 keycode, quint16 modifiers)
{
    // The lock keys are modifiers too: grab the combination with each of them on as well.
    const quint16 variants[] = { 0, kLockMask, m_numLockMask, quint16(kLockMask | m_numLockMask) };
    int grabbed = 0;
    bool ok = true;
    for (const quint16 lock : variants) {
        xcb_void_cookie_t cookie
            = xcb_grab_key_checked(m_connection, 1, m_root, modifiers | lock, xcb_keycode_t(keycode),
                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookie)) {
            std::free(error);
            ok = false;
            break;
        }
        ++grabbed;
    }
    if (!ok) {
        for (int i = 0; i < grabbed; ++i) {
            xcb_ungrab_key(m_connection, xcb_keycode_t(keycode), m_root, modifiers | variants[i]);
        }
        xcb_flush(m_connection);
    }
    scheduleDrain();
    return ok;
}

void X11::ungrab(const Grab& grab)
{
    const quint16 variants[] = { 0, kLockMask, m_numLockMask, quint16(kLockMask | m_numLockMask) };
    for (const quint16 lock : variants) {
        xcb_ungrab_key(m_connection, xcb_keycode_t(grab.keycode), m_root, grab.modifiers | lock);
    }
    xcb_flush(m_connection);
}

bool X11::registerHotKey(quint32 keyCode, quint32 flags, quint32 signature, quint32 id, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error) {
            *error = why;
        }
        return false;
    };
    if (!m_connection) {
        return fail(m_unavailable);
    }
    const quint32 keycode = serverKeyCode(keyCode);
    if (keycode == 0) {
        return fail(QStringLiteral("Failed to register the hot key. Key: \"%1\". Error: \"%2\"")
                        .arg(keyCode)
                        .arg(QStringLiteral("the keyboard has no such key")));
    }
    Grab wanted { keycode, 0 };
    serverModifiers(flags, &wanted.modifiers);
    if (m_grabs.contains(grabKey(signature, id))) {
        return fail(QStringLiteral("Failed to register the hot key. Key: \"%1\". Error: \"%2\"")
                        .arg(keyCode)
                        .arg(QStringLiteral("the identifier is in use")));
    }
    for (const Grab& held : std::as_const(m_grabs)) {
        if (held.keycode == wanted.keycode && held.modifiers == wanted.modifiers) {
            return fail(QStringLiteral("Failed to register the hot key. Key: \"%1\". Error: \"%2\"")
                            .arg(keyCode)
                            .arg(QStringLiteral("this application holds the combination already")));
        }
    }
    if (!grab(wanted.keycode, wanted.modifiers)) {
        return fail(QStringLiteral("Failed to register the hot key. Key: \"%1\". Error: \"%2\"")
                        .arg(keyCode)
                        .arg(QStringLiteral("another program holds the combination")));
    }
    m_grabs.insert(grabKey(signature, id), wanted);
    return true;
}

void X11::unregisterHotKey(quint32 signature, quint32 id)
{
    const auto it = m_grabs.constFind(grabKey(signature, id));
    if (it == m_grabs.cend() || !m_connection) {
        return;
    }
    ungrab(*it);
    m_grabs.erase(it);
}

bool X11::isTakenByAnotherProgram(quint32 keyCode, quint32 flags)
{
    const quint32 keycode = m_connection ? serverKeyCode(keyCode) : 0;
    if (keycode == 0) {
        return false;
    }
    quint16 modifiers = 0;
    serverModifiers(flags, &modifiers);
    for (const Grab& held : std::as_const(m_grabs)) {
        if (held.keycode == keycode && held.modifiers == modifiers) {
            return false; // ours
        }
    }
    if (!grab(keycode, modifiers)) {
        return true;
    }
    ungrab(Grab { keycode, modifiers });
    return false;
}

void X11::scheduleDrain()
{
    // A reply wait may have read events into the connection's queue; the socket notifier
    // does not see those, so they are handled on the next turn of the event loop.
    if (m_drainScheduled) {
        return;
    }
    m_drainScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_drainScheduled = false;
            drainEvents();
        },
        Qt::QueuedConnection);
}

void X11::drainEvents()
{
    if (!m_connection) {
        return;
    }
    QList<quint64> pressed;
    const quint16 relevant = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | m_altMask | m_superMask;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        const quint8 type = event->response_type & 0x7f;
        if (type == XCB_KEY_PRESS) {
            const auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
            const quint16 mods = press->state & relevant;
            for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it) {
                if (it->keycode == press->detail && it->modifiers == mods) {
                    pressed << it.key();
                }
            }
        } else if (type == XCB_MAPPING_NOTIFY) {
            m_keymap.reset(); // read again on next use
        }
        std::free(event);
    }
    if (xcb_connection_has_error(m_connection)) {
        disconnectFromDisplay(QStringLiteral("Hot keys are unavailable: the connection to the X display was lost."));
        return;
    }
    for (const quint64 key : std::as_const(pressed)) {
        if (m_handler) {
            m_handler(quint32(key >> 32), quint32(key & 0xffffffffu));
        }
    }
}

_XDisplay* X11::testDisplay(QString* error)
{
    if (!m_connection) {
        if (error) {
            *error = m_unavailable;
        }
        return nullptr;
    }
    if (!m_testDisplay) {
        m_testDisplay = XOpenDisplay(nullptr);
        int event = 0, errorBase = 0, major = 0, minor = 0;
        if (m_testDisplay && !XTestQueryExtension(m_testDisplay, &event, &errorBase, &major, &minor)) {
            XCloseDisplay(m_testDisplay);
            m_testDisplay = nullptr;
        }
        if (!m_testDisplay) {
            if (error) {
                *error = QStringLiteral("Synthetic input is unavailable: the X server has no XTest extension.");
            }
            return nullptr;
        }
    }
    return m_testDisplay;
}

bool X11::postKeyCombination(quint32 keyCode, quint32 flags, QString* error)
{
    Display* display = testDisplay(error);
    if (!display) {
        return false;
    }
    const quint32 key = serverKeyCode(keyCode);
    if (key == 0) {
        if (error) {
            *error = QStringLiteral("Failed to post the key. Key: \"%1\". Error: \"%2\"")
                         .arg(keyCode)
                         .arg(QStringLiteral("the keyboard has no such key"));
        }
        return false;
    }
    // Left and right Control, Super, Alt, Shift by their positions.
    const std::pair<quint32, quint32> modifierKeys[]
        = { { kControlKey, 59 }, { kCommandKey, 55 }, { kOptionKey, 58 }, { kShiftKey, 56 },
            { kControlKey, 62 }, { kCommandKey, 54 }, { kOptionKey, 61 }, { kShiftKey, 60 } };
    // A modifier the user still holds (the one a click was made with) would turn the
    // combination into another one: it is let go first.
    char keys[32] = {};
    XQueryKeymap(display, keys);
    QList<quint32> held;
    for (size_t i = 0; i < std::size(modifierKeys); ++i) {
        const auto& [flag, position] = modifierKeys[i];
        const quint32 code = serverKeyCode(position);
        const bool down = code > 0 && code < 256 && (keys[code / 8] & (1 << (code % 8)));
        if (down && !(flags & flag)) {
            XTestFakeKeyEvent(display, code, False, CurrentTime);
        } else if (i < 4 && (flags & flag) && code != 0) {
            held << code; // the left-hand key of each wanted modifier
        }
    }
    for (const quint32 code : std::as_const(held)) {
        XTestFakeKeyEvent(display, code, True, CurrentTime);
    }
    XTestFakeKeyEvent(display, key, True, CurrentTime);
    XTestFakeKeyEvent(display, key, False, CurrentTime);
    for (auto it = held.crbegin(); it != held.crend(); ++it) {
        XTestFakeKeyEvent(display, *it, False, CurrentTime);
    }
    XSync(display, False);
    return true;
}

} // namespace platform
