#include "platform/AppChannel.h"

#include "platform/Posix.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QList>
#include <QLoggingCategory>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

Q_DECLARE_LOGGING_CATEGORY(lcAppChannel)

namespace platform {

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

// The listener's meta-object lives with it: programs that only send (the host, the plug-in) then
// take nothing of Qt Network.
#include "moc_AppChannel.cpp"
