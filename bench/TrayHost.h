#pragma once

// A real system tray (trayer) for the benchmarks that put icons into one.

#include "ProcessTiming.h"

#include <string>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>

namespace bench {

// Starts trayer and waits until it owns the tray selection; 0 when it did not start in time.
inline pid_t startTray(Display* display, double timeoutMs = 10000)
{
    const char* argv[] = { "trayer",  "--edge",   "top", "--align",       "left",  "--widthtype",
                           "request", "--height", "32",  "--SetDockType", "false", nullptr };
    pid_t pid = 0;
    if (posix_spawnp(&pid, "trayer", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        return 0;
    }
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display));
    const Atom selection = XInternAtom(display, name.c_str(), False);
    const double deadline = nowMs() + timeoutMs;
    while (nowMs() < deadline) {
        if (XGetSelectionOwner(display, selection) != 0) {
            return pid;
        }
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return 0;
}

} // namespace bench
