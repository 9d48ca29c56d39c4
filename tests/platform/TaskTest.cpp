#include "platform/Task.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

using platform::Task;

namespace {

const QString kShell = "/bin/sh";

Task::Result shell(const QString& script, int timeoutMs = 60000)
{
    return Task::run(kShell, { "-c", script }, Task::Output::Capture, Task::Output::Capture, timeoutMs);
}

// Writes 8 MiB to stdout and 8 MiB to stderr, far more than a pipe holds.
const QString kChattyScript = "head -c 8388608 /dev/zero; head -c 8388608 /dev/zero >&2; exit 7";

} // namespace

TEST(TaskTest, CapturesBothStreamsAndTheExitCode)
{
    const Task::Result r = shell("printf 'to out'; printf 'to err' >&2; exit 3");
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitStatus, 3);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.standardOutput, QByteArray("to out"));
    EXPECT_EQ(r.standardError, QByteArray("to err"));
    EXPECT_TRUE(shell("true").ok());
}

TEST(TaskTest, ArgumentsReachTheProgramVerbatimWithoutAShell)
{
    const QStringList args { "%s|\\n", "two words", "$HOME", "a;rm -rf x", "'quoted\"", "`id`" };
    const Task::Result r = Task::run("printf", args);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.standardOutput, QByteArray("two words|\n$HOME|\na;rm -rf x|\n'quoted\"|\n`id`|\n"));
}

TEST(TaskTest, AProgramThatCannotStartIsReportedAsNotStarted)
{
    const Task::Result missing = Task::run("/nonexistent/tarsel-no-such-tool", {});
    EXPECT_FALSE(missing.started);
    EXPECT_EQ(missing.exitStatus, -1);
    EXPECT_FALSE(missing.ok());

    EXPECT_FALSE(Task::run(QString(), {}).started);

    // A working directory that does not exist must not silently run the program elsewhere.
    const Task::Result noDir
        = Task::run("pwd", {}, Task::Output::Capture, Task::Output::Capture, -1, tarsel::test::testHome() + "/missing");
    EXPECT_FALSE(noDir.started);
}

TEST(TaskTest, RunsInTheWorkingDirectory)
{
    const QString dir = tarsel::test::testHome() + "/work dir";
    ASSERT_TRUE(QDir().mkpath(dir));
    const Task::Result r = Task::run("pwd", {}, Task::Output::Capture, Task::Output::Capture, -1, dir);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(QString::fromLocal8Bit(r.standardOutput).trimmed(), QDir(dir).canonicalPath());
}

TEST(TaskTest, DrainsAChattyChildWithoutDeadlock)
{
    const Task::Result r = shell(kChattyScript);
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitStatus, 7);
    EXPECT_EQ(r.standardOutput.size(), 8388608);
    EXPECT_EQ(r.standardError.size(), 8388608);
}

TEST(TaskTest, StandardInputIsClosed)
{
    // cat would wait forever on an open standard input; with end of file it ends at once.
    const Task::Result r = Task::run("cat", {}, Task::Output::Capture, Task::Output::Capture, 20000);
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(r.standardOutput.isEmpty());
}

TEST(TaskTest, TimeoutKillsTheChild)
{
    // Without the kill, sleep would end normally with status 0.
    const Task::Result r = shell("printf before; exec sleep 30", 300);
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitStatus, -1);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.standardOutput, QByteArray("before"));
}

TEST(TaskTest, AChildKilledBySignalHasNoExitCode)
{
    const Task::Result r = shell("kill -9 $$");
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitStatus, -1);
}

TEST(TaskTest, WorksOnAThreadWithoutAnEventLoop)
{
    Task::Result r;
    std::thread worker([&r] { r = shell(kChattyScript); });
    worker.join();
    EXPECT_EQ(r.exitStatus, 7);
    EXPECT_EQ(r.standardOutput.size(), 8388608);
    EXPECT_EQ(r.standardError.size(), 8388608);
}

// Runs a shell line with one stream inherited and reports what was captured of the other.
TARSEL_TEST_CHILD(taskInherit)
{
    const bool inheritOut = args.value(0) == "out";
    const bool inheritErr = args.value(1) == "err";
    const Task::Result r = Task::run("/bin/sh", { "-c", "echo child-out; echo child-err >&2" },
                                     inheritOut ? Task::Output::Inherit : Task::Output::Capture,
                                     inheritErr ? Task::Output::Inherit : Task::Output::Capture);
    std::fflush(stdout);
    std::printf("captured-out=[%s] captured-err=[%s]\n", r.standardOutput.trimmed().constData(),
                r.standardError.trimmed().constData());
    return r.ok() ? 0 : 1;
}

TEST(TaskTest, InheritedStreamsGoWhereOurOwnGo)
{
    const auto both = tarsel::test::runChild("taskInherit", { "out", "err" });
    ASSERT_EQ(both.exitCode, 0) << both.err.constData();
    EXPECT_TRUE(both.out.contains("child-out\n"));
    EXPECT_TRUE(both.out.contains("captured-out=[] captured-err=[]"));
    EXPECT_TRUE(both.err.contains("child-err\n"));

    const auto outOnly = tarsel::test::runChild("taskInherit", { "out", "-" });
    ASSERT_EQ(outOnly.exitCode, 0) << outOnly.err.constData();
    EXPECT_TRUE(outOnly.out.contains("child-out\n"));
    EXPECT_TRUE(outOnly.out.contains("captured-out=[] captured-err=[child-err]"));
    EXPECT_FALSE(outOnly.err.contains("child-err"));

    const auto errOnly = tarsel::test::runChild("taskInherit", { "-", "err" });
    ASSERT_EQ(errOnly.exitCode, 0) << errOnly.err.constData();
    EXPECT_TRUE(errOnly.out.contains("captured-out=[child-out] captured-err=[]"));
    EXPECT_TRUE(errOnly.err.contains("child-err\n"));
}
