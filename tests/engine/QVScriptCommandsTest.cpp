// User scripts run through the real bash on real files; their results reach the window hook.

#include "engine/service/QVMenuService.h"

#include "MenuServiceTestSupport.h"
#include "MenuStoreTestSupport.h"
#include "foundation/PathComponents.h"
#include "foundation/QVFile.h"
#include "foundation/QVScriptResult.h"
#include "foundation/StringExpand.h"
#include "platform/AppleScript.h"
#include "platform/Bundle.h"
#include "platform/ModalPolicy.h"
#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

#include <array>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarsel::test;

namespace {

class ScriptFixture
{
protected:
    ScriptFixture()
    {
        resetFinderSelection();
        platform::Sound::setRecording(true);
        setSwitch(QVSwitch::SoundFeedback, true);
        QVMenuService::setPermitCheck([](const QString&, auto success, auto) { success(); });
        platform::ModalPolicy::setShowsOnOffscreen(true);
        QVScriptResult::setWindow([this](const QVScriptResult& r) { m_results << r; });
        QVMenuService::ProgressHooks hooks;
        hooks.open = [this] { ++m_opened; };
        m_service.setProgressHooks(hooks);
        m_dir = testHome() + QStringLiteral("/work");
        QDir().mkpath(m_dir);
    }
    ~ScriptFixture()
    {
        QVScriptResult::setWindow({});
        platform::ModalPolicy::setShowsOnOffscreen(false);
        QVMenuService::setPermitCheck({});
        platform::Sound::setRecording(false);
        resetFinderSelection();
    }
    // Selects items by the bytes the file system names them with.
    void selectBytes(const QList<QByteArray>& paths)
    {
        QList<QUrl> urls;
        for (const QByteArray& p : paths) {
            urls << QUrl::fromEncoded("file://" + p.toPercentEncoding("/"), QUrl::StrictMode);
        }
        m_service.setSelectURLs(urls);
        m_service.setIsSelectURL(true);
    }
    void run(const QString& script, const QString& ext = QStringLiteral("sh"))
    {
        auto item = QVMenuItem::create();
        item->setKey(QStringLiteral("My Script"));
        item->setScript(script);
        item->setExt(ext);
        m_service.executeScript(item);
        ASSERT_TRUE(QTest::qWaitFor([] { return QVMenuService::pendingWork() == 0; }, 20000));
    }

    QVMenuService m_service;
    QList<QVScriptResult> m_results;
    int m_opened = 0;
    QString m_dir;
};

struct HostileName
{
    const char* name;
    QByteArray file;
};

std::ostream& operator<<(std::ostream& os, const HostileName& n)
{
    return os << n.name;
}

// The names in the folder as bytes (the file system's own listing: QDir cannot name every one).
QList<QByteArray> entriesOf(const QByteArray& folder)
{
    QList<QByteArray> names;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* e = ::readdir(dir)) {
            if (qstrcmp(e->d_name, ".") != 0 && qstrcmp(e->d_name, "..") != 0) {
                names << QByteArray(e->d_name);
            }
        }
        ::closedir(dir);
    }
    return names;
}

class QVScriptHostileNameTest : public ScriptFixture, public testing::TestWithParam<HostileName>
{
};

} // namespace

// Each placeholder must hand bash the exact bytes of the name as one word; with the raw path in
// single quotes (and blanks-only escaping elsewhere) these names ran "touch pwned" or split.
TEST_P(QVScriptHostileNameTest, ScriptSeesTheNameIntactAndNothingElseRuns)
{
    const QByteArray folder = QFile::encodeName(m_dir);
    const QByteArray path = folder + '/' + GetParam().file;
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    selectBytes({ path });
    const QString out = testHome() + QStringLiteral("/seen");
    run(QStringLiteral("cd @rfpos && printf '%s\\0' @rfpath @rfpos @rfname @rfnam @rfpaths@rfnames> ")
        + qv::shellQuoted(out));

    const QByteArray seen = readFile(out);
    EXPECT_EQ(seen,
              path + '\0' + folder + '\0' + GetParam().file + '\0' + GetParam().file + '\0' + path + '\0'
                  + GetParam().file + '\0');
    EXPECT_EQ(entriesOf(folder), QList<QByteArray>({ GetParam().file })) << "something else ran in the folder";
    ::unlink(path.constData());
    EXPECT_TRUE(m_results.isEmpty()) << m_results.value(0).text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Names, QVScriptHostileNameTest,
    testing::Values(HostileName { "Quotes", "it's \"q\"" }, HostileName { "CommandSubstitution", "$(touch pwned)" },
                    HostileName { "Backquotes", "`touch pwned`" }, HostileName { "Semicolon", "a; touch pwned" },
                    HostileName { "Newline", "line\ntouch pwned" }, HostileName { "LeadingDash", "-rf" },
                    HostileName { "Spaces", "  two  blanks " }, HostileName { "NotUtf8", "caf\xe9 \xff\xfe" },
                    HostileName { "GlobAndPipes", "*|a&b>c" }, HostileName { "TokenInName", "x@rfext" }),
    caseName<HostileName>);

namespace {

class QVScriptCommandsTest : public ScriptFixture, public testing::Test
{
};

} // namespace

TEST_F(QVScriptCommandsTest, ResultsReachTheWindowWithSounds)
{
    selectBytes({ QFile::encodeName(writeFile(m_dir + QStringLiteral("/a.txt"), "a")),
                  QFile::encodeName(writeFile(m_dir + QStringLiteral("/b.txt"), "b")) });
    run(QStringLiteral("@rloading echo @rfname"));
    ASSERT_EQ(m_results.size(), 2);
    EXPECT_EQ(m_opened, 1) << "one progress window for both runs";
    EXPECT_EQ(m_results.at(1).text, QStringLiteral("b.txt\n"));
    EXPECT_TRUE(m_results.at(1).success);
    EXPECT_EQ(m_results.at(1).cmd, QStringLiteral(" echo b.txt"));
    EXPECT_EQ(m_results.at(1).folder, m_dir);
    EXPECT_EQ(m_results.at(1).title, QStringLiteral("My Script"));

    m_results.clear();
    run(QStringLiteral("true"));
    EXPECT_TRUE(m_results.isEmpty()) << "no output, no window";
    run(QStringLiteral("echo partial; exit 3"));
    ASSERT_EQ(m_results.size(), 1);
    EXPECT_FALSE(m_results.at(0).success);
    EXPECT_EQ(m_results.at(0).text, QStringLiteral("echo partial; exit 3"));
    // The AppleScript stand-in answers an error, which takes the script's error path.
    run(QStringLiteral("display dialog \"hi\""), QStringLiteral("scpt"));
    ASSERT_EQ(m_results.size(), 2);
    EXPECT_EQ(m_results.at(1).text, platform::AppleScript::kUnavailableMessage);
    EXPECT_EQ(m_results.at(1).cmd, QStringLiteral("display dialog \"hi\""));
    EXPECT_TRUE(m_results.at(1).folder.isEmpty());
    EXPECT_EQ(playedSounds(), QStringList({ "dingd", "dingd", "dingd", "error", "error" }));
}

TEST_F(QVScriptCommandsTest, ExecuteScriptRunsSelectedShellFilesAndSkipsOthers)
{
    const QString marker = m_dir + QStringLiteral("/ran");
    const QString ok
        = writeFile(m_dir + QStringLiteral("/ok.SH"), "touch " + QFile::encodeName(marker) + "\necho done\n");
    const QString failing = writeFile(m_dir + QStringLiteral("/fail.sh"), "exit 1\n");
    const QString text = writeFile(m_dir + QStringLiteral("/notes.txt"), "touch never\n");
    selectBytes({ QFile::encodeName(ok), QFile::encodeName(text), QFile::encodeName(failing) });
    AlertScript alerts;
    m_service.executeScript();
    ASSERT_TRUE(QTest::qWaitFor([] { return QVMenuService::pendingWork() == 0; }, 20000));
    EXPECT_TRUE(QFile::exists(marker));
    ASSERT_EQ(alerts.shown().size(), 2);
    EXPECT_EQ(alerts.shown().at(0).informativeText, QStringLiteral("done\n"));
    EXPECT_EQ(alerts.shown().at(1).informativeText,
              platform::Bundle::localizedString(QStringLiteral("Error Execute Tip")));
    EXPECT_EQ(playedSounds(), QStringList({ "dingd", "error" }));
}

// A main-menu script with "@rftocommonpath" runs on the common folder picked beneath it.
TEST_F(QVScriptCommandsTest, CommonPathScriptRunsOnThePickedFolder)
{
    const QString dest = m_dir + QStringLiteral("/dest @rfname");
    QDir().mkpath(dest);
    storeList(QVMenuManager::kArrayCommonPath,
              { entry({ { "key", "C1" }, { "path", dest }, { "displayName", "dest" } }) });
    storeList(QVMenuManager::kArrayRightMenu,
              { entry({ { "key", "Copy Here" }, { "ext", "sh" }, { "script", "cp @rfpath @rftocommonpath" } }) });
    const QString a = writeFile(m_dir + QStringLiteral("/a'b.txt"), "a");
    selectBytes({ QFile::encodeName(a) });
    const std::shared_ptr<platform::Menu> menu = m_service.menuForMenuKind(platform::FIMenuKindContextualMenuForItems);
    platform::MenuItem* top = menu->items().value(0);
    ASSERT_TRUE(top && top->submenu());
    platform::MenuItem* folder = entryTitled(top->submenu(), QStringLiteral("dest"));
    ASSERT_TRUE(folder) << titles(top->submenu()).join(", ").toStdString();
    ASSERT_TRUE(folder->perform());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(dest + QStringLiteral("/a'b.txt")); }, 20000));
}

namespace {

// The parts of a path that the placeholders stand for, as the file wrapper names them.
struct NameParts
{
    QByteArray path, folder, filename, simpleName, name, ext;
};

NameParts partsOf(const QByteArray& path)
{
    const QString decoded = QFile::decodeName(path);
    const bool exact = QFile::encodeName(decoded) == path;
    auto back = [exact](const QString& s) { return exact ? QFile::encodeName(s) : s.toLatin1(); };
    const QVFile file(exact ? decoded : QString::fromLatin1(path));
    return { path,
             back(file.folder()),
             back(file.filename()),
             back(file.simpleName()),
             back(file.name()),
             exact ? back(file.ext()) : back(qv::detail::pathExtension(file.filename())).toLower() };
}

// How a script writes a placeholder: bare, or inside one of bash's quotes.
struct Quoting
{
    const char* name;
    const char* open;
    const char* close;
};

constexpr std::array<Quoting, 4> kQuotings {
    { { "Bare", "", "" }, { "DoubleQuotes", "\"", "\"" }, { "SingleQuotes", "'", "'" }, { "DollarQuotes", "$'", "'" } }
};

class QVScriptQuotedPlaceholderTest : public ScriptFixture, public testing::TestWithParam<HostileName>
{
protected:
    // Runs a script that prints each placeholder, written with the quoting, into a file of its
    // own, from inside the canary folder; answers what each file received.
    QList<QByteArray> printEach(const QStringList& tokens, const Quoting& q)
    {
        const QString out = testHome() + QStringLiteral("/seen-") + QLatin1String(q.name);
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        QString script = QStringLiteral("cd %1 || exit 9\n").arg(qv::shellQuoted(m_canary));
        for (qsizetype k = 0; k < tokens.size(); ++k) {
            script += QStringLiteral("printf '%s' %1%2%3 > %4/%5\n")
                          .arg(QLatin1String(q.open), tokens.at(k), QLatin1String(q.close), qv::shellQuoted(out))
                          .arg(k);
        }
        m_results.clear();
        run(script);
        EXPECT_TRUE(m_results.isEmpty()) << q.name << ": " << m_results.value(0).text.toStdString();
        QList<QByteArray> seen;
        for (qsizetype k = 0; k < tokens.size(); ++k) {
            seen << readFile(out + QStringLiteral("/%1").arg(k));
        }
        return seen;
    }

    QString m_canary = testHome() + QStringLiteral("/canary");
};

QList<QByteArray> followedByBlanks(QList<QByteArray> values)
{
    for (QByteArray& v : values) {
        v += ' ';
    }
    return values;
}

} // namespace

// Users quote placeholders out of habit. Pasting a quoted word into "..." left "$(...)" and
// backquotes in a name to run, and a "'" in a name closed the script's '...'. Every placeholder,
// bare and inside each kind of quote, must hand bash exactly the name's bytes and run nothing.
TEST_P(QVScriptQuotedPlaceholderTest, EveryPlaceholderInEveryQuotingArrivesExactly)
{
    QDir().mkpath(m_canary);
    const QByteArray hostile = GetParam().file;
    const QByteArray folder = QFile::encodeName(m_dir) + '/' + hostile + "-dir";
    const QByteArray path = folder + '/' + hostile;
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    selectBytes({ path });
    const NameParts p = partsOf(path);
    const QList<QByteArray> singular { p.path, p.folder, p.filename, p.simpleName, p.ext };
    const QList<QByteArray> plural { p.path, p.folder, p.filename, p.name, p.ext };

    for (const Quoting& q : kQuotings) {
        const bool bare = QByteArray(q.name) == "Bare";
        EXPECT_EQ(printEach({ "@rfpath", "@rfpos", "@rfname", "@rfnam", "@rfext" }, q), singular) << q.name;
        // Bare, a plural token's values are words each followed by a blank; quoted, the blank
        // stays inside the string.
        EXPECT_EQ(printEach({ "@rfpaths", "@rfposs", "@rfnames", "@rfnams", "@rfexts" }, q),
                  bare ? plural : followedByBlanks(plural))
            << q.name;
    }
    EXPECT_EQ(entriesOf(folder), QList<QByteArray>({ hostile })) << "something else ran in the folder";
    EXPECT_TRUE(entriesOf(QFile::encodeName(m_canary)).isEmpty()) << "something ran in the working folder";
    EXPECT_FALSE(QFile::exists(testHome() + QStringLiteral("/PWNED")));
    ::unlink(path.constData());
    ::rmdir(folder.constData());
}

INSTANTIATE_TEST_SUITE_P(
    Names, QVScriptQuotedPlaceholderTest,
    testing::Values(HostileName { "SingleQuote", "it's.txt" }, HostileName { "DoubleQuotes", "say \"hi\".txt" },
                    HostileName { "MixedQuotes", "'\"'\"'" }, HostileName { "CloseSingle", "'; touch PWNED; '" },
                    HostileName { "CloseDouble", "\"; touch PWNED; \"" },
                    HostileName { "CommandSubstitution", "a$(touch PWNED).txt" },
                    HostileName { "Backquotes", "a`touch PWNED`.txt" }, HostileName { "Semicolon", "a; touch PWNED" },
                    HostileName { "AndAnd", "a && touch PWNED" }, HostileName { "Pipe", "a | touch PWNED" },
                    HostileName { "Newline", "a\ntouch PWNED\n" }, HostileName { "Tab", "a\tb.txt" },
                    HostileName { "CarriageReturn", "a\rb" }, HostileName { "Escape", "a\x1b[31mred" },
                    HostileName { "Star", "*" }, HostileName { "Question", "?.txt" },
                    HostileName { "GlobBrackets", "[a-z]" }, HostileName { "Backslashes", "a\\b\\" },
                    HostileName { "Home", "$HOME" }, HostileName { "Ifs", "${IFS}touch${IFS}PWNED" },
                    HostileName { "LeadingDash", "-rf" }, HostileName { "TokenInName", "x@rfext.@rfname" },
                    HostileName { "NonAscii", "caf\xc3\xa9 \xe2\x98\x83.TXT" },
                    HostileName { "NotUtf8", "caf\xe9 \xff.txt" }, HostileName { "Blanks", "  two  blanks " },
                    HostileName { "DollarQuote", "$'\\x41'" }, HostileName { "Tilde", "~root" },
                    HostileName { "Braces", "{a,b}" }, HostileName { "Hash", "#x" },
                    HostileName { "Redirect", "a>PWNED" }, HostileName { "HostileExtension", "n.$(touch PWNED)" },
                    HostileName { "Bangs", "!!" }, HostileName { "LoneDollar", "x$" }),
    caseName<HostileName>);

namespace {

struct RefusedScript
{
    const char* name;
    const char* script;
};

std::ostream& operator<<(std::ostream& os, const RefusedScript& r)
{
    return os << r.name;
}

class QVScriptRefusedPlaceTest : public ScriptFixture, public testing::TestWithParam<RefusedScript>
{
};

} // namespace

// Where bash reads a value as code or by rules no quoting survives, the script does not run at
// all (not even its first line) and the user is told which script and why.
TEST_P(QVScriptRefusedPlaceTest, ScriptIsRefusedAndNothingRuns)
{
    const QString canary = testHome() + QStringLiteral("/ran");
    const QString file = writeFile(m_dir + QStringLiteral("/n`touch PWNED`$(touch PWNED).txt"), "x");
    selectBytes({ QFile::encodeName(file) });
    AlertScript alerts;
    run(QStringLiteral("touch %1\n").arg(qv::shellQuoted(canary)) + QString::fromUtf8(GetParam().script));
    EXPECT_FALSE(QFile::exists(canary)) << "the script ran";
    ASSERT_EQ(alerts.shown().size(), 1);
    const QString text = alerts.shown().at(0).messageText + alerts.shown().at(0).informativeText;
    EXPECT_TRUE(text.contains(QStringLiteral("\"My Script\""))) << text.toStdString();
    EXPECT_TRUE(m_results.isEmpty());
    EXPECT_EQ(playedSounds(), QStringList({ "error" }));
}

INSTANTIATE_TEST_SUITE_P(Places, QVScriptRefusedPlaceTest,
                         testing::Values(RefusedScript { "HereDocument", "cat <<EOF\n@rfname\nEOF\n" },
                                         RefusedScript { "QuotedHereDocument", "cat <<-'EOF'\n\t\"@rfname\"\n\tEOF\n" },
                                         RefusedScript { "HereDocumentDelimiter", "cat <<@rfnam\nx\n" },
                                         RefusedScript { "Backquotes", "echo `echo @rfname`" },
                                         RefusedScript { "BackquotesInDoubleQuotes", "echo \"`echo '@rfname'`\"" },
                                         RefusedScript { "Arithmetic", "echo $((@rfnam + 1))" },
                                         RefusedScript { "ArithmeticCommand", "((@rfnam))" },
                                         RefusedScript { "Let", "let x=@rfnam" },
                                         RefusedScript { "NumericTest", "[[ \"@rfnam\" -eq 1 ]] && echo y" },
                                         RefusedScript { "ArraySubscript", "a[@rfnam]=1" },
                                         RefusedScript { "IntegerDeclaration", "declare -i x=@rfnam" },
                                         RefusedScript { "Eval", "eval echo @rfname" },
                                         RefusedScript { "ShellCommandText", "env bash -c \"echo '@rfname'\"" },
                                         RefusedScript { "ParameterExpansion", "echo \"${x:-@rfname}\"" },
                                         RefusedScript { "AfterDollar", "echo $@rfname" },
                                         RefusedScript { "AfterBackslash", "echo \"\\@rfname\"" },
                                         RefusedScript { "AfterUnfollowedBackquotes", "x=`echo '\\`'`; echo @rfname" }),
                         caseName<RefusedScript>);
