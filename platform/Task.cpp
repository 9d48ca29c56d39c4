#include "platform/Task.h"

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QProcess>

Q_LOGGING_CATEGORY(lcTask, "tarsel.platform.task", QtWarningMsg)

namespace platform {

namespace {

QProcess::ProcessChannelMode channelMode(Task::Output out, Task::Output err)
{
    if (out == Task::Output::Inherit && err == Task::Output::Inherit) {
        return QProcess::ForwardedChannels;
    }
    if (out == Task::Output::Inherit) {
        return QProcess::ForwardedOutputChannel;
    }
    if (err == Task::Output::Inherit) {
        return QProcess::ForwardedErrorChannel;
    }
    return QProcess::SeparateChannels;
}

int remainingMs(const QDeadlineTimer& deadline)
{
    if (deadline.isForever()) {
        return -1;
    }
    return int(qMax<qint64>(0, deadline.remainingTime()));
}

} // namespace

// QProcess reads the child's pipes inside waitForFinished (no event loop needed), so a child
// that writes megabytes never blocks on a full pipe, and this works on any thread.
Task::Result Task::run(const QString& program, const QStringList& args, Output out, Output err, int timeoutMs,
                       const QString& workingDirectory)
{
    Result result;
    if (program.isEmpty()) {
        return result;
    }
    const QDeadlineTimer deadline
        = timeoutMs >= 0 ? QDeadlineTimer(timeoutMs) : QDeadlineTimer(QDeadlineTimer::Forever);

    QProcess process;
    process.setProcessChannelMode(channelMode(out, err));
    process.setStandardInputFile(QProcess::nullDevice());
    if (!workingDirectory.isEmpty()) {
        process.setWorkingDirectory(workingDirectory);
    }
    process.start(program, args);
    if (!process.waitForStarted(deadline.isForever() ? -1 : qMax(remainingMs(deadline), 1000))) {
        qCDebug(lcTask) << "could not start" << program << process.errorString();
        return result;
    }
    result.started = true;

    const bool finished = process.waitForFinished(remainingMs(deadline));
    if (!finished && process.state() != QProcess::NotRunning) {
        qCDebug(lcTask) << program << "ran out of time, killing it";
        process.kill();
        process.waitForFinished(-1);
    }
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    if (finished && process.exitStatus() == QProcess::NormalExit) {
        result.exitStatus = process.exitCode();
    }
    return result;
}

} // namespace platform
