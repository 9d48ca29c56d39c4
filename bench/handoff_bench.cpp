// Hand-off latency: from the moment the extension's engine writes an app command URL (the same
// call the host makes for a handed-over entry) to the moment the application starts the
// command, median of 100, against a running Tarsel; then, for scale, the same with no Tarsel
// running, where the URL starts a new one. The command is "As Desktop Picture" with a stand-in
// gsettings that does nothing, on a private HOME and runtime folder.

#include "engine/model/QVAppCommandURL.h"
#include "platform/AppChannel.h"

#include "testsupport/PrivateHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 100;
constexpr int kColdRuns = 10;

// The private home, with a stand-in gsettings first on PATH.
void pointEnvironmentAt(const QString& home)
{
    tarsel::test::pointEnvironmentAt(home);
    const QString bin = home + QStringLiteral("/bin");
    QDir().mkpath(bin);
    QFile gsettings(bin + QStringLiteral("/gsettings"));
    gsettings.open(QIODevice::WriteOnly);
    gsettings.write("#!/bin/sh\nexit 0\n");
    gsettings.close();
    gsettings.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", QFile::encodeName(bin) + ":/usr/bin:/bin");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "tarsel.app.info=true");
}

bool listening()
{
    QLocalSocket socket;
    socket.connectToServer(platform::AppChannel::socketName());
    return socket.waitForConnected(1000);
}

// Reads the application's log until a line holds the text; false after 10 s.
bool waitForLine(QProcess& app, const QByteArray& text)
{
    while (true) {
        while (app.canReadLine()) {
            if (app.readLine().contains(text)) {
                return true;
            }
        }
        if (!app.waitForReadyRead(10000)) {
            return false;
        }
    }
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void report(const char* what, const std::vector<double>& ms)
{
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    std::printf("%-44s median %7.2f ms   min %7.2f   p90 %7.2f   (n=%zu)\n", what, median(ms), sorted.front(),
                sorted[sorted.size() * 9 / 10], sorted.size());
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tarsel-handoff-bench-XXXXXX"));
    pointEnvironmentAt(home.path());
    QCoreApplication app(argc, argv);
    const QString image = home.path() + QStringLiteral("/picture.png");
    QImage(8, 8, QImage::Format_RGB32).save(image);
    const QList<QUrl> urls { QUrl::fromLocalFile(image) };

    QProcess tarsel;
    tarsel.setProgram(QStringLiteral(TARSEL_APP_PROGRAM));
    tarsel.setReadChannel(QProcess::StandardError);
    tarsel.start();
    QElapsedTimer clock;
    clock.start();
    while (!listening() && clock.elapsed() < 20000) {
        QThread::msleep(5);
    }
    std::vector<double> running;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer t;
        t.start();
        if (!QVAppCommandURL::openMainAppWithMethod(QVAppCommandURL::DesktopPicture, urls, true)
            || !waitForLine(tarsel, "app command 8 started")) {
            std::fputs("handoff_bench: the running application did not start the command\n", stderr);
            return 1;
        }
        running.push_back(double(t.nsecsElapsed()) / 1e6);
        // The command itself finishes before the next one is sent.
        waitForLine(tarsel, "desktop picture set");
    }
    platform::AppChannel::send("quit");
    tarsel.waitForFinished(20000);
    report("URL written -> command started (running)", running);

    // No application: the URL starts one, which runs the command at its launch.
    std::vector<double> cold;
    for (int i = 0; i < kColdRuns; ++i) {
        QProcess fresh;
        fresh.setReadChannel(QProcess::StandardError);
        QElapsedTimer t;
        t.start();
        fresh.start(QStringLiteral(TARSEL_APP_PROGRAM),
                    { QVAppCommandURL::urlStringWithMethod(QVAppCommandURL::DesktopPicture, urls, true) });
        if (!waitForLine(fresh, "app command 8 started")) {
            std::fputs("handoff_bench: the started application did not run the command\n", stderr);
            return 1;
        }
        cold.push_back(double(t.nsecsElapsed()) / 1e6);
        platform::AppChannel::send("quit");
        fresh.waitForFinished(20000);
    }
    report("URL -> command started (application started)", cold);
    std::printf("goal for the running application: median under 10 ms\n");
    return 0;
}
