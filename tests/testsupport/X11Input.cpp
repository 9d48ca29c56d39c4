#include "testsupport/X11Input.h"

#include <QByteArray>

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
    const bool ok = XTestQueryExtension(display, &event, &error, &major, &minor) != 0;
    if (ok) {
        XTestFakeMotionEvent(display, -1, globalPosition.x(), globalPosition.y(), CurrentTime);
        XTestFakeButtonEvent(display, unsigned(button), True, CurrentTime);
        XTestFakeButtonEvent(display, unsigned(button), False, CurrentTime);
        XSync(display, False);
    }
    XCloseDisplay(display);
    return ok;
}

bool x11Key(const char* keysymName, bool press)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        return false;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    const KeyCode code = XKeysymToKeycode(display, XStringToKeysym(keysymName));
    const bool ok = code != 0 && XTestFakeKeyEvent(display, code, press ? True : False, CurrentTime) != 0;
    XSync(display, False);
    XCloseDisplay(display);
    return ok;
}

} // namespace tarsel::test
