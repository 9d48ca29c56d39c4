#include "platform/LoginSession.h"

#include "platform/Paths.h"

#include "testsupport/FileStatus.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

using platform::LoginSession;
using tarsel::test::ScopedEnvironment;
using tarsel::test::statOf;
using tarsel::test::testHome;

namespace {

QString privateFolder(const QString& path)
{
    QDir().mkpath(path);
    ::chmod(QFile::encodeName(path).constData(), 0700);
    return path;
}

} // namespace

// A step is claimed once per login session, whichever process asks, and again in a new one.
TEST(LoginSessionTest, OncePerSessionFolder)
{
    ScopedEnvironment env;
    env.set("XDG_RUNTIME_DIR", QFile::encodeName(privateFolder(testHome() + "/run1")));
    EXPECT_TRUE(LoginSession::claimOnce("step"));
    EXPECT_FALSE(LoginSession::claimOnce("step"));
    EXPECT_TRUE(LoginSession::claimOnce("other"));
    EXPECT_EQ(statOf(testHome() + "/run1/tarsel-step", false).st_mode & 07777, mode_t(0600));

    // The next login has a new runtime folder.
    env.set("XDG_RUNTIME_DIR", QFile::encodeName(privateFolder(testHome() + "/run2")));
    EXPECT_TRUE(LoginSession::claimOnce("step"));
    EXPECT_FALSE(LoginSession::claimOnce("step"));
}

// Without a runtime folder the marker lives in a private folder and carries the session's key.
TEST(LoginSessionTest, WithoutARuntimeFolderTheSessionKeyDecides)
{
    ScopedEnvironment env;
    env.unset("XDG_RUNTIME_DIR").set("XDG_SESSION_ID", "7");
    const QString folder = platform::Paths::runtimeFolder();
    EXPECT_TRUE(folder.startsWith(platform::Paths::cacheHome()));
    EXPECT_TRUE(LoginSession::claimOnce("step"));
    EXPECT_EQ(statOf(folder, false).st_mode & 07777, mode_t(0700));
    EXPECT_FALSE(LoginSession::claimOnce("step"));
    env.set("XDG_SESSION_ID", "8");
    EXPECT_TRUE(LoginSession::claimOnce("step"));
    EXPECT_FALSE(LoginSession::claimOnce("step"));
}

// A folder open to others, or a marker that is a link planted there, is never used.
TEST(LoginSessionTest, RefusesFoldersAndMarkersThatAreNotPrivate)
{
    ScopedEnvironment env;
    const QString open = testHome() + "/open";
    QDir().mkpath(open);
    ::chmod(QFile::encodeName(open).constData(), 0777);
    env.set("XDG_RUNTIME_DIR", QFile::encodeName(open));
    QString error;
    EXPECT_FALSE(LoginSession::claimOnce("step", &error));
    EXPECT_TRUE(error.contains("not a private folder")) << error.toStdString();

    const QString run = privateFolder(testHome() + "/run");
    const QString target = tarsel::test::writeFile(testHome() + "/victim", "keep");
    ASSERT_TRUE(QFile::link(target, run + "/tarsel-step"));
    env.set("XDG_RUNTIME_DIR", QFile::encodeName(run));
    EXPECT_FALSE(LoginSession::claimOnce("step", &error));
    EXPECT_TRUE(error.startsWith("Failed to keep the session marker.")) << error.toStdString();
    EXPECT_EQ(tarsel::test::readFile(target), QByteArray("keep"));
}
