// Times the start of the application's status item as the user sees it: from the start of the
// process to its icon embedded and shown in a real system tray (trayer, started here), beside
// the same for a bare Qt program that shows one QSystemTrayIcon. Run it under Xvfb:
//
//     xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/status_item_bench [runs]
//
// Seen from this process: it listens on the root window for a window of the child being
// reparented away from the root (the tray takes the icon in) and then for that window to be
// viewable, and kills the child. The configuration is the factory one in a temporary HOME; the
// session bus is left out, so the icon goes into the X11 tray. Goal: under 300 ms (median).

#include "engine/model/QVDefaultData.h"

#include "testsupport/PrivateHome.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

// After Qt: X11 defines names Qt uses.
#include "TrayHost.h"

namespace {

constexpr int kTimeoutMs = 10000;

long windowPid(Display* display, Window window)
{
    const Atom atom = XInternAtom(display, "_NET_WM_PID", True);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    long pid = 0;
    if (atom != 0
        && XGetWindowProperty(display, window, atom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data)
            == Success
        && data != nullptr && count == 1 && format == 32) {
        pid = *reinterpret_cast<long*>(data);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return pid;
}

bool isViewable(Display* display, Window window)
{
    XWindowAttributes attributes {};
    return XGetWindowAttributes(display, window, &attributes) != 0 && attributes.map_state == IsViewable;
}

// Waits for a window of the child to be taken into the tray and shown there.
std::optional<double> waitForTrayIcon(Display* display, pid_t child)
{
    const Window root = DefaultRootWindow(display);
    Window icon = 0;
    const double deadline = bench::nowMs() + kTimeoutMs;
    while (bench::nowMs() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (icon == 0 && event.type == ReparentNotify && event.xreparent.parent != root
                && windowPid(display, event.xreparent.window) == child) {
                icon = event.xreparent.window;
                XSelectInput(display, icon, StructureNotifyMask);
            }
            if (icon != 0 && isViewable(display, icon)) {
                return bench::nowMs();
            }
        }
        if (waitpid(child, nullptr, WNOHANG) == child) {
            return std::nullopt;
        }
        if (icon != 0 && isViewable(display, icon)) {
            return bench::nowMs();
        }
        pollfd fd { ConnectionNumber(display), POLLIN, 0 };
        poll(&fd, 1, 5);
    }
    return std::nullopt;
}

struct Program
{
    const char* label;
    std::vector<std::string> argv;
};

std::optional<double> timeOneRun(Display* display, const Program& program)
{
    std::vector<char*> argv;
    for (const std::string& arg : program.argv) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    XSync(display, True);
    pid_t pid = 0;
    const double start = bench::nowMs();
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "could not start %s\n", argv[0]);
        return std::nullopt;
    }
    const std::optional<double> shown = waitForTrayIcon(display, pid);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    if (!shown) {
        std::fprintf(stderr, "%s put no icon into the tray\n", program.label);
        return std::nullopt;
    }
    return *shown - start;
}

void report(const Program& program, std::vector<double> times, double goal)
{
    std::sort(times.begin(), times.end());
    const double median = bench::median(times);
    std::printf("%-40s median %7.1f ms   min %7.1f   max %7.1f   (%zu runs)", program.label, median, times.front(),
                times.back(), times.size());
    if (goal > 0) {
        std::printf("   goal < %.0f ms %s", goal, median < goal ? "ok" : "OVER");
    }
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        std::fprintf(stderr, "status_item_bench needs an X server: run it under xvfb-run\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    qunsetenv("QT_QPA_PLATFORM");
    QTemporaryDir home;
    tarsel::test::pointEnvironmentAt(home.path());
    if (!QVDefaultData::setup()) {
        std::fprintf(stderr, "could not write the factory configuration\n");
        return 1;
    }
    Display* x = XOpenDisplay(display.constData());
    if (x == nullptr) {
        std::fprintf(stderr, "cannot open display %s\n", display.constData());
        return 2;
    }
    const pid_t tray = bench::startTray(x);
    if (tray == 0) {
        std::fprintf(stderr, "trayer did not start (scripts/install-deps installs it)\n");
        return 2;
    }
    XSelectInput(x, DefaultRootWindow(x), SubstructureNotifyMask);
    const std::vector<Program> programs {
        { "bare QSystemTrayIcon", { TARSEL_STATUS_ITEM_PROBE, "bare" } },
        { "Tarsel status item start-up", { TARSEL_STATUS_ITEM_PROBE, "tarsel" } },
    };
    // Turns, so that all meet the same load; the first round warms the caches and is not counted.
    std::vector<std::vector<double>> times(programs.size());
    int status = 0;
    for (int i = 0; i <= runs && status == 0; ++i) {
        for (size_t p = 0; p < programs.size() && status == 0; ++p) {
            const std::optional<double> t = timeOneRun(x, programs[p]);
            status = t ? 0 : 1;
            if (t && i > 0) {
                times[p].push_back(*t);
            }
        }
    }
    kill(tray, SIGKILL);
    waitpid(tray, nullptr, 0);
    XCloseDisplay(x);
    if (status != 0) {
        return status;
    }
    std::printf("start of the process to its icon shown in the tray, under %s:\n", display.constData());
    for (size_t p = 0; p < programs.size(); ++p) {
        report(programs[p], times[p], p == 0 ? 0 : 300);
    }
    return 0;
}
