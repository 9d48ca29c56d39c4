// Times "Copy to" a favourite folder on 10,000 small files, as the user runs it (a whole
// `tarsel-finder pick` of the common folder's entry under "Copy to"), beside `cp` with the same
// files and folder.
//
//     build/bench/copy_to_bench [rounds] [other tarsel-finder...]
//     build/bench/copy_to_bench --setup-only    (prints a kept HOME and the pick's arguments,
//                                                for profiling)
//
// The command ends with its success message, which stays one second before the process may
// exit; that second is the command's own, so it is taken off ours before the ratio. Other
// tarsel-finder programs (each with its plug-in beside it, say a copy of another build's host
// folder) are timed in the same rounds, which is how two builds are compared. Every round runs
// every program once, in turn, into an emptied folder, so all meet the same load of the machine;
// the first round warms the caches and is not counted. Figures are medians; the ratio is
// ours / cp. The configuration is the factory one with one common folder, in a temporary HOME
// (under TMPDIR), on the offscreen platform. On a shared machine whose disk is busy, the disk's
// queue decides both figures; TMPDIR=/dev/shm leaves the work each program does itself.

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
constexpr double kSuccessMessageMs = 1000;
const char kCommonTitle[] = "Bench Folder";

// The entry titled `title` directly under the entry titled `parent` in `menu --json`.
QJsonObject childOf(const QJsonArray& items, const QString& parent, const QString& title)
{
    for (const QJsonValue& value : items) {
        const QJsonObject item = value.toObject();
        const QJsonArray submenu = item.value(QStringLiteral("submenu")).toArray();
        if (item.value(QStringLiteral("title")).toString() == parent) {
            for (const QJsonValue& child : submenu) {
                if (child.toObject().value(QStringLiteral("title")).toString() == title) {
                    return child.toObject();
                }
            }
        }
        const QJsonObject inner = childOf(submenu, parent, title);
        if (!inner.isEmpty()) {
            return inner;
        }
    }
    return {};
}

struct Job
{
    std::string label;
    std::vector<std::string> argv;
    bool ours = false;
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
    const QString target = home.path() + QStringLiteral("/favourite");
    QDir().mkpath(target);
    QVMenuManager::addMenuKey(QVMenuManager::kArrayCommonPath,
                              { { QStringLiteral("key"), QStringLiteral("BenchFolder") },
                                { QStringLiteral("path"), target },
                                { QStringLiteral("displayName"), QString::fromLatin1(kCommonTitle) } },
                              -1);

    const QString folder = home.path() + QStringLiteral("/many");
    QDir().mkpath(folder);
    std::vector<std::string> names;
    for (int i = 0; i < kFiles; ++i) {
        const QString name = QStringLiteral("f%1").arg(i, 5, 10, QLatin1Char('0'));
        QFile file(folder + QLatin1Char('/') + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(100 + i % 900, 'x')) < 0) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(file.fileName()));
            return 1;
        }
        names.push_back(name.toStdString());
    }
    // Every program runs in the folder and is given the names as a shell's f* would.
    if (chdir(QFile::encodeName(folder).constData()) != 0) {
        return 1;
    }

    std::vector<std::string> finders { TARSEL_FINDER_PROGRAM };
    for (int i = 2; i < argc; ++i) {
        finders.emplace_back(argv[i]);
    }

    QProcess lookup;
    lookup.start(QString::fromStdString(finders.front()),
                 { QStringLiteral("menu"), QStringLiteral("--json"), QString::fromStdString(names.front()) });
    lookup.waitForFinished(30000);
    const QJsonObject entry = childOf(
        QJsonDocument::fromJson(lookup.readAllStandardOutput()).object().value(QStringLiteral("items")).toArray(),
        QStringLiteral("Copy to"), QString::fromLatin1(kCommonTitle));
    if (entry.isEmpty()) {
        std::fprintf(stderr, "the menu has no \"%s\" under \"Copy to\"\n", kCommonTitle);
        return 1;
    }
    const std::string tag = std::to_string(qint64(entry.value(QStringLiteral("tag")).toDouble()));
    const std::string key = entry.value(QStringLiteral("key")).toString().toStdString();

    if (setupOnly) {
        std::printf("HOME=%s; cd %s; tarsel-finder pick %s --key %s f*\n", qPrintable(home.path()), qPrintable(folder),
                    tag.c_str(), key.c_str());
        return 0;
    }

    std::vector<Job> jobs;
    Job cp { "cp f* favourite/", { "/bin/cp" }, false, {} };
    cp.argv.insert(cp.argv.end(), names.begin(), names.end());
    cp.argv.push_back(QFile::encodeName(target).toStdString());
    jobs.push_back(cp);
    for (const std::string& finder : finders) {
        Job job { finder + " Copy to, less 1 s", { finder, "pick", tag, "--key", key }, true, {} };
        job.argv.insert(job.argv.end(), names.begin(), names.end());
        jobs.push_back(job);
    }

    for (int round = 0; round <= rounds; ++round) {
        for (Job& job : jobs) {
            QDir(target).removeRecursively();
            QDir().mkpath(target);
            const double ms = timeRun(job.argv);
            if (ms < 0 || QDir(target).entryList(QDir::Files).size() != kFiles) {
                std::fprintf(stderr, "failed: %s\n", job.label.c_str());
                return 1;
            }
            if (round > 0) {
                job.times.push_back(job.ours ? ms - kSuccessMessageMs : ms);
            }
        }
    }
    QDir(target).removeRecursively();

    std::printf("medians of %d interleaved rounds (ms); ratio = this / cp\n", rounds);
    const double reference = median(jobs.front().times);
    for (const Job& job : jobs) {
        const double m = median(job.times);
        if (!job.ours) {
            std::printf("%-70s %8.1f\n", job.label.c_str(), m);
        } else {
            std::printf("%-70s %8.1f   %5.2fx\n", job.label.c_str(), m, m / reference);
        }
    }
    return 0;
}
