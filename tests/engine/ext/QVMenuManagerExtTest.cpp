#include "engine/model/QVMenuManager.h"

#include "../MenuStoreTestSupport.h"

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

const QVariantList kMixed
    = { entry({ { QStringLiteral("key"), QStringLiteral("off") }, { QStringLiteral("disabled"), true } }),
        keyed(QStringLiteral("on")) };

} // namespace

// The extension only shows lists, so its sub-list builders leave switched-off entries out.
TEST(QVMenuManagerExtTest, SubListBuildersLeaveOutDisabledEntries)
{
    for (const QString& listKey :
         { QVMenuManager::kArrayFolderIcon, QVMenuManager::kArrayCommonApp, QVMenuManager::kArrayBorella,
           QVMenuManager::kArrayCommonPath, QVMenuManager::kArrayCommonScript, QVMenuManager::kArrayNewFile }) {
        storeList(listKey, kMixed);
    }
    const QStringList on = { QStringLiteral("on") };
    EXPECT_EQ(keysOf(QVMenuManager::folderIconMenuArray()), on);
    EXPECT_EQ(keysOf(QVMenuManager::commonAppMenuArray()), on);
    EXPECT_EQ(keysOf(QVMenuManager::borellaMenuArray(false)), on);
    EXPECT_EQ(keysOf(QVMenuManager::commonPathMenuArray()), on);
    EXPECT_EQ(keysOf(QVMenuManager::commonScriptMenuArray()), on);
    EXPECT_EQ(keysOf(QVMenuManager::newFileTemplateMenuArray(false)), on);
    // Asked to keep them, the new-file builder does.
    EXPECT_EQ(QVMenuManager::newFileTemplateMenuArray(true).size(), 2);
}

// The main list behaves the same in both builds.
TEST(QVMenuManagerExtTest, MainListKeepsDisabledEntriesForTheSettingsList)
{
    storeList(QVMenuManager::kArrayRightMenu, kMixed);
    EXPECT_EQ(keysOf(QVMenuManager::menuItemArray()), QStringList { QStringLiteral("on") });
    EXPECT_EQ(QVMenuManager::menuItemArrayWithToMenu(false).size(), 2);
}
