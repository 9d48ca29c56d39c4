#include "engine/service/scripts/QVScriptPlaceholders.h"

#include "testsupport/TestNames.h"

#include <gtest/gtest.h>

using tarsel::test::caseName;

namespace {

struct ExpandCase
{
    const char* name;
    const char* script;
    QList<QByteArray> paths;
    QStringList runs;
    const char* commonPath = nullptr;
};

std::ostream& operator<<(std::ostream& os, const ExpandCase& c)
{
    return os << c.name;
}

using QVScriptPlaceholdersTest = testing::TestWithParam<ExpandCase>;

} // namespace

TEST_P(QVScriptPlaceholdersTest, Expands)
{
    const ExpandCase& c = GetParam();
    const QString common = c.commonPath ? QString::fromUtf8(c.commonPath) : QString();
    const QVScriptPlaceholders::Expansion e
        = QVScriptPlaceholders::expand(QString::fromUtf8(c.script), c.paths, 12, common);
    EXPECT_EQ(e.runs, c.runs);
}

// Ordinary names come out exactly as scripts have always seen them; the rows after those show
// what a naive expansion got wrong.
INSTANTIATE_TEST_SUITE_P(
    Cases, QVScriptPlaceholdersTest,
    testing::Values(
        ExpandCase {
            "SingularRunsOncePerItem", "echo @rfname", { "/a/x.txt", "/a/y.txt" }, { "echo x.txt", "echo y.txt" } },
        ExpandCase { "PathsRawInSingleQuotesEachFollowedByABlank",
                     "ls @rfpaths",
                     { "/a b/c.txt", "/d.txt" },
                     { "ls '/a b/c.txt' '/d.txt' " } },
        ExpandCase { "PluralRouteTakesSingularFromTheFirst",
                     "@rfnames|@rfname",
                     { "/a/x.txt", "/a/y.txt" },
                     { "x.txt y.txt |x.txt" } },
        ExpandCase { "SimpleNameStopsAtDigitsNamesDropOneExtension",
                     "@rfnam @rfnams",
                     { "/p/archive.tar.gz", "/p/notes.2024.txt" },
                     { "archive archive.tar notes.2024 " } },
        ExpandCase { "EachSingularOfOneItem", "@rfnam;@rfnam", { "/p/notes.2024.txt" }, { "notes.2024;notes.2024" } },
        ExpandCase { "BlanksEscapedInFoldersNamesAndExtensions",
                     "@rfpos|@rfname|@rfext|@rfexts",
                     { "/a b/c d.TXT" },
                     { "/a\\ b|c\\ d.TXT|txt|txt " } },
        ExpandCase { "NoPlaceholderRunsOnceUnchanged", "date", { "/a", "/b" }, { "date" } },
        ExpandCase { "DayCountAndLoadingInEveryRun", "@rloading echo @rday", {}, { " echo 12" } },
        ExpandCase { "FactoryTarCompression",
                     "@rloading \ncd @rfpos \ntar -zcvf @rfpos/@rfnam.tar.gz @rfnames",
                     { "/w/My Files/a b.txt", "/w/My Files/c.txt" },
                     { " \ncd /w/My\\ Files \ntar -zcvf /w/My\\ Files/a\\ b.tar.gz a\\ b.txt c.txt " } },
        ExpandCase { "CommonPathBlanksEscaped",
                     "cp @rfpath @rftocommonpath",
                     { "/a/x" },
                     { "cp '/a/x' /to/my\\ dir" },
                     "/to/my dir" },
        // Chained replace-all steps read their own results again: the name below became
        // "x<ext>.txt" when a later "@rfext" step reached the inserted name.
        ExpandCase {
            "InsertedValuesAreNotExpandedAgain", "echo @rfname", { "/a/x@rfext.txt" }, { "echo x@rfext.txt" } },
        ExpandCase {
            "ChosenFolderIsNotExpandedAgain", "echo @rftocommonpath", { "/a/f" }, { "echo /c/@rfname" }, "/c/@rfname" },
        // "@rfpath" put the raw path between single quotes, so a "'" in a name ended the quoting and
        // the rest of the name ran as commands; the other tokens escaped blanks only.
        ExpandCase { "QuoteInAPathStaysInsideTheWord", "cat @rfpath", { "/a/it's;id" }, { "cat '/a/it'\\''s;id'" } },
        ExpandCase {
            "ShellSyntaxInANameIsEscaped", "rm @rfname", { "/a/$(id)`x`;y" }, { "rm \\$\\(id\\)\\`x\\`\\;y" } },
        // Without a selection the plural route still runs once; every singular value is empty.
        // An empty value between two operators is '': "||" would be another operator.
        ExpandCase { "EmptySelectionGivesEmptyValues", "x@rfpaths|@rfpath|@rfname|@rfext", {}, { "x''|''|''|" } },
        ExpandCase { "EmptySelectionRunsNoSingularScript", "echo @rfname", {}, {} },
        ExpandCase { "FileWithoutExtensionGivesNothing", "echo [@rfext]", { "/a/Makefile" }, { "echo []" } },
        ExpandCase { "UnchosenCommonPathStaysAsWritten", "echo @rftocommonpath", {}, { "echo @rftocommonpath" } },
        // Inside quotes the script's quote is closed around the value's word: pasted into "..."
        // a word's backslashes stayed and "$(...)" ran; pasted into '...' its quotes ended it.
        ExpandCase { "DoubleQuotesClosedAroundTheWord",
                     "echo \"<@rfname>\"",
                     { "/a/b $(c)" },
                     { "echo \"<\"b\\ \\$\\(c\\)\">\"" } },
        ExpandCase { "SingleQuotesHoldThePluralStringWithItsBlanks",
                     "echo -n '@rfnames'",
                     { "/a/x y", "/a/it's" },
                     { "echo -n ''x\\ y\\ it\\\'s\\ ''" } },
        ExpandCase { "DollarQuotesReopenedAfterTheWord", "echo $'\\t@rfpath'", { "/a/b" }, { "echo $'\\t''/a/b'$''" } },
        ExpandCase { "ValuesAfterAShellsCodeAreArguments",
                     "bash -c 'cat \"$1\"' _ @rfpath",
                     { "/a/b" },
                     { "bash -c 'cat \"$1\"' _ '/a/b'" } },
        ExpandCase { "CommentGetsAWordWithoutLineBreaks", "true # @rfpath", { "/a/x\ny" }, { "true # $'/a/x\\ny'" } }),
    caseName<ExpandCase>);

TEST(QVScriptPlaceholdersExtraTest, LoadingAndCommonPathAreSeenAsTokens)
{
    EXPECT_TRUE(QVScriptPlaceholders::expand(QStringLiteral("@rloading"), {}, 0).showsProgress);
    EXPECT_FALSE(QVScriptPlaceholders::expand(QStringLiteral("@rload"), {}, 0).showsProgress);
    EXPECT_TRUE(QVScriptPlaceholders::usesCommonPath(QStringLiteral("cp @rfpath @rftocommonpath")));
    const QVScriptPlaceholders::Expansion refused
        = QVScriptPlaceholders::expand(QStringLiteral("echo ok\ncat <<EOF\n@rfname\nEOF"), { "/a/x" }, 0);
    EXPECT_TRUE(refused.runs.isEmpty());
    EXPECT_TRUE(refused.refusal.startsWith(QStringLiteral("@rfname: it stands inside a here-document")))
        << refused.refusal.toStdString();
    EXPECT_FALSE(QVScriptPlaceholders::usesCommonPath(QStringLiteral("cp @rfpath @rftocommon")));
}
