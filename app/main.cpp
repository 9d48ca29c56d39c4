// Until the application window exists, Tarsel does what its start-up would do to the shared
// configuration (factory lists on first start, upgrade merge later) and prints the menu the
// file-manager host shows for the current folder.

#include "engine/model/QVDefaultData.h"
#include "platform/System.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTextStream>

#include <cstdio>

namespace {

const char kUsage[] = "usage: Tarsel [tarsel-finder arguments]\n"
                      "Writes the start-up configuration (the factory menu on the first start), then runs\n"
                      "tarsel-finder with the arguments given, by default: menu --target <current folder>.\n"
                      "See tarsel-finder --help for its commands.\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && (qstrcmp(argv[1], "--help") == 0 || qstrcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    QCoreApplication app(argc, argv);
    platform::System::setBundleIdentifier(platform::System::kAppBundleId);
    QTextStream err(stderr);
    if (!QVDefaultData::setup()) {
        err << "Tarsel: the shared configuration could not be written.\n";
        return 1;
    }

    const QString host = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../host/tarsel-finder"));
    if (!QFileInfo(host).isExecutable()) {
        err << "Tarsel: the file-manager host tarsel-finder was not found beside the application.\n";
        return 1;
    }
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        args = { QStringLiteral("menu"), QStringLiteral("--target"), QDir::currentPath() };
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(host, args);
    if (!process.waitForStarted() || !process.waitForFinished(-1)) {
        err << "Tarsel: tarsel-finder could not be run.\n";
        return 1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : 1;
}
