// The names proposed for a garbled file name: which rule decides, and that nothing unusable as
// a file name is ever proposed.

#include "toolwindows/fixname/QVFixNameParser.h"

#include "testsupport/TestNames.h"

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

struct ParseCase
{
    const char* name;
    QString input;
    QStringList mustHave; ///< texts among the proposals
    QStringList mustNotHave;
    qsizetype count; ///< the number of proposals; -1 for any number
    const char* firstMethod; ///< the "name" of the first proposal; null for any
};

QStringList texts(const QList<QVFixCandidate>& candidates)
{
    QStringList list;
    for (const QVFixCandidate& c : candidates) {
        list << c.text;
    }
    return list;
}

using QVFixNameParserTest = testing::TestWithParam<ParseCase>;

} // namespace

TEST_P(QVFixNameParserTest, ProposesTheRepairsOfTheFirstRuleThatApplies)
{
    const ParseCase& c = GetParam();
    const QList<QVFixCandidate> candidates = QVFixNameParser::parseMessyText(c.input);
    const QStringList proposed = texts(candidates);
    for (const QString& text : c.mustHave) {
        EXPECT_TRUE(proposed.contains(text)) << qPrintable(text);
    }
    for (const QString& text : c.mustNotHave) {
        EXPECT_FALSE(proposed.contains(text)) << qPrintable(text);
    }
    if (c.count >= 0) {
        EXPECT_EQ(candidates.size(), c.count) << qPrintable(proposed.join(QLatin1Char('|')));
    }
    if (c.firstMethod != nullptr) {
        ASSERT_FALSE(candidates.isEmpty());
        EXPECT_EQ(candidates.first().name, QString::fromUtf8(c.firstMethod));
    }
}

// The last five once became new names as they were: "../x" or "a/b" would have moved the file
// into another folder, "." and ".." named the folders themselves, and a NUL cut the name short.
INSTANTIATE_TEST_SUITE_P(
    Rules, QVFixNameParserTest,
    testing::Values(
        ParseCase { "PercentEscapesOnly", QStringLiteral("a%20b.txt"), { QStringLiteral("a b.txt") }, {}, 1, "Decode" },
        ParseCase { "PercentWithoutDigitsGoesOn",
                    QStringLiteral("50%.txt"),
                    { QStringLiteral("50%.txt") },
                    {},
                    -1,
                    "ISO-8859-1" },
        ParseCase {
            "PercentOfGbkBytes", QStringLiteral("%D6%D0%CE%C4.txt"), { QStringLiteral("中文.txt") }, {}, -1, "Decode" },
        ParseCase {
            "BackslashU", QStringLiteral("\\u4e2d\\u6587.txt"), { QStringLiteral("中文.txt") }, {}, 1, "ASCII" },
        ParseCase { "UpperBackslashU", QStringLiteral("\\U4e2d.txt"), { QStringLiteral("中.txt") }, {}, 1, "ASCII" },
        ParseCase {
            "NonAsciiBesideAnEscape", QStringLiteral("中\\u6587.txt"), { QStringLiteral("中文.txt") }, {}, 1, "ASCII" },
        ParseCase { "HexBytes", QStringLiteral("48656c6c6f"), { QStringLiteral("Hello") }, {}, -1, nullptr },
        ParseCase {
            "HexBytesWithSpaces", QStringLiteral("4865 6c6c 6f"), { QStringLiteral("Hello") }, {}, -1, nullptr },
        ParseCase { "OddHexIsReread", QStringLiteral("486"), { QStringLiteral("486") }, {}, -1, "ISO-8859-1" },
        ParseCase { "LatinReadGbk", QStringLiteral("ÖÐÎÄ.txt"), { QStringLiteral("中文.txt") }, {}, -1, nullptr },
        ParseCase { "BlankGivesNothing", QStringLiteral("  "), {}, {}, 0, nullptr },
        ParseCase {
            "PercentIntoAnotherFolder", QStringLiteral("..%2F..%2Fx"), {}, { QStringLiteral("../../x") }, 0, nullptr },
        ParseCase { "PercentSlash", QStringLiteral("a%2Fb"), {}, { QStringLiteral("a/b") }, 0, nullptr },
        ParseCase { "PercentNul", QStringLiteral("a%00b"), {}, {}, 0, nullptr },
        ParseCase {
            "HexDotDot", QStringLiteral("2e2e"), {}, { QStringLiteral(".."), QStringLiteral(".") }, -1, nullptr },
        ParseCase { "HexSlash", QStringLiteral("2f"), {}, { QStringLiteral("/") }, -1, nullptr }),
    caseName<ParseCase>);
