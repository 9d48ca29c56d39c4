// The keyboard half of the X11 service: virtual key codes to the server's key codes and back,
// and the text each key gives on the current layout, all through the keyboard description.

#include "platform/X11.h"

#include "platform/X11Keymap.h"

#include <QKeyEvent>

#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace platform {

namespace {

struct KeyName
{
    quint32 keyCode;
    const char* xkbName;
};

// Every virtual key code by the position of its key, in the keyboard description's own key
// names: the main block row by row, then the keys around it.
constexpr KeyName kKeyNames[] = {
    { 0, "AC01" },   { 1, "AC02" },   { 2, "AC03" },   { 3, "AC04" },   { 4, "AC06" },   { 5, "AC05" },
    { 6, "AB01" },   { 7, "AB02" },   { 8, "AB03" },   { 9, "AB04" },   { 10, "LSGT" },  { 11, "AB05" },
    { 12, "AD01" },  { 13, "AD02" },  { 14, "AD03" },  { 15, "AD04" },  { 16, "AD06" },  { 17, "AD05" },
    { 18, "AE01" },  { 19, "AE02" },  { 20, "AE03" },  { 21, "AE04" },  { 22, "AE06" },  { 23, "AE05" },
    { 24, "AE12" },  { 25, "AE09" },  { 26, "AE07" },  { 27, "AE11" },  { 28, "AE08" },  { 29, "AE10" },
    { 30, "AD12" },  { 31, "AD09" },  { 32, "AD07" },  { 33, "AD11" },  { 34, "AD08" },  { 35, "AD10" },
    { 36, "RTRN" },  { 37, "AC09" },  { 38, "AC07" },  { 39, "AC11" },  { 40, "AC08" },  { 41, "AC10" },
    { 42, "BKSL" },  { 43, "AB08" },  { 44, "AB10" },  { 45, "AB06" },  { 46, "AB07" },  { 47, "AB09" },
    { 48, "TAB" },   { 49, "SPCE" },  { 50, "TLDE" },  { 51, "BKSP" },  { 53, "ESC" },   { 54, "RWIN" },
    { 55, "LWIN" },  { 56, "LFSH" },  { 57, "CAPS" },  { 58, "LALT" },  { 59, "LCTL" },  { 60, "RTSH" },
    { 61, "RALT" },  { 62, "RCTL" },  { 64, "FK17" },  { 65, "KPDL" },  { 67, "KPMU" },  { 69, "KPAD" },
    { 71, "NMLK" },  { 75, "KPDV" },  { 76, "KPEN" },  { 78, "KPSU" },  { 79, "FK18" },  { 80, "FK19" },
    { 81, "KPEQ" },  { 82, "KP0" },   { 83, "KP1" },   { 84, "KP2" },   { 85, "KP3" },   { 86, "KP4" },
    { 87, "KP5" },   { 88, "KP6" },   { 89, "KP7" },   { 90, "FK20" },  { 91, "KP8" },   { 92, "KP9" },
    { 96, "FK05" },  { 97, "FK06" },  { 98, "FK07" },  { 99, "FK03" },  { 100, "FK08" }, { 101, "FK09" },
    { 103, "FK11" }, { 105, "FK13" }, { 106, "FK16" }, { 107, "FK14" }, { 109, "FK10" }, { 111, "FK12" },
    { 113, "FK15" }, { 114, "INS" },  { 115, "HOME" }, { 116, "PGUP" }, { 117, "DELE" }, { 118, "FK04" },
    { 119, "END" },  { 120, "FK02" }, { 121, "PGDN" }, { 122, "FK01" }, { 123, "LEFT" }, { 124, "RGHT" },
    { 125, "DOWN" }, { 126, "UP" },
};

struct QtKeySym
{
    int qtKey;
    xkb_keysym_t sym;
};

// Qt keys that are not characters, by the key symbol they stand for.
constexpr QtKeySym kQtKeySyms[] = {
    { Qt::Key_Escape, XKB_KEY_Escape },      { Qt::Key_Tab, XKB_KEY_Tab },
    { Qt::Key_Backtab, XKB_KEY_Tab },        { Qt::Key_Backspace, XKB_KEY_BackSpace },
    { Qt::Key_Return, XKB_KEY_Return },      { Qt::Key_Enter, XKB_KEY_KP_Enter },
    { Qt::Key_Insert, XKB_KEY_Insert },      { Qt::Key_Delete, XKB_KEY_Delete },
    { Qt::Key_Home, XKB_KEY_Home },          { Qt::Key_End, XKB_KEY_End },
    { Qt::Key_Left, XKB_KEY_Left },          { Qt::Key_Up, XKB_KEY_Up },
    { Qt::Key_Right, XKB_KEY_Right },        { Qt::Key_Down, XKB_KEY_Down },
    { Qt::Key_PageUp, XKB_KEY_Prior },       { Qt::Key_PageDown, XKB_KEY_Next },
    { Qt::Key_Help, XKB_KEY_Help },          { Qt::Key_Clear, XKB_KEY_Clear },
    { Qt::Key_Shift, XKB_KEY_Shift_L },      { Qt::Key_Control, XKB_KEY_Control_L },
    { Qt::Key_Meta, XKB_KEY_Super_L },       { Qt::Key_Super_L, XKB_KEY_Super_L },
    { Qt::Key_Super_R, XKB_KEY_Super_R },    { Qt::Key_Alt, XKB_KEY_Alt_L },
    { Qt::Key_CapsLock, XKB_KEY_Caps_Lock }, { Qt::Key_NumLock, XKB_KEY_Num_Lock },
};

// Keypad keys Qt reports as characters with the keypad modifier.
constexpr QtKeySym kQtKeypadSyms[] = {
    { Qt::Key_Period, XKB_KEY_KP_Decimal }, { Qt::Key_Asterisk, XKB_KEY_KP_Multiply },
    { Qt::Key_Plus, XKB_KEY_KP_Add },       { Qt::Key_Slash, XKB_KEY_KP_Divide },
    { Qt::Key_Minus, XKB_KEY_KP_Subtract }, { Qt::Key_Equal, XKB_KEY_KP_Equal },
};

xkb_keysym_t keysymForQtKey(int key, bool keypad)
{
    if (keypad && key >= Qt::Key_0 && key <= Qt::Key_9) {
        return XKB_KEY_KP_0 + xkb_keysym_t(key - Qt::Key_0);
    }
    for (const QtKeySym& entry : kQtKeypadSyms) {
        if (keypad && entry.qtKey == key) {
            return entry.sym;
        }
    }
    for (const QtKeySym& entry : kQtKeySyms) {
        if (entry.qtKey == key) {
            return entry.sym;
        }
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) {
        return XKB_KEY_F1 + xkb_keysym_t(key - Qt::Key_F1);
    }
    if (key > 0x20 && key < 0x110000 && (key < 0xd800 || key > 0xdfff)) {
        return xkb_utf32_to_keysym(QChar::toLower(char32_t(key)));
    }
    return key == Qt::Key_Space ? XKB_KEY_space : XKB_KEY_NoSymbol;
}

} // namespace

X11::Keymap::Keymap(xcb_connection_t* connection)
    : connection(connection)
{
    context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context) {
        return;
    }
    if (connection
        && xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                       XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
        device = xkb_x11_get_core_keyboard_device_id(connection);
        if (device >= 0) {
            map = xkb_x11_keymap_new_from_device(context, connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS);
        }
    }
    if (!map) {
        device = -1;
        // No server keymap: the layout the desktop is configured with (XKB_DEFAULT_*).
        map = xkb_keymap_new_from_names(context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
    }
    if (!map) {
        return;
    }
    for (const KeyName& entry : kKeyNames) {
        const xkb_keycode_t code = xkb_keymap_key_by_name(map, entry.xkbName);
        if (code != XKB_KEYCODE_INVALID) {
            toServer.insert(entry.keyCode, code);
            toVirtual.insert(code, entry.keyCode);
        }
    }
}

X11::Keymap::~Keymap()
{
    xkb_keymap_unref(map);
    xkb_context_unref(context);
}

quint32 X11::Keymap::asciiLayout() const
{
    quint32 current = 0;
    if (device >= 0) {
        if (xkb_state* state = xkb_x11_state_new_from_device(map, connection, device)) {
            current = xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE);
            xkb_state_unref(state);
        }
    }
    // A layout is ASCII-capable when the key where "a" sits on a U.S. keyboard gives a Latin letter.
    const xkb_keycode_t probe = toServer.value(0, XKB_KEYCODE_INVALID);
    auto ascii = [&](quint32 layout) {
        const xkb_keysym_t* syms = nullptr;
        const int n = probe == XKB_KEYCODE_INVALID ? 0 : xkb_keymap_key_get_syms_by_level(map, probe, layout, 0, &syms);
        const quint32 c = n > 0 ? xkb_keysym_to_utf32(syms[0]) : 0;
        return c >= 'a' && c <= 'z';
    };
    if (ascii(current)) {
        return current;
    }
    for (quint32 layout = 0; layout < xkb_keymap_num_layouts(map); ++layout) {
        if (ascii(layout)) {
            return layout;
        }
    }
    return current;
}

X11::Keymap& X11::keymap()
{
    if (!m_keymap) {
        m_keymap = std::make_unique<Keymap>(m_connection);
        if (m_connection) {
            scheduleDrain();
        }
    }
    return *m_keymap;
}

quint32 X11::serverKeyCode(quint32 keyCode)
{
    return keymap().toServer.value(keyCode, 0);
}

QString X11::keyText(quint32 keyCode)
{
    Keymap& km = keymap();
    if (!km.map) {
        return QString();
    }
    const xkb_keycode_t code = km.toServer.value(keyCode, XKB_KEYCODE_INVALID);
    const xkb_keysym_t* syms = nullptr;
    const int n
        = code == XKB_KEYCODE_INVALID ? 0 : xkb_keymap_key_get_syms_by_level(km.map, code, km.asciiLayout(), 0, &syms);
    const char32_t c = n > 0 ? xkb_keysym_to_utf32(syms[0]) : 0;
    return c == 0 ? QStringLiteral("") : QString::fromUcs4(&c, 1);
}

qint64 X11::keyCodeForEvent(const QKeyEvent& event)
{
    Keymap& km = keymap();
    if (!km.map) {
        return -1;
    }
    if (event.nativeScanCode() != 0 && km.toVirtual.contains(event.nativeScanCode())) {
        return km.toVirtual.value(event.nativeScanCode());
    }
    const xkb_keysym_t sym = keysymForQtKey(event.key(), event.modifiers().testFlag(Qt::KeypadModifier));
    if (sym == XKB_KEY_NoSymbol) {
        return -1;
    }
    const quint32 layout = km.asciiLayout();
    // The unshifted level first: "1" and "!" are one key, and "1" names it.
    for (xkb_level_index_t level = 0; level < 4; ++level) {
        for (const KeyName& entry : kKeyNames) {
            const xkb_keycode_t code = km.toServer.value(entry.keyCode, XKB_KEYCODE_INVALID);
            const xkb_keysym_t* syms = nullptr;
            const int n = code == XKB_KEYCODE_INVALID
                ? 0
                : xkb_keymap_key_get_syms_by_level(km.map, code, layout, level, &syms);
            if (n > 0 && (syms[0] == sym || xkb_keysym_to_lower(syms[0]) == sym)) {
                return entry.keyCode;
            }
        }
    }
    return -1;
}

quint32 X11::flagsForEvent(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers mods = event.modifiers();
    quint32 flags = 0;
    flags |= mods.testFlag(Qt::ShiftModifier) ? kShiftKey : 0;
    flags |= mods.testFlag(Qt::ControlModifier) ? kControlKey : 0;
    flags |= mods.testFlag(Qt::AltModifier) ? kOptionKey : 0;
    flags |= mods.testFlag(Qt::MetaModifier) ? kCommandKey : 0;
    return flags;
}

} // namespace platform
