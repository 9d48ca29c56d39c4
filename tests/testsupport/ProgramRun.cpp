#include "ProgramRun.h"

#include <QProcess>

namespace tarsel::test {

ProgramRun runProgram(const QString& program, const QStringList& args, const ProgramSetup& setup)
{
    QProcess process;
    if (setup.env) {
        process.setProcessEnvironment(*setup.env);
    }
    process.setWorkingDirectory(setup.folder);
    if (setup.mergeOutput) {
        process.setProcessChannelMode(QProcess::MergedChannels);
    }
    process.start(program, args);
    process.write(setup.input);
    process.closeWriteChannel();
    ProgramRun run;
    run.finished = process.waitForFinished(setup.timeoutMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
    }
    run.exitCode = run.finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace tarsel::test
