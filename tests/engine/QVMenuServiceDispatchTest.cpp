#include "engine/service/QVMenuService.h"

#include "MenuServiceTestSupport.h"
#include "OpenWithTestSupport.h"
#include "MenuStoreTestSupport.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/QVColorPickerHook.h"
#include "platform/Alert.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"
#include "platform/Workspace.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

QVMenuItemPtr record(const QString& key, const QString& appName = QString())
{
    return appRecord(appName, key);
}

QVMenuItemPtr withChildren(const QVMenuItemPtr& parent, const QVMenuItemList& children)
{
    for (const QVMenuItemPtr& child : children) {
        child->setParent(parent);
    }
    parent->setChildren(children);
    return parent;
}

qint64 useCountOf(const QString& key)
{
    return QVMenuManager::sharedDefaults().dictionaryValue(QStringLiteral("use count detail")).value(key).toLongLong();
}

qint64 totalUses()
{
    return QVMenuManager::sharedDefaults().integerValue(QStringLiteral("use count"));
}

class QVMenuServiceDispatchTest : public testing::Test
{
protected:
    void SetUp() override
    {
        resetFinderSelection();
        platform::Workspace::setLauncher([this](const QString& program, const QStringList& args) {
            m_launches.append({ program, args });
            return true;
        });
        installApplication(QStringLiteral("org.test.Editor"), QStringLiteral("Editor"),
                           QStringLiteral("/usr/bin/editor %F"));
        installApplication(QStringLiteral("org.test.Viewer"), QStringLiteral("Viewer"),
                           QStringLiteral("/usr/bin/viewer %F"));
        m_file = writeFile(testHome() + QStringLiteral("/work/a.txt"), "x");
    }
    void TearDown() override
    {
        platform::Workspace::setLauncher({});
        QVMenuService::setPermitCheck({});
        platform::Alert::setResponder({});
        resetFinderSelection();
    }

    /// The menu for the file as the selection, built from a main list whose "Common App" holds
    /// the application "Editor".
    std::shared_ptr<platform::Menu> editorMenu(QVMenuService& service)
    {
        storeList(QVMenuManager::kArrayRightMenu,
                  { entry({ { QStringLiteral("key"), QStringLiteral("Common App") } }) });
        storeList(QVMenuManager::kArrayCommonApp,
                  { entry({ { QStringLiteral("key"), QStringLiteral("Editor") },
                            { QStringLiteral("appName"), QStringLiteral("Editor") } }) });
        service.setSelectURLs({ QUrl::fromLocalFile(m_file) });
        service.setIsSelectURL(true);
        return service.menuForMenuKind(platform::FIMenuKindContextualMenuForItems);
    }

    QStringList launchedPrograms() const
    {
        QStringList list;
        for (const Launch& l : m_launches) {
            list << l.program;
        }
        return list;
    }

    QList<Launch> m_launches;
    QString m_file;
};

} // namespace

TEST(QVMenuServiceTagTest, TagsAreCutIntoTwoDigitGroupsFromTheLeft)
{
    EXPECT_EQ(QVMenuService::tagGroups(5), QStringList({ QStringLiteral("05") }));
    EXPECT_EQ(QVMenuService::tagGroups(105), QStringList({ QStringLiteral("01"), QStringLiteral("05") }));
    EXPECT_EQ(QVMenuService::tagGroups(503), QStringList({ QStringLiteral("05"), QStringLiteral("03") }));
    EXPECT_EQ(QVMenuService::tagGroups(120304),
              QStringList({ QStringLiteral("12"), QStringLiteral("03"), QStringLiteral("04") }));
}

TEST(QVMenuServiceTagTest, IndexesThatFitNoEntryFindNoRecord)
{
    auto top = withChildren(record(QStringLiteral("Common App")),
                            { record(QStringLiteral("x")), record(QStringLiteral("y")) });
    const QVMenuItemList menu { top };
    EXPECT_EQ(QVMenuService::itemForTag(102, menu)->key(), QStringLiteral("y"));
    EXPECT_EQ(QVMenuService::itemForTag(103, menu), nullptr);
    EXPECT_EQ(QVMenuService::itemForTag(100, menu), nullptr);
    EXPECT_EQ(QVMenuService::itemForTag(2, menu), nullptr);
    EXPECT_EQ(QVMenuService::itemForTag(10101, menu), nullptr);
    EXPECT_EQ(QVMenuService::itemForTag(0, menu), nullptr);
}

TEST_F(QVMenuServiceDispatchTest, AChildOfCommonAppOpensTheSelectionAndCountsTheTopEntry)
{
    QVMenuService service;
    service.setSelectURLs({ QUrl::fromLocalFile(m_file) });
    service.setIsSelectURL(true);
    auto top = withChildren(record(QStringLiteral("Common App")),
                            { record(QStringLiteral("Editor"), QStringLiteral("Editor")),
                              record(QStringLiteral("Viewer"), QStringLiteral("Viewer")) });
    service.readyStart(top, { QStringLiteral("02") });
    ASSERT_EQ(m_launches.size(), 1);
    EXPECT_EQ(m_launches[0].program, QStringLiteral("/usr/bin/viewer"));
    EXPECT_EQ(m_launches[0].args, QStringList({ m_file }));
    EXPECT_EQ(top->children().at(1)->tag(), 1);
    EXPECT_EQ(useCountOf(QStringLiteral("Common App")), 1);
    EXPECT_EQ(useCountOf(QStringLiteral("Viewer")), 0);
    EXPECT_EQ(totalUses(), 1);
}

TEST_F(QVMenuServiceDispatchTest, OutOfRangeIndexesRunNothingAndCountNothing)
{
    QVMenuService service;
    service.setSelectURLs({ QUrl::fromLocalFile(m_file) });
    auto grandchildren = withChildren(record(QStringLiteral("Editor"), QStringLiteral("Editor")),
                                      { record(QStringLiteral("Viewer"), QStringLiteral("Viewer")) });
    auto top = withChildren(record(QStringLiteral("Common App")), { grandchildren });
    for (const QStringList& indexes :
         { QStringList { QStringLiteral("00") }, QStringList { QStringLiteral("02") },
           QStringList { QStringLiteral("99") }, QStringList { QStringLiteral("01"), QStringLiteral("02") },
           QStringList { QStringLiteral("01"), QStringLiteral("07") } }) {
        service.readyStart(top, indexes);
    }
    EXPECT_TRUE(m_launches.isEmpty()) << launchedPrograms().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(totalUses(), 0);
    // The grandchild in range is the one opened.
    service.readyStart(top, { QStringLiteral("01"), QStringLiteral("01") });
    EXPECT_EQ(launchedPrograms(), QStringList({ QStringLiteral("/usr/bin/viewer") }));
}

TEST_F(QVMenuServiceDispatchTest, GoSetOpensTheListPageWithoutCounting)
{
    setSwitch(QVSwitch::OpenSettingsPage, true);
    QVMenuService service;
    auto top = withChildren(record(QStringLiteral("Common App")), { record(QStringLiteral("Go Set")) });
    service.readyStart(top, { QStringLiteral("01") });
    EXPECT_EQ(m_launches.size(), 1);
    EXPECT_EQ(QVMenuManager::sharedDefaults().stringValue(QVMenuManager::kMainOpenTabview),
              QStringLiteral("commonapp"));
    EXPECT_EQ(totalUses(), 0);
}

TEST_F(QVMenuServiceDispatchTest, CommandsNotAvailableInThisBuildRunAndCountNothing)
{
    QStringList tips;
    platform::Alert::setResponder([&](const platform::Alert& alert, QWidget*) {
        tips << alert.informativeText();
        return platform::Alert::FirstButtonReturn;
    });
    QVMenuService service;
    service.setSelectURLs({ QUrl::fromLocalFile(m_file) });
    const QVMenuItemPtr picker = record(QStringLiteral("Color Picker"));
    service.readyStart(picker, {});
    EXPECT_TRUE(m_launches.isEmpty());
    EXPECT_EQ(totalUses(), 0);
    // The user is told, not only the log.
    EXPECT_EQ(tips,
              QStringList({ QStringLiteral("“%1” is not available on this system yet.").arg(picker->menuTitle()) }));
}

TEST_F(QVMenuServiceDispatchTest, ColorPickerStartsThePickerOfThisProcess)
{
    int starts = 0;
    qv::setColorPickerStarter([&] { ++starts; });
    QVMenuService service;
    service.readyStart(record(QStringLiteral("Color Picker")), {});
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(totalUses(), 1);
    // The hot key and the app command URL run it by its key.
    EXPECT_TRUE(service.runHandedOverCommand(QStringLiteral("Color Picker")));
    EXPECT_EQ(starts, 2);
    EXPECT_TRUE(m_launches.isEmpty());
    qv::setColorPickerStarter({});
}

TEST_F(QVMenuServiceDispatchTest, StaleAndSpentTagsDoNothing)
{
    QVMenuService service;
    const auto menu = editorMenu(service);
    ASSERT_FALSE(service.rightMenuArray().isEmpty());
    // A tag of an older, longer menu names no record of this one.
    service.handlerMenuTag(7);
    EXPECT_TRUE(service.rightMenuArray().isEmpty());
    EXPECT_TRUE(m_launches.isEmpty());
    EXPECT_EQ(totalUses(), 0);
    // The menu was spent by that click: a valid tag now does nothing either.
    service.handlerMenuTag(1);
    EXPECT_TRUE(m_launches.isEmpty());
    EXPECT_EQ(totalUses(), 0);
}

TEST_F(QVMenuServiceDispatchTest, FolderAccessIsAskedForTheSelectionsFolderAndARefusalRunsNothing)
{
    QStringList asked;
    bool grant = false;
    QVMenuService::setPermitCheck(
        [&](const QString& folder, std::function<void()> success, std::function<void()> failure) {
            asked << folder;
            grant ? success() : failure();
        });
    QVMenuService service;
    auto menu = editorMenu(service);
    ASSERT_NE(menu->itemWithTag(101), nullptr);
    ASSERT_TRUE(menu->itemWithTag(101)->perform());
    EXPECT_EQ(asked, QStringList({ testHome() + QStringLiteral("/work") }));
    EXPECT_TRUE(m_launches.isEmpty());
    EXPECT_EQ(totalUses(), 0);

    grant = true;
    menu = service.menuForMenuKind(platform::FIMenuKindContextualMenuForItems);
    ASSERT_TRUE(menu->itemWithTag(101)->perform());
    EXPECT_EQ(launchedPrograms(), QStringList({ QStringLiteral("/usr/bin/editor") }));
    EXPECT_EQ(useCountOf(QStringLiteral("Common App")), 1);
}

TEST_F(QVMenuServiceDispatchTest, TheFoldEntryOpensTheGeneralPage)
{
    QVMenuService service;
    service.handlerMenuTag(0);
    EXPECT_EQ(m_launches.size(), 1);
    EXPECT_EQ(QVMenuManager::sharedDefaults().stringValue(QVMenuManager::kMainOpenTabview), QStringLiteral("general"));
}

TEST_F(QVMenuServiceDispatchTest, ALegacyIntegerCountIsFoldedInOnceAndItsKeyRemoved)
{
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    defaults.setValue(QStringLiteral("Copy Path"), 7);
    QVMenuService service;
    service.useSuccess(record(QStringLiteral("Copy Path")));
    EXPECT_EQ(useCountOf(QStringLiteral("Copy Path")), 8);
    EXPECT_FALSE(defaults.contains(QStringLiteral("Copy Path")));
    service.useSuccess(record(QStringLiteral("Copy Path")));
    EXPECT_EQ(useCountOf(QStringLiteral("Copy Path")), 9);
    EXPECT_EQ(totalUses(), 2);
}

TEST_F(QVMenuServiceDispatchTest, SwitchesAndTextsUnderAnEntryKeyAreNotFolded)
{
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    defaults.setValue(QStringLiteral("Get Info"), true);
    defaults.setValue(QStringLiteral("Eject"), QStringLiteral("12"));
    QVMenuService service;
    service.useSuccess(record(QStringLiteral("Get Info")));
    service.useSuccess(record(QStringLiteral("Eject")));
    EXPECT_EQ(useCountOf(QStringLiteral("Get Info")), 1);
    EXPECT_EQ(useCountOf(QStringLiteral("Eject")), 1);
    EXPECT_TRUE(defaults.boolValue(QStringLiteral("Get Info")));
    EXPECT_EQ(defaults.stringValue(QStringLiteral("Eject")), QStringLiteral("12"));
}

TEST_F(QVMenuServiceDispatchTest, AChildIsCountedUnderItsOutermostOwner)
{
    auto top = withChildren(record(QStringLiteral("Common App")), { record(QStringLiteral("Editor")) });
    QVMenuService service;
    service.useSuccess(top->children().first());
    EXPECT_EQ(useCountOf(QStringLiteral("Common App")), 1);
    EXPECT_EQ(useCountOf(QStringLiteral("Editor")), 0);
}

TEST_F(QVMenuServiceDispatchTest, TheReviewPromptComesOnEverySixtiethUseUntilReviewed)
{
    int prompts = 0;
    const QString reviewTip = platform::Bundle::localizedString(QStringLiteral("Review Tip"), QString());
    platform::Alert::setResponder([&](const platform::Alert& alert, QWidget*) {
        prompts += alert.informativeText() == reviewTip ? 1 : 0;
        // "Next Time" the first time, "Go Review" the second.
        return prompts == 2 ? platform::Alert::FirstButtonReturn : platform::Alert::FirstButtonReturn + 1;
    });
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    QVMenuService service;
    const auto useAfter = [&](qint64 count, bool reviewed) {
        defaults.setValue(QStringLiteral("use count"), count);
        defaults.setValue(QStringLiteral("is reviewed"), reviewed);
        service.useSuccess(record(QStringLiteral("Copy Path")));
    };
    // Uses that are not 3 modulo 60, and the 123rd once reviewed, schedule nothing; the prompts
    // scheduled all wait the same 3 s, so any wrong one would have come before the last right one.
    useAfter(1, false);
    useAfter(2, false);
    useAfter(3, false);
    useAfter(122, true);
    useAfter(62, false);
    EXPECT_EQ(prompts, 0);
    EXPECT_EQ(QVMenuService::pendingWork(), 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QVMenuService::pendingWork() == 0; }, 8000));
    EXPECT_EQ(prompts, 2);
    EXPECT_EQ(defaults.integerValue(QStringLiteral("use count")), 63);
    // "Go Review" opened Tarsel's page in the software centre (it opened a web page the desktop
    // has no review for) and recorded the answer in the shared defaults. It used to set a flag in
    // the process's own defaults, which the counter never reads, so the prompt came back every 60
    // uses for ever; now the 123rd use schedules nothing.
    ASSERT_EQ(m_launches.size(), 1);
    EXPECT_EQ(m_launches.first().args, QStringList { QStringLiteral("appstream://com.valden.tarsel") });
    EXPECT_TRUE(defaults.boolValue(QStringLiteral("is reviewed")));
    defaults.setValue(QStringLiteral("use count"), 122);
    service.useSuccess(record(QStringLiteral("Copy Path")));
    EXPECT_EQ(QVMenuService::pendingWork(), 0);
}

// The review prompt used to come 3 s after the use that earned it whatever the command was still
// doing, taking the keys and clicks meant for the command's own panel or window. It now waits for
// the command's open work (here a window that stays open past the 3 s) to end.
TEST_F(QVMenuServiceDispatchTest, TheReviewPromptWaitsForTheCommandsOpenWork)
{
    int prompts = 0;
    const QString reviewTip = platform::Bundle::localizedString(QStringLiteral("Review Tip"), QString());
    platform::Alert::setResponder([&](const platform::Alert& alert, QWidget*) {
        prompts += alert.informativeText() == reviewTip ? 1 : 0;
        return platform::Alert::FirstButtonReturn + 1;
    });
    QVMenuManager::sharedDefaults().setValue(QStringLiteral("use count"), 2);
    QVMenuService service;
    QVMenuService::beginPendingWork(); // the command's window
    service.useSuccess(record(QStringLiteral("Copy Path")));
    EXPECT_FALSE(QTest::qWaitFor([&] { return prompts > 0; }, 4000));
    QVMenuService::endPendingWork();
    EXPECT_TRUE(QTest::qWaitFor([&] { return prompts == 1; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([] { return QVMenuService::pendingWork() == 0; }, 5000));
}
