#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

namespace tarsel::test {

/// What a program that runProgram ran gave back.
struct ProgramRun
{
    int exitCode = -1; ///< -1: it crashed or did not end in time
    QByteArray out {};
    QByteArray err {};
    bool finished = false; ///< false: it did not end in time and was killed
};

/// How runProgram starts a program: its environment (the test's own when unset), its working
/// folder, its standard input (closed once written) and how long it may run.
struct ProgramSetup
{
    std::optional<QProcessEnvironment> env {};
    QString folder {};
    QByteArray input {};
    int timeoutMs = 60000;
    bool mergeOutput = false; ///< standard error goes into out
};

/// Runs a program to its end; one that outlives the timeout is killed.
ProgramRun runProgram(const QString& program, const QStringList& args, const ProgramSetup& setup = {});

} // namespace tarsel::test
