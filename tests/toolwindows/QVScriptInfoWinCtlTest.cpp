#include "toolwindows/scriptinfo/QVScriptInfoWinCtl.h"

#include "foundation/StringExpandText.h"
#include "platform/Defaults.h"
#include "platform/Pasteboard.h"
#include "platform/System.h"
#include "platform/Terminal.h"
#include "testsupport/TestEnvironment.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

// Real widgets; the terminal is recorded instead of started, the pasteboard is in memory.
class QVScriptInfoWinCtlTest : public testing::Test
{
protected:
    void SetUp() override
    {
        platform::Pasteboard::useMemoryBoard(true);
        m_env.set("TERMINAL", "true");
        platform::Terminal::setLauncher([this](const QString&, const QStringList&, const QString& folder) {
            m_terminalFolders << folder;
            return true;
        });
        shared().setValue(QVScriptInfoWinCtl::kITerm2Switch, false);
    }
    void TearDown() override
    {
        platform::Terminal::setLauncher({});
        platform::Pasteboard::useMemoryBoard(false);
    }
    static platform::Defaults& shared() { return platform::Defaults::suite(platform::System::kGroupId); }

    ScopedEnvironment m_env;
    QStringList m_terminalFolders;
};

} // namespace

TEST_F(QVScriptInfoWinCtlTest, SuccessShowsTheLogAndTheButtonCopiesAndOpensATerminal)
{
    QDir().mkpath(qv::desktopPath());
    QVScriptInfoWinCtl ctl;
    ctl.setCmd(QStringLiteral("  ls -l  \n"));
    ctl.setFolder(testHome());
    ctl.openWithTitle(QStringLiteral("List"), QStringLiteral("total 0\n"), true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(ctl.window()));
    EXPECT_EQ(ctl.window()->windowTitle(), QStringLiteral("List"));
    EXPECT_EQ(ctl.scriptTextView()->toPlainText(), QStringLiteral("total 0\n"));
    EXPECT_EQ(ctl.tipLabel()->text(), QStringLiteral("The log is as follows:"));
    EXPECT_EQ(ctl.scriptTextView()->height(), QVScriptInfoWinCtl::kSuccessTextHeight);
    EXPECT_EQ(ctl.okButton()->text(), QStringLiteral("Copy and Open Terminal"));

    QSignalSpy closed(&ctl, &QVScriptInfoWinCtl::closed);
    QTest::mouseClick(ctl.okButton(), Qt::LeftButton);
    EXPECT_EQ(platform::Pasteboard::general().string(), QStringLiteral("ls -l"));
    // Without iTerm2 the terminal opens at the Desktop, not at the script's folder.
    EXPECT_EQ(m_terminalFolders, QStringList({ qv::desktopPath() }));
    EXPECT_FALSE(ctl.window()->isVisible());
    EXPECT_EQ(closed.count(), 1);
}

TEST_F(QVScriptInfoWinCtlTest, FailureHintFollowsTheSwitchAndAnEmptyCommandOnlyCloses)
{
    QVScriptInfoWinCtl ctl;
    ctl.openWithTitle(QStringLiteral("Broken"), QStringLiteral("exit 3"), false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(ctl.window()));
    EXPECT_TRUE(ctl.tipLabel()->text().startsWith(QStringLiteral("You may not have permission")));
    EXPECT_TRUE(ctl.tipLabel()->text().contains(QStringLiteral("to the Terminal and")));
    EXPECT_NE(ctl.scriptTextView()->height(), QVScriptInfoWinCtl::kSuccessTextHeight);

    QTest::mouseClick(ctl.iterm2CheckBox(), Qt::LeftButton);
    EXPECT_TRUE(shared().boolValue(QVScriptInfoWinCtl::kITerm2Switch));
    EXPECT_TRUE(ctl.tipLabel()->text().contains(QStringLiteral("to the iTerm2 and")));
    EXPECT_EQ(ctl.okButton()->text(), QStringLiteral("Copy and Open iTerm2"));

    QTest::mouseClick(ctl.okButton(), Qt::LeftButton);
    EXPECT_FALSE(ctl.window()->isVisible());
    EXPECT_TRUE(m_terminalFolders.isEmpty());
    EXPECT_FALSE(platform::Pasteboard::general().hasString());
}
