#include "platform/AppChannel.h"

#include "platform/Paths.h"
#include "platform/Posix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QList>
#include <QLoggingCategory>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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
    QLocalSocket socket;
    socket.connectToServer(socketName());
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    socket.write(message + '\n');
    bool ok = true;
    while (ok && socket.bytesToWrite() > 0) {
        ok = socket.waitForBytesWritten(timeoutMs);
    }
    if (!ok) {
        posix::fail(error, QStringLiteral("hand the message to the application"), socketName(), socket.errorString());
        qCWarning(lcAppChannel).noquote() << "could not hand the message to the application:" << socket.errorString();
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.waitForDisconnected(timeoutMs);
    }
    return ok;
}

AppChannel::AppChannel(QObject* parent)
    : QObject(parent)
{
}

AppChannel::~AppChannel()
{
    // The socket goes before the lock: a successor that takes the lock finds no live socket.
    delete m_server;
    m_server = nullptr;
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
    }
}

bool AppChannel::listen(QString* error)
{
    if (isListening()) {
        return true;
    }
    m_otherListener = false;
    if (!checkSocketFolder(error)) {
        return false;
    }
    const QString lockPath = socketName() + QStringLiteral(".lock");
    if (m_lockFd < 0) {
        const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            return posix::fail(error, QStringLiteral("listen for messages"), lockPath, posix::errnoText(errno));
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int saved = errno;
            ::close(fd);
            m_otherListener = saved == EWOULDBLOCK;
            return posix::fail(error, QStringLiteral("listen for messages"), socketName(),
                               m_otherListener ? QStringLiteral("another process listens already")
                                               : posix::errnoText(saved));
        }
        m_lockFd = fd;
    }
    // A socket answered by a living process means another instance runs (one that predates the
    // lock); anything else left behind is stale and may be removed.
    {
        QLocalSocket probe;
        probe.connectToServer(socketName());
        if (probe.waitForConnected(500)) {
            probe.disconnectFromServer();
            m_otherListener = true;
            return posix::fail(error, QStringLiteral("listen for messages"), socketName(),
                               QStringLiteral("another process listens already"));
        }
    }
    QLocalServer::removeServer(socketName());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketName())) {
        posix::fail(error, QStringLiteral("listen for messages"), socketName(), m_server->errorString());
        qCWarning(lcAppChannel).noquote() << "cannot listen on" << socketName() << m_server->errorString();
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &AppChannel::accept);
    return true;
}

void AppChannel::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        // Qt buffers no more than one message and its line break; the rest stays in the kernel.
        socket->setReadBufferSize(kMaxMessageSize + 1);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // The lines are handed on from the event loop, never from inside the socket's own
            // signal: handling one may run a window's event loop (a save panel), in which the
            // sender goes away and its socket is deleted under the code that is reading it.
            QList<QByteArray> lines;
            while (socket->canReadLine()) {
                QByteArray line = socket->readLine(kMaxMessageSize + 2);
                if (!line.endsWith('\n')) {
                    break;
                }
                line.chop(1);
                lines << line;
            }
            if (socket->bytesAvailable() > kMaxMessageSize) {
                qCWarning(lcAppChannel).noquote()
                    << "refused a message longer than" << kMaxMessageSize << "bytes; the sender was cut off";
                socket->abort();
            }
            for (const QByteArray& line : lines) {
                QMetaObject::invokeMethod(
                    this, [this, line] { Q_EMIT messageReceived(line); }, Qt::QueuedConnection);
            }
        });
    }
}

bool AppChannel::isListening() const
{
    return m_server != nullptr && m_server->isListening();
}

} // namespace platform
