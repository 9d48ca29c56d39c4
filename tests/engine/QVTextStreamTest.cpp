// Text files to UTF-8 that span many read chunks: the copy is what one conversion of the whole
// file gives, a character split between two reads included, and a large file converts in small
// memory.

#include "engine/service/textconvert/QVTextCommands.h"

#include "CommandTestSupport.h"
#include "foundation/StringExpandText.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestNames.h"
#include "testsupport/ProgramRun.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <ostream>
#include <sys/resource.h>

using namespace tarsel::test;

namespace {

// The two-byte sets after a one-byte prefix, and the surrogate pairs after the byte order mark,
// put a character across every multiple of four bytes, so across every chunk boundary too.
static_assert(QVTextCommands::kChunkSize % 4 == 0);

struct StreamCase
{
    const char* name;
    const char* charset; ///< the set the file is written in
    QByteArray bom = {}; ///< written before the text
    QString prefix = {}; ///< puts the units out of step with the chunks
    QString unit = {}; ///< the text, repeated over many chunks
    const char* guessed = ""; ///< the set the guess names; empty: the file is not converted
    QByteArray brokenMiddle = {}; ///< raw bytes put in the middle of the text
    QByteArray brokenEnd = {}; ///< raw bytes put at its end
};

void PrintTo(const StreamCase& c, std::ostream* out)
{
    *out << c.name;
}

// Runs iconv(1) on the bytes; its output, or null when it fails.
QByteArray iconvTool(const QByteArray& input, const QString& from, const QString& to)
{
    const ProgramRun tool = runProgram("iconv", { "-f", from, "-t", to }, { .input = input });
    return tool.exitCode == 0 ? tool.out : QByteArray();
}

QByteArray encoded(const StreamCase& c, const QString& text)
{
    return iconvTool(text.toUtf8(), "UTF-8", QString::fromLatin1(c.charset));
}

class QVTextStreamTest : public CommandTest, public testing::WithParamInterface<StreamCase>
{
};

} // namespace

TEST_P(QVTextStreamTest, TheCopyIsTheWholeFileConverted)
{
    const StreamCase& c = GetParam();
    // About 1 MiB: some sixteen chunk boundaries, each inside a character.
    const qsizetype repeats = 16 * QVTextCommands::kChunkSize / encoded(c, c.unit).size() + 1;
    const QByteArray half = encoded(c, c.unit.repeated(repeats / 2));
    ASSERT_FALSE(half.isEmpty());
    const QByteArray contents = c.bom + encoded(c, c.prefix) + half + c.brokenMiddle + half + c.brokenEnd;
    const QString path = file("notes.txt", contents);
    const bool converts = *c.guessed != '\0';
    if (converts) {
        ASSERT_EQ(qv::textEncodingName(path), QString::fromLatin1(c.guessed));
    }

    AlertScript alerts;
    select({ path });
    ASSERT_TRUE(m_service.runHandedOverCommand("Convert to"));

    EXPECT_EQ(readFile(path), contents);
    const QString copy = m_dir + "/notes-utf8.txt";
    if (converts) {
        const QByteArray expected = iconvTool(contents, QString::fromLatin1(c.guessed), "UTF-8");
        ASSERT_FALSE(expected.isEmpty());
        EXPECT_TRUE(readFile(copy) == expected) << "the copy differs from iconv's conversion of the whole file";
        EXPECT_TRUE(alerts.shown().isEmpty());
    } else {
        EXPECT_FALSE(QFileInfo::exists(copy));
        ASSERT_EQ(alerts.shown().size(), 1);
        EXPECT_TRUE(alerts.shown().first().informativeText.contains(path));
    }
    // Nothing but the original and the copy: no temporary file is left behind.
    EXPECT_EQ(QDir(m_dir).entryList(QDir::Files | QDir::Hidden).size(), converts ? 2 : 1);
}

const StreamCase kStreamCases[] = {
    { .name = "Gbk", .charset = "GBK", .prefix = "a", .unit = "中文文本，这是一个测试。", .guessed = "GB18030" },
    { .name = "ShiftJis",
      .charset = "SHIFT_JIS",
      .prefix = "a",
      .unit = "日本語のテキストです。",
      .guessed = "SHIFT_JIS" },
    // One byte a character in, two out: the converted text outgrows its buffer.
    { .name = "Latin1",
      .charset = "ISO-8859-1",
      .unit = "déjà vu, café, naïve, été, à bientôt. ",
      .guessed = "ISO-8859-1" },
    // Surrogate pairs split between their two halves at every boundary; the byte
    // order mark read in the first chunk decides how all later ones are read.
    { .name = "Utf16LeWithBom",
      .charset = "UTF-16LE",
      .bom = QByteArray("\xff\xfe"),
      .unit = "😀😺",
      .guessed = "UTF-16" },
    { .name = "AlreadyUtf8", .charset = "UTF-8", .prefix = "ab", .unit = "中文", .guessed = "UTF-8" },
    { .name = "InvalidAfterManyChunks",
      .charset = "GBK",
      .prefix = "a",
      .unit = "中文文本",
      .guessed = "",
      .brokenMiddle = QByteArray("\xff") },
    { .name = "EndsInsideACharacter",
      .charset = "GBK",
      .prefix = "a",
      .unit = "中文文本",
      .guessed = "",
      .brokenEnd = QByteArray("\xd6") },
};

INSTANTIATE_TEST_SUITE_P(Texts, QVTextStreamTest, testing::ValuesIn(kStreamCases), caseName<StreamCase>);

namespace {

// Converts the file through the command with the address space limited to 128 MiB above what
// the process holds: reading the file whole, with room for its converted text, needs far more.
TARSEL_TEST_CHILD(convertTextUnderMemoryLimit)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) {
        return 3;
    }
    rlim_t vmSize = 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmSize:")) {
            vmSize = line.mid(7).trimmed().split(' ').first().toULongLong() * 1024;
        }
    }
    QVMenuService service;
    service.setSelectURLs({ QUrl::fromLocalFile(args.value(0)) });
    service.setIsSelectURL(true);
    const rlimit limit { vmSize + (128 << 20), vmSize + (128 << 20) };
    if (vmSize == 0 || ::setrlimit(RLIMIT_AS, &limit) != 0) {
        return 3;
    }
    return service.runHandedOverCommand("Convert to") ? 0 : 4;
}

} // namespace

// A 300 MB text once took 1.57 GB and a 6 GB one aborted the application: the file was read
// whole and converted in one piece.
TEST(QVTextStreamMemoryTest, ALargeTextConvertsInBoundedMemory)
{
    const QString dir = testHome() + "/work";
    ASSERT_TRUE(QDir().mkpath(dir));
    const QByteArray text = QByteArray("d\xe9j\xe0 vu, caf\xe9, na\xefve, \xe9t\xe9. ").repeated(200);
    const qint64 size = qint64(64) << 20;
    const QString path = dir + "/large.txt";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(text), text.size());
        ASSERT_TRUE(f.resize(size)); // the rest a hole of zero bytes: no disk used
    }
    const QByteArray utf8 = QString::fromLatin1(text).toUtf8();

    const auto result = runChild("convertTextUnderMemoryLimit", { path });
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();

    QFile copy(dir + "/large-utf8.txt");
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.size(), size - text.size() + utf8.size());
    EXPECT_EQ(copy.read(utf8.size()), utf8);
    bool zeros = true;
    for (QByteArray piece; zeros && !(piece = copy.read(1 << 20)).isEmpty();) {
        zeros = piece.count('\0') == piece.size();
    }
    EXPECT_TRUE(zeros);
    copy.remove();
}
