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
    EXPECT_EQ(qv::stringWithFormat("%llu", std::numeric_limits<quint64>::max()),
              QStringLiteral("18446744073709551615"));
    EXPECT_EQ(qv::stringWithFormat("%u", -1), QStringLiteral("18446744073709551615"));
    EXPECT_EQ(qv::stringWithFormat("[%05d][%-4d][%+d][%4d]", -42, 7, 3, 12), QStringLiteral("[-0042][7   ][+3][  12]"));
    EXPECT_EQ(qv::stringWithFormat("%x %X %#x %o %.3d", 255, 255, 255, 8, 5), QStringLiteral("ff FF 0xff 10 005"));
    EXPECT_EQ(qv::stringWithFormat("%4.2f %@", 1.5, "KB"), QStringLiteral("1.50 KB"));
    EXPECT_EQ(qv::stringWithFormat("%.3f|%f|%e|%g|%g", 2.0 / 3, 1.0, 12345.678, 0.0001, 1e20),
              QStringLiteral("0.667|1.000000|1.234568e+04|0.0001|1e+20"));
    EXPECT_EQ(qv::stringWithFormat("%d %d", 3.9, 1e30), QStringLiteral("3 9223372036854775807"));
    EXPECT_EQ(qv::stringWithFormat("%@ %@ %@ %@", 0.1, true, QByteArray("bytes"), QLatin1String("latin")),
              QStringLiteral("0.1 1 bytes latin"));
    EXPECT_EQ(qv::stringWithFormat("[%.2s][%5s][%-5@]", "abcdef", "ab", "cd"), QStringLiteral("[ab][   ab][cd   ]"));
    EXPECT_EQ(qv::stringWithFormat("%c%c%@", 65, 0x4E2D, QChar(u'/')), QStringLiteral("A中/"));
    EXPECT_EQ(qv::stringWithFormat("[%-05d][%+.2f][% d]", 7, 1.25, 3), QStringLiteral("[7    ][+1.25][ 3]"));
    EXPECT_EQ(qv::stringWithFormat("%05f|%f", std::numeric_limits<double>::infinity(), -0.0),
              QStringLiteral("  inf|-0.000000"));
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
    const QString base = QStringLiteral("x");
    EXPECT_EQ(qv::line(qv::append(base, "=%@", 1), "%d", 2), QStringLiteral("x=12\n"));
    EXPECT_EQ(base, QStringLiteral("x"));
    EXPECT_EQ(qv::line(base), QStringLiteral("x\n"));
    EXPECT_EQ(qv::line(base, QStringLiteral("")), QStringLiteral("x\n"));
    EXPECT_EQ(qv::replace(QStringLiteral("aAa"), QStringLiteral("a"), QStringLiteral("b")), QStringLiteral("bAb"));
    // An empty target would insert the replacement between every character.
    EXPECT_EQ(qv::replace(QStringLiteral("abc"), QString(), QStringLiteral("-")), QStringLiteral("abc"));
    EXPECT_EQ(qv::replace(QStringLiteral("abc"), QStringLiteral("b"), QString()), QStringLiteral("ac"));
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
                                         ValidCase { "EmptyString", QStringLiteral(""), false, true },
                                         ValidCase { "AsciiBlanks", QStringLiteral(" \n\t\r "), false, true },
                                         ValidCase { "UnicodeBlanks", QStringLiteral("\u3000\u00a0\u2028"), false,
                                                     true },
                                         ValidCase { "NullMarker", QStringLiteral("(null)"), false, false },
                                         ValidCase { "LetterInBlanks", QStringLiteral(" a "), true, false },
                                         ValidCase { "Zero", QStringLiteral("0"), true, false },
                                         ValidCase { "NullMarkerAndBlank", QStringLiteral("(null) "), true, false }),
                         tarsel::test::caseName<ValidCase>);

TEST(StringExpandTest, TrimUnwrapAndSubstrings)
{
    EXPECT_EQ(qv::trim(QStringLiteral(" \n a b \t")), QStringLiteral("a b"));
    EXPECT_EQ(qv::removeWhiteSpacesFromString(QStringLiteral("\u3000a\u3000")), QStringLiteral("a"));

    EXPECT_EQ(qv::unwrap(QStringLiteral("\"a\"")), QStringLiteral("a"));
    EXPECT_EQ(qv::unwrap(QStringLiteral("'a b'")), QStringLiteral("a b"));
    EXPECT_EQ(qv::unwrap(QStringLiteral("''")), QStringLiteral(""));
    EXPECT_EQ(qv::unwrap(QStringLiteral("'a\"")), QStringLiteral("'a\""));
    EXPECT_EQ(qv::unwrap(QStringLiteral("\"")), QStringLiteral("\""));
    EXPECT_EQ(qv::unwrap(QStringLiteral("\"a")), QStringLiteral("\"a"));

    EXPECT_TRUE(qv::is(QStringLiteral("a"), QStringLiteral("a")));
    EXPECT_FALSE(qv::is(QStringLiteral("a"), QStringLiteral("A")));
    EXPECT_TRUE(qv::containsString(QStringLiteral("abc"), QStringLiteral("bc")));
    EXPECT_FALSE(qv::containsString(QStringLiteral("abc"), QString()));
    EXPECT_FALSE(qv::containsString(QStringLiteral("abc"), QStringLiteral("C")));
    EXPECT_EQ(qv::removeSubString(QStringLiteral("abcabc"), QStringLiteral("bc")), QStringLiteral("aabc"));
    EXPECT_EQ(qv::removeSubString(QStringLiteral("abc"), QStringLiteral("x")), QStringLiteral("abc"));
    EXPECT_EQ(qv::removeSubString(QStringLiteral("abc"), QString()), QStringLiteral("abc"));
}

TEST(StringExpandTest, CharacterClasses)
{
    EXPECT_TRUE(qv::containsOnlyLetters(QStringLiteral("abcÄé中")));
    EXPECT_TRUE(qv::containsOnlyLetters(QStringLiteral("e\u0301")));
    EXPECT_TRUE(qv::containsOnlyLetters(QStringLiteral("\U0001D400"))); // a letter beyond UTF-16's first plane
    EXPECT_FALSE(qv::containsOnlyLetters(QStringLiteral("ab1")));
    EXPECT_FALSE(qv::containsOnlyLetters(QStringLiteral("a b")));
    EXPECT_TRUE(qv::containsOnlyLetters(QString()));

    EXPECT_TRUE(qv::containsOnlyNumbers(QStringLiteral("0123456789")));
    EXPECT_TRUE(qv::containsOnlyNumbers(QString()));
    EXPECT_FALSE(qv::containsOnlyNumbers(QStringLiteral("\u0661\u0662")));
    EXPECT_FALSE(qv::containsOnlyNumbers(QStringLiteral("-1")));

    EXPECT_TRUE(qv::containsOnlyNumbersAndLetters(QStringLiteral("ab12中\u0661")));
    EXPECT_FALSE(qv::containsOnlyNumbersAndLetters(QStringLiteral("a_b")));
    EXPECT_FALSE(qv::containsOnlyNumbersAndLetters(QStringLiteral("a b")));
}

TEST(StringExpandTest, Counting)
{
    EXPECT_EQ(qv::findNumber(QStringLiteral("a1b22")), 122);
    EXPECT_EQ(qv::findNumber(QStringLiteral("abc")), 0);
    EXPECT_EQ(qv::findNumber(QStringLiteral("v 1.2.3")), 123);
    EXPECT_EQ(qv::findNumber(QStringLiteral("\u0661\u0662")), 0);
    EXPECT_EQ(qv::findNumber(QStringLiteral("9223372036854775807")), std::numeric_limits<qint64>::max());
    // Longer runs saturate instead of overflowing.
    EXPECT_EQ(qv::findNumber(QStringLiteral("id 92233720368547758070 x")), std::numeric_limits<qint64>::max());

    EXPECT_EQ(qv::countNumberOfWords(QStringLiteral("  one two\nthree\t")), 3);
    EXPECT_EQ(qv::countNumberOfWords(QStringLiteral(" \n ")), 0);

    EXPECT_EQ(qv::numberOfLines(QStringLiteral("a")), 2);
    EXPECT_EQ(qv::numberOfLines(QStringLiteral("a\nb\n")), 4);
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
                                         WordsCase { "OnlyBlanks", QStringLiteral("  \t "), 0 },
                                         WordsCase { "OneLetter", QStringLiteral("a"), 1 },
                                         WordsCase { "ThreeLetters", QStringLiteral("abc"), 2 },
                                         WordsCase { "FourLetters", QStringLiteral("abcd"), 2 },
                                         WordsCase { "TwoHanCharacters", QStringLiteral("中文"), 2 },
                                         WordsCase { "HanAndLetter", QStringLiteral("中 a"), 2 },
                                         WordsCase { "HanAndTwoLetters", QStringLiteral("中 ab"), 3 },
                                         WordsCase { "TabsThenHan", QStringLiteral("\t\t中"), 2 }),
                         tarsel::test::caseName<WordsCase>);

// ----- conversions ---------------------------------------------------------------------------

TEST(StringExpandTest, Utf8DataConversions)
{
    EXPECT_EQ(qv::convertToData(QStringLiteral("é")), QByteArray("\xc3\xa9"));
    EXPECT_EQ(qv::getStringFromData(QByteArray("\xc3\xa9")), QStringLiteral("é"));
    const QString empty = qv::getStringFromData(QByteArray());
    EXPECT_FALSE(empty.isNull());
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_TRUE(qv::getStringFromData(QByteArray("a\xff")).isNull());
    EXPECT_TRUE(qv::getStringFromData(QByteArray("\xc0\xaf")).isNull()); // overlong "/"
    EXPECT_TRUE(qv::getStringFromData(QByteArray("\xed\xa0\x80")).isNull()); // a surrogate
    EXPECT_TRUE(qv::getStringFromData(QByteArray("\xe4\xb8")).isNull()); // cut short

    // UTF-8 bytes that were read as Latin-1 are repaired; anything else is not guessed at.
    EXPECT_EQ(qv::encodeStringWithUTF8(QString::fromLatin1("\xc3\xa9t\xc3\xa9")), QStringLiteral("été"));
    EXPECT_TRUE(qv::encodeStringWithUTF8(QStringLiteral("中")).isNull());
    EXPECT_TRUE(qv::encodeStringWithUTF8(QString::fromLatin1("\xe9t\xe9")).isNull());

    EXPECT_EQ(qv::byteLengthWithEncoding(QStringLiteral("é中"), QStringConverter::Utf8), 5);
    EXPECT_EQ(qv::byteLengthWithEncoding(QStringLiteral("é中"), QStringConverter::Utf16), 4);
    EXPECT_EQ(qv::byteLengthWithEncoding(QStringLiteral("é"), QStringConverter::Latin1), 1);
    EXPECT_EQ(qv::byteLengthWithEncoding(QString(), QStringConverter::Utf8), 0);
}

TEST(StringExpandTest, PercentEncoding)
{
    EXPECT_EQ(qv::URLEncodedString(QStringLiteral("a b/c?d=é&!*'();:@+$,%#[]~-._")),
              QStringLiteral("a%20b%2Fc%3Fd%3D%C3%A9%26%21%2A%27%28%29%3B%3A%40%2B%24%2C%25%23%5B%5D~-._"));
    const QString nasty = QStringLiteral("/Users/me/a b&c=d#e%25中.txt");
    EXPECT_EQ(qv::URLDecodedString(qv::URLEncodedString(nasty)), nasty);
    EXPECT_EQ(qv::URLDecodedString(QStringLiteral("a+b%2B")), QStringLiteral("a+b+"));
    EXPECT_TRUE(qv::URLDecodedString(QStringLiteral("%C3")).isNull());
}

TEST(StringExpandTest, CharsetScanning)
{
    const QString s = QStringLiteral("key=value;next");
    qsizetype end = -1;
    EXPECT_EQ(qv::substringFromIndex(s, 4, u";", &end), QStringLiteral("value"));
    EXPECT_EQ(end, 10);
    EXPECT_EQ(qv::substringFromIndex(s, 10, u";", &end), QStringLiteral("next"));
    EXPECT_EQ(end, s.size());
    EXPECT_EQ(qv::substringFromIndex(s, 9, u";", &end), QStringLiteral(""));
    EXPECT_EQ(end, 10);
    EXPECT_TRUE(qv::substringFromIndex(s, s.size(), u";").isNull());
    EXPECT_TRUE(qv::substringFromIndex(s, -1, u";").isNull());
    EXPECT_TRUE(qv::substringFromIndex(QString(), 0, u";").isNull());

    EXPECT_EQ(qv::countFromIndex(QStringLiteral("  \tx"), 0, u" \t"), 3);
    EXPECT_EQ(qv::countFromIndex(QStringLiteral("  \tx"), 3, u" \t"), 0);
    EXPECT_EQ(qv::countFromIndex(QStringLiteral("ab"), 2, u"ab"), 0);
}

TEST(StringExpandTest, Addresses)
{
    EXPECT_TRUE(qv::netUrl(QStringLiteral("https://example.com/a?b=c")).isValid());
    EXPECT_FALSE(qv::netUrl(QStringLiteral("https://example.com/a b")).isValid());
    EXPECT_FALSE(qv::netUrl(QString()).isValid());
    EXPECT_EQ(qv::localUrl(QStringLiteral("/tmp/a b#c")).toLocalFile(), QStringLiteral("/tmp/a b#c"));

    const QUrl help = qv::hashURL(QStringLiteral("/tmp/help dir/index.html#intro"));
    EXPECT_EQ(help.toLocalFile(), QStringLiteral("/tmp/help dir/index.html"));
    EXPECT_EQ(help.fragment(), QStringLiteral("intro"));
    EXPECT_EQ(qv::hashURL(QStringLiteral("/tmp/a")).toLocalFile(), QStringLiteral("/tmp/a"));
    EXPECT_FALSE(qv::hashURL(QStringLiteral("/tmp/a")).hasFragment());

    const QString id = qv::uuid();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"))
                    .match(id)
                    .hasMatch())
        << id.toStdString();
    EXPECT_NE(qv::uuid(), id);
}

TEST(StringExpandTest, HexColours)
{
    EXPECT_EQ(qv::rgbColor(QStringLiteral("#ff8000")), QColor(255, 128, 0));
    EXPECT_EQ(qv::rgbColor(QStringLiteral("FF8000")), QColor(255, 128, 0));
    EXPECT_EQ(qv::rgbColor(QStringLiteral("#10zz")), QColor(0, 0, 16));
    EXPECT_EQ(qv::rgbColor(QStringLiteral("0x0000ff")), QColor(0, 0, 255));
    EXPECT_EQ(qv::rgbColor(QStringLiteral("#zz")), QColor(0, 0, 0));
    EXPECT_EQ(qv::rgbColor(QStringLiteral("##fff")), QColor(0, 0, 0)); // only one "#" is dropped
    EXPECT_EQ(qv::rgbColor(QStringLiteral("#ffffffffffff")), QColor(255, 255, 255));
    EXPECT_FALSE(qv::rgbColor(QStringLiteral(" ")).isValid());
    EXPECT_FALSE(qv::rgbColor(QStringLiteral("(null)")).isValid());
    const QColor half = qv::rgbColorWithAlpha(QStringLiteral("#000080"), 0.5);
    EXPECT_EQ(half.blue(), 128);
    EXPECT_NEAR(half.alphaF(), 0.5, 0.01);
    EXPECT_TRUE(qv::rgbColorWithAlpha(QStringLiteral("#fff"), 7.0).isValid());
}

TEST(StringExpandTest, Dates)
{
    EXPECT_EQ(qv::qtDateFormat(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.SSSZ")),
              QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzzt"));
    EXPECT_EQ(qv::qtDateFormat(QStringLiteral("EEEE h:mm a 'o''clock' q")),
              QStringLiteral("dddd h:mm AP 'o''clock' 'q'"));

    EXPECT_EQ(qv::convertToDate(QStringLiteral("2024-03-05 14:07:09 and more")),
              QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    EXPECT_FALSE(qv::convertToDate(QStringLiteral("2024-03-05")).isValid());
    EXPECT_EQ(qv::convertToDateWithFormat(QStringLiteral("05/03/2024"), QStringLiteral("dd/MM/yyyy")).date(),
              QDate(2024, 3, 5));
    EXPECT_FALSE(qv::convertToDateWithFormat(QStringLiteral("yesterday"), QStringLiteral("dd/MM/yyyy")).isValid());
    EXPECT_FALSE(qv::convertToDateWithFormat(QString(), QStringLiteral("dd/MM/yyyy")).isValid());

    // Server times are shown in Shanghai time.
    EXPECT_EQ(qv::standardTimeString(QStringLiteral("2024-03-05T22:07:08.123Z")),
              QStringLiteral("2024-03-06 06:07:08"));
    EXPECT_EQ(qv::standardTimeString(QStringLiteral("2024-03-05T06:07:08.000+0100")),
              QStringLiteral("2024-03-05 13:07:08"));
    EXPECT_EQ(qv::standardTimeStringWithFormat(QStringLiteral("2024-03-05T06:07:08.000+08:00"),
                                               QStringLiteral("yyyy年M月d日")),
              QStringLiteral("2024年3月5日"));
    EXPECT_EQ(qv::standardTimeString(QStringLiteral("2024-03-05")), QStringLiteral("2024-03-05"));
    EXPECT_TRUE(qv::standardTimeString(QStringLiteral("not a time but long enough")).isNull());
    EXPECT_TRUE(qv::standardTimeString(QStringLiteral("  ")).isNull());
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

INSTANTIATE_TEST_SUITE_P(
    Versions, StringExpandVersionTest,
    testing::Values(VersionCase { "MissingPartIsZero", QStringLiteral("1.2"), QStringLiteral("1.2.0"), 0 },
                    VersionCase { "PartsCompareAsNumbers", QStringLiteral("1.10"), QStringLiteral("1.9"), 1 },
                    VersionCase { "ShorterIsOlder", QStringLiteral("2"), QStringLiteral("2.0.1"), -1 },
                    VersionCase { "PatchComparesAsNumber", QStringLiteral("1.2.3"), QStringLiteral("1.2.10"), -1 },
                    VersionCase { "MajorDecides", QStringLiteral("10.0"), QStringLiteral("9.99"), 1 },
                    VersionCase { "LettersAfterDigitsIgnored", QStringLiteral("1.2b"), QStringLiteral("1.2"), 0 },
                    VersionCase { "LetterPartIsZero", QStringLiteral("1.beta"), QStringLiteral("1.0"), 0 },
                    VersionCase { "NullIsZero", QString(), QStringLiteral("0.0"), 0 },
                    VersionCase { "EmptyPartIsZero", QStringLiteral("1..2"), QStringLiteral("1.0.2"), 0 },
                    VersionCase { "BeyondSixtyFourBits", QStringLiteral("99999999999999999999999"),
                                  QStringLiteral("9223372036854775806"), 1 }),
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
                         testing::Values(SizeCase { "Zero", 0, QStringLiteral("0.00 B") },
                                         SizeCase { "ThousandStaysBytes", 1000, QStringLiteral("1000.00 B") },
                                         SizeCase { "JustOverThousandIsKilo", 1001, QStringLiteral("1.00 KB") },
                                         SizeCase { "OneAndAHalfKilo", 1500, QStringLiteral("1.50 KB") },
                                         SizeCase { "Mega", 2.5e6, QStringLiteral("2.50 MB") },
                                         SizeCase { "Giga", 3e9, QStringLiteral("3.00 GB") },
                                         SizeCase { "ThousandTera", 1e15, QStringLiteral("1000.00 TB") },
                                         // Beyond the last unit the value stays in TB.
                                         SizeCase { "BeyondTeraStaysTera", 1.5e18, QStringLiteral("1500000.00 TB") },
                                         SizeCase { "Negative", -5, QStringLiteral("-5.00 B") }),
                         tarsel::test::caseName<SizeCase>);

TEST(StringExpandTest, FileSizeCountsEverythingBelowAFolder)
{
    EXPECT_EQ(qv::fileSize(home(QStringLiteral("missing"))), 0);
    EXPECT_EQ(qv::fileSize(QString()), 0);
    const QString file = writeFile(home(QStringLiteral("five.txt")), "12345");
    EXPECT_EQ(qv::fileSize(file), 5);

    const QString dir = home(QStringLiteral("tree"));
    writeFile(dir + QStringLiteral("/a"), "abc");
    writeFile(dir + QStringLiteral("/.hidden"), "abcd");
    writeFile(dir + QStringLiteral("/sub/deep/b"), QByteArray(10, 'x'));
    // A link counts as itself, never its target.
    ASSERT_TRUE(makeSymlink(file, dir + QStringLiteral("/link")));
    ASSERT_TRUE(makeSymlink(testHome(), dir + QStringLiteral("/loop")));
    const qint64 expected = 3 + 4 + 10 + statOf(dir + QStringLiteral("/sub"), false).st_size
        + statOf(dir + QStringLiteral("/sub/deep"), false).st_size
        + statOf(dir + QStringLiteral("/link"), false).st_size + statOf(dir + QStringLiteral("/loop"), false).st_size;
    EXPECT_EQ(qv::fileSize(dir), expected);
    EXPECT_EQ(qv::fileSize(dir + QStringLiteral("/link")), statOf(dir + QStringLiteral("/link"), false).st_size);
}

// ----- shell ---------------------------------------------------------------------------------

TEST(StringExpandTest, CmdSpaceEscapesOnlyBlanks)
{
    EXPECT_EQ(qv::cmdSpace(QStringLiteral("/a b/c d.txt")), QStringLiteral("/a\\ b/c\\ d.txt"));
    EXPECT_EQ(qv::cmdSpace(QStringLiteral("it's;$x\"")), QStringLiteral("it's;$x\""));
}

TEST(StringExpandTest, ShellQuotedKeepsOrdinaryNamesAsCmdSpace)
{
    for (const QString& name : { QStringLiteral("/Users/me/My Report 2.txt"), QStringLiteral("a_b-c.d+e,f:g=h@i%j"),
                                 QStringLiteral("中文 名字.txt"), QStringLiteral("x~y"), QStringLiteral("a#b") }) {
        EXPECT_EQ(qv::shellQuoted(name), qv::cmdSpace(name));
    }
    EXPECT_EQ(qv::shellQuoted(QString()), QStringLiteral("''"));
    EXPECT_EQ(qv::shellQuoted(QStringLiteral("a;b")), QStringLiteral("a\\;b"));
    EXPECT_EQ(qv::shellQuoted(QStringLiteral("Icon\r")), QStringLiteral("$'Icon\\r'"));
}

namespace {

QStringList nastyNames()
{
    return {
        QStringLiteral("a;b"),
        QStringLiteral("$(touch pwned)"),
        QStringLiteral("`touch pwned`"),
        QStringLiteral("a&b&&c"),
        QStringLiteral("a|b"),
        QStringLiteral("'"),
        QStringLiteral("\""),
        QStringLiteral("it's \"q\""),
        QStringLiteral("a\nb"),
        QStringLiteral("*"),
        QStringLiteral("?"),
        QStringLiteral("[ab]"),
        QStringLiteral("{a,b}"),
        QStringLiteral("~"),
        QStringLiteral("~root/x"),
        QStringLiteral("a=~"),
        QStringLiteral("x:~/y"),
        QStringLiteral("-rf"),
        QStringLiteral("--"),
        QStringLiteral("#c"),
        QStringLiteral("a#b"),
        QStringLiteral("$HOME"),
        QStringLiteral("${HOME}x"),
        QStringLiteral("!x"),
        QStringLiteral("a\\b"),
        QStringLiteral("a\\"),
        QStringLiteral("a b  c "),
        QStringLiteral(" "),
        QStringLiteral("\t"),
        QStringLiteral("Icon\r"),
        QStringLiteral("\x01\x1b[31m"),
        QStringLiteral("\x7f"),
        QStringLiteral("a>b<c"),
        QStringLiteral("a^b"),
        QStringLiteral("中文 名字.txt"),
        QStringLiteral("e\u0301"),
        QStringLiteral("\u00a0nbsp"),
        QStringLiteral("😀\n'"),
        QStringLiteral("a(b)c"),
        QStringLiteral("%q%s"),
        QStringLiteral("\\$'x'"),
        QStringLiteral("!!"),
    };
}

} // namespace

// Every name must come back unchanged through a real bash, and nothing in it may run.
TEST(StringExpandTest, ShellQuotedSurvivesRealBash)
{
    QStringList names = nastyNames();
    names.append(QString(QChar(0xD800)) + QStringLiteral("x")); // an unpaired surrogate
    QTemporaryDir work(testHome() + QStringLiteral("/bash-XXXXXX"));
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
        env.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(locale));
        const tarsel::test::ProgramRun bash
            = tarsel::test::runProgram(QStringLiteral("/bin/bash"), { QStringLiteral("-c"), script },
                                       { .env = env, .folder = work.path(), .timeoutMs = 30000 });
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
    const QString dir = home(QStringLiteral("Thing.app"));
    ASSERT_TRUE(QDir().mkpath(dir));
    QDir().mkpath(home(QStringLiteral("plain")));
    QDir().mkpath(home(QStringLiteral(".config.d")));
    const QString file = writeFile(home(QStringLiteral("file.txt")), "x");
    ASSERT_TRUE(makeSymlink(dir, home(QStringLiteral("link.app"))));

    EXPECT_TRUE(qv::isFolder(dir));
    EXPECT_FALSE(qv::isFolder(file));
    EXPECT_FALSE(qv::isFolder(home(QStringLiteral("link.app"))));
    EXPECT_FALSE(qv::isFolder(home(QStringLiteral("missing"))));
    EXPECT_FALSE(qv::isFolder(QString()));

    EXPECT_TRUE(qv::isPackage(dir));
    EXPECT_TRUE(qv::isPackage(home(QStringLiteral(".config.d"))));
    EXPECT_FALSE(qv::isPackage(home(QStringLiteral("plain"))));
    EXPECT_FALSE(qv::isPackage(file));
    EXPECT_FALSE(qv::isPackage(home(QStringLiteral("link.app"))));
    EXPECT_FALSE(qv::isPackage(home(QStringLiteral(".config"))));
}

TEST(StringExpandTest, ImageTestByExtensionElseContent)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString png = home(QStringLiteral("pic.png"));
    ASSERT_TRUE(image.save(png));
    ASSERT_TRUE(QFile::copy(png, home(QStringLiteral("noextension"))));
    writeFile(home(QStringLiteral("notes")), "just some text\n");
    writeFile(home(QStringLiteral("fake.txt")), tarsel::test::readFile(png));
    QDir().mkpath(home(QStringLiteral("folder")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(home(QStringLiteral("pipe"))).constData(), 0600), 0);

    EXPECT_TRUE(qv::isImage(png));
    EXPECT_TRUE(qv::isImage(home(QStringLiteral("PHOTO.JPG")))); // the name decides
    EXPECT_TRUE(qv::isImage(home(QStringLiteral("noextension"))));
    EXPECT_FALSE(qv::isImage(home(QStringLiteral("fake.txt"))));
    EXPECT_FALSE(qv::isImage(home(QStringLiteral("notes"))));
    EXPECT_FALSE(qv::isImage(home(QStringLiteral("folder"))));
    EXPECT_FALSE(qv::isImage(home(QStringLiteral("pipe")))); // must not block on a pipe
    EXPECT_FALSE(qv::isImage(home(QStringLiteral("missing"))));
    EXPECT_FALSE(qv::isImage(QString()));
}

TEST(StringExpandTest, DesktopAndSystemFolders)
{
    const QString h = platform::Paths::home();
    EXPECT_TRUE(qv::isDesktop(h + QStringLiteral("/Desktop")));
    EXPECT_FALSE(qv::isDesktop(h));
    EXPECT_EQ(qv::desktopPath(), h + QStringLiteral("/Desktop"));
    EXPECT_EQ(qv::documentPath(), h + QStringLiteral("/Documents"));
    EXPECT_EQ(qv::homePath(), h);

    for (const QString& yes :
         { QStringLiteral("/"), QStringLiteral("/Users"), QStringLiteral("/home"), h, h + QStringLiteral("/Desktop"),
           h + QStringLiteral("/Library"), h + QStringLiteral("/Music"), QStringLiteral("/Volumes"),
           QStringLiteral("/mnt"), QStringLiteral("/media/") + platform::Paths::userName(), QStringLiteral("/System"),
           QStringLiteral("/Users/someone/Desktop"), QStringLiteral("/mnt/usb/Pictures"),
           QStringLiteral("/srv/Applications") }) {
        EXPECT_TRUE(qv::isSystemFolder(yes)) << yes.toStdString();
    }
    for (const QString& no :
         { h + QStringLiteral("/Desktop/project"), QStringLiteral("/x/desktop"), QStringLiteral("/x/Music"),
           h + QStringLiteral("/Projects"), QStringLiteral("/Users/"), QString() }) {
        EXPECT_FALSE(qv::isSystemFolder(no)) << no.toStdString();
    }

    // Translated user folders count under their own names.
    writeFile(platform::Paths::configHome() + QStringLiteral("/user-dirs.dirs"),
              "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    EXPECT_TRUE(qv::isDesktop(h + QStringLiteral("/Schreibtisch")));
    EXPECT_TRUE(qv::isSystemFolder(h + QStringLiteral("/Schreibtisch")));
    EXPECT_EQ(qv::toDesktop(QStringLiteral("out")), h + QStringLiteral("/Schreibtisch/out"));
    EXPECT_TRUE(qv::isFolder(h + QStringLiteral("/Schreibtisch/out")));
}

TEST(StringExpandTest, ExistenceWritabilityAndIcons)
{
    const QString file = writeFile(home(QStringLiteral("f")), "x");
    ASSERT_TRUE(makeSymlink(home(QStringLiteral("gone")), home(QStringLiteral("dangling"))));
    EXPECT_TRUE(qv::isExist(file));
    EXPECT_TRUE(qv::isExist(home(QStringLiteral("dangling"))));
    EXPECT_FALSE(qv::isExist(home(QStringLiteral("gone"))));
    EXPECT_FALSE(qv::isExist(QString()));

    EXPECT_TRUE(qv::isWritable(file));
    EXPECT_TRUE(qv::isWritable(testHome()));
    EXPECT_FALSE(qv::isWritable(home(QStringLiteral("gone/x"))));
    EXPECT_FALSE(qv::isWritable(QString()));

    const QString withIcon = home(QStringLiteral("withIcon"));
    writeFile(withIcon + QStringLiteral("/Icon\r"), "");
    writeFile(home(QStringLiteral("plainIcon/Icon")), "");
    EXPECT_TRUE(qv::hasCustomIcon(withIcon));
    EXPECT_FALSE(qv::hasCustomIcon(home(QStringLiteral("plainIcon"))));
    EXPECT_FALSE(qv::hasCustomIcon(home(QStringLiteral("gone"))));
}

TEST(StringExpandTest, LockedByMarkOrImmutableFlag)
{
    const QString file = writeFile(home(QStringLiteral("doc.txt")), "x");
    EXPECT_FALSE(qv::isLocked(file));
    EXPECT_FALSE(qv::isLocked(home(QStringLiteral("missing"))));

    const QByteArray name = QFile::encodeName(file);
    if (::setxattr(name.constData(), "user.tarsel.locked", "1", 1, 0) != 0) {
        GTEST_SKIP() << "user extended attributes not supported here";
    }
    EXPECT_TRUE(qv::isLocked(file));
    ASSERT_EQ(::removexattr(name.constData(), "user.tarsel.locked"), 0);
    EXPECT_FALSE(qv::isLocked(file));

    const QString dir = home(QStringLiteral("frozen"));
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
    const QString root = home(QStringLiteral("t"));
    for (const QString taken : GetParam().taken) {
        if (taken.endsWith(QLatin1Char('/'))) {
            QDir().mkpath(root + QLatin1Char('/') + taken);
        } else if (taken.startsWith(QLatin1Char('@'))) {
            QDir().mkpath(root);
            ASSERT_TRUE(makeSymlink(root + QStringLiteral("/nowhere"), root + QLatin1Char('/') + taken.mid(1)));
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
    const QString tree = home(QStringLiteral("tree"));
    writeFile(tree + QStringLiteral("/a/b/c.txt"), "x");
    const QString kept = writeFile(home(QStringLiteral("kept/inside.txt")), "y");
    ASSERT_TRUE(makeSymlink(home(QStringLiteral("kept")), tree + QStringLiteral("/link")));
    EXPECT_TRUE(qv::remove(tree));
    EXPECT_FALSE(qv::isExist(tree));
    EXPECT_TRUE(qv::isExist(kept)); // a link's target is left alone
    EXPECT_FALSE(qv::remove(tree));
    EXPECT_FALSE(qv::remove(QString()));

    const QString target = writeFile(home(QStringLiteral("out")), "old file");
    EXPECT_TRUE(qv::createDir(target));
    EXPECT_TRUE(qv::isFolder(target));
    EXPECT_TRUE(qv::createDir(home(QStringLiteral("x/y/z"))));
    EXPECT_TRUE(qv::isFolder(home(QStringLiteral("x/y/z"))));
    // A file where a parent folder should be.
    EXPECT_FALSE(qv::createDir(home(QStringLiteral("kept/inside.txt/sub"))));
    EXPECT_FALSE(qv::createDir(QString()));
}

TEST(StringExpandTest, TempFoldersStayInsideThePrivateSupportFolder)
{
    const QString support = platform::Paths::applicationSupport(platform::System::bundleIdentifier());
    const QString temp = qv::toTempFolderPath(QStringLiteral(".job"));
    EXPECT_EQ(temp, support + QStringLiteral("/.job"));
    ASSERT_TRUE(qv::isFolder(temp));
    writeFile(temp + QStringLiteral("/scratch"), "x");
    EXPECT_EQ(qv::toTempFolderPath(QStringLiteral(".job"), false), temp);
    EXPECT_TRUE(qv::isExist(temp + QStringLiteral("/scratch")));
    EXPECT_EQ(qv::toTempFolderPath(QStringLiteral(".job")), temp);
    EXPECT_TRUE(QDir(temp).isEmpty());

    // Names that would leave the folder are refused, and nothing outside is touched.
    const QString outside = writeFile(platform::Paths::dataHome() + QStringLiteral("/other/keep"), "z");
    for (const QString& bad :
         { QStringLiteral("../../other"), QStringLiteral(".."), QStringLiteral("."), QStringLiteral("a/b"),
           QStringLiteral("/abs"), QString(), QStringLiteral("a") + QChar(0) }) {
        EXPECT_TRUE(qv::toTempFolderPath(bad).isNull()) << bad.toStdString();
    }
    EXPECT_TRUE(qv::isExist(outside));
    EXPECT_FALSE(qv::isExist(support + QStringLiteral("/a")));
    EXPECT_FALSE(qv::isExist(QStringLiteral("/abs")));

    // A file where the folder should be is reported, not answered as a folder.
    writeFile(support + QStringLiteral("/plainfile"), "f");
    EXPECT_TRUE(qv::toTempFolderPath(QStringLiteral("plainfile"), false).isNull());
}

TEST(StringExpandTest, RemoveAllTempFolderRemovesOnlyPrivateDotItems)
{
    const QString support = platform::Paths::applicationSupport(platform::System::bundleIdentifier());
    ASSERT_FALSE(qv::toTempFolderPath(QStringLiteral(".a")).isNull());
    writeFile(support + QStringLiteral("/.b"), "b");
    writeFile(support + QStringLiteral("/keep/.c"), "c");
    const QString shared = writeFile(platform::Paths::dataHome() + QStringLiteral("/.shared-by-others"), "s");
    const QString sibling = writeFile(platform::Paths::tarselDataRoot() + QStringLiteral("/.sibling"), "s");

    qv::removeAllTempFolder();
    EXPECT_FALSE(qv::isExist(support + QStringLiteral("/.a")));
    EXPECT_FALSE(qv::isExist(support + QStringLiteral("/.b")));
    EXPECT_TRUE(qv::isExist(support + QStringLiteral("/keep/.c")));
    EXPECT_TRUE(qv::isExist(shared));
    EXPECT_TRUE(qv::isExist(sibling));
    qv::removeAllTempFolder(); // nothing left to remove is fine
}

TEST(StringExpandTest, UserFolderPaths)
{
    const QString movie = qv::toMoviesPath(QStringLiteral("clips"));
    EXPECT_EQ(movie, platform::Paths::movies() + QStringLiteral("/clips"));
    EXPECT_TRUE(qv::isFolder(movie));
    EXPECT_EQ(qv::toDocument(QStringLiteral("notes")), platform::Paths::documents() + QStringLiteral("/notes"));
    EXPECT_TRUE(qv::isFolder(platform::Paths::documents() + QStringLiteral("/notes")));
    EXPECT_EQ(qv::toDesktop(QString()), platform::Paths::desktop());
    // An existing file of that name is left as it is.
    const QString file = writeFile(platform::Paths::desktop() + QStringLiteral("/file"), "f");
    EXPECT_EQ(qv::toDesktop(QStringLiteral("file")), file);
    EXPECT_EQ(tarsel::test::readFile(file), QByteArray("f"));
}

// ----- text encoding -------------------------------------------------------------------------

TEST(StringExpandTest, TextEncodingGuessesFromTheFirstBytes)
{
    const QString chinese = QStringLiteral(
        "这是一个中文文本文件，用来测试字符集的检测是否正确。我们需要足够多的文字才能让检测器做出可靠的判断。"
        "中华人民共和国是一个历史悠久的国家，有着灿烂的文化。");
    const QString utf8 = writeFile(home(QStringLiteral("utf8.txt")), chinese.toUtf8());
    QStringEncoder gb("GB18030");
    ASSERT_TRUE(gb.isValid());
    const QByteArray gbBytes = gb.encode(chinese.repeated(3));
    const QString gbFile = writeFile(home(QStringLiteral("gb.txt")), gbBytes);
    // Only the first 2048 bytes are read: plain ASCII there decides.
    const QString late = writeFile(home(QStringLiteral("late.txt")), QByteArray(2048, 'a') + gbBytes);

    EXPECT_EQ(qv::textEncodingName(utf8), QStringLiteral("UTF-8"));
    EXPECT_EQ(qv::textEncodingName(gbFile), QStringLiteral("GB18030"));
    EXPECT_EQ(qv::textEncodingName(late), QStringLiteral("ASCII"));
    EXPECT_FALSE(qv::textEncodingName(writeFile(home(QStringLiteral("empty")), QByteArray())).isNull());
}

TEST(StringExpandTest, TextEncodingReportsUnreadableFilesOnStdout)
{
    QDir().mkpath(home(QStringLiteral("dir")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(home(QStringLiteral("pipe"))).constData(), 0600), 0);
    for (const QString& path :
         { home(QStringLiteral("missing")), home(QStringLiteral("dir")), home(QStringLiteral("pipe")) }) {
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
    EXPECT_TRUE(qv::openURL(QStringLiteral("https://example.com/a?b=c")));
    ASSERT_EQ(recorder.launched().size(), 1);
    EXPECT_TRUE(recorder.launched().first().contains(QStringLiteral("https://example.com/a?b=c")));
    EXPECT_FALSE(qv::openURL(QStringLiteral("https://exa mple.com/")));
    EXPECT_FALSE(qv::openURL(QString()));
    EXPECT_FALSE(qv::openURL(QUrl()));
    EXPECT_EQ(recorder.launched().size(), 1);

    const QUrl store = qv::appstoreUrlWithId(QStringLiteral("1234567890"));
    EXPECT_EQ(store.scheme(), QStringLiteral("itms-apps"));
    EXPECT_TRUE(store.toString().endsWith(QStringLiteral("/id1234567890")));
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
    const QString file = writeFile(home(QStringLiteral("docs/report 1.txt")), "x");
    const auto shown = tarsel::test::runChild(QStringLiteral("revealWithoutBus"), { file });
    EXPECT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    EXPECT_TRUE(shown.out.contains(QFile::encodeName(home(QStringLiteral("docs")))));
    const auto missing = tarsel::test::runChild(QStringLiteral("revealWithoutBus"), { home(QStringLiteral("gone")) });
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.isEmpty());
}

TEST(StringExpandTest, PlayFilesElseNamedSounds)
{
    platform::Sound::setRecording(true);
    const QString file = writeFile(home(QStringLiteral("ding.oga")), "not really audio");
    EXPECT_TRUE(qv::play(file));
    EXPECT_TRUE(qv::play(QStringLiteral("bell")));
    // A bundle resource is a file too, not the name of a theme sound.
    const QString resource = platform::Bundle::resourcePath(QStringLiteral("Localizable"), QStringLiteral("strings"));
    ASSERT_TRUE(resource.startsWith(QLatin1String(":/")));
    EXPECT_TRUE(qv::play(resource));
    EXPECT_FALSE(qv::play(QString()));
    EXPECT_FALSE(qv::play(QStringLiteral(" ")));
    EXPECT_EQ(platform::Sound::recorded(), (QStringList { file, QStringLiteral("name:bell"), resource }));
    platform::Sound::setRecording(false);
}

TEST(StringExpandTest, PasteboardHoldsTheTrimmedText)
{
    platform::Pasteboard::useMemoryBoard(true);
    EXPECT_TRUE(qv::copyToPasteboard(QStringLiteral("  /a b/c \n")));
    EXPECT_EQ(qv::paste(), QStringLiteral("/a b/c"));
    platform::Pasteboard::general().clear();
    const QString nothing = qv::paste();
    EXPECT_FALSE(nothing.isNull());
    EXPECT_TRUE(nothing.isEmpty());
    platform::Pasteboard::useMemoryBoard(false);
}

TEST(StringExpandTest, ResourcesAsText)
{
    const QString expected = QString::fromUtf8(tarsel::test::readFile(
        QStringLiteral(QT_TESTCASE_SOURCEDIR) + QStringLiteral("/../resources/en.lproj/Localizable.strings")));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(qv::fromResource(QStringLiteral("Localizable.strings")), expected);
    EXPECT_TRUE(qv::fromResource(QStringLiteral("missing.txt")).isNull());
    EXPECT_TRUE(qv::fromResource(QString()).isNull());
}
