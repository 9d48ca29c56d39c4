#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

/// Runs an outside program synchronously from an argument vector. Only the user's own scripts
/// go through a shell ("/bin/bash -c" or "/bin/sh FILE"); fixed tools never do.
class Task final
{
public:
    struct Result
    {
        bool started = false;
        int exitStatus = -1; ///< the exit code; -1 when it did not start or was killed
        QByteArray standardOutput;
        QByteArray standardError;
        bool ok() const { return started && exitStatus == 0; }
    };

    enum class Output {
        Inherit, ///< the child's output goes where this process's goes
        Capture, ///< captured, drained while the child runs, so a chatty child never blocks
    };

    /// Runs the program and waits for it to end; no time limit unless timeoutMs >= 0, after
    /// which the child is killed. Standard input is closed (the child reads end of file).
    static Result run(const QString& program, const QStringList& args, Output out = Output::Capture,
                      Output err = Output::Capture, int timeoutMs = -1, const QString& workingDirectory = QString());
};

} // namespace platform
