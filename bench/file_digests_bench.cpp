// All five file digests of one file in one pass (one read, every digest fed from the same
// buffer) next to OpenSSL's command-line tool run once per digest, and next to the slowest of
// our digests alone.
//
//   file_digests_bench [FILE]
//   file_digests_bench --small [ROUNDS]
//   file_digests_bench --passes [ROUNDS] [FILE]
//
// With --small it digests 1,000 small files (4 KiB each, all five digests) in one call per file,
// as the file hash window does, beside rhash computing the same five digests of the same files
// in one process; medians of ROUNDS (20) interleaved rounds, page cache warm.
//
// With --passes it times all five digests in one pass beside the slowest digest alone (the one
// found slowest in a first round, which is not counted); medians of ROUNDS (20) interleaved
// rounds over FILE or the 1 GiB file below.
//
// Without FILE a 1 GiB file of pseudo-random bytes is written into a temporary folder under
// /tmp and removed afterwards. The file is read once to warm the page cache, so every run reads
// from memory; each figure is one run. CRC-32 has no OpenSSL digest: zlib's crc32 through
// Python stands in for it in the tool's total.

#include "foundation/StringExpandDigest.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Kind = qv::FileDigestKind;

constexpr qint64 kFileSize = qint64(1) << 30;

double secondsOf(const std::function<void()>& fn)
{
    QElapsedTimer timer;
    timer.start();
    fn();
    return double(timer.nsecsElapsed()) / 1e9;
}

QString runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed().section(QLatin1Char(' '), 0, 0);
}

bool writeRandomFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray block(4 << 20, '\0');
    QRandomGenerator rng(20261209);
    for (qint64 written = 0; written < kFileSize; written += block.size()) {
        rng.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / int(sizeof(quint32)));
        if (f.write(block) != block.size()) {
            return false;
        }
    }
    return f.flush();
}

const char kCrcScript[] = "import sys, zlib\n"
                          "c = 0\n"
                          "with open(sys.argv[1], 'rb', buffering=0) as f:\n"
                          "    while True:\n"
                          "        b = f.read(1 << 20)\n"
                          "        if not b: break\n"
                          "        c = zlib.crc32(b, c)\n"
                          "print(c & 0xffffffff)\n";

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 == 1 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

int smallFiles(int rounds)
{
    const QString rhash = QStandardPaths::findExecutable(QStringLiteral("rhash"));
    if (rhash.isEmpty()) {
        std::fprintf(stderr, "needs rhash (apt install rhash)\n");
        return 1;
    }
    QTemporaryDir dir(QStringLiteral("/tmp/file-digests-bench-XXXXXX"));
    QStringList files;
    QRandomGenerator rng(20261209);
    QByteArray bytes(4096, '\0');
    for (int i = 0; i < 1000; ++i) {
        rng.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / int(sizeof(quint32)));
        const QString path = dir.filePath(QStringLiteral("small%1.bin").arg(i, 4, 10, QLatin1Char('0')));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            return 1;
        }
        files << path;
    }
    const QList<Kind> kinds { Kind::MD5, Kind::SHA1, Kind::SHA256, Kind::SHA512, Kind::CRC32 };
    const QStringList rhashArgs
        = QStringList { QStringLiteral("--md5"), QStringLiteral("--sha1"), QStringLiteral("--sha256"),
                        QStringLiteral("--sha512"), QStringLiteral("--crc32") }
        + files;
    std::vector<double> ours;
    std::vector<double> theirs;
    for (int round = 0; round <= rounds; ++round) {
        int readable = 0;
        const double a = secondsOf([&] {
            for (const QString& file : std::as_const(files)) {
                readable += qv::digestsOfFileAtPath(file, kinds).readable ? 1 : 0;
            }
        });
        const double b = secondsOf([&] {
            QProcess p;
            p.setStandardOutputFile(QProcess::nullDevice());
            p.start(rhash, rhashArgs);
            p.waitForFinished(-1);
        });
        if (readable != files.size()) {
            std::fprintf(stderr, "a file could not be digested\n");
            return 2;
        }
        if (round > 0) {
            ours.push_back(a * 1e3);
            theirs.push_back(b * 1e3);
        }
    }
    std::printf("1,000 files of 4 KiB, all five digests, medians of %d interleaved rounds:\n", rounds);
    std::printf("ours, one call per file:   %8.1f ms\n", median(ours));
    std::printf("rhash, one process:        %8.1f ms  -> ours / rhash %.2fx (goal at most 1.0x)\n", median(theirs),
                median(ours) / median(theirs));
    return 0;
}

int passes(int rounds, const QString& file)
{
    const Kind kinds[] = { Kind::MD5, Kind::SHA1, Kind::SHA256, Kind::SHA512, Kind::CRC32 };
    const char* const names[] = { "MD5", "SHA-1", "SHA-256", "SHA-512", "CRC-32" };
    qv::digestsOfFileAtPath(file, { Kind::CRC32 }); // warms the page cache
    int slowest = 0;
    double slowestSeconds = 0;
    for (int i = 0; i < qv::kFileDigestKindCount; ++i) {
        const double alone = secondsOf([&] { qv::digestsOfFileAtPath(file, { kinds[i] }); });
        if (alone > slowestSeconds) {
            slowestSeconds = alone;
            slowest = i;
        }
    }
    std::vector<double> all;
    std::vector<double> alone;
    for (int round = 0; round <= rounds; ++round) {
        bool readable = false;
        const double a = secondsOf([&] {
            readable = qv::digestsOfFileAtPath(file, { std::begin(kinds), std::end(kinds) }).readable;
        });
        const double b = secondsOf([&] { qv::digestsOfFileAtPath(file, { kinds[slowest] }); });
        if (!readable) {
            std::fprintf(stderr, "the file could not be digested\n");
            return 2;
        }
        if (round > 0) {
            all.push_back(a * 1e3);
            alone.push_back(b * 1e3);
        }
    }
    std::printf("%s, medians of %d interleaved rounds, page cache warm:\n", qPrintable(file), rounds);
    std::printf("all five in one pass:      %8.1f ms\n", median(all));
    std::printf("%-8s alone (slowest):  %8.1f ms  -> one pass / slowest alone %.2fx (goal at most 1.2x)\n",
                names[slowest], median(alone), median(all) / median(alone));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().value(1) == QLatin1String("--small")) {
        return smallFiles(std::max(1, app.arguments().value(2, QStringLiteral("20")).toInt()));
    }
    const bool passRounds = app.arguments().value(1) == QLatin1String("--passes");
    QTemporaryDir dir(QStringLiteral("/tmp/file-digests-bench-XXXXXX"));
    QString file = app.arguments().value(passRounds ? 3 : 1);
    if (file.isEmpty()) {
        file = dir.filePath(QStringLiteral("digests.bin"));
        std::printf("writing a 1 GiB test file to %s ...\n", qPrintable(file));
        std::fflush(stdout);
        if (!writeRandomFile(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    if (passRounds) {
        return passes(std::max(1, app.arguments().value(2, QStringLiteral("20")).toInt()), file);
    }
    const qint64 size = QFileInfo(file).size();
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (size <= 0 || openssl.isEmpty() || python.isEmpty()) {
        std::fprintf(stderr, "needs a non-empty file, openssl and python3\n");
        return 1;
    }
    qv::digestsOfFileAtPath(file, { Kind::CRC32 }); // warms the page cache

    const Kind kinds[] = { Kind::MD5, Kind::SHA1, Kind::SHA256, Kind::SHA512, Kind::CRC32 };
    const char* const flags[] = { "-md5", "-sha1", "-sha256", "-sha512", nullptr };
    const char* const names[] = { "MD5", "SHA-1", "SHA-256", "SHA-512", "CRC-32" };
    qv::FileDigests all;
    const double onePass = secondsOf([&] {
        all = qv::digestsOfFileAtPath(file, { std::begin(kinds), std::end(kinds) });
    });

    std::printf("file: %s (%lld bytes), one run each, page cache warm\n\n", qPrintable(file),
                static_cast<long long>(size));
    std::printf("%-8s %14s %14s  %s\n", "digest", "ours alone s", "tool s", "match");
    double toolTotal = 0;
    double slowestAlone = 0;
    bool allMatch = all.readable;
    for (int i = 0; i < qv::kFileDigestKindCount; ++i) {
        QString single;
        const double alone = secondsOf([&] { single = qv::digestsOfFileAtPath(file, { kinds[i] }).value(kinds[i]); });
        QString theirs;
        const double tool = secondsOf([&] {
            theirs = flags[i] != nullptr
                ? runTool(openssl,
                          { QStringLiteral("dgst"), QString::fromLatin1(flags[i]), QStringLiteral("-r"), file })
                : runTool(python, { QStringLiteral("-c"), QString::fromLatin1(kCrcScript), file });
        });
        const bool match = !single.isEmpty() && single == theirs && single == all.value(kinds[i]);
        allMatch = allMatch && match;
        toolTotal += tool;
        slowestAlone = std::max(slowestAlone, alone);
        std::printf("%-8s %14.3f %14.3f  %s%s\n", names[i], alone, tool, match ? "yes" : "NO",
                    flags[i] != nullptr ? "" : "  (tool: python3 zlib.crc32)");
    }
    std::printf("\nall five in one pass (ours): %.3f s\n", onePass);
    std::printf("tool, once per digest:       %.3f s  -> ours %.2fx faster (goal 3x)\n", toolTotal,
                toolTotal / onePass);
    std::printf("slowest digest alone (ours): %.3f s  -> one pass takes %.2fx of it (goal at most 1.2x)\n",
                slowestAlone, onePass / slowestAlone);
    return allMatch ? 0 : 2;
}
