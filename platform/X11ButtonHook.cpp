#include "platform/X11ButtonHook.h"

#include "platform/Posix.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QMetaObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <xcb/xcb.h>

Q_LOGGING_CATEGORY(lcButtonHook, "tarsel.platform.x11.hook")

namespace platform {

namespace {

constexpr quint8 kButtons[] = { 2, 3 };

} // namespace

struct X11ButtonHook::State
{
    Decide decide;
    Released released;
    Lost lost;
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
    int wake[2] = { -1, -1 };
    std::atomic<bool> stopping { false };
    std::atomic<bool> alive { false };
    // The press swallowed last, until its button is released (hook thread only).
    bool holding = false;
    Press held;

    ~State()
    {
        if (connection) {
            xcb_disconnect(connection);
        }
        for (const int fd : wake) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
};

namespace {

// One question to the main thread and its answer.
struct Question
{
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    bool swallow = false;
};

void runOnMain(std::function<void()> fn)
{
    if (QCoreApplication* app = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
    }
}

} // namespace

X11ButtonHook::X11ButtonHook(Decide decide, Released released, Lost lost)
    : m_state(std::make_shared<State>())
{
    m_state->decide = std::move(decide);
    m_state->released = std::move(released);
    m_state->lost = std::move(lost);
}

X11ButtonHook::~X11ButtonHook()
{
    stop();
}

bool X11ButtonHook::isRunning() const
{
    return m_thread.joinable() && m_state->alive.load();
}

QString X11ButtonHook::unavailableReason()
{
    // X clients of a Wayland session see only the clicks made on their own windows.
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland") {
        return QStringLiteral("The right-click hook is unavailable in a Wayland session.");
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        return QStringLiteral("The right-click hook is unavailable: there is no X display.");
    }
    return QString();
}

bool X11ButtonHook::start(QString* error)
{
    auto fail = [error](const QString& why) {
        if (error) {
            *error = why;
        }
        return false;
    };
    if (m_thread.joinable()) {
        if (m_state->alive) {
            return true;
        }
        stop(); // the connection was lost: start afresh
    }
    if (const QString why = unavailableReason(); !why.isEmpty()) {
        return fail(why);
    }
    const QByteArray display = qgetenv("DISPLAY");
    auto state = std::make_shared<State>();
    state->decide = m_state->decide;
    state->released = m_state->released;
    state->lost = m_state->lost;
    int screenNumber = 0;
    state->connection = xcb_connect(display.constData(), &screenNumber);
    if (xcb_connection_has_error(state->connection)) {
        return fail(QStringLiteral("The right-click hook is unavailable: the X display \"%1\" cannot be reached.")
                        .arg(QString::fromLocal8Bit(display)));
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(state->connection));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i) {
        xcb_screen_next(&it);
    }
    state->root = it.data->root;
    for (const quint8 button : kButtons) {
        const xcb_void_cookie_t cookie = xcb_grab_button_checked(
            state->connection, 0, state->root, XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE,
            XCB_GRAB_MODE_SYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, button, XCB_MOD_MASK_ANY);
        if (xcb_generic_error_t* grabError = xcb_request_check(state->connection, cookie)) {
            std::free(grabError);
            return fail(QStringLiteral("The right-click hook is unavailable: another program holds the mouse "
                                       "buttons on the desktop."));
        }
    }
    if (::pipe2(state->wake, O_CLOEXEC) != 0) {
        return fail(
            QStringLiteral("The right-click hook is unavailable: %1").arg(QString::fromLocal8Bit(strerror(errno))));
    }
    state->alive = true;
    m_state = state;
    m_thread = std::thread([state] { run(state); });
    return true;
}

void X11ButtonHook::stop()
{
    if (!m_thread.joinable()) {
        return;
    }
    m_state->stopping = true;
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(m_state->wake[1], &byte, 1);
    m_thread.join();
    // Closing the connection ends its grabs at once.
    xcb_disconnect(m_state->connection);
    m_state->connection = nullptr;
    m_state->alive = false;
    auto fresh = std::make_shared<State>();
    fresh->decide = m_state->decide;
    fresh->released = m_state->released;
    fresh->lost = m_state->lost;
    // Questions still queued for the main thread hold the old state; they see it stopping.
    m_state = fresh;
}

void X11ButtonHook::reportLost(const std::shared_ptr<State>& state)
{
    state->alive = false;
    runOnMain([state] {
        if (!state->stopping && state->lost) {
            state->lost();
        }
    });
}

void X11ButtonHook::run(const std::shared_ptr<State>& state)
{
    xcb_connection_t* c = state->connection;
    pollfd fds[2] = { { xcb_get_file_descriptor(c), POLLIN, 0 }, { state->wake[0], POLLIN, 0 } };
    while (!state->stopping) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const quint8 type = event->response_type & 0x7f;
            const auto* button = reinterpret_cast<xcb_button_press_event_t*>(event);
            if (type == XCB_BUTTON_PRESS && !state->holding) {
                const Press press { button->detail, QPoint(button->root_x, button->root_y), button->state };
                auto question = std::make_shared<Question>();
                runOnMain([state, question, press] {
                    const bool swallow = !state->stopping && state->decide && state->decide(press);
                    std::lock_guard lock(question->mutex);
                    question->swallow = swallow;
                    question->done = true;
                    question->answered.notify_one();
                });
                std::unique_lock lock(question->mutex);
                question->answered.wait_for(lock, std::chrono::milliseconds(kDecisionTimeoutMs),
                                            [&] { return question->done; });
                const bool swallow = question->done && question->swallow;
                lock.unlock();
                if (!question->done) {
                    qCWarning(lcButtonHook) << "The application did not answer in time; the click goes through.";
                }
                xcb_allow_events(c, swallow ? XCB_ALLOW_ASYNC_POINTER : XCB_ALLOW_REPLAY_POINTER, button->time);
                xcb_flush(c);
                state->holding = swallow;
                state->held = press;
            } else if (type == XCB_BUTTON_RELEASE && state->holding && button->detail == state->held.button) {
                state->holding = false;
                const Press press = state->held;
                runOnMain([state, press] {
                    if (!state->stopping && state->released) {
                        state->released(press);
                    }
                });
            }
            std::free(event);
        }
        if (xcb_connection_has_error(c)) {
            qCWarning(lcButtonHook) << "The connection to the X display was lost; the right-click hook stopped.";
            reportLost(state);
            return;
        }
        if (posix::retryOnInterrupt([&] { return ::poll(fds, 2, -1); }) < 0) {
            reportLost(state);
            return;
        }
    }
}

} // namespace platform
