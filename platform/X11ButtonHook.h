#pragma once

#include <QPoint>
#include <QtGlobal>
#include <QString>

#include <functional>
#include <memory>
#include <thread>

namespace platform {

/// The global mouse hook: sees every middle and right button press on the display before any
/// window does, and lets each one through or swallows it.
///
/// The buttons are grabbed on the root window in synchronous mode, so the server holds the
/// pointer still after a press until the hook decides. A thread of its own, with a connection
/// of its own, waits for the presses; decide() runs on the main thread and answers whether to
/// swallow the press. A press let through is replayed to the windows under the pointer exactly
/// as if nothing had grabbed it. When decide() does not answer within kDecisionTimeoutMs (the
/// main thread is busy) the press is let through, so a busy application never freezes the
/// desktop's pointer. After a swallowed press the hook holds the pointer until the button is
/// released; released() then runs on the main thread. When the connection to the display is
/// lost, lost() runs on the main thread (the hook has stopped; start() tries again). While no
/// button is pressed the hook's thread sleeps: it wakes only for the server's events.
///
/// On Wayland or without a display start() fails with the reason; nothing is grabbed.
class X11ButtonHook final
{
public:
    struct Press
    {
        int button = 0; ///< 2 middle, 3 right
        QPoint global; ///< root coordinates
        quint16 state = 0; ///< the server's modifier state at the press
    };
    using Decide = std::function<bool(const Press& press)>;
    using Released = std::function<void(const Press& press)>;
    using Lost = std::function<void()>;

    static constexpr int kDecisionTimeoutMs = 250;

    X11ButtonHook(Decide decide, Released released, Lost lost = {});
    ~X11ButtonHook();
    Q_DISABLE_COPY_MOVE(X11ButtonHook)

    /// Why this desktop offers no mouse hook (a Wayland session, no X display); empty when it
    /// may (start() still answers whether the display can be reached).
    static QString unavailableReason();

    /// Grabs the buttons and starts the thread. False with the reason when there is no X
    /// display, it cannot be reached, or another program holds the buttons on the desktop.
    bool start(QString* error);
    /// Ends the grab and the thread; nothing when not running.
    void stop();
    /// Running, and the connection to the display still alive.
    bool isRunning() const;

private:
    struct State;
    static void run(const std::shared_ptr<State>& state);
    static void reportLost(const std::shared_ptr<State>& state);

    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

} // namespace platform
