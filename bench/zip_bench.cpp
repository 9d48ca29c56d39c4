// Compressing one folder under a password: Compress with Password as the menu runs it (our
// writer, WinZip AES-256, files deflated at level 6 and encrypted on several threads before they
// are written), our writer with PKWARE encryption (through libzip), Debian's zip tool (`zip -r -6 -P`) and 7-Zip
// (`7zz a -tzip -p -mem=AES256`, Debian's 7zip package), in one run, each on a warm page cache:
// medians of the rounds' times (the writers take turns within each round) and archive sizes.
// Every archive of the first round is read back by 7-Zip with the password, so an archive that
// does not open shows as a failure.
//
//   zip_bench [--rounds N] [FOLDER]        (N defaults to 20)
//
// Without FOLDER a folder of 2,000 mixed files (500 MB in all: text, pseudo-random bytes, runs
// of zeros, in sizes from a few kB to about 1 MB) is written into a temporary folder.

#include "engine/archive/QVCompress.h"
#include "engine/archive/SSZipArchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kFiles = 2000;
constexpr qint64 kTotal = 500LL * 1000 * 1000;
const QString kPassword = QStringLiteral("bench password 42");

QByteArray contentFor(int index, qint64 size, QRandomGenerator& random)
{
    QByteArray data(size, Qt::Uninitialized);
    switch (index % 3) {
    case 0: { // text: words from a small vocabulary, compresses well
        static const char* words[] = { "alpha ", "folder ", "menu ", "zip ", "password ", "context\n" };
        for (qint64 i = 0; i < size;) {
            const char* w = words[random.bounded(6)];
            for (; *w != '\0' && i < size; ++w) {
                data[i++] = *w;
            }
        }
        break;
    }
    case 1: // pseudo-random: does not compress
        random.fillRange(reinterpret_cast<quint32*>(data.data()), size / 4);
        break;
    default: // half random, half zeros
        data.fill('\0');
        random.fillRange(reinterpret_cast<quint32*>(data.data()), size / 8);
        break;
    }
    return data;
}

void makeFolder(const QString& folder)
{
    QRandomGenerator random(2026);
    for (int i = 0; i < kFiles; ++i) {
        // Sizes from 4 kB up, averaging kTotal / kFiles.
        const qint64 size = 4096 + (i * 7919 % kFiles) * (2 * (kTotal / kFiles - 4096)) / kFiles;
        const QString path = QStringLiteral("%1/dir%2/file%3.dat").arg(folder).arg(i % 40).arg(i);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(contentFor(i, size & ~qint64(7), random)) < 0) {
            std::fprintf(stderr, "zip_bench: cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
    }
}

bool run(const QString& program, const QStringList& args, const QString& folder)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

qint64 folderSize(const QString& folder)
{
    QProcess du;
    du.start(QStringLiteral("du"), { QStringLiteral("-sb"), folder });
    du.waitForFinished(-1);
    return du.readAll().split('\t').first().toLongLong();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    int rounds = 20;
    if (args.size() >= 2 && args.first() == QLatin1String("--rounds")) {
        rounds = qMax(1, args.at(1).toInt());
        args = args.mid(2);
    }
    QTemporaryDir scratch;
    QString folder = !args.isEmpty() ? args.first() : scratch.filePath(QStringLiteral("src"));
    if (args.isEmpty()) {
        makeFolder(folder);
    }
    folder = QFileInfo(folder).absoluteFilePath();
    const QString sevenZip = QStandardPaths::findExecutable(QStringLiteral("7zz")).isEmpty() ? QStringLiteral("7z")
                                                                                             : QStringLiteral("7zz");
    std::printf("folder: %s, %lld bytes; %d hardware threads\n", qPrintable(folder), folderSize(folder),
                QThread::idealThreadCount());
    QProcess::execute(QStringLiteral("sh"),
                      { QStringLiteral("-c"), QStringLiteral("cat -- $(find '%1' -type f) > /dev/null").arg(folder) });

    struct Way
    {
        const char* name;
        std::function<bool(const QString& out)> write;
    };
    const Way ways[] = {
        { "ours, Compress with Password (AES)",
          [&](const QString& out) {
              QVCompress compress;
              compress.setSavePath(out);
              bool finished = false;
              compress.startCompressWithPaths({ folder }, {}, kPassword, [&](const QString&, double progress) {
                  finished = progress == QVCompress::Progress::Finished;
              });
              QCoreApplication::processEvents();
              return finished || QFileInfo(out).isFile();
          } },
        { "ours, libzip PKWARE, level 6",
          [&](const QString& out) {
              return SSZipArchive::createZipFileAtPath(out, folder, false, 6, kPassword, false);
          } },
        { "zip -r -6 -P (PKWARE)",
          [&](const QString& out) {
              return run(QStringLiteral("zip"),
                         { QStringLiteral("-qr"), QStringLiteral("-6"), QStringLiteral("-P"), kPassword, out,
                           QStringLiteral(".") },
                         folder);
          } },
        { "7zz a -tzip -p -mem=AES256",
          [&](const QString& out) {
              return run(sevenZip,
                         { QStringLiteral("a"), QStringLiteral("-tzip"), QStringLiteral("-p") + kPassword,
                           QStringLiteral("-mem=AES256"), out, QStringLiteral(".") },
                         folder);
          } },
    };
    const size_t count = std::size(ways);
    std::vector<std::vector<double>> seconds(count);
    std::vector<qint64> bytes(count, 0);
    std::vector<bool> reads(count, true);
    for (int round = 0; round < rounds; ++round) {
        // Each round starts with another writer, so no writer always runs first or last.
        for (size_t k = 0; k < count; ++k) {
            const size_t i = (k + size_t(round)) % count;
            const QString out = scratch.filePath(QStringLiteral("out%1.zip").arg(i));
            QElapsedTimer timer;
            timer.start();
            const bool ok = ways[i].write(out);
            seconds[i].push_back(double(timer.nsecsElapsed()) / 1e9);
            bytes[i] = QFileInfo(out).size();
            if (round == 0) {
                reads[i] = ok && run(sevenZip, { QStringLiteral("t"), QStringLiteral("-p") + kPassword, out }, folder);
            }
            reads[i] = reads[i] && ok;
            QFile::remove(out);
        }
        std::fprintf(stderr, "round %d of %d done\n", round + 1, rounds);
    }
    std::printf("medians of %d rounds\n", rounds);
    std::printf("%-36s %10s %10s %14s %8s\n", "writer", "seconds", "/ zip -P", "archive bytes", "7z -t");
    const double reference = median(seconds[2]);
    for (size_t i = 0; i < count; ++i) {
        const double m = median(seconds[i]);
        std::printf("%-36s %10.2f %10.2f %14lld %8s\n", ways[i].name, m, reference > 0 ? m / reference : 0.0, bytes[i],
                    reads[i] ? "ok" : "FAILED");
    }
    return 0;
}
