#pragma once

#include <memory>

/// Work a command left behind that the process must live for (a delayed prompt, a tool window, a
/// heads-up message, an icon set a moment later): counted up when it starts and down when it has
/// finished. The file-manager host waits for the count to reach 0 before it exits.
class QVPendingWork final
{
public:
    QVPendingWork() = delete;

    /// One piece of pending work, counted from hold() until its last copy is gone: a command's
    /// continuations keep a copy, so the count cannot be left up or taken down twice.
    using Hold = std::shared_ptr<const void>;
    static Hold hold();

    static void begin();
    static void end();
    static int count();
};
