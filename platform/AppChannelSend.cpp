// The sending half of AppChannel, and where its socket lives. It speaks to the socket with the
// system's calls, not QLocalSocket, so that the extension and the host, which only send, do not
// load Qt Network at start-up; the application's listener is in AppChannel.cpp.

#include "platform/AppChannel.h"

#include "platform/Paths.h"
#include "platform/Posix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcAppChannel, "tarsel.platform.appchannel", QtWarningMsg)

namespace platform {

namespace {

// The session's private runtime folder; empty when the session has none.
QString runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() || !QDir::isAbsolutePath(runtime) ? QString() : QDir::cleanPath(runtime);
}

// A stream socket connected to the one at the path, its sends and the connection itself bounded
// by the time given; -1 when nobody listens there (or the path does not fit a socket address).
int connectTo(const QByteArray& path, int timeoutMs)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof address.sun_path) {
        return -1;
    }
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    const int ms = timeoutMs > 0 ? timeoutMs : 0;
    const timeval limit { ms / 1000, (ms % 1000) * 1000 };
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    // A full backlog makes the connection wait, up to the send limit, for the listener to accept.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

QString AppChannel::socketFolder()
{
    const QString runtime = runtimeFolder();
    return runtime.isEmpty() ? Paths::cacheHome() + QStringLiteral("/tarsel/socket") : runtime;
}

QString AppChannel::socketName()
{
    return socketFolder() + QStringLiteral("/tarsel-") + Paths::userName();
}

bool AppChannel::checkSocketFolder(QString* error)
{
    const QString folder = socketFolder();
    const QByteArray name = QFile::encodeName(folder);
    const QString action = QStringLiteral("use the socket folder");
    // The session's runtime folder is the session's to make; ours is made here.
    if (runtimeFolder().isEmpty() && !QFileInfo::exists(folder)) {
        // Made closed from the start: a folder made open and closed later has a window in
        // which another account can make the socket.
        if (!Paths::ensureFolder(QFileInfo(folder).path())
            || (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)) {
            return posix::fail(error, action, folder, posix::errnoText(errno));
        }
    }
    struct stat st
    {
    };
    if (::lstat(name.constData(), &st) != 0) {
        return posix::fail(error, action, folder, posix::errnoText(errno));
    }
    if (!S_ISDIR(st.st_mode)) {
        return posix::fail(error, action, folder, QStringLiteral("it is not a folder (a link is not followed)"));
    }
    if (st.st_uid != ::geteuid()) {
        return posix::fail(error, action, folder, QStringLiteral("it belongs to another account"));
    }
    if ((st.st_mode & 077) != 0) {
        return posix::fail(
            error, action, folder,
            QStringLiteral("other accounts may open it (mode %1)").arg(st.st_mode & 07777, 4, 8, QLatin1Char('0')));
    }
    return true;
}

bool AppChannel::send(const QByteArray& message, int timeoutMs, QString* error)
{
    if (message.contains('\n')) {
        return posix::fail(error, QStringLiteral("hand the message to the application"), socketName(),
                           QStringLiteral("the message holds a line break"));
    }
    // Rather no delivery than a delivery to a socket another account made.
    QString refused;
    if (!checkSocketFolder(&refused)) {
        qCWarning(lcAppChannel).noquote() << refused;
        if (error) {
            *error = refused;
        }
        return false;
    }
    const int fd = connectTo(QFile::encodeName(socketName()), timeoutMs);
    if (fd < 0) {
        return false;
    }
    // A peer that went away or the send limit passing fails the hand-off.
    const int code = posix::sendAll(fd, message + '\n');
    const bool ok = code == 0;
    if (!ok) {
        const QString why = posix::errnoText(code == EAGAIN ? ETIMEDOUT : code);
        posix::fail(error, QStringLiteral("hand the message to the application"), socketName(), why);
        qCWarning(lcAppChannel).noquote() << "could not hand the message to the application:" << why;
    }
    ::close(fd);
    return ok;
}

} // namespace platform
