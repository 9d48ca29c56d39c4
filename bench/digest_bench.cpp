// Throughput of the file digests next to OpenSSL's own command-line tool on the same file.
//
//   digest_bench [FILE]
//
// Without FILE a 1 GiB file of pseudo-random bytes is written into a temporary folder (and
// removed afterwards). Every digest is run once to warm the page cache, then timed; the
// results of ours and of the tool are compared, so a wrong digest shows as a mismatch.

#include "foundation/StringExpandDigest.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

constexpr qint64 kFileSize = qint64(1) << 30;

struct Timed
{
    QString value;
    double seconds = 0;
};

Timed timeIt(const std::function<QString()>& fn)
{
    QElapsedTimer timer;
    timer.start();
    Timed t;
    t.value = fn();
    t.seconds = double(timer.nsecsElapsed()) / 1e9;
    return t;
}

// Best of `runs` (after one warm-up run) so that a passing hiccup of the machine does not
// decide the comparison.
Timed bestOf(int runs, const std::function<QString()>& fn)
{
    fn();
    Timed best;
    for (int i = 0; i < runs; ++i) {
        const Timed t = timeIt(fn);
        if (i == 0 || t.seconds < best.seconds) {
            best = t;
        }
    }
    return best;
}

// Runs a program and answers the first word of its output (the digest), nil when it failed.
QString runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        return {};
    }
    QString out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    // "MD5(file)= abc..." from openssl dgst -r is "abc... *file"; take the hex word.
    return out.section(QLatin1Char(' '), 0, 0).remove(QLatin1Char('*'));
}

bool writeRandomFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray block(4 << 20, '\0');
    QRandomGenerator rng(20261208);
    for (qint64 written = 0; written < kFileSize; written += block.size()) {
        rng.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / int(sizeof(quint32)));
        if (f.write(block) != block.size()) {
            return false;
        }
    }
    return f.flush();
}

double mbPerSecond(qint64 bytes, double seconds)
{
    return seconds > 0 ? double(bytes) / 1e6 / seconds : 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();

    QTemporaryDir dir;
    QString file;
    if (args.size() > 1) {
        file = args.at(1);
    } else {
        file = dir.filePath(QStringLiteral("digest-bench.bin"));
        std::printf("writing a 1 GiB test file to %s ...\n", qPrintable(file));
        std::fflush(stdout);
        if (!writeRandomFile(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    const qint64 size = QFileInfo(file).size();
    if (size <= 0) {
        std::fprintf(stderr, "no such file or empty: %s\n", qPrintable(file));
        return 1;
    }
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    const int runs = 3;

    struct Row
    {
        const char* name;
        std::function<QString()> ours;
        std::function<QString()> theirs;
        QString theirsLabel;
    };
    auto dgst = [&](const char* flag) {
        return [&openssl, &file, flag]() {
            return runTool(openssl, { QStringLiteral("dgst"), QString::fromLatin1(flag), QStringLiteral("-r"), file });
        };
    };
    // zlib's crc32 through Python's binding, reading in 1 MiB blocks.
    const QString crcScript = QStringLiteral("import sys, zlib\n"
                                             "c = 0\n"
                                             "with open(sys.argv[1], 'rb', buffering=0) as f:\n"
                                             "    while True:\n"
                                             "        b = f.read(1 << 20)\n"
                                             "        if not b: break\n"
                                             "        c = zlib.crc32(b, c)\n"
                                             "print(c & 0xffffffff)\n");
    const QList<Row> rows = {
        { "MD5", [&] { return qv::md5HashOfFileAtPath(file); }, dgst("-md5"), QStringLiteral("openssl dgst -md5") },
        { "SHA-1", [&] { return qv::sha1HashOfFileAtPath(file); }, dgst("-sha1"),
          QStringLiteral("openssl dgst -sha1") },
        { "SHA-256", [&] { return qv::sha256HashOfFileAtPath(file); }, dgst("-sha256"),
          QStringLiteral("openssl dgst -sha256") },
        { "SHA-512", [&] { return qv::sha512HashOfFileAtPath(file); }, dgst("-sha512"),
          QStringLiteral("openssl dgst -sha512") },
        { "CRC-32", [&] { return qv::crc32HashOfFileAtPath(file); },
          [&] {
              return runTool(python, { QStringLiteral("-c"), crcScript, file });
          },
          QStringLiteral("python3 zlib.crc32") },
    };

    std::printf("file: %s (%lld bytes), best of %d runs after a warm-up\n", qPrintable(file),
                static_cast<long long>(size), runs);
    std::printf("%-8s %12s %12s %8s  %-22s %s\n", "digest", "ours MB/s", "tool MB/s", "ratio", "tool", "match");
    bool allMatch = true;
    for (const Row& row : rows) {
        const Timed ours = bestOf(runs, row.ours);
        const bool haveTool
            = row.theirsLabel.startsWith(QLatin1String("openssl")) ? !openssl.isEmpty() : !python.isEmpty();
        Timed theirs;
        if (haveTool) {
            theirs = bestOf(runs, row.theirs);
        }
        const double o = mbPerSecond(size, ours.seconds);
        const double t = mbPerSecond(size, theirs.seconds);
        const bool match = haveTool && !ours.value.isEmpty() && ours.value == theirs.value;
        allMatch = allMatch && (match || !haveTool);
        if (haveTool) {
            std::printf("%-8s %12.0f %12.0f %7.2fx  %-22s %s\n", row.name, o, t, t > 0 ? o / t : 0.0,
                        qPrintable(row.theirsLabel), match ? "yes" : "NO");
        } else {
            std::printf("%-8s %12.0f %12s %8s  %-22s %s\n", row.name, o, "-", "-", "(tool missing)", "-");
        }
    }
    return allMatch ? 0 : 2;
}
