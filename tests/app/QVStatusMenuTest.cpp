#include "app/QVStatusMenu.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/QVMenuService.h"
#include "foundation/BundleExpand.h"
#include "platform/Paths.h"
#include "platform/Workspace.h"
#include "platform/finder/FIFinderSyncController.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"
#include "tests/engine/MenuStoreTestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>

using namespace tarsel::test;

namespace {

struct NameCase
{
    const char* name;
    QString input;
    QString shown;
};

class TitleNameTest : public testing::TestWithParam<NameCase>
{
};

// Counting UTF-16 units (QString::left) would cut a name of 15 emoji, which is short enough to
// show whole, and would split the 15th emoji of a longer one into half a surrogate pair, which
// the menu draws as a replacement character. Counting bytes would cut far too early.
TEST_P(TitleNameTest, CutsByCodePoints)
{
    EXPECT_EQ(QVStatusMenu::titleName(GetParam().input), GetParam().shown);
}

const QString kEmoji = QString::fromUcs4(U"\U0001F600");

const NameCase kNameCases[] = {
    { "FifteenShownWhole", "abcdefghijklmno", "abcdefghijklmno" },
    { "SixteenCut", "abcdefghijklmnop", "abcdefghijklmno..." },
    { "TwentyCut", "Quarterly report.md", "Quarterly repor..." },
    { "FifteenEmojiShownWhole", kEmoji.repeated(15), kEmoji.repeated(15) },
    { "SixteenEmojiCutAfterWholeEmoji", kEmoji.repeated(16), kEmoji.repeated(15) + "..." },
    { "MixedNeverSplitsAPair", "abcdefghijklmn" + kEmoji.repeated(3), "abcdefghijklmn" + kEmoji + "..." },
    { "ChineseCountsOnce", QString::fromUtf8("年度报告年度报告年度报告年度报告"),
      QString::fromUtf8("年度报告年度报告年度报告年度报") + "..." },
};

INSTANTIATE_TEST_SUITE_P(Names, TitleNameTest, testing::ValuesIn(kNameCases), caseName<NameCase>);

// The title entry of the application's own menu for what it was opened on.
struct TitleCase
{
    const char* name;
    QStringList paths; ///< relative to the test's home
    bool noTitleSwitch;
    std::function<QString()> title; ///< null: no title entry
    std::function<void()> setup = nullptr; ///< runs before the menu is built
};

class StatusMenuTitleTest : public testing::TestWithParam<TitleCase>
{
};

TEST_P(StatusMenuTitleTest, TitleEntry)
{
    const TitleCase& c = GetParam();
    storeList("array right menu", { keyed("Copy Path") });
    QVMenuManager::sharedDefaults().setValue(QVMenuManager::prefCheck(QVSwitch::NoSelectedTitle), c.noTitleSwitch);
    QStringList paths;
    for (const QString& relative : c.paths) {
        paths << writeFile(inHome(relative), "x");
    }
    if (c.setup) {
        c.setup();
    }
    QVMenuService service;
    QVStatusMenu status(service);
    const std::shared_ptr<platform::Menu> menu = status.rightMenuWithPaths(paths);
    ASSERT_GT(menu->numberOfItems(), 0);
    const platform::MenuItem* first = menu->itemAt(0);
    if (!c.title) {
        EXPECT_EQ(first->key(), "Copy Path");
        return;
    }
    EXPECT_EQ(first->title(), c.title());
    EXPECT_FALSE(first->isEnabled());
}

const TitleCase kTitleCases[] = {
    // The status folder is the Desktop the user's XDG folders name, not a guess from the login name.
    { "NoPathsGiveTheDesktop",
      {},
      false,
      [] {
          return QFileInfo(platform::Paths::desktop()).fileName() + QLatin1Char(' ')
              + qv::localized("Right-click Menu");
      } },
    // A translated Desktop is named in user-dirs.dirs; "/home/<login>/Desktop" would not exist.
    { "TranslatedDesktopFromTheUserDirs",
      {},
      false,
      [] { return "Schreibtisch " + qv::localized("Right-click Menu"); },
      [] {
          writeFile(platform::Paths::configHome() + "/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
          QDir().mkpath(inHome("Schreibtisch"));
      } },
    { "OneItemByItsName", { "Quarterly report.md" }, false, [] { return "Selected: Quarterly repor..."; } },
    { "ThreeItemsCounted", { "a", "b", "c" }, false, [] { return "3 items selected"; } },
    { "SwitchLeavesItOut", { "a" }, true, nullptr },
};

INSTANTIATE_TEST_SUITE_P(Titles, StatusMenuTitleTest, testing::ValuesIn(kTitleCases), caseName<TitleCase>);

platform::MenuItem* entryWithKey(const platform::Menu& menu, const QString& key)
{
    for (platform::MenuItem* item : menu.items()) {
        if (item->key() == key) {
            return item;
        }
    }
    return nullptr;
}

// Move to Trash and Get Info from the application's own menu act on the paths that menu was
// opened on. Asking the file manager for its selection instead (as a keyboard shortcut sent to
// it would) would trash whatever it has selected at the moment, which may be anything.
TEST(StatusMenuSelectionTest, TrashAndInfoActOnTheMenusOwnPaths)
{
    storeList("array right menu", { keyed("Get Info"), keyed("Move to Trash") });
    QVMenuService::setPermitCheck(
        [](const QString&, std::function<void()> success, std::function<void()>) { success(); });
    const QString chosen = writeFile(inHome("Desktop/chosen.txt"), "chosen");
    const QString other = writeFile(inHome("Documents/selected elsewhere.txt"), "other");
    platform::FIFinderSyncController::defaultController().setSelectedItemURLs({ QUrl::fromLocalFile(other) });
    QStringList shownFor;
    platform::Workspace::setFileManager({ [] { return true; },
                                          [&shownFor](const QString&, const QStringList& uris) {
                                              shownFor = uris;
                                              return true;
                                          } });

    QVMenuService service;
    QVStatusMenu status(service);
    std::shared_ptr<platform::Menu> menu = status.rightMenuWithPaths({ chosen });
    ASSERT_NE(entryWithKey(*menu, "Get Info"), nullptr);
    EXPECT_TRUE(entryWithKey(*menu, "Get Info")->perform());
    EXPECT_EQ(shownFor, QStringList { QUrl::fromLocalFile(chosen).toString() });

    menu = status.rightMenuWithPaths({ chosen });
    ASSERT_NE(entryWithKey(*menu, "Move to Trash"), nullptr);
    EXPECT_TRUE(entryWithKey(*menu, "Move to Trash")->perform());
    EXPECT_FALSE(QFileInfo::exists(chosen));
    EXPECT_TRUE(QFileInfo::exists(platform::Paths::dataHome() + "/Trash/files/chosen.txt"));
    EXPECT_TRUE(QFileInfo::exists(other));

    platform::Workspace::setFileManager({});
    platform::FIFinderSyncController::defaultController().setSelectedItemURLs({});
    QVMenuService::setPermitCheck(nullptr);
}

} // namespace
