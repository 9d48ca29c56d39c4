#include "engine/archive/SSZipArchive.h"

#include "CraftedZip.h"
#include "tests/engine/ZipTools.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdio>
#include <iconv.h>
#include <sys/stat.h>

using namespace tarsel::test;

namespace {

// ASCII: 7-Zip refuses other characters in zip passwords, and tools disagree on their bytes.
const QString kPassword = "s3cret 'quoted' \"pw\"";

/// The folder every round trip archives: names with blanks, quotes and non-ASCII letters.
QString makeSource()
{
    writeFile(inHome("src/plain.txt"), "plain text\n");
    writeFile(inHome("src/it's here é.txt"), QByteArray(5000, 'x') + "end");
    writeFile(inHome("src/sub/deeper.bin"), QByteArray("\x00\x01\x02\xff", 4).repeated(300));
    return inHome("src");
}

void expectSameTree(const QString& a, const QString& b)
{
    QDirIterator it(a, QDir::Files, QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        const QString other = QDir(b).filePath(QDir(a).relativeFilePath(path));
        EXPECT_EQ(readFile(path), readFile(other)) << other.toStdString();
        ++files;
    }
    EXPECT_EQ(files, 3);
}

enum class Writer { OursPkware, OursAes, ZipTool, SevenZipCrypto, SevenZipAes };
enum class Reader { Ours, SevenZip, Unzip };

struct RoundTrip
{
    const char* name;
    Writer writer;
    Reader reader;
    bool rightPassword;
};

bool writeArchive(Writer writer, const QString& source, const QString& archive)
{
    switch (writer) {
    case Writer::OursPkware:
    case Writer::OursAes:
        return SSZipArchive::createZipFileAtPath(archive, source, false, -1, kPassword, writer == Writer::OursAes);
    case Writer::ZipTool:
        return runTool("zip", { "-qr", "-P", kPassword, archive, "." }, source);
    case Writer::SevenZipCrypto:
    case Writer::SevenZipAes:
        return runTool(sevenZip(),
                       { "a", "-tzip", "-p" + kPassword,
                         writer == Writer::SevenZipAes ? "-mem=AES256" : "-mem=ZipCrypto", archive, "." },
                       source);
    }
    return false;
}

using ZipRoundTrip = testing::TestWithParam<RoundTrip>;

// Archives one writer encrypts, another reader opens with the same password and gets the same
// bytes back; with a wrong password the reader refuses. Ours answers a wrong password with a
// false password test (no error) and an extraction that fails on the first entry.
TEST_P(ZipRoundTrip, ReadsWhatTheOtherWrote)
{
    const RoundTrip& c = GetParam();
    const QString source = makeSource();
    const QString archive = inHome("out/archive.zip");
    QDir().mkpath(inHome("out"));
    ASSERT_TRUE(writeArchive(c.writer, source, archive));
    const QString password = c.rightPassword ? kPassword : "wrong";
    const QString into = inHome("unpacked");
    QDir().mkpath(into);
    bool ok = false;
    switch (c.reader) {
    case Reader::Ours: {
        SSZipError error;
        EXPECT_TRUE(SSZipArchive::isFilePasswordProtectedAtPath(archive));
        EXPECT_EQ(SSZipArchive::isPasswordValidForArchiveAtPath(archive, password, &error), c.rightPassword);
        EXPECT_TRUE(error.isNull());
        ok = SSZipArchive::unzipFileAtPath(archive, into, true, password, &error);
        if (!c.rightPassword) {
            EXPECT_EQ(error.code, SSZipError::FailedOpenFileInZip);
            EXPECT_EQ(error.localizedDescription, "failed to open file in zip file");
        }
        break;
    }
    case Reader::SevenZip:
        ok = runTool(sevenZip(), { "x", "-y", "-p" + password, archive }, into);
        break;
    case Reader::Unzip:
        ok = runTool("unzip", { "-q", "-P", password, archive }, into);
        break;
    }
    ASSERT_EQ(ok, c.rightPassword);
    if (c.rightPassword) {
        expectSameTree(source, into);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Archives, ZipRoundTrip,
    testing::Values(RoundTrip { "OursPkwareBy7z", Writer::OursPkware, Reader::SevenZip, true },
                    RoundTrip { "OursPkwareByUnzip", Writer::OursPkware, Reader::Unzip, true },
                    RoundTrip { "OursAesBy7z", Writer::OursAes, Reader::SevenZip, true },
                    RoundTrip { "OursAesWrongPasswordBy7z", Writer::OursAes, Reader::SevenZip, false },
                    RoundTrip { "ZipToolByUs", Writer::ZipTool, Reader::Ours, true },
                    RoundTrip { "SevenZipCryptoByUs", Writer::SevenZipCrypto, Reader::Ours, true },
                    RoundTrip { "SevenZipAesByUs", Writer::SevenZipAes, Reader::Ours, true },
                    RoundTrip { "OursAesByUs", Writer::OursAes, Reader::Ours, true },
                    RoundTrip { "ZipToolWrongPassword", Writer::ZipTool, Reader::Ours, false },
                    RoundTrip { "SevenZipAesWrongPassword", Writer::SevenZipAes, Reader::Ours, false },
                    RoundTrip { "OursPkwareWrongPassword", Writer::OursPkware, Reader::Ours, false }),
    caseName<RoundTrip>);

struct SlipCase
{
    const char* name;
    QList<CraftedEntry> entries;
    /// A link the destination already holds before extraction: name and target.
    QByteArray presetLink;
    QByteArray presetTarget;
};

QStringList treeOf(const QString& folder)
{
    QStringList all;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        all << it.next();
    }
    all.sort();
    return all;
}

using ZipSlip = testing::TestWithParam<SlipCase>;

// Crafted archives that try to write outside the destination. A naive extractor joins the entry
// name to the destination (so "/x", "../x" and "a\\..\\..\\x" land outside), creates link
// entries as they come and then writes the next entry through the link, or opens a path whose
// parent is a link that was already there. Every one must be refused and leave the folder
// beside the destination exactly as it was.
TEST_P(ZipSlip, NothingIsWrittenOutside)
{
    const SlipCase& c = GetParam();
    const QString outside = inHome("outside");
    writeFile(outside + "/keep.txt", "untouched");
    const QString dest = inHome("dest");
    QDir().mkpath(dest);
    if (!c.presetLink.isEmpty()) {
        ASSERT_EQ(symlink(c.presetTarget.constData(), QFile::encodeName(dest + "/" + c.presetLink).constData()), 0);
    }
    const QStringList before = treeOf(testHome());
    QList<CraftedEntry> entries = c.entries;
    for (CraftedEntry& e : entries) {
        e.name.replace("@OUT", QFile::encodeName(outside));
        e.content.replace("@OUT", QFile::encodeName(outside));
    }
    const QString archive = writeFile(inHome("crafted.zip"), craftZip(entries));
    SSZipError error;
    EXPECT_FALSE(SSZipArchive::unzipFileAtPath(archive, dest, true, QString(), &error));
    EXPECT_EQ(error.code, SSZipError::UnsafeEntry) << error.localizedDescription.toStdString();
    EXPECT_EQ(readFile(outside + "/keep.txt"), QByteArray("untouched"));
    QStringList after = treeOf(testHome());
    // Only entries inside the destination may have appeared.
    after.erase(std::remove_if(after.begin(), after.end(), [&](const QString& p) { return p.startsWith(dest + "/"); }),
                after.end());
    QStringList expected = before;
    expected.erase(
        std::remove_if(expected.begin(), expected.end(), [&](const QString& p) { return p.startsWith(dest + "/"); }),
        expected.end());
    expected << archive;
    expected.sort();
    EXPECT_EQ(after, expected);
}

constexpr quint32 kLink = 0120777;

INSTANTIATE_TEST_SUITE_P(
    Crafted, ZipSlip,
    testing::Values(SlipCase { "AbsoluteName", { { "@OUT/evil.txt", "x" } }, {}, {} },
                    SlipCase { "DotDot", { { "ok.txt", "fine" }, { "../outside/evil.txt", "x" } }, {}, {} },
                    SlipCase { "DotDotInside", { { "a/b/../../../outside/evil.txt", "x" } }, {}, {} },
                    SlipCase { "Backslashes", { { "..\\outside\\evil.txt", "x" } }, {}, {} },
                    SlipCase { "NulInName", { { QByteArray("ok.txt\0/../../outside/evil.txt", 30), "x" } }, {}, {} },
                    SlipCase { "LinkThenFile", { { "l", "../outside", kLink }, { "l/evil.txt", "x" } }, {}, {} },
                    SlipCase { "LinkToRoot", { { "root", "/", kLink }, { "root/tmp/evil.txt", "x" } }, {}, {} },
                    SlipCase { "AbsoluteLinkTarget", { { "l", "@OUT", kLink } }, {}, {} },
                    SlipCase { "ThroughPresentLink", { { "pre/evil.txt", "x" } }, "pre", "../outside" }),
    caseName<SlipCase>);

// Rules of extraction on ordinary archives, one row each: what lands in the destination.
struct RuleCase
{
    const char* name;
    QList<CraftedEntry> entries;
    bool overwrite;
    bool succeeds;
    const char* path; ///< checked in the destination
    QByteArray content; ///< expected content, empty: must not exist
    int mode; ///< expected permission bits, -1: not checked
};

using ZipExtractionRules = testing::TestWithParam<RuleCase>;

TEST_P(ZipExtractionRules, Extracts)
{
    const RuleCase& c = GetParam();
    const QString dest = inHome("dest");
    writeFile(dest + "/existing.txt", "old");
    // A link already in the destination: a file entry of that name replaces the link, and the
    // file it pointed at keeps its content (a naive open() would write through it).
    writeFile(inHome("target.txt"), "target");
    symlink(QFile::encodeName(inHome("target.txt")).constData(), QFile::encodeName(dest + "/link.txt").constData());
    const QString archive = writeFile(inHome("a.zip"), craftZip(c.entries));
    SSZipError error;
    EXPECT_EQ(SSZipArchive::unzipFileAtPath(archive, dest, c.overwrite, QString(), &error), c.succeeds)
        << error.localizedDescription.toStdString();
    const QString path = dest + "/" + QLatin1String(c.path);
    if (c.content.isEmpty()) {
        EXPECT_FALSE(QFileInfo::exists(path));
    } else {
        EXPECT_EQ(readFile(path), c.content);
    }
    if (c.mode >= 0) {
        struct stat st;
        ASSERT_EQ(lstat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_EQ(int(st.st_mode & 07777), c.mode);
    }
    EXPECT_EQ(readFile(inHome("target.txt")), QByteArray("target"));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ZipExtractionRules,
    testing::Values(
        RuleCase { "MacosxFolderSkipped", { { "__MACOSX/._a", "junk" } }, true, true, "__MACOSX/._a", {}, -1 },
        RuleCase { "BackslashesAreSeparators", { { "a\\b.txt", "ab" } }, true, true, "a/b.txt", "ab", -1 },
        RuleCase { "OverwriteNoKeepsFile", { { "existing.txt", "new" } }, false, true, "existing.txt", "old", -1 },
        RuleCase { "OverwriteReplaces", { { "existing.txt", "new" } }, true, true, "existing.txt", "new", -1 },
        RuleCase { "LinkReplacedNotFollowed", { { "link.txt", "new" } }, true, true, "link.txt", "new", 0644 },
        // A stored set-user-id bit would make an extracted program run as its owner.
        RuleCase { "SetIdBitsDropped", { { "tool", "#!", 0104777 } }, true, true, "tool", "#!", 0777 },
        RuleCase { "OwnerMayReadAndWrite", { { "ro.txt", "r", 0100444 } }, true, true, "ro.txt", "r", 0644 },
        RuleCase { "EmptyNameUsesIndex", { { "a.txt", "a" }, { ".", "dot" } }, true, true, "1", "dot", -1 },
        RuleCase { "InsideLinkKept", { { "d/f.txt", "f" }, { "l", "d/f.txt", kLink } }, true, true, "l", "f", 0777 },
        RuleCase { "CrcMismatchFails", { { "bad.txt", "content", 0100644, true } }, true, false, "x", {}, -1 }),
    caseName<RuleCase>);

TEST(SSZipArchiveTest, CrcMismatchIsReportedAsSuch)
{
    const QString archive = writeFile(inHome("bad.zip"), craftZip({ { "bad.txt", "content", 0100644, true } }));
    SSZipError error;
    EXPECT_FALSE(SSZipArchive::unzipFileAtPath(archive, inHome("d"), true, QString(), &error));
    EXPECT_EQ(error.code, SSZipError::FileInfoNotLoadable);
    EXPECT_EQ(error.localizedDescription, "crc check failed for file");
}

/// The text in the character set, by iconv; empty when it cannot be written in it.
QByteArray encodedIn(const QString& text, const char* charset)
{
    const iconv_t cd = iconv_open(charset, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return {};
    }
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 4, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    size_t inLeft = size_t(in.size());
    size_t outLeft = size_t(out.size());
    const bool done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1) && inLeft == 0;
    iconv_close(cd);
    return done ? out.left(out.size() - qsizetype(outLeft)) : QByteArray();
}

struct NameCase
{
    const char* name;
    const char* charset; ///< the names' bytes in the archive, made on Unix without the UTF-8 flag
    QStringList names;
};

using ZipNameEncodings = testing::TestWithParam<NameCase>;

// Names that are neither UTF-8 nor code page 437 were extracted under their bytes in
// hexadecimal ("636166E92E747874" for "caf\xe9.txt"): their character set is guessed, from all
// the archive's names together where one short name says too little.
TEST_P(ZipNameEncodings, NamesInOtherCharacterSetsAreRead)
{
    const NameCase& c = GetParam();
    QList<CraftedEntry> entries;
    for (const QString& name : c.names) {
        const QByteArray raw = encodedIn(name, c.charset);
        ASSERT_FALSE(raw.isEmpty()) << name.toStdString();
        entries.append({ raw, name.toUtf8() });
    }
    const QString archive = writeFile(inHome("names.zip"), craftZip(entries));
    const QString dest = inHome("dest");
    SSZipError error;
    ASSERT_TRUE(SSZipArchive::unzipFileAtPath(archive, dest, true, QString(), &error))
        << error.localizedDescription.toStdString();
    QStringList found;
    QDirIterator it(dest, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        found << QDir(dest).relativeFilePath(path);
        EXPECT_EQ(QString::fromUtf8(readFile(path)), found.last());
    }
    found.sort();
    QStringList expected = c.names;
    expected.sort();
    EXPECT_EQ(found, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Archives, ZipNameEncodings,
    testing::Values(NameCase { "Latin1",
                               "ISO-8859-1",
                               { "caf\u00e9.txt", "na\u00efve.txt", "Gr\u00f6\u00dfe.txt",
                                 "R\u00e9sum\u00e9 \u00e9t\u00e9.txt", "fa\u00e7ade/\u00e9lan.txt",
                                 "\u00d1and\u00fa.txt" } },
                    NameCase { "Latin1OneName", "ISO-8859-1", { "caf\u00e9.txt" } },
                    NameCase { "ShiftJis",
                               "SHIFT_JIS",
                               { "\u65e5\u672c\u8a9e.txt", "\u30c6\u30b9\u30c8.txt",
                                 "\u5199\u771f/\u590f\u4f11\u307f.jpg", "\u4f1a\u8b70\u306e\u8b70\u4e8b\u9332.docx" } },
                    NameCase { "Gbk",
                               "GBK",
                               { "\u4e2d\u6587.txt", "\u4e2d\u6587\u6587\u4ef6.txt",
                                 "\u62a5\u544a/\u4e8c\u3007\u4e8c\u56db\u5e74.txt", "\u7167\u7247.jpg" } },
                    NameCase { "Utf8WithoutTheFlag", "UTF-8", { "caf\u00e9.txt", "\u65e5\u672c\u8a9e.txt" } }),
    caseName<NameCase>);

} // namespace
