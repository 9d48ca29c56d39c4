#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QLocalServer;

namespace platform {

/// The per-user local socket over which the extension hands addresses to the running
/// application. A message is one line of bytes (an address, so it holds no newline).
///
/// The application listens with a server; a sender connects, writes its line and closes. When
/// nobody listens, send() answers false and the sender starts the application instead.
class AppChannel final : public QObject
{
    Q_OBJECT

public:
    /// "tarsel-" followed by the login name, inside $XDG_RUNTIME_DIR when that is set.
    static QString socketName();
    /// Connects to the listening application and writes the message; false when no application
    /// listens or the message could not be written in time.
    static bool send(const QByteArray& message, int timeoutMs = 2000);

    explicit AppChannel(QObject* parent = nullptr);
    ~AppChannel() override;
    Q_DISABLE_COPY_MOVE(AppChannel)

    /// Starts listening (removing a stale socket left by a crashed process); false when another
    /// process already listens or the socket cannot be made.
    bool listen();
    bool isListening() const;

Q_SIGNALS:
    void messageReceived(const QByteArray& message);

private:
    QLocalServer* m_server = nullptr;
};

} // namespace platform
