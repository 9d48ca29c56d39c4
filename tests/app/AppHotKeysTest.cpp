// The hot keys the application sets up at start-up.

#include "app/AppDelegate.h"
#include "kit/shortcut/MASShortcutBinder.h"
#include "kit/shortcut/MASShortcutView.h"
#include "platform/Defaults.h"
#include "platform/DefaultsController.h"

#include <gtest/gtest.h>

namespace {

const MASShortcut kControlCommandE(14, MASShortcut::kControlFlag | MASShortcut::kCommandFlag);

class AppHotKeysTest : public testing::Test
{
protected:
    void TearDown() override
    {
        MASShortcutBinder::sharedBinder().breakBindingWithDefaultsKey(AppDelegate::kColorPickerShortCut);
        platform::DefaultsController::shared().clearRegisteredDefaults();
    }
};

TEST_F(AppHotKeysTest, StartUpBindsTheColourPickerAndRegistersTheMenuDefault)
{
    AppDelegate delegate;
    QString error;
    ASSERT_TRUE(delegate.awakeFromNib(&error)) << error.toStdString();
    EXPECT_TRUE(MASShortcutBinder::sharedBinder().isRegisteredAction(AppDelegate::kColorPickerShortCut));

    // Nothing stored: the recorder of the menu's hot key shows the default, and the colour
    // picker has none.
    MASShortcutView cloud;
    cloud.setAssociatedUserDefaultsKey(AppDelegate::kCloudFolderShortCut);
    EXPECT_EQ(cloud.shortcutValue(), kControlCommandE);
    EXPECT_FALSE(platform::Defaults::standard().contains(AppDelegate::kCloudFolderShortCut));
    MASShortcutView picker;
    picker.setAssociatedUserDefaultsKey(AppDelegate::kColorPickerShortCut);
    EXPECT_EQ(picker.shortcutValue(), std::nullopt);
}

TEST_F(AppHotKeysTest, TheUsersOwnShortcutWinsOverTheDefault)
{
    const MASShortcut mine(3, MASShortcut::kControlFlag | MASShortcut::kOptionFlag);
    platform::Defaults::standard().setValue(AppDelegate::kCloudFolderShortCut, mine.archivedData());
    AppDelegate delegate;
    QString error;
    ASSERT_TRUE(delegate.awakeFromNib(&error)) << error.toStdString();
    MASShortcutView cloud;
    cloud.setAssociatedUserDefaultsKey(AppDelegate::kCloudFolderShortCut);
    EXPECT_EQ(cloud.shortcutValue(), mine);
}

} // namespace
