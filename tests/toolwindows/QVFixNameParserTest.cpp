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
    testing::Values(ParseCase { "PercentEscapesOnly", "a%20b.txt", { "a b.txt" }, {}, 1, "Decode" },
                    ParseCase { "PercentWithoutDigitsGoesOn", "50%.txt", { "50%.txt" }, {}, -1, "ISO-8859-1" },
                    ParseCase { "PercentOfGbkBytes", "%D6%D0%CE%C4.txt", { "中文.txt" }, {}, -1, "Decode" },
                    ParseCase { "BackslashU", "\\u4e2d\\u6587.txt", { "中文.txt" }, {}, 1, "ASCII" },
                    ParseCase { "UpperBackslashU", "\\U4e2d.txt", { "中.txt" }, {}, 1, "ASCII" },
                    ParseCase { "NonAsciiBesideAnEscape", "中\\u6587.txt", { "中文.txt" }, {}, 1, "ASCII" },
                    ParseCase { "HexBytes", "48656c6c6f", { "Hello" }, {}, -1, nullptr },
                    ParseCase { "HexBytesWithSpaces", "4865 6c6c 6f", { "Hello" }, {}, -1, nullptr },
                    ParseCase { "OddHexIsReread", "486", { "486" }, {}, -1, "ISO-8859-1" },
                    ParseCase { "LatinReadGbk", "ÖÐÎÄ.txt", { "中文.txt" }, {}, -1, nullptr },
                    ParseCase { "BlankGivesNothing", "  ", {}, {}, 0, nullptr },
                    ParseCase { "PercentIntoAnotherFolder", "..%2F..%2Fx", {}, { "../../x" }, 0, nullptr },
                    ParseCase { "PercentSlash", "a%2Fb", {}, { "a/b" }, 0, nullptr },
                    ParseCase { "PercentNul", "a%00b", {}, {}, 0, nullptr },
                    ParseCase { "HexDotDot", "2e2e", {}, { "..", "." }, -1, nullptr },
                    ParseCase { "HexSlash", "2f", {}, { "/" }, -1, nullptr }),
    caseName<ParseCase>);
