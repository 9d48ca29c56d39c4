#include "engine/service/QVMenuService.h"

#include "CommandTestSupport.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/ObjectGCD.h"
#include "platform/Bundle.h"
#include "platform/Pasteboard.h"
#include "platform/Trash.h"
#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tarsel::test;

namespace {

class QVMenuServiceFileCommandsTest : public CommandTest
{
protected:
    QString board() const { return platform::Pasteboard::general().string(); }
    bool waitIdle()
    {
        return QTest::qWaitFor([this]() { return m_service.loadingCount() == 0; }, 20000);
    }
};

} // namespace

TEST_F(QVMenuServiceFileCommandsTest, CopyPathGivesOneLineEachWithBlanksKept)
{
    select({ file("a"), file(" lead.txt"), file("trail.txt ") });
    m_service.copyPathWithOnlyName(false);
    EXPECT_EQ(board(), m_dir + "/a\n" + m_dir + "/ lead.txt\n" + m_dir + "/trail.txt ");
    m_service.copyPathWithOnlyName(true);
    EXPECT_EQ(board(), QStringLiteral("a\n lead.txt\ntrail.txt "));
}

TEST_F(QVMenuServiceFileCommandsTest, DeleteAsksWhenTheSwitchIsOn)
{
    const QString a = file("a");
    const QString b = folder("b");
    file("b/inner");
    select({ a, b });
    setSwitch(QVSwitch::AskBeforeDelete, true);
    {
        AlertScript script({ 1001 }); // Cancel
        m_service.deletePath();
        ASSERT_EQ(script.shown().size(), 1);
        EXPECT_TRUE(QFileInfo::exists(a));
    }
    {
        AlertScript script({ 1000 });
        m_service.deletePath();
        EXPECT_FALSE(QFileInfo::exists(a));
        EXPECT_FALSE(QFileInfo::exists(b));
    }
    setSwitch(QVSwitch::AskBeforeDelete, false);
    const QString c = file("c");
    select({ c });
    AlertScript script;
    m_service.deletePath();
    EXPECT_FALSE(QFileInfo::exists(c));
    EXPECT_TRUE(script.shown().isEmpty());
}

TEST_F(QVMenuServiceFileCommandsTest, DeleteFailureIsToldAndTheLoopGoesOn)
{
    const QString b = file("b");
    select({ m_dir + "/missing", b });
    AlertScript script;
    m_service.deletePath();
    EXPECT_FALSE(QFileInfo::exists(b));
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_EQ(script.shown().first().informativeText, platform::Bundle::localizedString("Delete Fail Tip"));
}

TEST_F(QVMenuServiceFileCommandsTest, MoveToTrashUsesTheDesktopTrash)
{
    const QString a = file("a.txt", "keep me");
    select({ a });
    m_service.moveToTrash();
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_EQ(readFile(platform::Trash::homeTrash() + "/files/a.txt"), "keep me");
    EXPECT_TRUE(QFileInfo::exists(platform::Trash::homeTrash() + "/info/a.txt.trashinfo"));
}

TEST_F(QVMenuServiceFileCommandsTest, CopyFileContentsTakesTheFirstFileAndRefusesNonText)
{
    select({ file("one.txt", "  first text \n"), file("two.txt", "second") });
    m_service.copyFileContents();
    EXPECT_EQ(board(), QStringLiteral("first text"));

    platform::Pasteboard::general().setString(QStringLiteral("untouched"));
    AlertScript script;
    select({ file("latin1.txt", "caf\xe9") });
    m_service.copyFileContents();
    select({ file("blank.txt", " \n\t") });
    m_service.copyFileContents();
    EXPECT_EQ(board(), QStringLiteral("untouched"));
    ASSERT_EQ(script.shown().size(), 2);
    EXPECT_EQ(script.shown().first().informativeText, platform::Bundle::localizedString("Error Common Tip"));
}

// The command used to open whatever was selected: a named pipe without a writer blocked it for
// ever. It now reads only what the menu would offer the entry for.
TEST_F(QVMenuServiceFileCommandsTest, CopyFileContentsRefusesAPipeWithoutBlocking)
{
    const QString fifo = m_dir + QStringLiteral("/pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    platform::Pasteboard::general().setString(QStringLiteral("untouched"));
    AlertScript script;
    select({ fifo });
    m_service.copyFileContents();
    EXPECT_EQ(board(), QStringLiteral("untouched"));
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_EQ(script.shown().first().informativeText, platform::Bundle::localizedString("Error Common Tip"));
}

TEST_F(QVMenuServiceFileCommandsTest, CopyToCountsJobsAndNeverResetsARunningCount)
{
    const QString to = folder("to");
    select({ file("a"), file("b"), file("c") });
    int successes = 0;
    QVMenuService::ProgressHooks hooks;
    hooks.showSuccess = [&](const QString&) { ++successes; };
    m_service.setProgressHooks(hooks);
    m_service._moveAndCopyToPath(to, true);
    EXPECT_EQ(m_service.loadingCount(), 3);
    // A second command while the first one's jobs are queued adds to the count.
    select({ file("d") });
    m_service._moveAndCopyToPath(folder("other"), false);
    EXPECT_EQ(m_service.loadingCount(), 4);
    ASSERT_TRUE(waitIdle());
    ASSERT_TRUE(QTest::qWaitFor([&]() { return successes == 2; }, 20000));
    EXPECT_EQ(readFile(to + "/c"), "text");
    EXPECT_TRUE(QFileInfo::exists(m_dir + "/a"));
    EXPECT_FALSE(QFileInfo::exists(m_dir + "/d"));
    EXPECT_TRUE(QFileInfo::exists(m_dir + "/other/d"));
}

TEST_F(QVMenuServiceFileCommandsTest, AFailedMoveKeepsTheSourcesAndTellsTheUser)
{
    const QString a = file("a");
    const QString gone = file("gone");
    const QString to = folder("to");
    select({ a, gone });
    int cleaned = 0;
    QVMenuService::ProgressHooks hooks;
    hooks.clean = [&]() { ++cleaned; };
    m_service.setProgressHooks(hooks);
    AlertScript script;
    // "gone" vanishes after its job was queued: the background queue is held until then.
    BackgroundHold hold;
    m_service._moveAndCopyToPath(to, false);
    QFile::remove(gone);
    hold.release();
    ASSERT_TRUE(QTest::qWaitFor([&]() { return !script.shown().isEmpty(); }, 20000));
    EXPECT_EQ(cleaned, 1);
    EXPECT_TRUE(script.shown().first().informativeText.contains(gone));
    EXPECT_EQ(readFile(to + "/a"), "text");
    EXPECT_EQ(m_service.loadingCount(), 0);
}

TEST_F(QVMenuServiceFileCommandsTest, CutThenPasteMovesAndEmptiesTheList)
{
    QVMenuManager::addMenuKey(QVMenuManager::kArrayRightMenu,
                              { { QStringLiteral("key"), QStringLiteral("Cut Paste") } }, -1);
    const QString a = file("a");
    select({ a });
    m_service.cutPasteItem(item("Cut Paste"));
    EXPECT_EQ(QVFileTransfer::storedCutPaths(), QStringList({ a }));

    const QString to = folder("to");
    select({ to });
    m_service.cutPasteItem(item("Paste"));
    EXPECT_TRUE(QVFileTransfer::storedCutPaths().isEmpty());
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(readFile(to + "/a"), "text");
    EXPECT_FALSE(QFileInfo::exists(a));

    // A paste with nothing cut moves nothing and keeps the list empty.
    m_service.cutPasteItem(item("Paste"));
    EXPECT_EQ(m_service.loadingCount(), 0);
    EXPECT_TRUE(QVFileTransfer::storedCutPaths().isEmpty());
}
