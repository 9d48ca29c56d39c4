#include "platform/AppChannel.h"

#include "platform/Paths.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcAppChannel, "tarsel.platform.appchannel", QtWarningMsg)

namespace platform {

QString AppChannel::socketName()
{
    const QString name = QStringLiteral("tarsel-") + Paths::userName();
    // The user's private runtime folder when the session has one; Qt's shared folder otherwise.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? name : runtime + QLatin1Char('/') + name;
}

bool AppChannel::send(const QByteArray& message, int timeoutMs)
{
    if (message.contains('\n')) {
        qCWarning(lcAppChannel) << "refusing a message that holds a line break";
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

AppChannel::~AppChannel() = default;

bool AppChannel::listen()
{
    if (isListening()) {
        return true;
    }
    // A socket answered by a living process means another instance runs; anything else left
    // behind is stale and may be removed.
    {
        QLocalSocket probe;
        probe.connectToServer(socketName());
        if (probe.waitForConnected(500)) {
            probe.disconnectFromServer();
            return false;
        }
    }
    QLocalServer::removeServer(socketName());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketName())) {
        qCWarning(lcAppChannel).noquote() << "cannot listen on" << socketName() << m_server->errorString();
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                while (socket->canReadLine()) {
                    QByteArray line = socket->readLine();
                    line.chop(1);
                    Q_EMIT messageReceived(line);
                }
            });
        }
    });
    return true;
}

bool AppChannel::isListening() const
{
    return m_server != nullptr && m_server->isListening();
}

} // namespace platform
