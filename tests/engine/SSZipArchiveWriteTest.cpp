#include "engine/archive/QVCompress.h"
#include "engine/archive/SSZipArchive.h"
#include "engine/archive/SSZipArchiveReader.h"

#include "tests/engine/ZipTools.h"
#include "testsupport/SmallFileSystem.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>

using namespace tarsel::test;

namespace {

const QString kPassword = QStringLiteral("pa55 w'rd \"x\"");

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray data(size, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32*>(data.data()), size / 4);
    return data;
}

/// Files of every shape the writer cuts differently: empty, a few bytes, one piece, several
/// pieces (each deflated and encrypted on its own) of text and of bytes that do not compress,
/// a non-ASCII name, a link and an empty folder.
QString makeSource()
{
    writeFile(inHome("src/empty.txt"), QByteArray());
    writeFile(inHome("src/tiny.txt"), "tiny");
    writeFile(inHome("src/\u00e9t\u00e9 \u65e5\u672c.txt"), QByteArray("summer ").repeated(3000));
    writeFile(inHome("src/sub/words.txt"), QByteArray("alpha beta gamma\n").repeated(250000));
    writeFile(inHome("src/sub/noise.bin"), randomBytes(3 * 1024 * 1024 + 17, 7));
    QDir().mkpath(inHome("src/sub/empty"));
    QFile::link("tiny.txt", inHome("src/link.txt"));
    return inHome("src");
}

/// The tree as sorted lines: "name/" for a folder, "name -> target" for a link, "name=sha256".
QStringList treeOf(const QString& folder)
{
    QStringList lines;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        const QString name = QDir(folder).relativeFilePath(path);
        if (info.isSymLink()) {
            lines << name + " -> " + info.symLinkTarget().section('/', -1);
        } else if (info.isDir()) {
            lines << name + "/";
        } else {
            lines << name + "=" + QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha256).toHex();
        }
    }
    lines.sort();
    return lines;
}

enum class Reader { SevenZipTest, SevenZipExtract, Ours, UnzipTest };

struct WriteCase
{
    const char* name;
    bool encrypted;
    int level;
    Reader reader;
    bool rightPassword;
};

using ZipWriting = testing::TestWithParam<WriteCase>;

// Archives our writer makes (files deflated or stored, under a password encrypted with WinZip
// AES-256 on several threads) are read back by 7-Zip and by our own reader with the same bytes,
// names, link and empty folder; a wrong password is refused. Without a password Info-ZIP's
// unzip tests them (it cannot read AES). Encrypted entries are "AE-2": their records carry no
// CRC of the plain content, which would let a guess at the content be checked without the
// password.
TEST_P(ZipWriting, ReadersGetBackWhatWasWritten)
{
    const WriteCase& c = GetParam();
    ASSERT_FALSE(sevenZip().isEmpty());
    const QString source = makeSource();
    const QString archive = inHome("out/archive.zip");
    QDir().mkpath(inHome("out"));
    const QString password = c.encrypted ? kPassword : QString();
    ASSERT_TRUE(SSZipArchive::createZipFileAtPath(archive, source, false, c.level, password, true, {}, true));
    EXPECT_EQ(QDir(inHome("out")).entryList(QDir::Files | QDir::Hidden), QStringList { "archive.zip" });

    const SSZipArchiveReader reader(archive);
    ASSERT_TRUE(reader.isOpen());
    int encrypted = 0;
    for (qint64 i = 0; i < reader.count(); ++i) {
        SSZipFileInfo info;
        QByteArray raw;
        ASSERT_TRUE(reader.info(i, &info, &raw));
        if (info.flag & 0x0001) {
            ++encrypted;
            EXPECT_EQ(info.crc, 0u) << raw.constData();
        }
    }
    EXPECT_EQ(encrypted, c.encrypted ? 6 : 0);

    const QString given = c.rightPassword ? password : QStringLiteral("wrong");
    const QString into = inHome("unpacked");
    QDir().mkpath(into);
    bool ok = false;
    bool extracted = true;
    switch (c.reader) {
    case Reader::SevenZipTest:
        ok = runTool(sevenZip(), { "t", "-p" + given, archive }, into);
        extracted = false;
        break;
    case Reader::SevenZipExtract:
        ok = runTool(sevenZip(), { "x", "-y", "-p" + given, archive }, into);
        break;
    case Reader::Ours:
        ok = SSZipArchive::unzipFileAtPath(archive, into, true, given, nullptr);
        break;
    case Reader::UnzipTest:
        ok = runTool("unzip", { "-tq", archive }, into) && runTool("unzip", { "-q", archive }, into);
        break;
    }
    ASSERT_EQ(ok, c.rightPassword);
    if (ok && extracted) {
        EXPECT_EQ(treeOf(into), treeOf(source));
    }
}

INSTANTIATE_TEST_SUITE_P(Archives, ZipWriting,
                         testing::Values(WriteCase { "AesTestedBy7z", true, -1, Reader::SevenZipTest, true },
                                         WriteCase { "AesExtractedBy7z", true, -1, Reader::SevenZipExtract, true },
                                         WriteCase { "AesWrongPasswordRefusedBy7z", true, -1, Reader::SevenZipTest,
                                                     false },
                                         WriteCase { "AesStoredExtractedBy7z", true, 0, Reader::SevenZipExtract, true },
                                         WriteCase { "AesExtractedByUs", true, 9, Reader::Ours, true },
                                         WriteCase { "AesWrongPasswordRefusedByUs", true, -1, Reader::Ours, false },
                                         WriteCase { "PlainTestedByUnzip", false, -1, Reader::UnzipTest, true },
                                         WriteCase { "PlainStoredTestedByUnzip", false, 0, Reader::UnzipTest, true }),
                         caseName<WriteCase>);

// More entries than the classic end record can count: the archive gets zip64 end records, and
// unzip and our reader see every entry.
TEST(SSZipArchiveWriteTest, MoreThan65535EntriesGetZip64Records)
{
    constexpr int kEntries = 65536 + 100;
    const QString archive = inHome("many.zip");
    SSZipArchive zip(archive);
    ASSERT_TRUE(zip.open());
    for (int i = 0; i < kEntries; ++i) {
        ASSERT_TRUE(zip.writeData(QByteArray::number(i), QStringLiteral("e%1").arg(i), 0, QString(), true));
    }
    ASSERT_TRUE(zip.close());
    EXPECT_EQ(SSZipArchiveReader(archive).count(), kEntries);
    const ProgramRun unzip = runProgram("unzip", { "-l", archive });
    ASSERT_TRUE(unzip.finished);
    EXPECT_EQ(unzip.exitCode, 0);
    EXPECT_TRUE(unzip.out.trimmed().endsWith(QByteArray::number(kEntries) + " files"));
}

// Compress with Password onto a disk that fills up: the run fails, and neither the archive nor
// its scratch copy is left behind.
TEST(SSZipArchiveWriteTest, AFullDiskLeavesNoArchive)
{
    SmallFileSystem disk(QStringLiteral("disk"));
    if (!disk.usable()) {
        GTEST_SKIP() << "mounting a small file system needs root";
    }
    writeFile(inHome("big/noise.bin"), randomBytes(2 * 1024 * 1024, 3));
    QVCompress compress;
    compress.setSavePath(disk.path("big.zip"));
    QList<double> reports;
    compress.startCompressWithPaths({ inHome("big") }, {}, kPassword,
                                    [&](const QString&, double progress) { reports << progress; });
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !reports.isEmpty() && reports.last() != QVCompress::Progress::Started; }, 30000));
    EXPECT_EQ(reports.last(), QVCompress::Progress::Failed);
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

} // namespace
