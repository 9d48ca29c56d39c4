#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace platform {
class AppChannel;
}

/// One application per user. The first start listens on the per-user socket; a later start
/// hands what it was started with to the listening one and ends.
class QVAppInstance final
{
public:
    QVAppInstance() = delete;

    /// The messages a start hands over: its arguments (app command URLs) together in one line,
    /// or the word asking the running application to come forward when there is none.
    static QList<QByteArray> messagesForArguments(const QList<QByteArray>& arguments);
    /// Hands the messages to a listening application; false (nothing sent) when none listens.
    static bool handOver(const QList<QByteArray>& messages);

    enum class Claim {
        Listening, ///< this process is the application now
        HandedOver, ///< another one took the messages
        Failed, ///< neither (the socket folder is refused, the other one never answered)
    };
    /// Listens on the channel, or hands the messages to the process that does. Another process
    /// that is still starting (it holds the listener's lock but listens not yet) is waited for
    /// up to timeoutMs.
    static Claim claim(platform::AppChannel& channel, const QList<QByteArray>& messages, QString* error,
                       int timeoutMs = 5000);
};
