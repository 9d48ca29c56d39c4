// Counts how often an idle application wakes up: the real application with the right-click hook
// and the status item on, beside a bare Qt program that shows one QSystemTrayIcon (the floor of
// a tray application) and the application with the status item alone. All three run at once in
// a real system tray (trayer, started here) and are measured over the same windows of time, so
// they meet the same load. Run it under Xvfb:
//
//     xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/idle_wakeups_bench [rounds] [seconds] [Tarsel]
//
// A Tarsel program given runs in place of this build's (another build, say). Only one
// program at a time can hold the right button, so two builds cannot be counted side by side.
//
// A wake-up is a thread of the process put back to run after it slept (a poll, an epoll wait or
// a futex returning): the growth, over one window, of the voluntary and involuntary context
// switches of all its threads (/proc/PID/task/*/status). Nothing moves the pointer or types
// meanwhile. Before counting, the bench checks that the hook holds the right button on the root
// window (its own grab of it is refused). Goal: no wake-up a minute, as the bare tray icon.

#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "engine/model/QVSwitch.h"
#include "platform/Defaults.h"

#include "testsupport/PrivateHome.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>

// After Qt: X11 defines names Qt uses.
#include "TrayHost.h"

namespace {

constexpr double kTimeoutMs = 10000;

// The context switches of each thread of a process so far, by thread id.
std::map<QString, long long> switchesOf(pid_t pid)
{
    std::map<QString, long long> threads;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    const QStringList ids = QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& id : ids) {
        QFile status(tasks + QLatin1Char('/') + id + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly)) {
            continue; // the thread ended meanwhile
        }
        long long total = 0;
        const QList<QByteArray> lines = status.readAll().split('\n');
        for (const QByteArray& line : lines) {
            if (line.startsWith("voluntary_ctxt_switches:") || line.startsWith("nonvoluntary_ctxt_switches:")) {
                total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
            }
        }
        threads[id] = total;
    }
    return threads;
}

// The growth from one count to the next; a thread that ended meanwhile counts what it did
// before the first, one that started all it did.
long long growth(const std::map<QString, long long>& before, const std::map<QString, long long>& after)
{
    long long total = 0;
    for (const auto& [id, count] : after) {
        const auto it = before.find(id);
        total += count - (it != before.end() ? it->second : 0);
    }
    return total;
}

pid_t spawn(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    return posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : 0;
}

void end(pid_t pid)
{
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

bool g_refused = false;
int onError(Display*, XErrorEvent* error)
{
    g_refused = error->error_code == BadAccess;
    return 0;
}

// Whether another client holds the right button on the root window: this client's grab is refused.
bool rightButtonHeld(Display* display)
{
    g_refused = false;
    XErrorHandler previous = XSetErrorHandler(onError);
    XGrabButton(display, Button3, AnyModifier, DefaultRootWindow(display), False, ButtonPressMask, GrabModeAsync,
                GrabModeAsync, None, None);
    XSync(display, False);
    if (!g_refused) {
        XUngrabButton(display, Button3, AnyModifier, DefaultRootWindow(display));
        XSync(display, False);
    }
    XSetErrorHandler(previous);
    return g_refused;
}

struct Program
{
    const char* label = "";
    pid_t pid = 0;
    std::vector<double> perMinute;
};

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const double seconds = argc > 2 ? std::max(1.0, std::atof(argv[2])) : 6.0;
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        std::fprintf(stderr, "idle_wakeups_bench needs an X server: run it under xvfb-run\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    qunsetenv("QT_QPA_PLATFORM");
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

    // Each application its own home: the one with the hook, the one with the status item alone.
    QTemporaryDir hookHome;
    QTemporaryDir trayHome;
    const char* tarsel = argc > 3 ? argv[3] : TARSEL_APP_PROGRAM;
    std::vector<Program> programs(3);
    programs[0].label = "bare QSystemTrayIcon";
    programs[1].label = "Tarsel, status item and right-click hook on";
    programs[2].label = "Tarsel, status item alone";
    programs[0].pid = spawn({ TARSEL_STATUS_ITEM_PROBE, "bare" });
    for (const bool hook : { true, false }) {
        // The icons go into the X11 tray, not to a notifier on a session bus.
        tarsel::test::pointEnvironmentAt((hook ? hookHome : trayHome).path());
        if (!QVDefaultData::setup()) {
            std::fprintf(stderr, "could not write the factory configuration\n");
            return 1;
        }
        platform::Defaults& defaults = QVMenuManager::sharedDefaults();
        defaults.setValue(QVMenuManager::prefCheck(QVSwitch::StatusItem), true);
        defaults.setValue(QVMenuManager::prefCheck(QVSwitch::RightClickHook), hook);
        defaults.setValue(QVMenuManager::prefCheck(QVSwitch::HookPlainRightClick), hook);
        programs[hook ? 1 : 2].pid = spawn({ tarsel });
    }
    int status = 0;
    for (const Program& program : programs) {
        if (program.pid == 0) {
            std::fprintf(stderr, "could not start %s\n", program.label);
            status = 1;
        }
    }
    // Settled: start-up done, the icons in the tray, the hook's grab in place.
    const double deadline = bench::nowMs() + kTimeoutMs;
    while (status == 0 && !rightButtonHeld(x)) {
        if (bench::nowMs() > deadline) {
            std::fprintf(stderr, "the application's hook did not take the right button\n");
            status = 1;
        }
        usleep(100000);
    }
    if (status == 0) {
        sleep(3);
    }
    for (int round = 0; round < rounds && status == 0; ++round) {
        std::vector<std::map<QString, long long>> before;
        for (const Program& program : programs) {
            before.push_back(switchesOf(program.pid));
        }
        const double start = bench::nowMs();
        usleep(useconds_t(seconds * 1e6));
        const double minutes = (bench::nowMs() - start) / 60000.0;
        for (size_t p = 0; p < programs.size(); ++p) {
            if (waitpid(programs[p].pid, nullptr, WNOHANG) != 0) {
                std::fprintf(stderr, "%s ended\n", programs[p].label);
                status = 1;
            }
            programs[p].perMinute.push_back(double(growth(before[p], switchesOf(programs[p].pid))) / minutes);
        }
    }
    for (const Program& program : programs) {
        end(program.pid);
    }
    end(tray);
    XCloseDisplay(x);
    if (status != 0) {
        return status;
    }
    std::printf("wake-ups of an idle process per minute, %d rounds of %.0f s, all at once under %s:\n", rounds, seconds,
                display.constData());
    for (const Program& program : programs) {
        const auto [low, high] = std::minmax_element(program.perMinute.begin(), program.perMinute.end());
        std::printf("%-46s median %6.1f /min   min %6.1f   max %6.1f\n", program.label,
                    bench::median(program.perMinute), *low, *high);
    }
    std::printf("goal: the application with the hook on wakes no more than the bare tray icon\n");
    return 0;
}
