// Times a right-click as the user sees it: from the start of `tarsel-finder popup FILE` to the
// moment its menu window is mapped on the X server, beside the same for bare_menu, a Qt program
// that only pops up a one-entry QMenu. Run it under Xvfb:
//
//     xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/popup_bench [runs] [other tarsel-finder...]
//
// Other tarsel-finder programs (each with its plug-in beside it, say copies of another build's
// host folder) are timed in the same rounds, which is how two builds are compared.
// The map is seen from this process: it listens for MapNotify on the root window and takes the
// first override-redirect window the child maps (a popup menu is one), then kills the child.
// The configuration is the factory one in a temporary HOME. Goal: popup under 80 ms (median).

#include "engine/model/QVDefaultData.h"

#include "testsupport/PrivateHome.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

extern char** environ;

namespace {

constexpr int kTimeoutMs = 10000;

double nowMs()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// The process id a Qt window names in _NET_WM_PID, or 0.
long windowPid(Display* display, Window window)
{
    const Atom atom = XInternAtom(display, "_NET_WM_PID", True);
    if (atom == 0) {
        return 0;
    }
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    long pid = 0;
    if (XGetWindowProperty(display, window, atom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data)
            == Success
        && data != nullptr && count == 1 && format == 32) {
        pid = *reinterpret_cast<long*>(data);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return pid;
}

// Waits for an override-redirect window of the child to be mapped; answers the time, or nothing
// when the child exited or the wait timed out.
std::optional<double> waitForPopupMap(Display* display, pid_t child)
{
    const double deadline = nowMs() + kTimeoutMs;
    while (nowMs() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && event.xmap.override_redirect) {
                const double at = nowMs();
                const long pid = windowPid(display, event.xmap.window);
                if (pid == 0 || pid == child) {
                    return at;
                }
            }
        }
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            return std::nullopt;
        }
        pollfd fd { ConnectionNumber(display), POLLIN, 0 };
        poll(&fd, 1, 20);
    }
    return std::nullopt;
}

struct Program
{
    const char* label;
    std::vector<std::string> argv;
};

// Milliseconds from spawn to map, or nothing when the program mapped no popup.
std::optional<double> timeOneRun(Display* display, const Program& program, char** env)
{
    std::vector<char*> argv;
    for (const std::string& arg : program.argv) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    XSync(display, True);
    pid_t pid = 0;
    const double start = nowMs();
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), env) != 0) {
        std::fprintf(stderr, "could not start %s\n", argv[0]);
        return std::nullopt;
    }
    const std::optional<double> mapped = waitForPopupMap(display, pid);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    if (!mapped) {
        std::fprintf(stderr, "%s mapped no popup window\n", program.label);
        return std::nullopt;
    }
    return *mapped - start;
}

void report(const Program& program, std::vector<double> times, double goal)
{
    std::sort(times.begin(), times.end());
    const double median
        = times.size() % 2 == 1 ? times[times.size() / 2] : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
    std::printf("%-36s median %7.1f ms   min %7.1f   max %7.1f   (%zu runs)", program.label, median, times.front(),
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
        std::fprintf(stderr, "popup_bench needs an X server: run it under xvfb-run\n");
        return 2;
    }
    // This process writes the configuration only; the programs it times run on the X server.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    qunsetenv("QT_QPA_PLATFORM");

    QTemporaryDir home;
    tarsel::test::pointEnvironmentAt(home.path());
    if (!QVDefaultData::setup()) {
        std::fprintf(stderr, "could not write the factory configuration\n");
        return 1;
    }
    const QString file = home.path() + QStringLiteral("/notes.txt");
    QFile notes(file);
    if (!notes.open(QIODevice::WriteOnly) || notes.write("some text\n") < 0) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(file));
        return 1;
    }
    notes.close();

    Display* x = XOpenDisplay(display.constData());
    if (x == nullptr) {
        std::fprintf(stderr, "cannot open display %s\n", display.constData());
        return 2;
    }
    XSelectInput(x, DefaultRootWindow(x), SubstructureNotifyMask);

    const Program bare { "bare_menu (QApplication + one QMenu)", { TARSEL_BARE_MENU_PROGRAM } };
    std::vector<Program> programs {
        bare, { "tarsel-finder popup FILE", { TARSEL_FINDER_PROGRAM, "popup", file.toStdString() } }
    };
    for (int i = 2; i < argc; ++i) {
        programs.push_back({ argv[i], { argv[i], "popup", file.toStdString() } });
    }
    // The programs take turns, so that all meet the same load of the machine; the first round
    // warms the caches and is not counted.
    std::vector<std::vector<double>> times(programs.size());
    for (int i = 0; i <= runs; ++i) {
        for (size_t p = 0; p < programs.size(); ++p) {
            const std::optional<double> t = timeOneRun(x, programs[p], environ);
            if (!t) {
                return 1;
            }
            if (i > 0) {
                times[p].push_back(*t);
            }
        }
    }
    XCloseDisplay(x);
    std::printf("start of the process to its menu window mapped, under %s:\n", display.constData());
    for (size_t p = 0; p < programs.size(); ++p) {
        report(programs[p], times[p], p == 0 ? 0 : 80);
    }
    return 0;
}
