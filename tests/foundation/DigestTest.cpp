#include "foundation/DataExpand.h"
#include "foundation/StringExpandDigest.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

using tarsel::test::runChild;
using tarsel::test::testHome;
using tarsel::test::writeFile;

namespace {

constexpr char kEmptyMd5[] = "d41d8cd98f00b204e9800998ecf8427e";

QString fixture(const QString& name, const QByteArray& contents)
{
    return writeFile(testHome() + QStringLiteral("/digest/") + name, contents);
}

QByteArray fromHex(const char* hex)
{
    return QByteArray::fromHex(QByteArray(hex));
}

// The reflected CRC-32 of zip, bit by bit with the polynomial 0xEDB88320.
quint32 bitwiseCrc32(const QByteArray& data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ ((crc & 1u) ? 0xEDB88320u : 0u);
        }
    }
    return ~crc;
}

} // namespace

TEST(DigestTest, FileDigestsOfKnownContents)
{
    const QString abc = fixture(QStringLiteral("abc.txt"), "abc");
    EXPECT_EQ(qv::md5HashOfFileAtPath(abc), QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));
    EXPECT_EQ(qv::sha1HashOfFileAtPath(abc), QStringLiteral("a9993e364706816aba3e25717850c26c9cd0d89d"));
    EXPECT_EQ(qv::sha256HashOfFileAtPath(abc),
              QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
    EXPECT_EQ(qv::sha512HashOfFileAtPath(abc),
              QStringLiteral("ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
                             "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"));
    EXPECT_EQ(qv::fileMD5(abc), QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));

    const QString digits = fixture(QStringLiteral("digits"), "123456789");
    EXPECT_EQ(qv::crc32HashOfFileAtPath(digits), QStringLiteral("3421780262"));

    const QString empty = fixture(QStringLiteral("empty"), QByteArray());
    EXPECT_EQ(qv::md5HashOfFileAtPath(empty), QLatin1String(kEmptyMd5));
    EXPECT_EQ(qv::fileMD5(empty), QLatin1String(kEmptyMd5));
    EXPECT_EQ(qv::crc32HashOfFileAtPath(empty), QStringLiteral("0"));
}

TEST(DigestTest, TextDigestsAreUpperCaseOfUtf8)
{
    EXPECT_EQ(qv::MD5(QStringLiteral("abc")), QStringLiteral("900150983CD24FB0D6963F7D28E17F72"));
    EXPECT_EQ(qv::SHA1(QStringLiteral("abc")), QStringLiteral("A9993E364706816ABA3E25717850C26C9CD0D89D"));
    EXPECT_EQ(qv::SHA256(QString()).size(), 64);
    EXPECT_EQ(qv::SHA512(QStringLiteral("abc")).size(), 128);
    // Non-ASCII text is hashed as UTF-8: "é" is C3 A9.
    EXPECT_EQ(qv::MD5(QString::fromUtf8("\xC3\xA9")),
              QString::fromLatin1(qv::MD5(QByteArray("\xC3\xA9")).toHex().toUpper()));
}

TEST(DigestTest, BlocksLargerThanOneReadGiveTheSameDigest)
{
    // Contents spanning several read blocks, with a tail that fills no block.
    QByteArray big;
    for (int i = 0; i < 700 * 1024 + 13; ++i) {
        big.append(char(i * 31 + (i >> 8)));
    }
    const QString path = fixture(QStringLiteral("big.bin"), big);
    EXPECT_EQ(qv::md5HashOfFileAtPath(path), QString::fromLatin1(qv::MD5(big).toHex()));
    EXPECT_EQ(qv::crc32HashOfFileAtPath(path), QString::number(bitwiseCrc32(big)));
}

TEST(DigestTest, UnreadableItemsGiveNilOrZero)
{
    const QString folder = testHome() + QStringLiteral("/digest/folder");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString missing = testHome() + QStringLiteral("/digest/missing.tar.gz");
    // A path through a file: open fails with "not a folder", even for root.
    const QString throughFile = fixture(QStringLiteral("plain"), "x") + QStringLiteral("/child");
    // Opens, then the very first read fails.
    const QString failingRead = QStringLiteral("/proc/self/mem");
    // Would block until a writer comes, or never end.
    const QString fifo = testHome() + QStringLiteral("/digest/pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString endless = QStringLiteral("/dev/zero");

    for (const QString& path : { folder, missing, throughFile, failingRead, fifo, endless }) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_TRUE(qv::md5HashOfFileAtPath(path).isNull());
        EXPECT_TRUE(qv::sha1HashOfFileAtPath(path).isNull());
        EXPECT_TRUE(qv::sha256HashOfFileAtPath(path).isNull());
        EXPECT_TRUE(qv::sha512HashOfFileAtPath(path).isNull());
        EXPECT_EQ(qv::crc32HashOfFileAtPath(path), QStringLiteral("0"));
    }
    EXPECT_TRUE(qv::md5HashOfFileAtPath(QString()).isNull());

    // fileMD5: a missing path falls back to its name without the last extension; a folder or
    // an unreadable file has no digest at all (never the digest of nothing).
    EXPECT_EQ(qv::fileMD5(missing), QStringLiteral("missing.tar"));
    EXPECT_TRUE(qv::fileMD5(folder).isNull());
    EXPECT_TRUE(qv::fileMD5(failingRead).isNull());
    EXPECT_FALSE(qv::fileMD5(QString()).isNull());
    EXPECT_EQ(qv::fileMD5(QString()), QString());
}

TEST(DigestTest, StreamingRoutineTakesAnyContext)
{
    const QString path = fixture(QStringLiteral("count"), QByteArray(10000, 'a'));
    // A context of our own: its digest is the byte count, 4 bytes big-endian.
    auto count = std::make_shared<quint32>(0);
    qv::HashComputationContext counting;
    counting.digestLength = 4;
    counting.start = [count] {
        *count = 0;
        return true;
    };
    counting.update = [count](const char*, qsizetype n) {
        *count += quint32(n);
        return true;
    };
    counting.finish = [count](unsigned char* out) {
        for (int i = 0; i < 4; ++i) {
            out[i] = static_cast<unsigned char>(*count >> (24 - 8 * i));
        }
        return true;
    };
    EXPECT_EQ(qv::hashOfFileAtPath(path, counting), QStringLiteral("00002710"));

    qv::HashComputationContext refusing = counting;
    refusing.update = [](const char*, qsizetype) { return false; };
    EXPECT_TRUE(qv::hashOfFileAtPath(path, refusing).isNull());
    EXPECT_TRUE(qv::hashOfFileAtPath(path, qv::HashComputationContext()).isNull());

    // A context is reusable: start resets its state.
    const auto md5 = qv::hashComputationContext(qv::DigestAlgorithm::MD5);
    const QString first = qv::hashOfFileAtPath(path, md5);
    EXPECT_EQ(qv::hashOfFileAtPath(path, md5), first);
    EXPECT_EQ(first, QString::fromLatin1(qv::MD5(QByteArray(10000, 'a')).toHex()));
}

// Hashes a 512 MiB file with the address space limited to far less than the file's size, so
// reading the file whole would fail: the digests must stream.
TARSEL_TEST_CHILD(digestUnderMemoryLimit)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 3;
    }
    rlim_t vmSize = 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmSize:")) {
            vmSize = line.mid(7).trimmed().split(' ').first().toULongLong() * 1024;
        }
    }
    if (vmSize == 0) {
        return 3;
    }
    const rlimit limit { vmSize + (128 << 20), vmSize + (128 << 20) };
    if (::setrlimit(RLIMIT_AS, &limit) != 0) {
        return 3;
    }
    const QString path = args.value(0);
    std::printf("%s %s %s\n", qPrintable(qv::md5HashOfFileAtPath(path)), qPrintable(qv::crc32HashOfFileAtPath(path)),
                qPrintable(qv::fileMD5(path)));
    return 0;
}

TEST(DigestTest, LargeFilesAreStreamedNotLoaded)
{
    const QString path = testHome() + QStringLiteral("/sparse.bin");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(qint64(512) << 20)); // sparse: 512 MiB of zeros, no disk used
    f.close();

    const auto result = runChild(QStringLiteral("digestUnderMemoryLimit"), { path });
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    // The values of 512 MiB of zero bytes.
    EXPECT_EQ(result.out.trimmed(),
              QByteArray("aa559b4e3523a6c931f08f4df52d58f2 1840808736 aa559b4e3523a6c931f08f4df52d58f2"));
}

TEST(DigestTest, DataMd5AndBase64)
{
    EXPECT_EQ(qv::MD5(QByteArray("abc")), fromHex("900150983cd24fb0d6963f7d28e17f72"));
    EXPECT_EQ(qv::MD5(QByteArray()).size(), 16);

    EXPECT_EQ(qv::base64EncodedString("foobar"), QStringLiteral("Zm9vYmFy"));
    EXPECT_EQ(qv::base64EncodedString("fo"), QStringLiteral("Zm8="));
    EXPECT_EQ(qv::base64EncodedString(QByteArray(100, '\xff')).indexOf(QLatin1Char('\n')), -1);
    EXPECT_EQ(qv::dataWithBase64String(QStringLiteral("Zm8=")), QByteArray("fo"));
    EXPECT_EQ(qv::dataWithBase64String(QStringLiteral("Zm8")), QByteArray("fo"));
    EXPECT_TRUE(qv::dataWithBase64String(QStringLiteral("Zm9v!")).isNull());
    EXPECT_TRUE(qv::dataWithBase64String(QStringLiteral("Zm9v\u00e9")).isNull());
    const QByteArray empty = qv::dataWithBase64String(QString());
    EXPECT_TRUE(empty.isEmpty() && !empty.isNull());
}

TEST(DigestTest, ArchivesRoundTripAndRejectGarbage)
{
    const QVariantMap object { { QStringLiteral("name"), QStringLiteral("Tarsel") },
                               { QStringLiteral("list"), QVariantList { 1, 2.5, true } } };
    const QByteArray data = qv::dataWithObject(object);
    ASSERT_FALSE(data.isEmpty());
    EXPECT_EQ(qv::convertDataToObject(data).toMap(), object);

    EXPECT_FALSE(qv::convertDataToObject(QByteArray()).isValid());
    EXPECT_FALSE(qv::convertDataToObject(QByteArray("not an archive at all")).isValid());
    EXPECT_FALSE(qv::convertDataToObject(data.left(data.size() - 3)).isValid());
    EXPECT_FALSE(qv::convertDataToObject(data + "x").isValid());
}

TEST(DigestTest, AesEcbMatchesOpenSslTool)
{
    // Reference values from `openssl enc -aes-128-ecb -K <key hex>`.
    EXPECT_EQ(qv::aes128EncryptWithKey("hello", QStringLiteral("key")), fromHex("5e27050b59c889fee9f953137259bf6b"));
    EXPECT_EQ(qv::aes128EncryptWithKey(QByteArray(), QStringLiteral("key")),
              fromHex("c717530f41f320757b4aa1bfaf11c42e"));
    // Keys longer than 16 bytes are cut to 16.
    const QByteArray fox = fromHex("08eaec72a2775e8a412e92731f4a4a2e9c85c1043e5f84a45ef29783e713ca93");
    EXPECT_EQ(qv::aes128EncryptWithKey("The quick brown fox", QStringLiteral("0123456789abcdefXYZ")), fox);
    EXPECT_EQ(qv::aes128DecryptWithKey(fox, QStringLiteral("0123456789abcdef")), QByteArray("The quick brown fox"));

    const QByteArray nothing
        = qv::aes128DecryptWithKey(fromHex("c717530f41f320757b4aa1bfaf11c42e"), QStringLiteral("key"));
    EXPECT_TRUE(nothing.isEmpty() && !nothing.isNull());

    EXPECT_TRUE(qv::aes128DecryptWithKey(fox.left(31), QStringLiteral("0123456789abcdef")).isNull());
    EXPECT_TRUE(qv::aes128DecryptWithKey(fox, QStringLiteral("wrong key")).isNull());
}
