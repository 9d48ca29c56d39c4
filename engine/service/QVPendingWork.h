#pragma once

/// Work a command left behind that the process must live for (a delayed prompt, a tool window, a
/// heads-up message, an icon set a moment later): counted up when it starts and down when it has
/// finished. The file-manager host waits for the count to reach 0 before it exits.
class QVPendingWork final
{
public:
    QVPendingWork() = delete;

    static void begin();
    static void end();
    static int count();
};
