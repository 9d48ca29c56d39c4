// Two processes writing one suite at once, the long form of the suite test: each writes its own
// keys one write at a time and raises a shared counter with update(), so every write is a locked
// read-modify-write of a growing file. Prints the time and whether any write was lost.
//
//   defaults_bench [WRITES]       (default 1000 writes per process)
//
// The writers are this program again, started with "--writer FILE PREFIX COUNT".

#include "platform/Defaults.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

int writer(const QString& path, const QString& prefix, int count)
{
    platform::Defaults& d = platform::Defaults::forFile(path);
    for (int i = 0; i < count; ++i) {
        if (!d.setValue(prefix + QString::number(i), i)) {
            return 2;
        }
        if (!d.update(QStringLiteral("counter"), [](const QVariant& v) { return QVariant(v.toLongLong() + 1); })) {
            return 3;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args.at(1) == QLatin1String("--writer")) {
        return writer(args.at(2), args.at(3), args.at(4).toInt());
    }
    const int count = args.size() > 1 ? args.at(1).toInt() : 1000;
    if (count <= 0) {
        std::fprintf(stderr, "usage: defaults_bench [WRITES]\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("concurrent.plist"));

    QElapsedTimer timer;
    timer.start();
    std::vector<std::unique_ptr<QProcess>> writers;
    for (const char* prefix : { "a", "b" }) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(app.applicationFilePath(),
                 { QStringLiteral("--writer"), path, QString::fromLatin1(prefix), QString::number(count) });
        writers.push_back(std::move(p));
    }
    bool ok = true;
    for (const auto& p : writers) {
        ok = p->waitForFinished(-1) && p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0 && ok;
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;

    platform::Defaults reader(path);
    const qsizetype keys = reader.dictionaryRepresentation().size();
    const qint64 counter = reader.integerValue(QStringLiteral("counter"));
    // 2n distinct keys plus the shared counter, which every one of the 2n updates raised.
    ok = ok && keys == 2 * count + 1 && counter == 2 * count;
    std::printf("two writers, %d writes each: %.2f s, %.2f ms per write; %lld keys, counter %lld: %s\n", count, seconds,
                seconds * 1e3 / (2.0 * count), static_cast<long long>(keys), static_cast<long long>(counter),
                ok ? "no write lost" : "WRITES LOST");
    return ok ? 0 : 1;
}
