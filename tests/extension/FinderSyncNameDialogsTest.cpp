// The name dialogs the extension installs for the engine, reached from a chosen menu entry and
// answered through their real widgets; the files change on disk.

#include "extension/FinderSync.h"
#include "toolwindows/QVToolWindows.h"

#include "tests/engine/MenuServiceTestSupport.h"
#include "tests/engine/MenuStoreTestSupport.h"
#include "engine/service/QVMenuService.h"
#include "platform/Bundle.h"
#include "toolwindows/embedfolder/QVEmbedFolderWinCtl.h"
#include "toolwindows/newfolder/QVNewFolderWinCtl.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

class FinderSyncNameDialogsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        resetFinderSelection();
        // Before system 15 the extension runs embed and new folder itself.
        qputenv("TARSEL_SYSTEM_VERSION", "14.0");
        m_dir = testHome() + QStringLiteral("/work");
        QDir().mkpath(m_dir);
    }
    void TearDown() override
    {
        qunsetenv("TARSEL_SYSTEM_VERSION");
        resetFinderSelection();
    }
    /// Builds the menu for the selection (or the folder's background) and picks its first entry.
    static void pickFirst(FinderSync& sync, const QStringList& paths, bool selected)
    {
        auto& controller = platform::FIFinderSyncController::defaultController();
        QList<QUrl> urls;
        for (const QString& path : paths) {
            urls << QUrl::fromLocalFile(path);
        }
        if (selected) {
            controller.setSelectedItemURLs(urls);
        } else {
            controller.setTargetedURL(urls.first());
        }
        const auto menu = sync.menuForMenuKind(selected ? platform::FIMenuKindContextualMenuForItems
                                                        : platform::FIMenuKindContextualMenuForContainer);
        ASSERT_GT(menu->numberOfItems(), 0);
        ASSERT_TRUE(menu->itemAt(0)->perform());
    }

    QString m_dir;
};

} // namespace

TEST_F(FinderSyncNameDialogsTest, EmbedAsksForTheNameAndMovesTheItems)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed(QStringLiteral("Embed in Folder")) });
    const QString a = writeFile(m_dir + QStringLiteral("/a.txt"), "a");
    const QString b = writeFile(m_dir + QStringLiteral("/b.txt"), "b");
    FinderSync sync;
    pickFirst(sync, { a, b }, true);
    QVEmbedFolderWinCtl* dialog = sync.toolWindows().embedFolderWinCtl();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->window()->isVisible());
    EXPECT_EQ(dialog->foldIntoInput()->text(), QStringLiteral("a"));
    EXPECT_TRUE(sync.hasPendingWork()) << "the host must wait for the answer";
    dialog->foldIntoInput()->clear();
    QTest::keyClicks(dialog->foldIntoInput(), QStringLiteral("Both"));
    QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    EXPECT_EQ(readFile(m_dir + QStringLiteral("/Both/a.txt")), QByteArray("a"));
    EXPECT_EQ(readFile(m_dir + QStringLiteral("/Both/b.txt")), QByteArray("b"));
    EXPECT_EQ(sync.toolWindows().embedFolderWinCtl(), nullptr);
    EXPECT_FALSE(sync.hasPendingWork());
}

TEST_F(FinderSyncNameDialogsTest, NewFolderMakesTheTypedFolderAndCancelMakesNone)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed(QStringLiteral("New Folder")) });
    FinderSync sync;
    pickFirst(sync, { m_dir }, false);
    ASSERT_NE(sync.toolWindows().createFolderWinCtl(), nullptr);
    EXPECT_EQ(sync.toolWindows().createFolderWinCtl()->nameInput()->text(),
              platform::Bundle::localizedString("Untitled"));
    QTest::mouseClick(sync.toolWindows().createFolderWinCtl()->cancelButton(), Qt::LeftButton);
    EXPECT_TRUE(QDir(m_dir).isEmpty());
    EXPECT_FALSE(sync.hasPendingWork());

    pickFirst(sync, { m_dir }, false);
    ASSERT_NE(sync.toolWindows().createFolderWinCtl(), nullptr);
    sync.toolWindows().createFolderWinCtl()->nameInput()->setText(QStringLiteral("Drafts"));
    QTest::keyClick(sync.toolWindows().createFolderWinCtl()->nameInput(), Qt::Key_Return);
    EXPECT_TRUE(QFileInfo(m_dir + QStringLiteral("/Drafts")).isDir());
    EXPECT_EQ(sync.toolWindows().createFolderWinCtl(), nullptr);
    EXPECT_FALSE(sync.hasPendingWork());
}

TEST_F(FinderSyncNameDialogsTest, NewFileFromWindowWritesTheChosenTemplateWhereThePanelSays)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed(QStringLiteral("New File")) });
    storeList(QVMenuManager::kArrayNewFile,
              { keyed(QStringLiteral("New File From Window")),
                entry({ { QStringLiteral("key"), QStringLiteral("rtf") },
                        { QStringLiteral("ext"), QStringLiteral("rtf") } }) });
    const QString chosen = m_dir + QStringLiteral("/Letter.rtf");
    PanelScript panels;
    panels.setNextPaths({ chosen });
    FinderSync sync;
    platform::FIFinderSyncController::defaultController().setTargetedURL(QUrl::fromLocalFile(m_dir));
    const auto menu = sync.menuForMenuKind(platform::FIMenuKindContextualMenuForContainer);
    ASSERT_TRUE(menu->itemAt(0)->hasSubmenu());
    ASSERT_TRUE(menu->itemAt(0)->submenu()->itemAt(0)->perform());
    ASSERT_EQ(panels.shown().size(), 1);
    EXPECT_EQ(panels.shown().first().options.allowedFileTypes, QStringList { QStringLiteral("rtf") });
    EXPECT_EQ(panels.shown().first().options.directory, m_dir);
    EXPECT_EQ(readFile(chosen), platform::Bundle::resourceData(QStringLiteral("Untitled"), QStringLiteral("rtf")));
}
