// Tarsel, the application: one resident process per user that runs the commands the file
// manager's extension hands to it. A later start hands its arguments to the running one.

#include "app/AppDelegate.h"
#include "app/QVAppInstance.h"
#include "app/settings/QVSettingsWindow.h"
#include "platform/DesktopStyle.h"
#include "platform/AppChannel.h"
#include "platform/Bundle.h"
#include "platform/System.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>

#include <unistd.h>

namespace {

const char kUsage[] = "usage: Tarsel [TarselPro://qvcommand-N?...]\n"
                      "       Tarsel --quit\n"
                      "       Tarsel --version\n"
                      "Starts the application, which stays running and carries out the commands the file manager's\n"
                      "extension hands to it. When it runs already, a start hands it its argument (an app command\n"
                      "address), or without one brings it forward, and ends. --quit ends the running application.\n";

const char kRunning[] = "Tarsel is running.\n"
                        "Its menu: the tray icon, or from a terminal: tarsel-finder popup --kind 1 --target FOLDER\n"
                        "(tarsel-finder menu --target FOLDER prints it). End it with: Tarsel --quit\n";

int quitRunning()
{
    if (platform::AppChannel::send(AppDelegate::kQuitMessage)) {
        return 0;
    }
    std::fputs("Tarsel: no running application to end\n", stderr);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    // The arguments as bytes: an address is read exactly as it was passed.
    QList<QByteArray> args;
    for (int i = 1; i < argc; ++i) {
        args << QByteArray(argv[i]);
    }
    if (!args.isEmpty() && (args.first() == "--help" || args.first() == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const QString version = platform::Bundle::infoValue(QStringLiteral("CFBundleShortVersionString"));
    if (!args.isEmpty() && args.first() == "--version") {
        std::fputs(qPrintable(QStringLiteral("Tarsel %1\n").arg(version)), stdout);
        return 0;
    }
    if (!args.isEmpty() && args.first() == "--quit") {
        return quitRunning();
    }
    // A running application takes the arguments before this process makes a window system
    // connection of its own.
    const QList<QByteArray> messages = QVAppInstance::messagesForArguments(args);
    if (QVAppInstance::handOver(messages)) {
        return 0;
    }
    // Without a display the application still runs the commands handed to it.
    const bool hasDisplay = !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!hasDisplay && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // Controls stay readable under a dark desktop theme.
    platform::DesktopStyle::install();
    QApplication::setApplicationVersion(version);
    platform::System::setBundleIdentifier(platform::System::kAppBundleId);
    QTextStream err(stderr);

    platform::AppChannel channel;
    QString error;
    switch (QVAppInstance::claim(channel, messages, &error)) {
    case QVAppInstance::Claim::HandedOver:
        return 0;
    case QVAppInstance::Claim::Failed:
        err << "Tarsel: " << error << '\n';
        return 1;
    case QVAppInstance::Claim::Listening:
        break;
    }
    AppDelegate delegate(&channel);
    QVSettingsWindow::install(delegate);
    if (!delegate.awakeFromNib(&error)) {
        err << "Tarsel: " << error << '\n';
        return 1;
    }
    // The address the application was started with arrives before launching finishes.
    if (!args.isEmpty()) {
        delegate.openURLs(args);
    }
    delegate.applicationDidFinishLaunching();
    // For a person who started it by hand; a program that launched it (the host) keeps a clean
    // output.
    if (::isatty(STDOUT_FILENO) == 1) {
        std::fputs(kRunning, stdout);
        std::fflush(stdout);
    }
    return app.exec();
}
