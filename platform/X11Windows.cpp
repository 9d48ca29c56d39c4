// The window manager's windows, the pointer and synthetic clicks of the X11 service.

#include "platform/X11.h"

#include <cstdlib>

#include <xcb/xcb.h>
// Xlib last: its macros (None, Bool, Status) break the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace platform {

namespace {

// Frees an xcb reply when it goes out of scope.
template <typename T> struct Reply
{
    T* data = nullptr;
    explicit Reply(T* reply)
        : data(reply)
    {
    }
    ~Reply() { std::free(data); }
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;
    T* operator->() const { return data; }
    explicit operator bool() const { return data != nullptr; }
};

QString propertyText(const char* text, int length)
{
    return QString::fromLocal8Bit(text, qsizetype(qstrnlen(text, size_t(length))));
}

// WM_CLASS holds two strings one after the other: the instance name, then the class name.
void readClass(xcb_get_property_reply_t* reply, X11::Window* window)
{
    const char* text = static_cast<const char*>(xcb_get_property_value(reply));
    const int length = xcb_get_property_value_length(reply);
    window->wmInstance = propertyText(text, length);
    const int second = int(qstrnlen(text, size_t(length))) + 1;
    if (second < length) {
        window->wmClass = propertyText(text + second, length - second);
    }
}

} // namespace

quint32 X11::atom(const char* name)
{
    const QByteArray key(name);
    if (const auto it = m_atoms.constFind(key); it != m_atoms.cend()) {
        return *it;
    }
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, quint16(key.size()), key.constData()), nullptr));
    const quint32 value = reply ? reply->atom : 0;
    m_atoms.insert(key, value);
    return value;
}

QList<quint32> X11::windowListProperty(quint32 window, quint32 property)
{
    QList<quint32> list;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, property, XCB_ATOM_ANY, 0, 1 << 16), nullptr));
    if (!reply || reply->format != 32) {
        return list;
    }
    const auto* values = static_cast<const quint32*>(xcb_get_property_value(reply.data));
    const int count = xcb_get_property_value_length(reply.data) / 4;
    for (int i = 0; i < count; ++i) {
        list << values[i];
    }
    return list;
}

X11::Window X11::describeWindow(quint32 id)
{
    Window window;
    window.id = id;
    xcb_connection_t* c = m_connection;
    // All requests first, then the replies: one round trip for the window, not seven.
    const auto attributes = xcb_get_window_attributes(c, id);
    const auto geometry = xcb_get_geometry(c, id);
    const auto origin = xcb_translate_coordinates(c, id, m_root, 0, 0);
    const auto wmClass = xcb_get_property(c, 0, id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256);
    const auto type = xcb_get_property(c, 0, id, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 0, 32);
    const auto state = xcb_get_property(c, 0, id, atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 0, 32);
    const auto extents = xcb_get_property(c, 0, id, atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 0, 4);

    Reply<xcb_get_window_attributes_reply_t> attributesReply(xcb_get_window_attributes_reply(c, attributes, nullptr));
    Reply<xcb_get_geometry_reply_t> geometryReply(xcb_get_geometry_reply(c, geometry, nullptr));
    Reply<xcb_translate_coordinates_reply_t> originReply(xcb_translate_coordinates_reply(c, origin, nullptr));
    Reply<xcb_get_property_reply_t> classReply(xcb_get_property_reply(c, wmClass, nullptr));
    Reply<xcb_get_property_reply_t> typeReply(xcb_get_property_reply(c, type, nullptr));
    Reply<xcb_get_property_reply_t> stateReply(xcb_get_property_reply(c, state, nullptr));
    Reply<xcb_get_property_reply_t> extentsReply(xcb_get_property_reply(c, extents, nullptr));

    // Popups and tooltips (override-redirect) are no one's top-level window.
    if (!attributesReply || attributesReply->map_state != XCB_MAP_STATE_VIEWABLE || attributesReply->override_redirect
        || !geometryReply || !originReply) {
        window.id = 0;
        return window;
    }
    window.client = QRect(originReply->dst_x, originReply->dst_y, geometryReply->width, geometryReply->height);
    window.frame = window.client;
    if (extentsReply && xcb_get_property_value_length(extentsReply.data) == 16) {
        const auto* e = static_cast<const quint32*>(xcb_get_property_value(extentsReply.data));
        window.frame.adjust(-int(e[0]), -int(e[2]), int(e[1]), int(e[3])); // left, right, top, bottom
    }
    if (classReply && classReply->format == 8) {
        readClass(classReply.data, &window);
    }
    if (typeReply && typeReply->format == 32 && xcb_get_property_value_length(typeReply.data) >= 4) {
        const quint32 first = *static_cast<const quint32*>(xcb_get_property_value(typeReply.data));
        if (first == atom("_NET_WM_WINDOW_TYPE_DESKTOP")) {
            window.type = WindowType::Desktop;
        } else if (first == atom("_NET_WM_WINDOW_TYPE_DOCK")) {
            window.type = WindowType::Dock;
        } else if (first != atom("_NET_WM_WINDOW_TYPE_NORMAL")) {
            window.type = WindowType::Other;
        }
    }
    window.layer = window.type == WindowType::Normal ? 0 : window.type == WindowType::Desktop ? -1 : 1;
    if (stateReply && stateReply->format == 32) {
        const auto* states = static_cast<const quint32*>(xcb_get_property_value(stateReply.data));
        const int count = xcb_get_property_value_length(stateReply.data) / 4;
        for (int i = 0; i < count; ++i) {
            if (states[i] == atom("_NET_WM_STATE_HIDDEN")) {
                window.id = 0; // minimised: not on the screen
            }
        }
    }
    return window;
}

QList<X11::Window> X11::windowsFrontToBack()
{
    QList<Window> windows;
    if (!m_connection) {
        return windows;
    }
    QList<quint32> stacking = windowListProperty(m_root, atom("_NET_CLIENT_LIST_STACKING"));
    if (stacking.isEmpty()) {
        // No window manager: the top-level windows are the root's own children, bottom to top.
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr));
        if (tree) {
            const xcb_window_t* children = xcb_query_tree_children(tree.data);
            for (int i = 0; i < xcb_query_tree_children_length(tree.data); ++i) {
                stacking << children[i];
            }
        }
    }
    for (auto it = stacking.crbegin(); it != stacking.crend(); ++it) {
        const Window window = describeWindow(*it);
        if (window.id != 0) {
            windows << window;
        }
    }
    return windows;
}

X11::Window X11::activeWindow()
{
    if (!m_connection) {
        return {};
    }
    const QList<quint32> active = windowListProperty(m_root, atom("_NET_ACTIVE_WINDOW"));
    quint32 id = active.isEmpty() ? 0 : active.first();
    if (id == 0) {
        // No window manager to say: the top-level window that holds the keyboard focus.
        Reply<xcb_get_input_focus_reply_t> focus(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
        id = focus ? focus->focus : 0;
        while (id > XCB_INPUT_FOCUS_POINTER_ROOT && id != m_root) {
            Reply<xcb_query_tree_reply_t> tree(
                xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, id), nullptr));
            if (!tree || tree->parent == m_root) {
                break;
            }
            id = tree->parent;
        }
        if (id <= XCB_INPUT_FOCUS_POINTER_ROOT || id == m_root) {
            return {};
        }
    }
    return describeWindow(id);
}

bool X11::pointerPosition(QPoint* global)
{
    Display* display = testDisplay(nullptr);
    if (!display) {
        return false;
    }
    ::Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &mask)) {
        return false; // the pointer is on another screen of the display
    }
    *global = QPoint(rootX, rootY);
    return true;
}

bool X11::postButtonClick(int button, const QPoint& global, QString* error)
{
    Display* display = testDisplay(error);
    if (!display) {
        return false;
    }
    XTestFakeMotionEvent(display, -1, global.x(), global.y(), CurrentTime);
    XTestFakeButtonEvent(display, unsigned(button), True, CurrentTime);
    XTestFakeButtonEvent(display, unsigned(button), False, CurrentTime);
    XSync(display, False);
    return true;
}

quint32 X11::flagsForModifierState(quint16 state) const
{
    quint32 flags = 0;
    flags |= (state & XCB_MOD_MASK_SHIFT) ? kShiftKey : 0;
    flags |= (state & XCB_MOD_MASK_CONTROL) ? kControlKey : 0;
    flags |= (state & m_altMask) ? kOptionKey : 0;
    flags |= (state & m_superMask) ? kCommandKey : 0;
    return flags;
}

} // namespace platform
