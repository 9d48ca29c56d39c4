#include "foundation/StringExpandText.h"

#include "platform/Bundle.h"
#include "platform/Pasteboard.h"
#include "platform/Paths.h"
#include "platform/Sound.h"
#include "platform/System.h"
#include "platform/Workspace.h"

#include "testsupport/ProgramRun.h"
#include "testsupport/FileStatus.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <ostream>

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <fcntl.h>
#include <unistd.h>

static void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

using tarsel::test::statOf;
using tarsel::test::testHome;
using tarsel::test::writeFile;

QString home(const QString& rel)
{
    return testHome() + QLatin1Char('/') + rel;
}

bool makeSymlink(const QString& target, const QString& link)
{
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) == 0;
}

} // namespace

// ----- formatting ----------------------------------------------------------------------------

TEST(StringExpandTest, FormatFillsObjectsAndNumbers)
{
    EXPECT_EQ(qv::stringWithFormat("%@ = %@", QStringLiteral("key"), 3), QStringLiteral("key = 3"));
    EXPECT_EQ(qv::stringWithFormat("%@://qvcommand-%ld", "TarselPro", 12L), QStringLiteral("TarselPro://qvcommand-12"));
    EXPECT_EQ(qv::stringWithFormat("%d%%", 50), QStringLiteral("50%"));
    EXPECT_EQ(qv::stringWithFormat("%lld", std::numeric_limits<qint64>::min()), QStringLiteral("-9223372036854775808"));
    EXPECT_EQ(qv::stringWithFormat("%llu", std::numeric_limits<quint64>::max()), "18446744073709551615");
    EXPECT_EQ(qv::stringWithFormat("%u", -1), QStringLiteral("18446744073709551615"));
    EXPECT_EQ(qv::stringWithFormat("[%05d][%-4d][%+d][%4d]", -42, 7, 3, 12), QStringLiteral("[-0042][7   ][+3][  12]"));
    EXPECT_EQ(qv::stringWithFormat("%x %X %#x %o %.3d", 255, 255, 255, 8, 5), QStringLiteral("ff FF 0xff 10 005"));
    EXPECT_EQ(qv::stringWithFormat("%4.2f %@", 1.5, "KB"), QStringLiteral("1.50 KB"));
    EXPECT_EQ(qv::stringWithFormat("%.3f|%f|%e|%g|%g", 2.0 / 3, 1.0, 12345.678, 0.0001, 1e20),
              "0.667|1.000000|1.234568e+04|0.0001|1e+20");
    EXPECT_EQ(qv::stringWithFormat("%d %d", 3.9, 1e30), QStringLiteral("3 9223372036854775807"));
    EXPECT_EQ(qv::stringWithFormat("%@ %@ %@ %@", 0.1, true, QByteArray("bytes"), QLatin1String("latin")),
              "0.1 1 bytes latin");
    EXPECT_EQ(qv::stringWithFormat("[%.2s][%5s][%-5@]", "abcdef", "ab", "cd"), QStringLiteral("[ab][   ab][cd   ]"));
    EXPECT_EQ(qv::stringWithFormat("%c%c%@", 65, 0x4E2D, QChar(u'/')), QStringLiteral("A中/"));
    EXPECT_EQ(qv::stringWithFormat("[%-05d][%+.2f][% d]", 7, 1.25, 3), QStringLiteral("[7    ][+1.25][ 3]"));
    EXPECT_EQ(qv::stringWithFormat("%05f|%f", std::numeric_limits<double>::infinity(), -0.0), "  inf|-0.000000");
}

// A format can be user text or a translation: nothing in it may reach the C library, a
// conversion without an argument stays as written, and widths cannot blow up.
TEST(StringExpandTest, FormatIsSafeForUntrustedFormats)
{
    EXPECT_EQ(qv::stringWithFormat("%n %p %s %@ %d", "only"), QStringLiteral("%n %p only %@ %d"));
    EXPECT_EQ(qv::stringWithFormat("100%"), QStringLiteral("100%"));
    EXPECT_EQ(qv::stringWithFormat("%*d %5", 3), QStringLiteral("%*d %5"));
    EXPECT_EQ(qv::stringWithFormat("%@", "%d %@ %n"), QStringLiteral("%d %@ %n"));
    EXPECT_EQ(qv::stringWithFormat("%999999999d", 1).size(), 1024);
    EXPECT_EQ(qv::stringWithFormat("%.999999999f", 1.0).size(), 66);
    EXPECT_EQ(qv::stringWithFormat("a", 1, 2), QStringLiteral("a"));
    EXPECT_EQ(qv::stringWithFormat(QString()), QString());
}

TEST(StringExpandTest, ChainingAnswersNewTexts)
{
    const QString base = "x";
    EXPECT_EQ(qv::line(qv::append(base, "=%@", 1), "%d", 2), "x=12\n");
    EXPECT_EQ(base, "x");
    EXPECT_EQ(qv::line(base), "x\n");
    EXPECT_EQ(qv::line(base, ""), "x\n");
    EXPECT_EQ(qv::replace("aAa", "a", "b"), "bAb");
    // An empty target would insert the replacement between every character.
    EXPECT_EQ(qv::replace("abc", QString(), "-"), "abc");
    EXPECT_EQ(qv::replace("abc", "b", QString()), "ac");
}

// ----- tests and cleaning --------------------------------------------------------------------

struct ValidCase
{
    const char* name; ///< what the row checks, its test name
    QString text;
    bool valid;
    bool blank;
};

using StringExpandValidTest = testing::TestWithParam<ValidCase>;

TEST_P(StringExpandValidTest, IsValidAndIsBlank)
{
    EXPECT_EQ(qv::isValid(GetParam().text), GetParam().valid);
    EXPECT_EQ(qv::isBlank(GetParam().text), GetParam().blank);
}

INSTANTIATE_TEST_SUITE_P(Texts, StringExpandValidTest,
                         testing::Values(ValidCase { "NullString", QString(), false, true },
                                         ValidCase { "EmptyString", "", false, true },
                                         ValidCase { "AsciiBlanks", " \n\t\r ", false, true },
                                         ValidCase { "UnicodeBlanks", "\u3000\u00a0\u2028", false, true },
                                         ValidCase { "NullMarker", "(null)", false, false },
                                         ValidCase { "LetterInBlanks", " a ", true, false },
                                         ValidCase { "Zero", "0", true, false },
                                         ValidCase { "NullMarkerAndBlank", "(null) ", true, false }),
                         tarsel::test::caseName<ValidCase>);

TEST(StringExpandTest, TrimUnwrapAndSubstrings)
{
    EXPECT_EQ(qv::trim(" \n a b \t"), "a b");
    EXPECT_EQ(qv::removeWhiteSpacesFromString("\u3000a\u3000"), "a");

    EXPECT_EQ(qv::unwrap("\"a\""), "a");
    EXPECT_EQ(qv::unwrap("'a b'"), "a b");
    EXPECT_EQ(qv::unwrap("''"), "");
    EXPECT_EQ(qv::unwrap("'a\""), "'a\"");
    EXPECT_EQ(qv::unwrap("\""), "\"");
    EXPECT_EQ(qv::unwrap("\"a"), "\"a");

    EXPECT_TRUE(qv::is("a", "a"));
    EXPECT_FALSE(qv::is("a", "A"));
    EXPECT_TRUE(qv::containsString("abc", "bc"));
    EXPECT_FALSE(qv::containsString("abc", QString()));
    EXPECT_FALSE(qv::containsString("abc", "C"));
    EXPECT_EQ(qv::removeSubString("abcabc", "bc"), "aabc");
    EXPECT_EQ(qv::removeSubString("abc", "x"), "abc");
    EXPECT_EQ(qv::removeSubString("abc", QString()), "abc");
}

TEST(StringExpandTest, CharacterClasses)
{
    EXPECT_TRUE(qv::containsOnlyLetters("abcÄé中"));
    EXPECT_TRUE(qv::containsOnlyLetters("e\u0301"));
    EXPECT_TRUE(qv::containsOnlyLetters("\U0001D400")); // a letter beyond UTF-16's first plane
    EXPECT_FALSE(qv::containsOnlyLetters("ab1"));
    EXPECT_FALSE(qv::containsOnlyLetters("a b"));
    EXPECT_TRUE(qv::containsOnlyLetters(QString()));

    EXPECT_TRUE(qv::containsOnlyNumbers("0123456789"));
    EXPECT_TRUE(qv::containsOnlyNumbers(QString()));
    EXPECT_FALSE(qv::containsOnlyNumbers("\u0661\u0662"));
    EXPECT_FALSE(qv::containsOnlyNumbers("-1"));

    EXPECT_TRUE(qv::containsOnlyNumbersAndLetters("ab12中\u0661"));
    EXPECT_FALSE(qv::containsOnlyNumbersAndLetters("a_b"));
    EXPECT_FALSE(qv::containsOnlyNumbersAndLetters("a b"));
}

TEST(StringExpandTest, Counting)
{
    EXPECT_EQ(qv::findNumber("a1b22"), 122);
    EXPECT_EQ(qv::findNumber("abc"), 0);
    EXPECT_EQ(qv::findNumber("v 1.2.3"), 123);
    EXPECT_EQ(qv::findNumber("\u0661\u0662"), 0);
    EXPECT_EQ(qv::findNumber("9223372036854775807"), std::numeric_limits<qint64>::max());
    // Longer runs saturate instead of overflowing.
    EXPECT_EQ(qv::findNumber("id 92233720368547758070 x"), std::numeric_limits<qint64>::max());

    EXPECT_EQ(qv::countNumberOfWords("  one two\nthree\t"), 3);
    EXPECT_EQ(qv::countNumberOfWords(" \n "), 0);

    EXPECT_EQ(qv::numberOfLines("a"), 2);
    EXPECT_EQ(qv::numberOfLines("a\nb\n"), 4);
    EXPECT_EQ(qv::numberOfLines(QString()), 2);
}

struct WordsCase
{
    const char* name; ///< what the row checks, its test name
    QString text;
    int count;
};

using StringExpandWordsCountTest = testing::TestWithParam<WordsCase>;

TEST_P(StringExpandWordsCountTest, HalvesAsciiAndBlanks)
{
    EXPECT_EQ(qv::wordsCount(GetParam().text), GetParam().count);
}

INSTANTIATE_TEST_SUITE_P(Texts, StringExpandWordsCountTest,
                         testing::Values(WordsCase { "NullString", QString(), 0 },
                                         WordsCase { "OnlyBlanks", "  \t ", 0 }, WordsCase { "OneLetter", "a", 1 },
                                         WordsCase { "ThreeLetters", "abc", 2 }, WordsCase { "FourLetters", "abcd", 2 },
                                         WordsCase { "TwoHanCharacters", "中文", 2 },
                                         WordsCase { "HanAndLetter", "中 a", 2 },
                                         WordsCase { "HanAndTwoLetters", "中 ab", 3 },
                                         WordsCase { "TabsThenHan", "\t\t中", 2 }),
                         tarsel::test::caseName<WordsCase>);

// ----- conversions ---------------------------------------------------------------------------

TEST(StringExpandTest, Utf8DataConversions)
{
    EXPECT_EQ(qv::convertToData("é"), QByteArray("\xc3\xa9"));
    EXPECT_EQ(qv::getStringFromData(QByteArray("\xc3\xa9")), "é");
    const QString empty = qv::getStringFromData(QByteArray());
    EXPECT_FALSE(empty.isNull());
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_TRUE(qv::getStringFromData(QByteArray("a\xff")).isNull());
    EXPECT_TRUE(qv::getStringFromData(QByteArray("\xc0\xaf")).isNull()); // overlong "/"
    EXPECT_TRUE(qv::getStringFromData(QByteArray("\xed\xa0\x80")).isNull()); // a surrogate
    EXPECT_TRUE(qv::getStringFromData(QByteArray("\xe4\xb8")).isNull()); // cut short

    // UTF-8 bytes that were read as Latin-1 are repaired; anything else is not guessed at.
    EXPECT_EQ(qv::encodeStringWithUTF8(QString::fromLatin1("\xc3\xa9t\xc3\xa9")), "été");
    EXPECT_TRUE(qv::encodeStringWithUTF8("中").isNull());
    EXPECT_TRUE(qv::encodeStringWithUTF8(QString::fromLatin1("\xe9t\xe9")).isNull());

    EXPECT_EQ(qv::byteLengthWithEncoding("é中", QStringConverter::Utf8), 5);
    EXPECT_EQ(qv::byteLengthWithEncoding("é中", QStringConverter::Utf16), 4);
    EXPECT_EQ(qv::byteLengthWithEncoding("é", QStringConverter::Latin1), 1);
    EXPECT_EQ(qv::byteLengthWithEncoding(QString(), QStringConverter::Utf8), 0);
}

TEST(StringExpandTest, PercentEncoding)
{
    EXPECT_EQ(qv::URLEncodedString("a b/c?d=é&!*'();:@+$,%#[]~-._"),
              "a%20b%2Fc%3Fd%3D%C3%A9%26%21%2A%27%28%29%3B%3A%40%2B%24%2C%25%23%5B%5D~-._");
    const QString nasty = "/Users/me/a b&c=d#e%25中.txt";
    EXPECT_EQ(qv::URLDecodedString(qv::URLEncodedString(nasty)), nasty);
    EXPECT_EQ(qv::URLDecodedString("a+b%2B"), "a+b+");
    EXPECT_TRUE(qv::URLDecodedString("%C3").isNull());
}

TEST(StringExpandTest, CharsetScanning)
{
    const QString s = "key=value;next";
    qsizetype end = -1;
    EXPECT_EQ(qv::substringFromIndex(s, 4, u";", &end), "value");
    EXPECT_EQ(end, 10);
    EXPECT_EQ(qv::substringFromIndex(s, 10, u";", &end), "next");
    EXPECT_EQ(end, s.size());
    EXPECT_EQ(qv::substringFromIndex(s, 9, u";", &end), "");
    EXPECT_EQ(end, 10);
    EXPECT_TRUE(qv::substringFromIndex(s, s.size(), u";").isNull());
    EXPECT_TRUE(qv::substringFromIndex(s, -1, u";").isNull());
    EXPECT_TRUE(qv::substringFromIndex(QString(), 0, u";").isNull());

    EXPECT_EQ(qv::countFromIndex("  \tx", 0, u" \t"), 3);
    EXPECT_EQ(qv::countFromIndex("  \tx", 3, u" \t"), 0);
    EXPECT_EQ(qv::countFromIndex("ab", 2, u"ab"), 0);
}

TEST(StringExpandTest, Addresses)
{
    EXPECT_TRUE(qv::netUrl("https://example.com/a?b=c").isValid());
    EXPECT_FALSE(qv::netUrl("https://example.com/a b").isValid());
    EXPECT_FALSE(qv::netUrl(QString()).isValid());
    EXPECT_EQ(qv::localUrl("/tmp/a b#c").toLocalFile(), "/tmp/a b#c");

    const QUrl help = qv::hashURL("/tmp/help dir/index.html#intro");
    EXPECT_EQ(help.toLocalFile(), "/tmp/help dir/index.html");
    EXPECT_EQ(help.fragment(), "intro");
    EXPECT_EQ(qv::hashURL("/tmp/a").toLocalFile(), "/tmp/a");
    EXPECT_FALSE(qv::hashURL("/tmp/a").hasFragment());

    const QString id = qv::uuid();
    EXPECT_TRUE(
        QRegularExpression("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$").match(id).hasMatch())
        << id.toStdString();
    EXPECT_NE(qv::uuid(), id);
}

TEST(StringExpandTest, HexColours)
{
    EXPECT_EQ(qv::rgbColor("#ff8000"), QColor(255, 128, 0));
    EXPECT_EQ(qv::rgbColor("FF8000"), QColor(255, 128, 0));
    EXPECT_EQ(qv::rgbColor("#10zz"), QColor(0, 0, 16));
    EXPECT_EQ(qv::rgbColor("0x0000ff"), QColor(0, 0, 255));
    EXPECT_EQ(qv::rgbColor("#zz"), QColor(0, 0, 0));
    EXPECT_EQ(qv::rgbColor("##fff"), QColor(0, 0, 0)); // only one "#" is dropped
    EXPECT_EQ(qv::rgbColor("#ffffffffffff"), QColor(255, 255, 255));
    EXPECT_FALSE(qv::rgbColor(" ").isValid());
    EXPECT_FALSE(qv::rgbColor("(null)").isValid());
    const QColor half = qv::rgbColorWithAlpha("#000080", 0.5);
    EXPECT_EQ(half.blue(), 128);
    EXPECT_NEAR(half.alphaF(), 0.5, 0.01);
    EXPECT_TRUE(qv::rgbColorWithAlpha("#fff", 7.0).isValid());
}

TEST(StringExpandTest, Dates)
{
    EXPECT_EQ(qv::qtDateFormat("yyyy-MM-dd'T'HH:mm:ss.SSSZ"), "yyyy-MM-dd'T'HH:mm:ss.zzzt");
    EXPECT_EQ(qv::qtDateFormat("EEEE h:mm a 'o''clock' q"), "dddd h:mm AP 'o''clock' 'q'");

    EXPECT_EQ(qv::convertToDate("2024-03-05 14:07:09 and more"), QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    EXPECT_FALSE(qv::convertToDate("2024-03-05").isValid());
    EXPECT_EQ(qv::convertToDateWithFormat("05/03/2024", "dd/MM/yyyy").date(), QDate(2024, 3, 5));
    EXPECT_FALSE(qv::convertToDateWithFormat("yesterday", "dd/MM/yyyy").isValid());
    EXPECT_FALSE(qv::convertToDateWithFormat(QString(), "dd/MM/yyyy").isValid());

    // Server times are shown in Shanghai time.
    EXPECT_EQ(qv::standardTimeString("2024-03-05T22:07:08.123Z"), "2024-03-06 06:07:08");
    EXPECT_EQ(qv::standardTimeString("2024-03-05T06:07:08.000+0100"), "2024-03-05 13:07:08");
    EXPECT_EQ(qv::standardTimeStringWithFormat("2024-03-05T06:07:08.000+08:00", "yyyy年M月d日"), "2024年3月5日");
    EXPECT_EQ(qv::standardTimeString("2024-03-05"), "2024-03-05");
    EXPECT_TRUE(qv::standardTimeString("not a time but long enough").isNull());
    EXPECT_TRUE(qv::standardTimeString("  ").isNull());
}

// ----- versions and sizes --------------------------------------------------------------------

struct VersionCase
{
    const char* name; ///< what the row checks, its test name
    QString a;
    QString b;
    int result;
};

using StringExpandVersionTest = testing::TestWithParam<VersionCase>;

TEST_P(StringExpandVersionTest, ComparesBothWays)
{
    EXPECT_EQ(qv::compareVersion(GetParam().a, GetParam().b), GetParam().result);
    EXPECT_EQ(qv::compareVersion(GetParam().b, GetParam().a), -GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Versions, StringExpandVersionTest,
                         testing::Values(VersionCase { "MissingPartIsZero", "1.2", "1.2.0", 0 },
                                         VersionCase { "PartsCompareAsNumbers", "1.10", "1.9", 1 },
                                         VersionCase { "ShorterIsOlder", "2", "2.0.1", -1 },
                                         VersionCase { "PatchComparesAsNumber", "1.2.3", "1.2.10", -1 },
                                         VersionCase { "MajorDecides", "10.0", "9.99", 1 },
                                         VersionCase { "LettersAfterDigitsIgnored", "1.2b", "1.2", 0 },
                                         VersionCase { "LetterPartIsZero", "1.beta", "1.0", 0 },
                                         VersionCase { "NullIsZero", QString(), "0.0", 0 },
                                         VersionCase { "EmptyPartIsZero", "1..2", "1.0.2", 0 },
                                         VersionCase { "BeyondSixtyFourBits", "99999999999999999999999",
                                                       "9223372036854775806", 1 }),
                         tarsel::test::caseName<VersionCase>);

struct SizeCase
{
    const char* name; ///< what the row checks, its test name
    double bytes;
    QString text;
};

using StringExpandSizeTextTest = testing::TestWithParam<SizeCase>;

TEST_P(StringExpandSizeTextTest, StepsByThousand)
{
    EXPECT_EQ(qv::fileSizeWithValue(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Sizes, StringExpandSizeTextTest,
                         testing::Values(SizeCase { "Zero", 0, "0.00 B" },
                                         SizeCase { "ThousandStaysBytes", 1000, "1000.00 B" },
                                         SizeCase { "JustOverThousandIsKilo", 1001, "1.00 KB" },
                                         SizeCase { "OneAndAHalfKilo", 1500, "1.50 KB" },
                                         SizeCase { "Mega", 2.5e6, "2.50 MB" }, SizeCase { "Giga", 3e9, "3.00 GB" },
                                         SizeCase { "ThousandTera", 1e15, "1000.00 TB" },
                                         // Beyond the last unit the value stays in TB.
                                         SizeCase { "BeyondTeraStaysTera", 1.5e18, "1500000.00 TB" },
                                         SizeCase { "Negative", -5, "-5.00 B" }),
                         tarsel::test::caseName<SizeCase>);

TEST(StringExpandTest, FileSizeCountsEverythingBelowAFolder)
{
    EXPECT_EQ(qv::fileSize(home("missing")), 0);
    EXPECT_EQ(qv::fileSize(QString()), 0);
    const QString file = writeFile(home("five.txt"), "12345");
    EXPECT_EQ(qv::fileSize(file), 5);

    const QString dir = home("tree");
    writeFile(dir + "/a", "abc");
    writeFile(dir + "/.hidden", "abcd");
    writeFile(dir + "/sub/deep/b", QByteArray(10, 'x'));
    // A link counts as itself, never its target.
    ASSERT_TRUE(makeSymlink(file, dir + "/link"));
    ASSERT_TRUE(makeSymlink(testHome(), dir + "/loop"));
    const qint64 expected = 3 + 4 + 10 + statOf(dir + "/sub", false).st_size + statOf(dir + "/sub/deep", false).st_size
        + statOf(dir + "/link", false).st_size + statOf(dir + "/loop", false).st_size;
    EXPECT_EQ(qv::fileSize(dir), expected);
    EXPECT_EQ(qv::fileSize(dir + "/link"), statOf(dir + "/link", false).st_size);
}

// ----- shell ---------------------------------------------------------------------------------

TEST(StringExpandTest, CmdSpaceEscapesOnlyBlanks)
{
    EXPECT_EQ(qv::cmdSpace("/a b/c d.txt"), "/a\\ b/c\\ d.txt");
    EXPECT_EQ(qv::cmdSpace("it's;$x\""), "it's;$x\"");
}

TEST(StringExpandTest, ShellQuotedKeepsOrdinaryNamesAsCmdSpace)
{
    for (const QString& name :
         QStringList { "/Users/me/My Report 2.txt", "a_b-c.d+e,f:g=h@i%j", "中文 名字.txt", "x~y", "a#b" }) {
        EXPECT_EQ(qv::shellQuoted(name), qv::cmdSpace(name));
    }
    EXPECT_EQ(qv::shellQuoted(QString()), "''");
    EXPECT_EQ(qv::shellQuoted("a;b"), "a\\;b");
    EXPECT_EQ(qv::shellQuoted("Icon\r"), "$'Icon\\r'");
}

namespace {

QStringList nastyNames()
{
    return {
        "a;b",
        "$(touch pwned)",
        "`touch pwned`",
        "a&b&&c",
        "a|b",
        "'",
        "\"",
        "it's \"q\"",
        "a\nb",
        "*",
        "?",
        "[ab]",
        "{a,b}",
        "~",
        "~root/x",
        "a=~",
        "x:~/y",
        "-rf",
        "--",
        "#c",
        "a#b",
        "$HOME",
        "${HOME}x",
        "!x",
        "a\\b",
        "a\\",
        "a b  c ",
        " ",
        "\t",
        "Icon\r",
        "\x01\x1b[31m",
        "\x7f",
        "a>b<c",
        "a^b",
        "中文 名字.txt",
        "e\u0301",
        "\u00a0nbsp",
        "😀\n'",
        "a(b)c",
        "%q%s",
        "\\$'x'",
        "!!",
    };
}

} // namespace

// Every name must come back unchanged through a real bash, and nothing in it may run.
TEST(StringExpandTest, ShellQuotedSurvivesRealBash)
{
    QStringList names = nastyNames();
    names.append(QString(QChar(0xD800)) + "x"); // an unpaired surrogate
    QTemporaryDir work(testHome() + "/bash-XXXXXX");
    ASSERT_TRUE(work.isValid());
    QString script;
    QByteArray expected;
    for (const QString& name : names) {
        script += QStringLiteral("printf '%s\\0' ") + qv::shellQuoted(name) + QLatin1Char('\n');
        // Encoded as the command line itself is (an unpaired surrogate becomes U+FFFD).
        expected += QFile::encodeName(name) + '\0';
    }
    for (const char* locale : { "C", "C.UTF-8" }) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", QString::fromLatin1(locale));
        const tarsel::test::ProgramRun bash = tarsel::test::runProgram(
            "/bin/bash", { "-c", script }, { .env = env, .folder = work.path(), .timeoutMs = 30000 });
        ASSERT_TRUE(bash.finished);
        EXPECT_EQ(bash.exitCode, 0) << bash.err.toStdString();
        const QList<QByteArray> got = bash.out.split('\0');
        const QList<QByteArray> want = expected.split('\0');
        ASSERT_EQ(got.size(), want.size()) << locale;
        for (qsizetype i = 0; i < want.size(); ++i) {
            EXPECT_EQ(got.at(i), want.at(i)) << locale << " name #" << i;
        }
    }
    EXPECT_TRUE(QDir(work.path()).isEmpty()) << "a quoted name ran a command";
}

// ----- path tests ----------------------------------------------------------------------------

TEST(StringExpandTest, FolderAndPackageTests)
{
    const QString dir = home("Thing.app");
    ASSERT_TRUE(QDir().mkpath(dir));
    QDir().mkpath(home("plain"));
    QDir().mkpath(home(".config.d"));
    const QString file = writeFile(home("file.txt"), "x");
    ASSERT_TRUE(makeSymlink(dir, home("link.app")));

    EXPECT_TRUE(qv::isFolder(dir));
    EXPECT_FALSE(qv::isFolder(file));
    EXPECT_FALSE(qv::isFolder(home("link.app")));
    EXPECT_FALSE(qv::isFolder(home("missing")));
    EXPECT_FALSE(qv::isFolder(QString()));

    EXPECT_TRUE(qv::isPackage(dir));
    EXPECT_TRUE(qv::isPackage(home(".config.d")));
    EXPECT_FALSE(qv::isPackage(home("plain")));
    EXPECT_FALSE(qv::isPackage(file));
    EXPECT_FALSE(qv::isPackage(home("link.app")));
    EXPECT_FALSE(qv::isPackage(home(".config")));
}

TEST(StringExpandTest, ImageTestByExtensionElseContent)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString png = home("pic.png");
    ASSERT_TRUE(image.save(png));
    ASSERT_TRUE(QFile::copy(png, home("noextension")));
    writeFile(home("notes"), "just some text\n");
    writeFile(home("fake.txt"), tarsel::test::readFile(png));
    QDir().mkpath(home("folder"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(home("pipe")).constData(), 0600), 0);

    EXPECT_TRUE(qv::isImage(png));
    EXPECT_TRUE(qv::isImage(home("PHOTO.JPG"))); // the name decides
    EXPECT_TRUE(qv::isImage(home("noextension")));
    EXPECT_FALSE(qv::isImage(home("fake.txt")));
    EXPECT_FALSE(qv::isImage(home("notes")));
    EXPECT_FALSE(qv::isImage(home("folder")));
    EXPECT_FALSE(qv::isImage(home("pipe"))); // must not block on a pipe
    EXPECT_FALSE(qv::isImage(home("missing")));
    EXPECT_FALSE(qv::isImage(QString()));
}

TEST(StringExpandTest, DesktopAndSystemFolders)
{
    const QString h = platform::Paths::home();
    EXPECT_TRUE(qv::isDesktop(h + "/Desktop"));
    EXPECT_FALSE(qv::isDesktop(h));
    EXPECT_EQ(qv::desktopPath(), h + "/Desktop");
    EXPECT_EQ(qv::documentPath(), h + "/Documents");
    EXPECT_EQ(qv::homePath(), h);

    for (const QString& yes : QStringList { "/", "/Users", "/home", h, h + "/Desktop", h + "/Library", h + "/Music",
                                            "/Volumes", "/mnt", "/media/" + platform::Paths::userName(), "/System",
                                            "/Users/someone/Desktop", "/mnt/usb/Pictures", "/srv/Applications" }) {
        EXPECT_TRUE(qv::isSystemFolder(yes)) << yes.toStdString();
    }
    for (const QString& no :
         QStringList { h + "/Desktop/project", "/x/desktop", "/x/Music", h + "/Projects", "/Users/", QString() }) {
        EXPECT_FALSE(qv::isSystemFolder(no)) << no.toStdString();
    }

    // Translated user folders count under their own names.
    writeFile(platform::Paths::configHome() + "/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    EXPECT_TRUE(qv::isDesktop(h + "/Schreibtisch"));
    EXPECT_TRUE(qv::isSystemFolder(h + "/Schreibtisch"));
    EXPECT_EQ(qv::toDesktop("out"), h + "/Schreibtisch/out");
    EXPECT_TRUE(qv::isFolder(h + "/Schreibtisch/out"));
}

TEST(StringExpandTest, ExistenceWritabilityAndIcons)
{
    const QString file = writeFile(home("f"), "x");
    ASSERT_TRUE(makeSymlink(home("gone"), home("dangling")));
    EXPECT_TRUE(qv::isExist(file));
    EXPECT_TRUE(qv::isExist(home("dangling")));
    EXPECT_FALSE(qv::isExist(home("gone")));
    EXPECT_FALSE(qv::isExist(QString()));

    EXPECT_TRUE(qv::isWritable(file));
    EXPECT_TRUE(qv::isWritable(testHome()));
    EXPECT_FALSE(qv::isWritable(home("gone/x")));
    EXPECT_FALSE(qv::isWritable(QString()));

    const QString withIcon = home("withIcon");
    writeFile(withIcon + "/Icon\r", "");
    writeFile(home("plainIcon/Icon"), "");
    EXPECT_TRUE(qv::hasCustomIcon(withIcon));
    EXPECT_FALSE(qv::hasCustomIcon(home("plainIcon")));
    EXPECT_FALSE(qv::hasCustomIcon(home("gone")));
}

TEST(StringExpandTest, LockedByMarkOrImmutableFlag)
{
    const QString file = writeFile(home("doc.txt"), "x");
    EXPECT_FALSE(qv::isLocked(file));
    EXPECT_FALSE(qv::isLocked(home("missing")));

    const QByteArray name = QFile::encodeName(file);
    if (::setxattr(name.constData(), "user.tarsel.locked", "1", 1, 0) != 0) {
        GTEST_SKIP() << "user extended attributes not supported here";
    }
    EXPECT_TRUE(qv::isLocked(file));
    ASSERT_EQ(::removexattr(name.constData(), "user.tarsel.locked"), 0);
    EXPECT_FALSE(qv::isLocked(file));

    const QString dir = home("frozen");
    QDir().mkpath(dir);
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    int flags = 0;
    const bool canSet = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0
        && (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    if (canSet) {
        EXPECT_TRUE(qv::isLocked(dir));
        EXPECT_FALSE(qv::remove(dir)); // the flag really holds
        flags &= ~FS_IMMUTABLE_FL;
        EXPECT_EQ(::ioctl(fd, FS_IOC_SETFLAGS, &flags), 0);
        EXPECT_FALSE(qv::isLocked(dir));
    }
    ::close(fd);
}

// ----- making and finding paths --------------------------------------------------------------

struct UniqueCase
{
    const char* name; ///< what the row checks, its test name
    QList<const char*> taken; ///< "x/" a folder, "@x" a dangling link, else a file
    const char* asked;
    const char* answer;
};

using StringExpandUniquePathTest = testing::TestWithParam<UniqueCase>;

TEST_P(StringExpandUniquePathTest, FindsTheFirstFreeName)
{
    const QString root = home("t");
    for (const QString taken : GetParam().taken) {
        if (taken.endsWith(QLatin1Char('/'))) {
            QDir().mkpath(root + QLatin1Char('/') + taken);
        } else if (taken.startsWith(QLatin1Char('@'))) {
            QDir().mkpath(root);
            ASSERT_TRUE(makeSymlink(root + "/nowhere", root + QLatin1Char('/') + taken.mid(1)));
        } else {
            writeFile(root + QLatin1Char('/') + taken, "x");
        }
    }
    EXPECT_EQ(qv::uniquePath(root + QLatin1Char('/') + QString::fromUtf8(GetParam().asked)),
              root + QLatin1Char('/') + QString::fromUtf8(GetParam().answer));
}

INSTANTIATE_TEST_SUITE_P(Names, StringExpandUniquePathTest,
                         testing::Values(UniqueCase { "FreeNameKept", {}, "a.txt", "a.txt" },
                                         UniqueCase { "TakenGetsOne", { "a.txt" }, "a.txt", "a-1.txt" },
                                         UniqueCase { "OneTakenGetsTwo", { "a.txt", "a-1.txt" }, "a.txt", "a-2.txt" },
                                         UniqueCase { "FolderTaken", { "folder/" }, "folder", "folder-1" },
                                         UniqueCase {
                                             "DoubleExtensionTaken", { "a.tar.gz" }, "a.tar.gz", "a.tar-1.gz" },
                                         UniqueCase { "DotFileTaken", { ".bashrc" }, ".bashrc", ".bashrc-1" },
                                         UniqueCase { "TrailingDotTaken", { "name." }, "name.", "name.-1" },
                                         UniqueCase { "DottedFolderTaken", { "v1.0/" }, "v1.0", "v1-1.0" },
                                         // A dangling link is taken: writing there would follow it.
                                         UniqueCase { "DanglingLinkTaken", { "@x.txt" }, "x.txt", "x-1.txt" }),
                         tarsel::test::caseName<UniqueCase>);

TEST(StringExpandTest, RemoveAndCreateDir)
{
    const QString tree = home("tree");
    writeFile(tree + "/a/b/c.txt", "x");
    const QString kept = writeFile(home("kept/inside.txt"), "y");
    ASSERT_TRUE(makeSymlink(home("kept"), tree + "/link"));
    EXPECT_TRUE(qv::remove(tree));
    EXPECT_FALSE(qv::isExist(tree));
    EXPECT_TRUE(qv::isExist(kept)); // a link's target is left alone
    EXPECT_FALSE(qv::remove(tree));
    EXPECT_FALSE(qv::remove(QString()));

    const QString target = writeFile(home("out"), "old file");
    EXPECT_TRUE(qv::createDir(target));
    EXPECT_TRUE(qv::isFolder(target));
    EXPECT_TRUE(qv::createDir(home("x/y/z")));
    EXPECT_TRUE(qv::isFolder(home("x/y/z")));
    // A file where a parent folder should be.
    EXPECT_FALSE(qv::createDir(home("kept/inside.txt/sub")));
    EXPECT_FALSE(qv::createDir(QString()));
}

TEST(StringExpandTest, TempFoldersStayInsideThePrivateSupportFolder)
{
    const QString support = platform::Paths::applicationSupport(platform::System::bundleIdentifier());
    const QString temp = qv::toTempFolderPath(".job");
    EXPECT_EQ(temp, support + "/.job");
    ASSERT_TRUE(qv::isFolder(temp));
    writeFile(temp + "/scratch", "x");
    EXPECT_EQ(qv::toTempFolderPath(".job", false), temp);
    EXPECT_TRUE(qv::isExist(temp + "/scratch"));
    EXPECT_EQ(qv::toTempFolderPath(".job"), temp);
    EXPECT_TRUE(QDir(temp).isEmpty());

    // Names that would leave the folder are refused, and nothing outside is touched.
    const QString outside = writeFile(platform::Paths::dataHome() + "/other/keep", "z");
    for (const QString& bad :
         QStringList { "../../other", "..", ".", "a/b", "/abs", QString(), QStringLiteral("a") + QChar(0) }) {
        EXPECT_TRUE(qv::toTempFolderPath(bad).isNull()) << bad.toStdString();
    }
    EXPECT_TRUE(qv::isExist(outside));
    EXPECT_FALSE(qv::isExist(support + "/a"));
    EXPECT_FALSE(qv::isExist("/abs"));

    // A file where the folder should be is reported, not answered as a folder.
    writeFile(support + "/plainfile", "f");
    EXPECT_TRUE(qv::toTempFolderPath("plainfile", false).isNull());
}

TEST(StringExpandTest, RemoveAllTempFolderRemovesOnlyPrivateDotItems)
{
    const QString support = platform::Paths::applicationSupport(platform::System::bundleIdentifier());
    ASSERT_FALSE(qv::toTempFolderPath(".a").isNull());
    writeFile(support + "/.b", "b");
    writeFile(support + "/keep/.c", "c");
    const QString shared = writeFile(platform::Paths::dataHome() + "/.shared-by-others", "s");
    const QString sibling = writeFile(platform::Paths::tarselDataRoot() + "/.sibling", "s");

    qv::removeAllTempFolder();
    EXPECT_FALSE(qv::isExist(support + "/.a"));
    EXPECT_FALSE(qv::isExist(support + "/.b"));
    EXPECT_TRUE(qv::isExist(support + "/keep/.c"));
    EXPECT_TRUE(qv::isExist(shared));
    EXPECT_TRUE(qv::isExist(sibling));
    qv::removeAllTempFolder(); // nothing left to remove is fine
}

TEST(StringExpandTest, UserFolderPaths)
{
    const QString movie = qv::toMoviesPath("clips");
    EXPECT_EQ(movie, platform::Paths::movies() + "/clips");
    EXPECT_TRUE(qv::isFolder(movie));
    EXPECT_EQ(qv::toDocument("notes"), platform::Paths::documents() + "/notes");
    EXPECT_TRUE(qv::isFolder(platform::Paths::documents() + "/notes"));
    EXPECT_EQ(qv::toDesktop(QString()), platform::Paths::desktop());
    // An existing file of that name is left as it is.
    const QString file = writeFile(platform::Paths::desktop() + "/file", "f");
    EXPECT_EQ(qv::toDesktop("file"), file);
    EXPECT_EQ(tarsel::test::readFile(file), QByteArray("f"));
}

// ----- text encoding -------------------------------------------------------------------------

TEST(StringExpandTest, TextEncodingGuessesFromTheFirstBytes)
{
    const QString chinese = QStringLiteral(
        "这是一个中文文本文件，用来测试字符集的检测是否正确。我们需要足够多的文字才能让检测器做出可靠的判断。"
        "中华人民共和国是一个历史悠久的国家，有着灿烂的文化。");
    const QString utf8 = writeFile(home("utf8.txt"), chinese.toUtf8());
    QStringEncoder gb("GB18030");
    ASSERT_TRUE(gb.isValid());
    const QByteArray gbBytes = gb.encode(chinese.repeated(3));
    const QString gbFile = writeFile(home("gb.txt"), gbBytes);
    // Only the first 2048 bytes are read: plain ASCII there decides.
    const QString late = writeFile(home("late.txt"), QByteArray(2048, 'a') + gbBytes);

    EXPECT_EQ(qv::textEncodingName(utf8), "UTF-8");
    EXPECT_EQ(qv::textEncodingName(gbFile), "GB18030");
    EXPECT_EQ(qv::textEncodingName(late), "ASCII");
    EXPECT_FALSE(qv::textEncodingName(writeFile(home("empty"), QByteArray())).isNull());
}

TEST(StringExpandTest, TextEncodingReportsUnreadableFilesOnStdout)
{
    QDir().mkpath(home("dir"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(home("pipe")).constData(), 0600), 0);
    for (const QString& path : { home("missing"), home("dir"), home("pipe") }) {
        testing::internal::CaptureStdout();
        const QString name = qv::textEncodingName(path);
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(name.isNull()) << path.toStdString();
        EXPECT_EQ(out, "文件打开失败！\n") << path.toStdString();
    }
}

// ----- workspace, sound and pasteboard -------------------------------------------------------

namespace {

// Records what the workspace would launch instead of starting programs.
class LaunchRecorder
{
public:
    LaunchRecorder()
    {
        platform::Workspace::setLauncher([this](const QString& program, const QStringList& args) {
            m_launched << (QStringList { program } + args);
            return true;
        });
    }
    ~LaunchRecorder() { platform::Workspace::setLauncher({}); }
    const QList<QStringList>& launched() const { return m_launched; }

private:
    QList<QStringList> m_launched;
};

} // namespace

TEST(StringExpandTest, OpenUrlHandsValidAddressesToTheWorkspace)
{
    LaunchRecorder recorder;
    EXPECT_TRUE(qv::openURL("https://example.com/a?b=c"));
    ASSERT_EQ(recorder.launched().size(), 1);
    EXPECT_TRUE(recorder.launched().first().contains("https://example.com/a?b=c"));
    EXPECT_FALSE(qv::openURL("https://exa mple.com/"));
    EXPECT_FALSE(qv::openURL(QString()));
    EXPECT_FALSE(qv::openURL(QUrl()));
    EXPECT_EQ(recorder.launched().size(), 1);

    const QUrl store = qv::appstoreUrlWithId("1234567890");
    EXPECT_EQ(store.scheme(), "itms-apps");
    EXPECT_TRUE(store.toString().endsWith("/id1234567890"));
}

// Without a file-manager service on the session bus, revealing opens the parent folder. It
// runs in a child so that the bogus bus address stays there.
TARSEL_TEST_CHILD(revealWithoutBus)
{
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tarsel-test-bus");
    LaunchRecorder recorder;
    const bool shown = qv::openInFinder(args.value(0));
    for (const QStringList& launch : recorder.launched()) {
        std::printf("%s\n", qPrintable(launch.join(QLatin1Char('|'))));
    }
    return shown ? 0 : 1;
}

TEST(StringExpandTest, OpenInFinderRevealsExistingItems)
{
    const QString file = writeFile(home("docs/report 1.txt"), "x");
    const auto shown = tarsel::test::runChild("revealWithoutBus", { file });
    EXPECT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    EXPECT_TRUE(shown.out.contains(QFile::encodeName(home("docs"))));
    const auto missing = tarsel::test::runChild("revealWithoutBus", { home("gone") });
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.isEmpty());
}

TEST(StringExpandTest, PlayFilesElseNamedSounds)
{
    platform::Sound::setRecording(true);
    const QString file = writeFile(home("ding.oga"), "not really audio");
    EXPECT_TRUE(qv::play(file));
    EXPECT_TRUE(qv::play("bell"));
    // A bundle resource is a file too, not the name of a theme sound.
    const QString resource = platform::Bundle::resourcePath("Localizable", "strings");
    ASSERT_TRUE(resource.startsWith(QLatin1String(":/")));
    EXPECT_TRUE(qv::play(resource));
    EXPECT_FALSE(qv::play(QString()));
    EXPECT_FALSE(qv::play(" "));
    EXPECT_EQ(platform::Sound::recorded(), (QStringList { file, "name:bell", resource }));
    platform::Sound::setRecording(false);
}

TEST(StringExpandTest, PasteboardHoldsTheTrimmedText)
{
    platform::Pasteboard::useMemoryBoard(true);
    EXPECT_TRUE(qv::copyToPasteboard("  /a b/c \n"));
    EXPECT_EQ(qv::paste(), "/a b/c");
    platform::Pasteboard::general().clear();
    const QString nothing = qv::paste();
    EXPECT_FALSE(nothing.isNull());
    EXPECT_TRUE(nothing.isEmpty());
    platform::Pasteboard::useMemoryBoard(false);
}

TEST(StringExpandTest, ResourcesAsText)
{
    const QString expected = QString::fromUtf8(
        tarsel::test::readFile(QStringLiteral(QT_TESTCASE_SOURCEDIR) + "/../resources/en.lproj/Localizable.strings"));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(qv::fromResource("Localizable.strings"), expected);
    EXPECT_TRUE(qv::fromResource("missing.txt").isNull());
    EXPECT_TRUE(qv::fromResource(QString()).isNull());
}
