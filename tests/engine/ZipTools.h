#pragma once

// The outside programs the archive tests read archives back with.

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cstdio>

namespace tarsel::test {

// 7-Zip, which reads WinZip AES (Debian's unzip does not): 7zz, or the older 7z.
inline QString sevenZip()
{
    const QString found = QStandardPaths::findExecutable(QStringLiteral("7zz"));
    return found.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("7z")) : found;
}

// Runs a program in `folder` with no input; true when it ended with 0. Otherwise the end of what
// it printed goes to the test's output.
inline bool runTool(const QString& program, const QStringList& args, const QString& folder)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, args);
    const bool ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok) {
        std::fputs(p.readAll().right(2000).constData(), stderr);
    }
    return ok;
}

} // namespace tarsel::test
