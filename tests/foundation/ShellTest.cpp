#include "foundation/StringExpandShell.h"

#include "platform/AppleScript.h"
#include "platform/Paths.h"
#include "platform/Workspace.h"
#include "testsupport/TestEnvironment.h"

#include <QFile>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <thread>

namespace {

struct Outcome
{
    int calls = 0;
    bool success = false;
    QString output;
};

// Runs a captured-output runner and records what its block got.
Outcome collect(void (*runner)(const QString&, const qv::ShellBlock&), const QString& receiver)
{
    Outcome o;
    runner(receiver, [&o](bool success, const QString& output) {
        ++o.calls;
        o.success = success;
        o.output = output;
    });
    return o;
}

Outcome runCommand(const QString& command)
{
    return collect(&qv::executeWithBlock, command);
}

Outcome runScriptFile(const QString& path)
{
    return collect(&qv::executeShellFileWithBlock, path);
}

// Replaces the workspace's launcher with one that records what would have been started.
class RecordingLauncher
{
public:
    explicit RecordingLauncher(bool answer = true)
    {
        tarsel::test::installApplication(QStringLiteral("com.googlecode.iterm2"), QStringLiteral("iTerm2"),
                                         QStringLiteral("iterm2 %u"));
        platform::Workspace::setLauncher([this, answer](const QString& program, const QStringList& args) {
            m_calls.append(QStringList { program } + args);
            return answer;
        });
    }
    ~RecordingLauncher() { platform::Workspace::setLauncher({}); }
    Q_DISABLE_COPY_MOVE(RecordingLauncher)

    int count() const { return int(m_calls.size()); }
    /// The first "iterm2:" address handed to any launch.
    QUrl iTermUrl() const
    {
        for (const QStringList& call : m_calls) {
            for (const QString& arg : call) {
                if (arg.startsWith(QLatin1String("iterm2:"))) {
                    return QUrl(arg, QUrl::StrictMode);
                }
            }
        }
        return {};
    }

private:
    QList<QStringList> m_calls;
};

QString queryValue(const QUrl& url, const QString& key)
{
    return QUrlQuery(url).queryItemValue(key, QUrl::FullyDecoded);
}

} // namespace

TEST(ShellTest, ExecuteAnswersExitStatusZero)
{
    EXPECT_TRUE(qv::execute(QStringLiteral("true")));
    EXPECT_FALSE(qv::execute(QStringLiteral("exit 1")));
    EXPECT_FALSE(qv::execute(QStringLiteral("no-such-command-tarsel-xyz")));
    // The line goes whole to bash: pipes, quoting and && work.
    const QString marker = tarsel::test::testHome() + QStringLiteral("/made by bash");
    EXPECT_TRUE(qv::execute(QStringLiteral("echo hi | tr h H > '%1' && test -s '%1'").arg(marker)));
    EXPECT_EQ(tarsel::test::readFile(marker), QByteArray("Hi\n"));
}

TEST(ShellTest, CapturedOutputIsHandedOnSuccessOnly)
{
    const Outcome ok = runCommand(QStringLiteral("printf 'gr\\303\\274n\\nline 2'"));
    EXPECT_EQ(ok.calls, 1);
    EXPECT_TRUE(ok.success);
    EXPECT_EQ(ok.output, QStringLiteral("grün\nline 2"));

    // Printed text followed by a failure is (NO, nil), not the text.
    const Outcome failed = runCommand(QStringLiteral("echo partial result; exit 3"));
    EXPECT_EQ(failed.calls, 1);
    EXPECT_FALSE(failed.success);
    EXPECT_TRUE(failed.output.isNull());

    // No output at all is an empty text, not nil.
    const Outcome silent = runCommand(QStringLiteral("true"));
    EXPECT_TRUE(silent.success);
    EXPECT_FALSE(silent.output.isNull());
    EXPECT_TRUE(silent.output.isEmpty());

    // Standard error is not captured.
    const Outcome mixed = runCommand(QStringLiteral("echo to-err >&2; echo to-out"));
    EXPECT_TRUE(mixed.success);
    EXPECT_EQ(mixed.output, QStringLiteral("to-out\n"));
}

TEST(ShellTest, OutputThatIsNotUtf8IsNil)
{
    const Outcome o = runCommand(QStringLiteral("printf 'abc\\377\\376def'"));
    EXPECT_EQ(o.calls, 1);
    EXPECT_TRUE(o.success);
    EXPECT_TRUE(o.output.isNull());
}

TEST(ShellTest, ChattyCommandDoesNotBlockAndIsCapturedWhole)
{
    // Far more than a pipe holds: the child blocks unless the output is drained while it runs.
    const int size = 5 * 1024 * 1024;
    const Outcome o = runCommand(QStringLiteral("head -c %1 /dev/zero | tr '\\0' x; echo -n end").arg(size));
    EXPECT_EQ(o.calls, 1);
    ASSERT_TRUE(o.success);
    ASSERT_EQ(o.output.size(), size + 3);
    EXPECT_EQ(o.output.count(QLatin1Char('x')), size);
    EXPECT_TRUE(o.output.endsWith(QLatin1String("xend")));

    // A chatty command that then fails still ends (and gives nil).
    const Outcome failed = runCommand(QStringLiteral("head -c %1 /dev/zero; exit 2").arg(size));
    EXPECT_FALSE(failed.success);
    EXPECT_TRUE(failed.output.isNull());
}

TEST(ShellTest, BlockRunsOnTheCallingThreadBeforeReturning)
{
    std::thread::id blockThread;
    bool called = false;
    std::thread worker([&] {
        qv::executeWithBlock(QStringLiteral("echo x"), [&](bool, const QString&) {
            blockThread = std::this_thread::get_id();
            called = true;
        });
        EXPECT_TRUE(called);
        EXPECT_EQ(blockThread, std::this_thread::get_id());
    });
    worker.join();
    EXPECT_TRUE(called);
}

TEST(ShellTest, ShellScriptFileRunsWithSh)
{
    // A blank in the path must not split it: the path is one argument, not a shell line.
    const QString script = tarsel::test::writeFile(tarsel::test::testHome() + QStringLiteral("/my scripts/run me.sh"),
                                                   "echo \"args=$#\"\nprintf 'done'\n");
    const Outcome ok = runScriptFile(script);
    EXPECT_EQ(ok.calls, 1);
    EXPECT_TRUE(ok.success);
    EXPECT_EQ(ok.output, QStringLiteral("args=0\ndone"));

    const QString failing
        = tarsel::test::writeFile(tarsel::test::testHome() + QStringLiteral("/fails.sh"), "echo before\nexit 4\n");
    const Outcome bad = runScriptFile(failing);
    EXPECT_FALSE(bad.success);
    EXPECT_TRUE(bad.output.isNull());

    const Outcome missing = runScriptFile(tarsel::test::testHome() + QStringLiteral("/no such script.sh"));
    EXPECT_EQ(missing.calls, 1);
    EXPECT_FALSE(missing.success);
    EXPECT_TRUE(missing.output.isNull());
}

TEST(ShellTest, ITermAddressCarriesCommandAndFolderIntact)
{
    RecordingLauncher launcher;
    // Every character the address syntax reserves, a blank and non-ASCII text.
    const QString command = QStringLiteral("cd /tmp && echo 'a=b&d=/etc' # x? 100% [ok] + grün");
    const QString folder = tarsel::test::testHome() + QStringLiteral("/a b&d=c#?%");
    ASSERT_TRUE(qv::openItem2WithFolder(command, folder));

    const QUrl url = launcher.iTermUrl();
    ASSERT_TRUE(url.isValid()) << launcher.count();
    EXPECT_EQ(url.scheme(), QStringLiteral("iterm2"));
    EXPECT_EQ(url.path(), QStringLiteral("/command"));
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItems().size(), 2);
    EXPECT_EQ(queryValue(url, QStringLiteral("c")), command);
    EXPECT_EQ(queryValue(url, QStringLiteral("d")), folder);
}

TEST(ShellTest, ITermFolderFallsBackToDesktop)
{
    for (const QString& folder : { QString(), QStringLiteral(""), QStringLiteral("  \n"), QStringLiteral("(null)") }) {
        RecordingLauncher launcher;
        ASSERT_TRUE(qv::openItem2WithFolder(QStringLiteral("ls"), folder)) << folder.toStdString();
        const QUrl url = launcher.iTermUrl();
        ASSERT_TRUE(url.isValid());
        EXPECT_EQ(queryValue(url, QStringLiteral("c")), QStringLiteral("ls"));
        EXPECT_EQ(queryValue(url, QStringLiteral("d")), platform::Paths::desktop());
    }
}

TEST(ShellTest, ITermAnswersNoWhenTheAddressCannotBeOpened)
{
    {
        RecordingLauncher launcher(false);
        EXPECT_FALSE(qv::openItem2WithFolder(QStringLiteral("ls"), QStringLiteral("/tmp")));
    }
    // Without iTerm2 nothing is started at all.
    QFile::remove(tarsel::test::testHome()
                  + QStringLiteral("/.local/share/applications/com.googlecode.iterm2.desktop"));
    int launches = 0;
    platform::Workspace::setLauncher([&launches](const QString&, const QStringList&) {
        ++launches;
        return true;
    });
    EXPECT_FALSE(qv::openItem2WithFolder(QStringLiteral("ls"), QStringLiteral("/tmp")));
    EXPECT_EQ(launches, 0);
    platform::Workspace::setLauncher({});
}

TEST(ShellTest, AppleScriptFailuresComeBackAsText)
{
    // A script file that cannot be loaded is a failure that names the file, never success.
    const QString missing = tarsel::test::testHome() + QStringLiteral("/missing.scpt");
    const QString missingError = qv::executeAppleScriptPath(missing);
    ASSERT_FALSE(missingError.isNull());
    EXPECT_TRUE(missingError.contains(missing));
    EXPECT_FALSE(qv::executeAppleScriptPath(tarsel::test::testHome()).isNull());

    // There is no script engine here: a real script answers the engine's error text.
    const QString script = tarsel::test::writeFile(tarsel::test::testHome() + QStringLiteral("/hello.scpt"),
                                                   "display dialog \"hello\"\n");
    EXPECT_EQ(qv::executeAppleScriptPath(script), platform::AppleScript::kUnavailableMessage);
    EXPECT_EQ(qv::executeAppleScriptSource(QStringLiteral("beep")), platform::AppleScript::kUnavailableMessage);
}
