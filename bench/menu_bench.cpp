// Times menu building on the factory configuration: one file selected, 100 files selected, a
// common path holding 1,000 sub-folders; then whole `tarsel-finder menu --json` processes with
// 1, 100 and 10,000 files beside bare_app given the same arguments.
//
//     build/bench/menu_bench [rounds] [other tarsel-finder...]
//
// Other tarsel-finder programs (each with its plug-in beside it, say a copy of another build's
// bin folder) are timed in the same rounds, which is how two builds are compared. With
// TARSEL_BENCH_KEEP_HOME set, the private home (factory configuration, the files) is kept and
// named on standard error, to profile a single run in it.
//
// Goals: under 2 ms per build for the first two, under 20 ms with the large common path; the
// processes at most 1.3x bare_app (1.5x with 10,000 files).

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

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void writeFile(const QString& path)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write("some text\n");
    }
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 == 1 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Milliseconds from start to exit of a process whose output goes nowhere; negative on failure.
double timeProcess(const QString& program, const QStringList& args)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return -1;
    }
    return double(timer.nsecsElapsed()) / 1e6;
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
    if (!qEnvironmentVariableIsEmpty("TARSEL_BENCH_KEEP_HOME")) {
        home.setAutoRemove(false);
        std::fprintf(stderr, "home kept: %s\n", qPrintable(home.path()));
    }
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

    // Whole processes: `tarsel-finder menu --json` with 1, 100 and 10,000 files beside bare_app (a
    // QApplication that starts and quits) given the same arguments, in interleaved rounds; the
    // first round warms the caches and is not counted.
    const QString program = QStringLiteral(TARSEL_FINDER_PROGRAM);
    const QString bare = QStringLiteral(TARSEL_BARE_APP_PROGRAM);
    QStringList many;
    for (int i = 0; i < 10000; ++i) {
        const QString path = work + QStringLiteral("/many%1").arg(i, 5, 10, QLatin1Char('0'));
        writeFile(path);
        many << path;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    QStringList programs { program };
    for (int i = 2; i < argc; ++i) {
        programs << QString::fromLocal8Bit(argv[i]);
    }
    const QList<int> counts { 1, 100, 10000 };
    // reference[c] and ours[c][p]: bare_app and each program with counts[c] files.
    std::vector<std::vector<double>> reference(counts.size());
    std::vector<std::vector<std::vector<double>>> ours(counts.size(),
                                                       std::vector<std::vector<double>>(size_t(programs.size())));
    for (int round = 0; round <= rounds; ++round) {
        for (qsizetype c = 0; c < counts.size(); ++c) {
            const QStringList args
                = QStringList { QStringLiteral("menu"), QStringLiteral("--json") } + many.mid(0, counts[c]);
            const double b = timeProcess(bare, args);
            if (b < 0) {
                std::fprintf(stderr, "bare_app failed (%d files)\n", counts[c]);
                return 1;
            }
            if (round > 0) {
                reference[size_t(c)].push_back(b);
            }
            for (qsizetype p = 0; p < programs.size(); ++p) {
                const double o = timeProcess(programs[p], args);
                if (o < 0) {
                    std::fprintf(stderr, "%s failed (%d files)\n", qPrintable(programs[p]), counts[c]);
                    return 1;
                }
                if (round > 0) {
                    ours[size_t(c)][size_t(p)].push_back(o);
                }
            }
        }
    }
    std::printf("whole processes, medians of %d interleaved rounds (goal: 1.3x, 1.3x, 1.5x)\n", rounds);
    for (qsizetype c = 0; c < counts.size(); ++c) {
        const double b = median(reference[size_t(c)]);
        for (qsizetype p = 0; p < programs.size(); ++p) {
            const double o = median(ours[size_t(c)][size_t(p)]);
            std::printf("%6d files: %s menu --json %8.1f ms   bare_app %8.1f ms   %5.2fx\n", counts[c],
                        p == 0 ? "tarsel-finder" : qPrintable(programs[p]), o, b, o / b);
        }
    }
    return 0;
}
