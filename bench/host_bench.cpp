// Times whole tarsel-finder processes beside the least the same job costs:
// - `menu --json` with 1, 100 and 10,000 selected files beside bare_app, a QApplication that
//   starts and quits, given the same arguments;
// - Hide Selected Files (`pick`) on 10,000 files beside `printf '%s\n' f* >> .hidden`.
//
//     build/bench/host_bench [rounds] [other tarsel-finder...]
//     build/bench/host_bench --setup-only       (prints a kept HOME with the folder, for profiling)
//
// Other tarsel-finder programs (each with its plug-in beside it, say a copy of another build's
// host folder) are timed in the same rounds, which is how two builds are compared. Every round
// runs every program once, in turn, so all meet the same load of the machine; the first round
// warms the caches and is not counted. Figures are medians; the ratio is ours / reference.
// The configuration is the factory one in a temporary HOME, on the offscreen platform.

#include "bench/ProcessTiming.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "platform/Defaults.h"

#include "testsupport/PrivateHome.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using bench::median;
using bench::nowMs;
using bench::timeRun;

namespace {

constexpr int kFiles = 10000;
const char kHideKey[] = "Hide Selected Files";

// The tag of the entry with that key in `menu --json`, or -1.
qint64 tagOfKey(const QJsonArray& items, const QString& key)
{
    for (const QJsonValue& value : items) {
        const QJsonObject item = value.toObject();
        if (item.value(QStringLiteral("key")).toString() == key) {
            return qint64(item.value(QStringLiteral("tag")).toDouble());
        }
        const qint64 inner = tagOfKey(item.value(QStringLiteral("submenu")).toArray(), key);
        if (inner >= 0) {
            return inner;
        }
    }
    return -1;
}

struct Job
{
    std::string label;
    std::vector<std::string> argv;
    bool clearsHiddenList = false;
    std::vector<double> times;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    QCoreApplication app(argc, argv);
    const bool setupOnly = argc > 1 && qstrcmp(argv[1], "--setup-only") == 0;
    const int rounds = argc > 1 && !setupOnly ? std::max(1, std::atoi(argv[1])) : 20;

    QTemporaryDir home;
    home.setAutoRemove(!setupOnly);
    tarsel::test::pointEnvironmentAt(home.path());
    if (!QVDefaultData::setup()) {
        std::fprintf(stderr, "could not write the factory configuration\n");
        return 1;
    }
    // The review prompt would come up a few commands in and keep that round's process alive.
    QVMenuManager::sharedDefaults().setValue(QStringLiteral("is reviewed"), true);
    const QString folder = home.path() + QStringLiteral("/many");
    QDir().mkpath(folder);
    std::vector<std::string> names;
    for (int i = 0; i < kFiles; ++i) {
        const QString name = QStringLiteral("f%1").arg(i, 5, 10, QLatin1Char('0'));
        QFile file(folder + QLatin1Char('/') + name);
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(file.fileName()));
            return 1;
        }
        names.push_back(name.toStdString());
    }
    // Every program runs in the folder and is given the names as a shell's f* would.
    if (chdir(QFile::encodeName(folder).constData()) != 0) {
        return 1;
    }
    if (setupOnly) {
        std::printf("%s\n", qPrintable(home.path()));
        return 0;
    }

    const std::string bare = TARSEL_BARE_APP_PROGRAM;
    std::vector<std::string> finders { TARSEL_FINDER_PROGRAM };
    for (int i = 2; i < argc; ++i) {
        finders.emplace_back(argv[i]);
    }

    QProcess lookup;
    lookup.start(QString::fromStdString(finders.front()),
                 { QStringLiteral("menu"), QStringLiteral("--json"), QString::fromStdString(names.front()) });
    lookup.waitForFinished(30000);
    const qint64 hideTag = tagOfKey(
        QJsonDocument::fromJson(lookup.readAllStandardOutput()).object().value(QStringLiteral("items")).toArray(),
        QString::fromLatin1(kHideKey));
    if (hideTag < 0) {
        std::fprintf(stderr, "the factory menu has no \"%s\" entry\n", kHideKey);
        return 1;
    }

    std::vector<Job> jobs;
    for (const int count : { 1, 100, kFiles }) {
        const std::vector<std::string> selection(names.begin(), names.begin() + count);
        Job reference { "bare_app, " + std::to_string(count) + " args", { bare, "menu", "--json" }, false, {} };
        reference.argv.insert(reference.argv.end(), selection.begin(), selection.end());
        jobs.push_back(reference);
        for (const std::string& finder : finders) {
            Job job {
                finder + " menu --json, " + std::to_string(count) + " files", { finder, "menu", "--json" }, false, {}
            };
            job.argv.insert(job.argv.end(), selection.begin(), selection.end());
            jobs.push_back(job);
        }
    }
    jobs.push_back(
        { "sh: printf '%s\\n' f* >> .hidden", { "/bin/sh", "-c", "printf '%s\\n' f* >> .hidden" }, true, {} });
    for (const std::string& finder : finders) {
        Job job { finder + " Hide Selected Files, 10,000 files",
                  { finder, "pick", std::to_string(hideTag), "--key", kHideKey },
                  true,
                  {} };
        job.argv.insert(job.argv.end(), names.begin(), names.end());
        jobs.push_back(job);
    }

    for (int round = 0; round <= rounds; ++round) {
        for (Job& job : jobs) {
            if (job.clearsHiddenList) {
                QFile::remove(QStringLiteral(".hidden"));
            }
            const double ms = timeRun(job.argv);
            if (ms < 0) {
                std::fprintf(stderr, "failed: %s\n", job.label.c_str());
                return 1;
            }
            if (round > 0) {
                job.times.push_back(ms);
            }
        }
    }
    QFile::remove(QStringLiteral(".hidden"));

    std::printf("medians of %d interleaved rounds (ms); ratio = this / the reference above it\n", rounds);
    double reference = 0;
    for (const Job& job : jobs) {
        const double m = median(job.times);
        const bool isReference = job.argv.front() == bare || job.argv.front() == "/bin/sh";
        if (isReference) {
            reference = m;
            std::printf("%-70s %8.1f\n", job.label.c_str(), m);
        } else {
            std::printf("%-70s %8.1f   %5.2fx\n", job.label.c_str(), m, m / reference);
        }
    }
    return 0;
}
