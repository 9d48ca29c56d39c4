// Times menu building on the factory configuration: one file selected, 100 files selected, a
// common path holding 1,000 sub-folders, and the whole `tarsel-finder menu` process.
// Goals: under 2 ms per build for the first two, under 20 ms with the large common path, under
// 100 ms for the process.

#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/QVMenuService.h"
#include "platform/Defaults.h"

#include "testsupport/PrivateHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void writeFile(const QString& path)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write("some text\n");
    }
}

// Milliseconds per build, averaged over the runs after one warm-up build.
double timeBuilds(QVMenuService& service, const QList<QUrl>& selection, int runs)
{
    service.setSelectURLs(selection);
    service.menuForMenuKind(platform::FIMenuKindContextualMenuForItems);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runs; ++i) {
        service.setSelectURLs(selection);
        service.menuForMenuKind(platform::FIMenuKindContextualMenuForItems);
    }
    return double(timer.nsecsElapsed()) / 1e6 / runs;
}

void report(const char* what, double ms, double goal)
{
    std::printf("%-44s %8.3f ms   (goal < %.0f ms) %s\n", what, ms, goal, ms < goal ? "ok" : "OVER");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    QTemporaryDir home;
    tarsel::test::pointEnvironmentAt(home.path());
    if (!QVDefaultData::setup()) {
        std::fprintf(stderr, "could not write the factory configuration\n");
        return 1;
    }
    const QString work = home.path() + QStringLiteral("/work");
    QDir().mkpath(work);
    QList<QUrl> hundred;
    for (int i = 0; i < 100; ++i) {
        const QString path = work + QStringLiteral("/file%1.txt").arg(i);
        writeFile(path);
        hundred << QUrl::fromLocalFile(path);
    }
    const QList<QUrl> one { hundred.first() };

    QVMenuService service;
    report("menuForMenuKind, one file", timeBuilds(service, one, 200), 2);
    report("menuForMenuKind, 100 files", timeBuilds(service, hundred, 200), 2);

    const QString big = home.path() + QStringLiteral("/Big");
    for (int i = 0; i < 1000; ++i) {
        QDir().mkpath(big + QStringLiteral("/folder%1").arg(i, 4, 10, QLatin1Char('0')));
    }
    QVariantList paths = QVMenuManager::storedList(QVMenuManager::kArrayCommonPath);
    paths.prepend(QVariantMap { { QStringLiteral("key"), QStringLiteral("big") },
                                { QStringLiteral("path"), big },
                                { QStringLiteral("displayName"), QStringLiteral("Big") } });
    QVMenuManager::sharedDefaults().setValue(QVMenuManager::kArrayCommonPath, paths);
    report("menuForMenuKind, common path of 1,000 folders", timeBuilds(service, one, 50), 20);

    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/tarsel-finder");
    if (!QFile::exists(program)) {
        std::printf("tarsel-finder not built: %s\n", qPrintable(program));
        return 0;
    }
    const int runs = 10;
    QElapsedTimer timer;
    qint64 total = 0;
    for (int i = 0; i <= runs; ++i) {
        QProcess process;
        timer.start();
        process.start(program, { QStringLiteral("menu"), one.first().toLocalFile() });
        process.waitForFinished(30000);
        // The first run warms the caches and is not counted.
        if (i > 0) {
            total += timer.nsecsElapsed();
        }
        if (process.exitCode() != 0) {
            std::fprintf(stderr, "tarsel-finder failed: %s\n", process.readAllStandardError().constData());
            return 1;
        }
    }
    report("tarsel-finder menu (whole process)", double(total) / 1e6 / runs, 100);
    return 0;
}
