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
    /// The folder the socket lives in: $XDG_RUNTIME_DIR when that is set, else a folder of the
    /// user's own, cacheHome()/tarsel/socket. Never a shared folder such as /tmp, where another
    /// account could make the socket first and read what is sent.
    static QString socketFolder();
    /// "tarsel-" followed by the login name, inside socketFolder().
    static QString socketName();
    /// Makes the fallback folder when missing (mode 0700), then checks that the socket folder is
    /// a folder (not a link) of the user's own that no group or other account may open; false
    /// with a message otherwise. send() and listen() use no socket in a folder that fails.
    static bool checkSocketFolder(QString* error = nullptr);
    /// The longest message a listener takes (an address for some thousand paths). A sender that
    /// writes more without a line break is cut off: its bytes are dropped, never buffered.
    static constexpr qint64 kMaxMessageSize = 1024 * 1024;

    /// Connects to the listening application and writes the message; false when no application
    /// listens, the socket folder is refused, or the message could not be written in time.
    static bool send(const QByteArray& message, int timeoutMs = 2000, QString* error = nullptr);

    explicit AppChannel(QObject* parent = nullptr);
    ~AppChannel() override;
    Q_DISABLE_COPY_MOVE(AppChannel)

    /// Starts listening (removing a stale socket left by a crashed process); false when another
    /// process already listens or is about to, the socket folder is refused or the socket cannot
    /// be made. A lock beside the socket, held while this object listens, makes two processes
    /// that start at once agree on one listener: without it the second could remove the first
    /// one's fresh socket and leave it listening on nothing.
    bool listen(QString* error = nullptr);
    bool isListening() const;

    /// Whether listen() failed because another process holds the listener's lock (it listens, or
    /// is starting to): a sender may retry for a moment.
    bool otherListener() const { return m_otherListener; }

Q_SIGNALS:
    void messageReceived(const QByteArray& message);

private:
    void accept();

    QLocalServer* m_server = nullptr;
    int m_lockFd = -1;
    bool m_otherListener = false;
};

} // namespace platform
