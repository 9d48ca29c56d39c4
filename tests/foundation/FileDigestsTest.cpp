// All digests of a file from one read agree with the one-digest routines, on the caller's thread
// (small files) and on one thread per digest (large files), and an unreadable file gives no
// value at all.

#include "foundation/StringExpandDigest.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tarsel::test;

namespace {

using Kind = qv::FileDigestKind;

struct DigestCase
{
    const char* name;
    qint64 size; ///< -1: a folder
};

QByteArray pseudoRandom(qint64 size)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator rng(7);
    for (char& c : bytes) {
        c = char(rng.generate() & 0xFF);
    }
    return bytes;
}

class FileDigestsTest : public testing::TestWithParam<DigestCase>
{
};

} // namespace

TEST_P(FileDigestsTest, OnePassAgreesWithEachDigestAlone)
{
    const DigestCase& c = GetParam();
    const QString path = writeFile(testHome() + QStringLiteral("/pass/") + QLatin1String(c.name), pseudoRandom(c.size));
    const qv::FileDigests all
        = qv::digestsOfFileAtPath(path, { Kind::MD5, Kind::SHA1, Kind::SHA256, Kind::SHA512, Kind::CRC32 });
    ASSERT_TRUE(all.readable);
    EXPECT_EQ(all.value(Kind::MD5), qv::md5HashOfFileAtPath(path));
    EXPECT_EQ(all.value(Kind::SHA1), qv::sha1HashOfFileAtPath(path));
    EXPECT_EQ(all.value(Kind::SHA256), qv::sha256HashOfFileAtPath(path));
    EXPECT_EQ(all.value(Kind::SHA512), qv::sha512HashOfFileAtPath(path));
    EXPECT_EQ(all.value(Kind::CRC32), qv::crc32HashOfFileAtPath(path));
    // Only what was asked for is computed.
    const qv::FileDigests one = qv::digestsOfFileAtPath(path, { Kind::SHA256 });
    EXPECT_EQ(one.value(Kind::SHA256), all.value(Kind::SHA256));
    EXPECT_TRUE(one.value(Kind::MD5).isNull());
}

// Sizes around the block of one read and the size from which threads share the work.
INSTANTIATE_TEST_SUITE_P(Sizes, FileDigestsTest,
                         testing::Values(DigestCase { "empty", 0 }, DigestCase { "smallerThanABlock", 1000 },
                                         DigestCase { "twoBlocksAndABit", 2 * 1024 * 1024 + 3 },
                                         DigestCase { "threadedOddEnd", 9 * 1024 * 1024 + 17 },
                                         DigestCase { "threadedWholeBlocks", 12 * 1024 * 1024 }),
                         caseName<DigestCase>);

// The one-digest CRC-32 answers "0" for a file it cannot read, the checksum of an empty file:
// shown as a digest, an unreadable file would pass for an empty one. The one pass answers
// nothing instead.
TEST(FileDigestsUnreadableTest, MissingFolderAndPipeGiveNoValueNotCrcZero)
{
    const QString folder = testHome() + QStringLiteral("/unreadable/folder");
    QDir().mkpath(folder);
    const QString pipe = testHome() + QStringLiteral("/unreadable/pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    for (const QString& path : { testHome() + QStringLiteral("/unreadable/missing"), folder, pipe }) {
        const qv::FileDigests d = qv::digestsOfFileAtPath(path, { Kind::MD5, Kind::CRC32 });
        EXPECT_FALSE(d.readable) << qPrintable(path);
        EXPECT_TRUE(d.value(Kind::CRC32).isEmpty()) << qPrintable(path);
        EXPECT_TRUE(d.value(Kind::MD5).isEmpty()) << qPrintable(path);
    }
    EXPECT_EQ(qv::digestsOfFileAtPath(writeFile(testHome() + QStringLiteral("/unreadable/empty"), {}), { Kind::CRC32 })
                  .value(Kind::CRC32),
              QStringLiteral("0"));
}
