#include "extension/FinderSync.h"
#include "toolwindows/QVToolWindows.h"

#include "tests/engine/MenuServiceTestSupport.h"
#include "tests/engine/MenuStoreTestSupport.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/QVMenuService.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVCheckPermit.h"
#include "foundation/QVPermissions.h"
#include "platform/Bundle.h"
#include "platform/FileFlags.h"
#include "platform/MountTable.h"
#include "toolwindows/filehash/QVFileHashWinCtl.h"
#include "toolwindows/progress/QVLoadingWinCtl.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

QByteArray mountLine(int id, const QByteArray& point)
{
    return QByteArray::number(id) + " 1 8:1 / " + point + " rw - ext4 /dev/sdb1 rw\n";
}

class FinderSyncTest : public testing::Test
{
protected:
    void SetUp() override
    {
        resetFinderSelection();
        m_table = testHome() + QStringLiteral("/mountinfo");
        writeFile(m_table, mountLine(1, "/") + mountLine(2, "/mnt/usb") + mountLine(3, "/mnt/.hid"));
        platform::MountTable::setPath(m_table);
    }
    void TearDown() override
    {
        platform::MountTable::setPath(QString());
        resetFinderSelection();
    }
    static QSet<QString> served()
    {
        QSet<QString> paths;
        for (const QUrl& url : platform::FIFinderSyncController::defaultController().directoryURLs()) {
            paths.insert(url.toLocalFile());
        }
        return paths;
    }

    static QString targetFolder()
    {
        const QString to = testHome() + QStringLiteral("/to");
        QDir().mkpath(to);
        return to;
    }
    static void selectItem(FinderSync& sync, const QString& path)
    {
        sync.service()->setSelectURLs({ QUrl::fromLocalFile(path) });
        sync.service()->setIsSelectURL(true);
    }

    QString m_table;
};

} // namespace

TEST_F(FinderSyncTest, ServesTheRootOnlyWithoutTheVolumeSwitch)
{
    FinderSync sync;
    EXPECT_EQ(served(), QSet<QString>({ QStringLiteral("/") }));
    EXPECT_TRUE(sync.service()->isFinderSync());
    EXPECT_EQ(sync.service()->delegate(), &sync);
}

TEST_F(FinderSyncTest, ServesVisibleVolumesAndNewMountsOneSecondLater)
{
    setSwitch(QVSwitch::ServeVolumes, true);
    FinderSync sync;
    EXPECT_EQ(served(), QSet<QString>({ QStringLiteral("/"), QStringLiteral("/mnt/usb") }));

    writeFile(m_table, mountLine(1, "/") + mountLine(2, "/mnt/usb") + mountLine(4, "/mnt/disk"));
    QElapsedTimer timer;
    timer.start();
    sync.volumeChangeNoti();
    EXPECT_FALSE(served().contains(QStringLiteral("/mnt/disk")));
    EXPECT_TRUE(QTest::qWaitFor([] { return served().contains(QStringLiteral("/mnt/disk")); }, 5000));
    EXPECT_GE(timer.elapsed(), 900);
}

TEST_F(FinderSyncTest, TheExtensionShowsNoSeparatorsAndNoGetInfo)
{
    storeList(
        QVMenuManager::kArrayRightMenu,
        { entry({ { QStringLiteral("key"), QStringLiteral("Copy Path") }, { QStringLiteral("haveSepLine"), true } }),
          keyed(QStringLiteral("Get Info")), keyed(QStringLiteral("Copy File(Folder) Name")) });
    const QString a = writeFile(testHome() + QStringLiteral("/a.txt"), "x");
    platform::FIFinderSyncController::defaultController().setSelectedItemURLs({ QUrl::fromLocalFile(a) });
    FinderSync sync;
    const auto menu = sync.menuForMenuKind(platform::FIMenuKindContextualMenuForItems);
    QStringList tags;
    for (const platform::MenuItem* item : menu->items()) {
        EXPECT_FALSE(item->isSeparatorItem());
        EXPECT_EQ(item->target(), &sync);
        tags << QString::number(item->tag());
    }
    EXPECT_EQ(tags, QStringList({ QStringLiteral("1"), QStringLiteral("3") }));
}

TEST_F(FinderSyncTest, EveryRequestReadsTheSelectionAfresh)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed(QStringLiteral("Copy Path")) });
    auto& controller = platform::FIFinderSyncController::defaultController();
    const QString a = writeFile(testHome() + QStringLiteral("/a.txt"), "x");
    const QString b = writeFile(testHome() + QStringLiteral("/b.txt"), "x");
    FinderSync sync;
    controller.setSelectedItemURLs({ QUrl::fromLocalFile(a) });
    sync.menuForMenuKind(platform::FIMenuKindContextualMenuForItems);
    EXPECT_EQ(sync.service()->selectPaths(), QStringList({ a }));
    controller.setSelectedItemURLs({ QUrl::fromLocalFile(b) });
    sync.menuForMenuKind(platform::FIMenuKindContextualMenuForItems);
    EXPECT_EQ(sync.service()->selectPaths(), QStringList({ b }));
}

TEST_F(FinderSyncTest, TheCommonPathEntryBecomesAddToCommonPathForAFolder)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed(QStringLiteral("Common Path")) });
    const QString dir = testHome() + QStringLiteral("/dir");
    QDir().mkpath(dir);
    platform::FIFinderSyncController::defaultController().setSelectedItemURLs({ QUrl::fromLocalFile(dir) });
    FinderSync sync;
    EXPECT_EQ(sync.menuForMenuKind(platform::FIMenuKindContextualMenuForItems)->numberOfItems(), 0);
    setSwitch(QVSwitch::AddToCommonPath, true);
    const auto menu = sync.menuForMenuKind(platform::FIMenuKindContextualMenuForItems);
    ASSERT_EQ(menu->numberOfItems(), 1);
    EXPECT_FALSE(menu->itemAt(0)->hasSubmenu());
    EXPECT_TRUE(sync.service()->itemForTag(1)->isCommonPathShortcutAdd());
}

TEST_F(FinderSyncTest, AChosenEntryReachesTheEngineAsItsTag)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed(QStringLiteral("Copy Path")) });
    const QString a = writeFile(testHome() + QStringLiteral("/a.txt"), "x");
    platform::FIFinderSyncController::defaultController().setSelectedItemURLs({ QUrl::fromLocalFile(a) });
    FinderSync sync;
    QList<qint64> tags;
    sync.service()->setChoiceObserver([&](qint64 tag, const QVMenuItemPtr&) { tags << tag; });
    const auto menu = sync.menuForMenuKind(platform::FIMenuKindContextualMenuForItems);
    ASSERT_TRUE(menu->itemAt(0)->perform());
    EXPECT_EQ(tags, QList<qint64>({ 1 }));
}

TEST_F(FinderSyncTest, CopyJobsShowTheProgressWindowAndTheHostWaitsForTheSuccessMessage)
{
    const QString to = targetFolder();
    FinderSync sync;
    selectItem(sync, writeFile(testHome() + QStringLiteral("/a.txt"), "x"));
    EXPECT_EQ(sync.toolWindows().loadingWinCtl(), nullptr);

    // The background queue is held, so the job is still waiting while the window is checked.
    BackgroundHold hold;
    sync.service()->_moveAndCopyToPath(to, true);
    ASSERT_NE(sync.toolWindows().loadingWinCtl(), nullptr);
    EXPECT_TRUE(sync.toolWindows().loadingWinCtl()->window()->isVisible());
    EXPECT_TRUE(sync.hasPendingWork());
    hold.release();

    ASSERT_TRUE(QTest::qWaitFor([&] { return sync.service()->loadingCount() == 0; }, 20000));
    EXPECT_EQ(readFile(to + QStringLiteral("/a.txt")), "x");
    // The success message stays for a second and keeps the host alive; then the window is gone.
    ASSERT_NE(sync.toolWindows().loadingWinCtl(), nullptr);
    EXPECT_TRUE(sync.toolWindows().loadingWinCtl()->imageView()->isVisible());
    EXPECT_TRUE(sync.hasPendingWork());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sync.hasPendingWork(); }, 20000));
    EXPECT_EQ(sync.toolWindows().loadingWinCtl(), nullptr);
}

TEST_F(FinderSyncTest, AFailedJobClosesTheProgressWindowAtOnce)
{
    const QString to = targetFolder();
    const QString gone = writeFile(testHome() + QStringLiteral("/gone.txt"), "x");
    FinderSync sync;
    selectItem(sync, gone);
    AlertScript script;
    BackgroundHold hold;
    sync.service()->_moveAndCopyToPath(to, true);
    ASSERT_NE(sync.toolWindows().loadingWinCtl(), nullptr);
    QFile::remove(gone);
    hold.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !script.shown().isEmpty(); }, 20000));
    EXPECT_EQ(sync.toolWindows().loadingWinCtl(), nullptr);
    EXPECT_FALSE(sync.hasPendingWork());
}

// Folder access asked for the activation panel through a hook nobody installed, so the panel
// was never offered. The extension's start installs it: the first folder question of the
// process comes after the panel, and once "Activate" was clicked no later one does.
TEST_F(FinderSyncTest, TheActivationPanelPrecedesFolderQuestionsUntilActivated)
{
    QVPermissions::sharedInstance().setIsActive15(false);
    FinderSync sync;
    ASSERT_TRUE(QVCheckPermit::canUseMainApp());
    const QString locked = writeFile(testHome() + QStringLiteral("/locked.txt"), "x");
    ASSERT_TRUE(platform::FileFlags::setLocked(locked, true));
    PanelScript script;
    script.setNextClick(QStringLiteral("activeButton"));
    script.setNextCancel();
    script.setNextCancel();
    int failures = 0;
    for (int i = 0; i < 2; ++i) {
        QVCheckPermit::checkPermitWithPath(
            locked, [] {}, [&] { ++failures; });
    }
    platform::FileFlags::setLocked(locked, false);
    const bool activated = QVPermissions::sharedInstance().isActive15();
    QVPermissions::sharedInstance().setIsActive15(false);

    ASSERT_EQ(script.shown().size(), 3);
    EXPECT_EQ(script.shown().at(0).kind, platform::Panels::Kind::Save);
    EXPECT_EQ(script.shown().at(0).options.title, platform::Bundle::localizedString(QStringLiteral("Activate")));
    EXPECT_EQ(script.shown().at(1).kind, platform::Panels::Kind::Open);
    EXPECT_EQ(script.shown().at(2).kind, platform::Panels::Kind::Open);
    EXPECT_TRUE(activated);
    EXPECT_EQ(failures, 2);
}

TEST_F(FinderSyncTest, FileInfoOpensTheHashWindowWhichKeepsTheHostUntilItCloses)
{
    FinderSync sync;
    selectItem(sync, writeFile(testHome() + QStringLiteral("/a.txt"), "x"));
    auto entry = QVMenuItem::create();
    entry->setKey(QStringLiteral("File Info"));
    sync.service()->readyStart(entry, {});
    ASSERT_NE(sync.toolWindows().fileHashWinCtl(), nullptr);
    EXPECT_TRUE(sync.toolWindows().fileHashWinCtl()->window()->isVisible());
    EXPECT_EQ(sync.toolWindows().fileHashWinCtl()->paths(), QStringList({ testHome() + QStringLiteral("/a.txt") }));
    EXPECT_TRUE(sync.hasPendingWork());
    sync.clean();
    EXPECT_EQ(sync.toolWindows().fileHashWinCtl(), nullptr);
    EXPECT_FALSE(sync.hasPendingWork());
}
