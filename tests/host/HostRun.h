#pragma once

// Runs the real tarsel-finder as a file manager would: a separate process on the offscreen
// platform, with the test's environment plus the given "NAME=value" pairs.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

namespace tarsel::test {

struct HostRun
{
    int exitCode = -1; // -1: the host crashed or did not finish within a minute
    QByteArray out;
    QByteArray err;
};

inline HostRun runHost(const QStringList& args, const QStringList& extraEnv = {}, const QStringList& unsetEnv = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const QString& name : unsetEnv) {
        env.remove(name);
    }
    for (const QString& pair : extraEnv) {
        env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    }
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TARSEL_FINDER_PROGRAM), args);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
    }
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
             process.readAllStandardError() };
}

} // namespace tarsel::test
