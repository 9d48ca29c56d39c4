#include "platform/Terminal.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using platform::Terminal;
using tarsel::test::ScopedEnvironment;
using tarsel::test::testHome;
using tarsel::test::writeFile;

namespace {

struct Started
{
    QString program;
    QStringList args;
    QString folder;
};

// A PATH holding only the named fake programs, and a recorder in place of the real start.
class TerminalTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_bin = testHome() + QStringLiteral("/bin");
        QDir().mkpath(m_bin);
        m_env.set("PATH", QFile::encodeName(m_bin));
        m_env.unset("TERMINAL");
        Terminal::setLauncher([this](const QString& program, const QStringList& args, const QString& folder) {
            m_started.append({ program, args, folder });
            return true;
        });
    }
    void TearDown() override { Terminal::setLauncher({}); }

    void install(const QString& name)
    {
        const QString path = writeFile(m_bin + QLatin1Char('/') + name, "#!/bin/sh\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadUser | QFile::ExeUser);
    }

    QString m_bin;
    ScopedEnvironment m_env;
    QList<Started> m_started;
};

} // namespace

TEST_F(TerminalTest, FirstKnownTerminalOpensAtTheFileFolderWithItsOption)
{
    install(QStringLiteral("xterm"));
    install(QStringLiteral("konsole"));
    const QString file = writeFile(testHome() + QStringLiteral("/it's $HOME; `x`/a.txt"), "a");
    const QString folder = testHome() + QStringLiteral("/it's $HOME; `x`");
    ASSERT_TRUE(Terminal::openAt(file));
    ASSERT_EQ(m_started.size(), 1);
    EXPECT_EQ(m_started[0].program, QStringLiteral("konsole"));
    EXPECT_EQ(m_started[0].args, QStringList({ QStringLiteral("--workdir"), folder }));
    EXPECT_EQ(m_started[0].folder, folder);

    ASSERT_TRUE(Terminal::openAt(folder, true));
    EXPECT_EQ(m_started[1].args, QStringList({ QStringLiteral("--new-tab"), QStringLiteral("--workdir"), folder }));
}

TEST_F(TerminalTest, EnvironmentTerminalWinsAndKeepsItsOwnOptions)
{
    install(QStringLiteral("gnome-terminal"));
    install(QStringLiteral("kitty"));
    m_env.set("TERMINAL", "kitty --single-instance");
    ASSERT_TRUE(Terminal::openAt(testHome()));
    ASSERT_EQ(m_started.size(), 1);
    EXPECT_EQ(m_started[0].program, QStringLiteral("kitty"));
    EXPECT_EQ(m_started[0].args,
              QStringList({ QStringLiteral("--single-instance"), QStringLiteral("--directory"), testHome() }));

    // A $TERMINAL that is not installed is passed over.
    m_env.set("TERMINAL", "no-such-terminal");
    ASSERT_TRUE(Terminal::openAt(testHome()));
    EXPECT_EQ(m_started[1].program, QStringLiteral("gnome-terminal"));
    EXPECT_EQ(m_started[1].args, QStringList { QStringLiteral("--working-directory=") + testHome() });
}

TEST_F(TerminalTest, UnknownEmulatorGetsTheWorkingDirectoryAloneAndNoneFails)
{
    QString error;
    EXPECT_FALSE(Terminal::openAt(testHome(), false, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("no terminal")));
    EXPECT_FALSE(Terminal::openAt(testHome() + QStringLiteral("/gone"), false, &error));
    EXPECT_TRUE(m_started.isEmpty());

    install(QStringLiteral("x-terminal-emulator"));
    ASSERT_TRUE(Terminal::openAt(testHome()));
    ASSERT_EQ(m_started.size(), 1);
    EXPECT_EQ(m_started[0].program, QStringLiteral("x-terminal-emulator"));
    EXPECT_TRUE(m_started[0].args.isEmpty());
    EXPECT_EQ(m_started[0].folder, testHome());
}

// The terminals a menu entry names by their macOS names open as this desktop's programs;
// those with no program here stand for the user's terminal.
TEST_F(TerminalTest, NamedTerminalsAreThisDesktopsPrograms)
{
    const std::pair<const char*, const char*> names[] = {
        { "Kitty", "kitty" },        { "WezTerm", "wezterm" },
        { "Warp", "warp-terminal" }, { "GNOME Terminal", "gnome-terminal" },
        { "Konsole", "konsole" },    { "iTerm2", "" },
        { "Terminal", "" },          { "Editor", "" },
    };
    for (const auto& [name, program] : names) {
        EXPECT_EQ(Terminal::programForName(QLatin1String(name)), QLatin1String(program)) << name;
    }

    install(QStringLiteral("wezterm"));
    ASSERT_TRUE(Terminal::openWith({ Terminal::programForName(QStringLiteral("WezTerm")) }, testHome()));
    ASSERT_EQ(m_started.size(), 1);
    EXPECT_EQ(m_started[0].program, QStringLiteral("wezterm"));
    EXPECT_EQ(m_started[0].args, QStringList({ QStringLiteral("start"), QStringLiteral("--cwd"), testHome() }));

    QString error;
    EXPECT_FALSE(Terminal::openWith({ QStringLiteral("kitty") }, testHome(), false, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("kitty is not installed"))) << error.toStdString();
    EXPECT_EQ(m_started.size(), 1);
}
