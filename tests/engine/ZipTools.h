#pragma once

// The outside programs the archive tests read archives back with.

#include "testsupport/ProgramRun.h"

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
    const ProgramRun run = runProgram(program, args, { .folder = folder, .mergeOutput = true });
    if (run.exitCode != 0) {
        std::fputs(run.out.right(2000).constData(), stderr);
    }
    return run.exitCode == 0;
}

} // namespace tarsel::test
