#include "testsupport/X11Input.h"

#include <QByteArray>

#include <cstring>

// Xlib last: its macros (None, Bool, Status) break Qt headers that follow.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace tarsel::test {

namespace {

// Runs fn on a display with the XTest extension; false without either.
template <typename Fn> bool withXTest(Fn fn)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        return false;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    bool ok = XTestQueryExtension(display, &event, &error, &major, &minor) != 0;
    if (ok) {
        ok = fn(display);
        XSync(display, False);
    }
    XCloseDisplay(display);
    return ok;
}

} // namespace

bool x11MovePointer(const QPoint& globalPosition)
{
    return withXTest([&](Display* display) {
        XTestFakeMotionEvent(display, -1, globalPosition.x(), globalPosition.y(), CurrentTime);
        return true;
    });
}

bool x11Click(const QPoint& globalPosition, int button)
{
    return withXTest([&](Display* display) {
        XTestFakeMotionEvent(display, -1, globalPosition.x(), globalPosition.y(), CurrentTime);
        XTestFakeButtonEvent(display, unsigned(button), True, CurrentTime);
        XTestFakeButtonEvent(display, unsigned(button), False, CurrentTime);
        return true;
    });
}

bool x11Key(const char* keysymName, bool press)
{
    return withXTest([&](Display* display) {
        const KeyCode code = XKeysymToKeycode(display, XStringToKeysym(keysymName));
        return code != 0 && XTestFakeKeyEvent(display, code, press ? True : False, CurrentTime) != 0;
    });
}

std::optional<QRect> x11ShownWindowNamed(const char* title)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        return std::nullopt;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return std::nullopt;
    }
    std::optional<QRect> found;
    const Window root = DefaultRootWindow(display);
    Window rootReturn = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) != 0) {
        for (unsigned int i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            XWindowAttributes attributes;
            if (XFetchName(display, children[i], &name) != 0 && name != nullptr) {
                if (std::strcmp(name, title) == 0 && XGetWindowAttributes(display, children[i], &attributes) != 0
                    && attributes.map_state == IsViewable) {
                    found = QRect(attributes.x, attributes.y, attributes.width, attributes.height);
                }
                XFree(name);
            }
        }
        XFree(children);
    }
    XCloseDisplay(display);
    return found;
}

} // namespace tarsel::test
