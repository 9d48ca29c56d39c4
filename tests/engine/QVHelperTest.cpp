#include "engine/service/QVHelper.h"
#include "foundation/ObjectGCD.h"
#include "platform/Defaults.h"
#include "platform/Sound.h"
#include "platform/System.h"
#include "engine/model/QVMenuManager.h"
#include "MenuStoreTestSupport.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>

namespace {

class QVHelperSoundTest : public testing::Test
{
protected:
    void SetUp() override { platform::Sound::setRecording(true); }
    void TearDown() override { platform::Sound::setRecording(false); }

    static void setSoundSwitch(bool on)
    {
        ASSERT_TRUE(platform::Defaults::suite(platform::System::kGroupId)
                        .setValue(QVMenuManager::prefCheck(QVSwitch::SoundFeedback), on));
    }

    // The background queue is serial: once a job queued now has run, every earlier one has.
    static bool drainBackgroundQueue()
    {
        auto done = std::make_shared<std::atomic_bool>(false);
        qv::enterBackground([done] { done->store(true); });
        return QTest::qWaitFor([done] { return done->load(); }, 10000);
    }

    // The file names of what was played, in order.
    static QStringList playedNames()
    {
        QStringList names;
        for (const QString& path : platform::Sound::recorded()) {
            names.append(QFileInfo(path).fileName());
        }
        return names;
    }
};

} // namespace

TEST_F(QVHelperSoundTest, EachCodePlaysItsSoundInRequestOrder)
{
    setSoundSwitch(true);
    for (int code : { 0, 1, 2, 4, 5, 3, 7, -1 }) {
        QVHelper::playSoundType(code);
    }
    ASSERT_TRUE(drainBackgroundQueue());
    EXPECT_EQ(playedNames(),
              (QStringList { "ok.ogg", "new.wav", "fold.ogg", "error.wav", "dingd.ogg", "copy.ogg", "copy.ogg",
                             "copy.ogg" }));
}

TEST_F(QVHelperSoundTest, SwitchOffPlaysNothing)
{
    // Absent counts as off.
    QVHelper::playSoundType(QVHelper::SoundOk);
    setSoundSwitch(false);
    QVHelper::playSoundType(QVHelper::SoundError);
    ASSERT_TRUE(drainBackgroundQueue());
    EXPECT_TRUE(platform::Sound::recorded().isEmpty()) << playedNames().join(QLatin1Char(',')).toStdString();
}

TEST_F(QVHelperSoundTest, SwitchIsReadAtEachRequest)
{
    setSoundSwitch(true);
    QVHelper::playSoundType(QVHelper::SoundNew);
    setSoundSwitch(false);
    QVHelper::playSoundType(QVHelper::SoundFold);
    ASSERT_TRUE(drainBackgroundQueue());
    EXPECT_EQ(playedNames(), QStringList { "new.wav" });
}

using namespace tarsel::test;

namespace {

class QVHelperTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = testHome() + "/common";
        QDir().mkpath(m_dir);
    }
    void TearDown() override { QVHelper::setPermitCheck({}); }

    void setMode(int mode, int max = 0)
    {
        QVMenuManager::sharedDefaults().setValue(QVMenuManager::kCommonPathNextMenu, mode);
        QVMenuManager::sharedDefaults().setValue(QVMenuManager::kCommonSubpathMaxCount, max);
    }
    void makeFolder(const QString& name) { QDir().mkpath(m_dir + QLatin1Char('/') + name); }
    void makeFile(const QString& name) { writeFile(m_dir + QLatin1Char('/') + name, "x"); }

    QString m_dir;
};

QStringList displayNames(const QVMenuItemList& items)
{
    QStringList names;
    for (const QVMenuItemPtr& item : items) {
        names << (!item->displayName().isEmpty() && !item->isSepLine() ? item->displayName() : item->key());
    }
    return names;
}

} // namespace

TEST_F(QVHelperTest, MaxCountFallsBackToFive)
{
    setMode(3, 0);
    EXPECT_EQ(QVHelper::maxSubpathCount(), 5);
    setMode(3, -4);
    EXPECT_EQ(QVHelper::maxSubpathCount(), 5);
    setMode(3, 12);
    EXPECT_EQ(QVHelper::maxSubpathCount(), 12);
}

TEST_F(QVHelperTest, ListingOfExactlyMaxEntriesEndsWithMoreFiles)
{
    setMode(3, 5);
    for (const char* name : { "a.txt", "b", "c.md", "d.jpeg", ".hidden" }) {
        makeFile(QLatin1String(name));
    }
    makeFolder("e");
    const QVMenuItemList items = QVHelper::commomPathNextMenuWithPath(m_dir);
    ASSERT_EQ(items.size(), 7);
    EXPECT_EQ(items.first()->key(), "Show in Finder");
    EXPECT_EQ(items.first()->icon(), "showfinder");
    EXPECT_EQ(items.last()->key(), "More Files");
    // Shorter extensions first; the order among equal lengths is the file system's.
    const QStringList names = displayNames(items.mid(1, 5));
    EXPECT_EQ(QSet<QString>(names.begin(), names.begin() + 2), QSet<QString>({ "b", "e" }));
    EXPECT_EQ(names[2], "c.md");
    EXPECT_EQ(names[3], "a.txt");
    EXPECT_EQ(names[4], "d.jpeg");
    EXPECT_EQ(items[1]->path(), m_dir + QLatin1Char('/') + items[1]->displayName());
    EXPECT_EQ(items[1]->key(), items[1]->path());
}

TEST_F(QVHelperTest, HiddenOnlyFolderGivesNothingAndNoShowInFinder)
{
    setMode(3);
    makeFile(".a");
    makeFolder(".b");
    EXPECT_TRUE(QVHelper::commomPathNextMenuWithPath(m_dir).isEmpty());
    EXPECT_TRUE(QVHelper::commomPathChildFolderItemWithPath(m_dir).isEmpty());
    // A file where the folder should be lists nothing either.
    EXPECT_FALSE(QVHelper::_nextTypeSubMenuWithPath(writeFile(m_dir + "/f", "x"), 5, 1).has_value());
    EXPECT_FALSE(QVHelper::_nextTypeSubMenuWithPath(m_dir, 5, 4).has_value());
}

TEST_F(QVHelperTest, ModesChooseListingApplicationsOrBoth)
{
    makeFile("a.txt");
    storeList(QVMenuManager::kArrayCommonApp,
              { entry({ { "key", "Editor" } }), entry({ { "key", "Viewer" }, { "needFile", true } }),
                entry({ { "key", "Both" }, { "needFile", true }, { "needFolder", true } }) });
    setMode(1);
    EXPECT_TRUE(QVHelper::commomPathNextMenuWithPath(m_dir).isEmpty());
    setMode(2);
    EXPECT_EQ(displayNames(QVHelper::commomPathNextMenuWithPath(m_dir)),
              QStringList({ "Show in Finder", "Editor", "Both" }));
    setMode(4);
    EXPECT_EQ(displayNames(QVHelper::commomPathNextMenuWithPath(m_dir)),
              QStringList({ "Show in Finder", "a.txt", "Sep Line", "Editor", "Both" }));
}

TEST_F(QVHelperTest, CopyTargetsListOnlyFoldersAndNoneInModesOneAndTwo)
{
    makeFile("file.txt");
    makeFolder("One");
    makeFolder("Two");
    makeFolder(".Hidden");
    setMode(3, 5);
    QVMenuItemList items = QVHelper::commomPathChildFolderItemWithPath(m_dir);
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items.first()->key(), "Current Directory");
    EXPECT_EQ(items.last()->key(), "Other Folder");
    EXPECT_EQ(QSet<QString>({ items[1]->displayName(), items[2]->displayName() }), QSet<QString>({ "One", "Two" }));

    setMode(3, 2);
    items = QVHelper::commomPathChildFolderItemWithPath(m_dir);
    ASSERT_EQ(items.size(), 5);
    EXPECT_TRUE(items.last()->isSepLine());
    EXPECT_TRUE(items.last()->displayName().contains(QLatin1Char('2')));

    setMode(2, 5);
    EXPECT_TRUE(QVHelper::commomPathChildFolderItemWithPath(m_dir).isEmpty());
    setMode(1, 5);
    EXPECT_TRUE(QVHelper::commomPathChildFolderItemWithPath(m_dir).isEmpty());
}

TEST_F(QVHelperTest, WithoutAccessOnlyToAuthorizeIsOffered)
{
    setMode(3);
    makeFolder("One");
    QVHelper::setPermitCheck([](const QString&) { return false; });
    EXPECT_EQ(displayNames(QVHelper::commomPathNextMenuWithPath(m_dir)), QStringList({ "To Authorize" }));
    EXPECT_EQ(displayNames(QVHelper::commomPathChildFolderItemWithPath(m_dir)), QStringList({ "To Authorize" }));
}
