#include "app/QVAppInstance.h"

#include "app/AppDelegate.h"
#include "platform/AppChannel.h"

#include <QDeadlineTimer>
#include <QThread>

namespace {

constexpr int kRetryMs = 10;

} // namespace

QList<QByteArray> QVAppInstance::messagesForArguments(const QList<QByteArray>& arguments)
{
    // All addresses in one message: the running application applies the rule of the first app
    // command to them together, as to the command line of a start of its own.
    return arguments.isEmpty() ? QList<QByteArray> { AppDelegate::kReopenMessage }
                               : QList<QByteArray> { arguments.join(AppDelegate::kAddressSeparator) };
}

bool QVAppInstance::handOver(const QList<QByteArray>& messages)
{
    // The first message tells whether anyone listens; the rest follow it there.
    for (qsizetype i = 0; i < messages.size(); ++i) {
        if (!platform::AppChannel::send(messages.at(i)) && i == 0) {
            return false;
        }
    }
    return true;
}

QVAppInstance::Claim QVAppInstance::claim(platform::AppChannel& channel, const QList<QByteArray>& messages,
                                          QString* error, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        QString why;
        if (channel.listen(&why)) {
            return Claim::Listening;
        }
        if (!channel.otherListener()) {
            *error = why;
            return Claim::Failed;
        }
        if (handOver(messages)) {
            return Claim::HandedOver;
        }
        if (deadline.hasExpired()) {
            *error = why + QStringLiteral(" (and it took no message)");
            return Claim::Failed;
        }
        // The other start holds the lock and is about to listen, or has just ended.
        QThread::msleep(kRetryMs);
    }
}
