#include "platform/ClipboardHolder.h"

#include "platform/Posix.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

// Xlib last: its macros (None, Bool, Status) break Qt headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace platform {

namespace {

// How long the copying process waits for the holder to own the selection. A holder starts in a
// few milliseconds; a display that does not answer must not hold up the copy for long.
constexpr int kReadyTimeoutMs = 3000;
// An incremental transfer whose reader stopped taking chunks is given up after this long.
constexpr auto kTransferIdleLimit = std::chrono::seconds(10);
constexpr auto kStreamVersion = QDataStream::Qt_6_4;
const QByteArray kReady = QByteArrayLiteral("ready\n");

QByteArray encode(const ClipboardHolder::Formats& formats)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    out << formats;
    return bytes;
}

bool decode(const QByteArray& bytes, ClipboardHolder::Formats* formats)
{
    QDataStream in(bytes);
    in.setVersion(kStreamVersion);
    in >> *formats;
    return in.status() == QDataStream::Ok && in.atEnd();
}

QString errnoText()
{
    return posix::errnoText(errno);
}

QString keepFailure(const QString& file, const QString& why)
{
    return posix::failureMessage(QStringLiteral("keep the clipboard"), file, why);
}

// The holder's answer line: "ready" or "error <why>", read until the line ends or time runs out.
QByteArray readAnswer(int fd)
{
    QByteArray answer;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadyTimeoutMs);
    while (!answer.endsWith('\n')) {
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd wait { fd, POLLIN, 0 };
        if (posix::retryOnInterrupt([&] { return ::poll(&wait, 1, int(left.count())); }) <= 0) {
            break;
        }
        char chunk[256];
        const ssize_t n = posix::retryOnInterrupt([&] { return ::read(fd, chunk, sizeof chunk); });
        if (n <= 0) {
            break;
        }
        answer.append(chunk, n);
    }
    return answer;
}

// Requests for windows that have gone (a reader that quit mid-paste) fail with BadWindow; Xlib's
// default handler would end the holder for that.
int ignoreError(Display*, XErrorEvent*)
{
    return 0;
}

// The display went away: nothing is left to serve.
int displayLost(Display*)
{
    ::_exit(0);
}

// A real server time, for taking or giving up a selection: an empty property append on one of
// our windows yields one. Selection requests must not use CurrentTime, and the time of the last
// event a program saw may be older than the present owner's, which then keeps the selection.
Time serverTime(Display* display, Window window)
{
    XSelectInput(display, window, PropertyChangeMask);
    const unsigned char nothing = 0;
    XChangeProperty(display, window, XInternAtom(display, "_TARSEL_CLIPBOARD_TIME", False), XA_STRING, 8,
                    PropModeAppend, &nothing, 0);
    XEvent event;
    XWindowEvent(display, window, PropertyChangeMask, &event);
    return event.xproperty.time;
}

// The owner of the CLIPBOARD selection for one set of formats.
class SelectionOwner
{
public:
    explicit SelectionOwner(Display* display)
        : m_display(display)
    {
    }
    ~SelectionOwner()
    {
        if (m_window != 0) {
            XDestroyWindow(m_display, m_window);
        }
    }
    SelectionOwner(const SelectionOwner&) = delete;
    SelectionOwner& operator=(const SelectionOwner&) = delete;

    bool own(const ClipboardHolder::Formats& formats, QString* error);
    int run();

private:
    struct Target
    {
        Atom type;
        QByteArray data;
    };
    // A value too large for one request, sent in chunks as the reader deletes each one.
    struct Transfer
    {
        Window requestor;
        Atom property;
        Atom type;
        QByteArray data;
        qsizetype offset;
        std::chrono::steady_clock::time_point lastActive;
    };

    Atom atom(const char* name) { return XInternAtom(m_display, name, False); }
    void addTargets(const ClipboardHolder::Formats& formats);
    void handle(XEvent& event);
    void answer(const XSelectionRequestEvent& request);
    bool convert(Window requestor, Atom target, Atom property);
    bool convertMultiple(Window requestor, Atom property);
    void sendNextChunk(Transfer& transfer);
    void endTransfer(std::size_t index);
    void dropIdleTransfers();

    Display* m_display;
    Window m_window = 0;
    Time m_ownedAt = CurrentTime;
    bool m_lost = false;
    long m_chunk = 0;
    Atom m_clipboard = 0, m_targetsAtom = 0, m_timestampAtom = 0, m_multiple = 0, m_incr = 0, m_atomPair = 0;
    std::vector<std::pair<Atom, Target>> m_targets;
    std::vector<Transfer> m_transfers;
};

void SelectionOwner::addTargets(const ClipboardHolder::Formats& formats)
{
    for (auto it = formats.cbegin(); it != formats.cend(); ++it) {
        const QByteArray name = it.key().toUtf8();
        if (it.key() == QLatin1String("text/plain")) {
            // Readers ask for text under several names; the older ones expect Latin-1.
            const Atom utf8 = atom("UTF8_STRING");
            const QByteArray latin1 = QString::fromUtf8(it.value()).toLatin1();
            m_targets.push_back({ utf8, { utf8, it.value() } });
            const Atom charset = atom("text/plain;charset=utf-8");
            m_targets.push_back({ charset, { charset, it.value() } });
            m_targets.push_back({ XA_STRING, { XA_STRING, latin1 } });
            m_targets.push_back({ atom("TEXT"), { XA_STRING, latin1 } });
        }
        const Atom own = atom(name.constData());
        m_targets.push_back({ own, { own, it.value() } });
    }
}

bool SelectionOwner::own(const ClipboardHolder::Formats& formats, QString* error)
{
    m_clipboard = atom("CLIPBOARD");
    m_targetsAtom = atom("TARGETS");
    m_timestampAtom = atom("TIMESTAMP");
    m_multiple = atom("MULTIPLE");
    m_incr = atom("INCR");
    m_atomPair = atom("ATOM_PAIR");
    addTargets(formats);
    long maxRequest = XExtendedMaxRequestSize(m_display);
    if (maxRequest == 0) {
        maxRequest = XMaxRequestSize(m_display);
    }
    // A request is counted in 4-byte units; leave room for the request header.
    m_chunk = std::min<long>(maxRequest * 4 - 1024, 256 * 1024);

    const Window root = DefaultRootWindow(m_display);
    m_window = XCreateSimpleWindow(m_display, root, 0, 0, 1, 1, 0, 0, 0);
    XStoreName(m_display, m_window, ClipboardHolder::kProgramName);
    // TIMESTAMP answers this time, and the next owner's newer time wins against it.
    m_ownedAt = serverTime(m_display, m_window);

    XSetSelectionOwner(m_display, m_clipboard, m_window, m_ownedAt);
    if (XGetSelectionOwner(m_display, m_clipboard) != m_window) {
        *error = QStringLiteral("the display refused the clipboard selection");
        return false;
    }
    return true;
}

int SelectionOwner::run()
{
    const int fd = ConnectionNumber(m_display);
    for (;;) {
        while (XPending(m_display) > 0) {
            XEvent event;
            XNextEvent(m_display, &event);
            handle(event);
        }
        dropIdleTransfers();
        // A transfer already begun is finished even after the selection went to another owner.
        if (m_lost && m_transfers.empty()) {
            return 0;
        }
        pollfd wait { fd, POLLIN, 0 };
        ::poll(&wait, 1, m_transfers.empty() ? -1 : 1000);
    }
}

void SelectionOwner::handle(XEvent& event)
{
    switch (event.type) {
    case SelectionClear:
        if (event.xselectionclear.selection == m_clipboard) {
            m_lost = true;
        }
        break;
    case SelectionRequest:
        answer(event.xselectionrequest);
        break;
    case PropertyNotify:
        if (event.xproperty.state == PropertyDelete) {
            for (Transfer& transfer : m_transfers) {
                if (transfer.requestor == event.xproperty.window && transfer.property == event.xproperty.atom) {
                    sendNextChunk(transfer);
                    break;
                }
            }
        }
        break;
    default:
        break;
    }
}

void SelectionOwner::answer(const XSelectionRequestEvent& request)
{
    // Readers from before the property field was used name the target as the property.
    const Atom property = request.property == None ? request.target : request.property;
    // The server sends requests only to the current owner. A reader's time older than our
    // ownership is not refused: programs that read without a fresh event carry a stale time.
    bool done = false;
    if (!m_lost && request.selection == m_clipboard) {
        done = request.target == m_multiple ? convertMultiple(request.requestor, property)
                                            : convert(request.requestor, request.target, property);
    }
    XEvent reply {};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = m_display;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.property = done ? property : None;
    reply.xselection.time = request.time;
    XSendEvent(m_display, request.requestor, False, NoEventMask, &reply);
    XFlush(m_display);
}

bool SelectionOwner::convert(Window requestor, Atom target, Atom property)
{
    if (target == m_targetsAtom) {
        std::vector<Atom> atoms { m_targetsAtom, m_timestampAtom, m_multiple };
        for (const auto& entry : m_targets) {
            atoms.push_back(entry.first);
        }
        XChangeProperty(m_display, requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(atoms.data()), int(atoms.size()));
        return true;
    }
    if (target == m_timestampAtom) {
        const long time = long(m_ownedAt);
        XChangeProperty(m_display, requestor, property, XA_INTEGER, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&time), 1);
        return true;
    }
    const auto found = std::find_if(m_targets.cbegin(), m_targets.cend(),
                                    [target](const auto& entry) { return entry.first == target; });
    if (found == m_targets.cend()) {
        return false;
    }
    const Target& value = found->second;
    if (value.data.size() <= m_chunk) {
        XChangeProperty(m_display, requestor, property, value.type, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(value.data.constData()), int(value.data.size()));
        return true;
    }
    // Too large for one request: announce the size; the reader's deleting the property asks for
    // each chunk, and an empty chunk ends the transfer.
    XSelectInput(m_display, requestor, PropertyChangeMask);
    const long size = long(value.data.size());
    XChangeProperty(m_display, requestor, property, m_incr, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&size), 1);
    m_transfers.push_back({ requestor, property, value.type, value.data, 0, std::chrono::steady_clock::now() });
    return true;
}

bool SelectionOwner::convertMultiple(Window requestor, Atom property)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(m_display, requestor, property, 0, LONG_MAX / 4, False, AnyPropertyType, &type, &format,
                           &count, &after, &data)
            != Success
        || data == nullptr) {
        return false;
    }
    std::vector<Atom> pairs(reinterpret_cast<Atom*>(data), reinterpret_cast<Atom*>(data) + (format == 32 ? count : 0));
    XFree(data);
    if (pairs.empty() || pairs.size() % 2 != 0) {
        return false;
    }
    for (std::size_t i = 0; i < pairs.size(); i += 2) {
        // A pair that cannot be converted says so by its target becoming None.
        if (pairs[i] == m_multiple || !convert(requestor, pairs[i], pairs[i + 1])) {
            pairs[i] = None;
        }
    }
    XChangeProperty(m_display, requestor, property, m_atomPair, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(pairs.data()), int(pairs.size()));
    return true;
}

void SelectionOwner::sendNextChunk(Transfer& transfer)
{
    const qsizetype length = std::min<qsizetype>(m_chunk, transfer.data.size() - transfer.offset);
    XChangeProperty(m_display, transfer.requestor, transfer.property, transfer.type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(transfer.data.constData() + transfer.offset), int(length));
    transfer.offset += length;
    transfer.lastActive = std::chrono::steady_clock::now();
    if (length == 0) {
        endTransfer(std::size_t(&transfer - m_transfers.data()));
    }
    XFlush(m_display);
}

void SelectionOwner::endTransfer(std::size_t index)
{
    const Window requestor = m_transfers[index].requestor;
    m_transfers.erase(m_transfers.begin() + std::ptrdiff_t(index));
    const bool stillUsed = std::any_of(m_transfers.cbegin(), m_transfers.cend(),
                                       [requestor](const Transfer& other) { return other.requestor == requestor; });
    if (!stillUsed) {
        XSelectInput(m_display, requestor, NoEventMask);
    }
}

void SelectionOwner::dropIdleTransfers()
{
    const auto now = std::chrono::steady_clock::now();
    for (std::size_t i = m_transfers.size(); i-- > 0;) {
        if (now - m_transfers[i].lastActive > kTransferIdleLimit) {
            endTransfer(i);
        }
    }
}

} // namespace

QString ClipboardHolder::program()
{
    if (QCoreApplication::instance() != nullptr) {
        const QString here = QCoreApplication::applicationDirPath();
        for (const QString& folder : { here, here + QStringLiteral("/../libexec/tarsel") }) {
            const QFileInfo candidate(folder + QLatin1Char('/') + QLatin1String(kProgramName));
            if (candidate.isFile() && candidate.isExecutable()) {
                return candidate.canonicalFilePath();
            }
        }
    }
    return QStandardPaths::findExecutable(QLatin1String(kProgramName));
}

namespace {

// Starts the holder with `channel` as its standard input and output, in a session of its own and
// with init as its parent: it outlives this process, never becomes its zombie, and holds none of
// its terminal or pipes. Only async-signal-safe calls run between fork and exec, since this
// process has threads. Returns the intermediate child, to be waited for, or -1.
pid_t startDetached(char* const argv[], int channel, int devNull)
{
    const pid_t middle = ::fork();
    if (middle == 0) {
        ::setsid();
        if (::fork() != 0) {
            ::_exit(0);
        }
        ::dup2(channel, STDIN_FILENO);
        ::dup2(channel, STDOUT_FILENO);
        ::dup2(devNull >= 0 ? devNull : channel, STDERR_FILENO);
        // Descriptors this process inherited without close-on-exec (from a file manager, say)
        // would otherwise stay open for the holder's whole life.
        ::close_range(3, ~0U, 0);
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    return middle;
}

} // namespace

bool ClipboardHolder::handOver(const Formats& formats, QString* error)
{
    const QString path = program();
    if (path.isEmpty()) {
        *error = keepFailure(QLatin1String(kProgramName), QStringLiteral("not installed"));
        return false;
    }
    const auto fail = [&path, error](const QString& why) {
        *error = keepFailure(path, why);
        return false;
    };
    // Everything the child needs is prepared before the fork: between fork and exec only
    // async-signal-safe calls are allowed, since this process has threads.
    const QByteArray program = QFile::encodeName(path);
    char* const argv[] = { const_cast<char*>(program.constData()), nullptr };
    int channel[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, channel) != 0) {
        return fail(errnoText());
    }
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t middle = startDetached(argv, channel[1], devNull);
    const int forkError = errno;
    ::close(channel[1]);
    if (devNull >= 0) {
        ::close(devNull);
    }
    if (middle < 0) {
        ::close(channel[0]);
        errno = forkError;
        return fail(errnoText());
    }
    posix::retryOnInterrupt([middle] { return ::waitpid(middle, nullptr, 0); });
    const timeval sendLimit { kReadyTimeoutMs / 1000, 0 };
    ::setsockopt(channel[0], SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
    const bool sent = posix::sendAll(channel[0], encode(formats)) == 0;
    ::shutdown(channel[0], SHUT_WR);
    const QByteArray answer = sent ? readAnswer(channel[0]) : QByteArray();
    ::close(channel[0]);
    if (answer == kReady) {
        return true;
    }
    if (answer.startsWith("error ")) {
        return fail(QString::fromUtf8(answer.mid(6).trimmed()));
    }
    return fail(sent ? QStringLiteral("no answer") : QStringLiteral("the holder did not start"));
}

QString ClipboardHolder::waylandProgram()
{
    return QStandardPaths::findExecutable(QLatin1String(kWaylandProgramName));
}

namespace {

// Starts wl-copy with `type`: it reads what to hold from the far end of *input and writes its
// complaints to the far end of *messages. Its process id, or -1 with errno.
pid_t startWaylandCopy(const QString& path, const QString& type, int* input, int* messages)
{
    // Prepared before the fork: the child may make only async-signal-safe calls.
    const QByteArray program = QFile::encodeName(path);
    const QByteArray typeArg = type.toUtf8();
    char* const argv[] = { const_cast<char*>(program.constData()), const_cast<char*>("--type"),
                           const_cast<char*>(typeArg.constData()), nullptr };
    int in[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0) {
        return -1;
    }
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        const int why = errno;
        ::close(in[0]);
        ::close(in[1]);
        errno = why;
        return -1;
    }
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t child = ::fork();
    if (child == 0) {
        // wl-copy forks itself and serves in the background once it holds the selection; in a
        // session of its own, it outlives this process and the terminal it may have started in.
        ::setsid();
        ::dup2(in[1], STDIN_FILENO);
        ::dup2(devNull >= 0 ? devNull : out[1], STDOUT_FILENO);
        ::dup2(out[1], STDERR_FILENO);
        ::close_range(3, ~0U, 0);
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    const int forkError = errno;
    ::close(in[1]);
    ::close(out[1]);
    if (devNull >= 0) {
        ::close(devNull);
    }
    if (child < 0) {
        ::close(in[0]);
        ::close(out[0]);
        errno = forkError;
        return -1;
    }
    *input = in[0];
    *messages = out[0];
    return child;
}

// Waits for the foreground wl-copy to end, at most kReadyTimeoutMs; one that does not is
// killed (false). Its background copy keeps the message pipe open, so the end is awaited by its
// exit, not by the pipe.
bool awaitExit(pid_t child, int messages, int* status)
{
    pid_t ended = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadyTimeoutMs);
    while ((ended = ::waitpid(child, status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline) {
        pollfd wait { messages, 0, 0 };
        ::poll(&wait, 1, 10);
    }
    if (ended == 0) {
        ::kill(child, SIGKILL);
        posix::retryOnInterrupt([&] { return ::waitpid(child, status, 0); });
        return false;
    }
    return true;
}

} // namespace

bool ClipboardHolder::handOverToWayland(const Formats& formats, QString* error)
{
    const QString path = waylandProgram();
    const auto fail = [&path, error](const QString& why) {
        *error = keepFailure(path.isEmpty() ? QLatin1String(kWaylandProgramName) : path, why);
        return false;
    };
    if (path.isEmpty()) {
        return fail(QStringLiteral("not installed (it comes with wl-clipboard)"));
    }
    const QString uriList = QStringLiteral("text/uri-list");
    const QString type = formats.contains(uriList) ? uriList : QStringLiteral("text/plain;charset=utf-8");
    const QByteArray data = formats.value(formats.contains(uriList) ? uriList : QStringLiteral("text/plain"));
    int input = -1;
    int messages = -1;
    const pid_t child = startWaylandCopy(path, type, &input, &messages);
    if (child < 0) {
        return fail(errnoText());
    }
    const timeval sendLimit { kReadyTimeoutMs / 1000, 0 };
    ::setsockopt(input, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
    const bool sent = posix::sendAll(input, data) == 0;
    ::close(input);
    int status = 0;
    if (!awaitExit(child, messages, &status)) {
        ::close(messages);
        return fail(QStringLiteral("no answer"));
    }
    ::fcntl(messages, F_SETFL, O_NONBLOCK);
    char chunk[1024];
    const ssize_t n = ::read(messages, chunk, sizeof chunk);
    ::close(messages);
    const QString said = n > 0 ? QString::fromLocal8Bit(chunk, int(n)).trimmed() : QString();
    if (sent && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        return true;
    }
    if (!said.isEmpty()) {
        return fail(said);
    }
    return fail(WIFEXITED(status) ? QStringLiteral("exit status %1").arg(WEXITSTATUS(status))
                                  : QStringLiteral("ended by a signal"));
}

bool ClipboardHolder::release(QString* error)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        *error = QStringLiteral("cannot open display \"%1\"").arg(qEnvironmentVariable("DISPLAY"));
        return false;
    }
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    // An empty selection is left alone: giving it up again at a newer time would outrank the
    // next owner that takes it at the time of an older event (Qt does).
    if (XGetSelectionOwner(display, clipboard) == None) {
        XCloseDisplay(display);
        return true;
    }
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display, clipboard, None, serverTime(display, window));
    const bool released = XGetSelectionOwner(display, clipboard) == None;
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    if (!released) {
        *error = QStringLiteral("the display kept the clipboard selection");
    }
    return released;
}

int ClipboardHolder::serve()
{
    if (::isatty(STDIN_FILENO)) {
        std::fputs("tarsel-clipboard: Tarsel starts this program to keep copied text pasteable; "
                   "it reads what to hold from standard input.\n",
                   stderr);
        return 2;
    }
    // A caller that gave up waiting has closed the channel: writing to it must not kill us.
    std::signal(SIGPIPE, SIG_IGN);
    const auto refuse = [](const QString& why) {
        posix::writeAll(STDOUT_FILENO, "error " + why.toUtf8() + '\n');
        return 1;
    };
    Formats formats;
    QByteArray input;
    posix::readAll(STDIN_FILENO, &input);
    if (!decode(input, &formats) || formats.isEmpty()) {
        return refuse(QStringLiteral("nothing to hold"));
    }
    XSetErrorHandler(ignoreError);
    XSetIOErrorHandler(displayLost);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return refuse(QStringLiteral("cannot open display \"%1\"").arg(qEnvironmentVariable("DISPLAY")));
    }
    SelectionOwner owner(display);
    QString error;
    if (!owner.own(formats, &error)) {
        return refuse(error);
    }
    // Nobody waits any longer: the copying process keeps the selection itself.
    if (posix::writeAll(STDOUT_FILENO, kReady) != 0) {
        return 0;
    }
    const int devNull = ::open("/dev/null", O_RDWR);
    if (devNull >= 0) {
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(devNull, STDOUT_FILENO);
        ::close(devNull);
    }
    return owner.run();
}

} // namespace platform
