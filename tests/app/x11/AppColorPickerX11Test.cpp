// The three ways into the colour picker in the application: its hot key "ColorPickerShortCut",
// the "Color Picker" entry of the status item's menu, and the app command the extension hands
// over (method 10).

#include "app/AppDelegate.h"
#include "kit/shortcut/MASShortcutBinder.h"
#include "platform/Defaults.h"
#include "platform/DefaultsController.h"
#include "platform/Menu.h"
#include "platform/X11.h"
#include "testsupport/TestNames.h"
#include "toolwindows/QVToolWindows.h"
#include "toolwindows/colorpicker/QVColorPanel.h"
#include "toolwindows/colorpicker/QVColorPickerWindow.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

enum class Way { HotKey, StatusMenu, AppCommand };

struct WayCase
{
    const char* name;
    Way way;
};

// Control+Option+P.
const MASShortcut kPickerKey(35, MASShortcut::kControlFlag | MASShortcut::kOptionFlag);

class AppColorPickerTest : public testing::TestWithParam<WayCase>
{
protected:
    void TearDown() override
    {
        MASShortcutBinder::sharedBinder().breakBindingWithDefaultsKey(AppDelegate::kCloudFolderShortCut);
        MASShortcutBinder::sharedBinder().breakBindingWithDefaultsKey(AppDelegate::kColorPickerShortCut);
        platform::DefaultsController::shared().clearRegisteredDefaults();
    }
};

platform::MenuItem* entryWithKey(const platform::Menu& menu, const QString& key)
{
    for (platform::MenuItem* item : menu.items()) {
        if (item->key() == key) {
            return item;
        }
    }
    return nullptr;
}

} // namespace

TEST_P(AppColorPickerTest, StartsThePicker)
{
    platform::Defaults::standard().setValue(QVColorPanel::kScreenRecordTip, true);
    platform::Defaults::standard().setValue(AppDelegate::kColorPickerShortCut, kPickerKey.archivedData());
    AppDelegate delegate;
    QString error;
    ASSERT_TRUE(delegate.awakeFromNib(&error)) << error.toStdString();
    switch (GetParam().way) {
    case Way::HotKey:
        ASSERT_TRUE(platform::X11::shared().postKeyCombination(quint32(kPickerKey.keyCode()),
                                                               platform::X11::kControlKey | platform::X11::kOptionKey));
        break;
    case Way::StatusMenu: {
        // The status item's menu is the one of the status folder, where "Color Picker" is shown.
        std::shared_ptr<platform::Menu> menu = delegate.rightMenuWithPaths({});
        platform::MenuItem* entry = entryWithKey(*menu, QStringLiteral("Color Picker"));
        ASSERT_NE(entry, nullptr);
        EXPECT_TRUE(entry->perform());
        break;
    }
    case Way::AppCommand:
        delegate.openURLs({ QByteArrayLiteral("TarselPro://qvcommand-10") });
        break;
    }
    ASSERT_NE(delegate.toolWindows()->colorPanel(), nullptr);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return delegate.toolWindows()->colorPanel()->colorPickerWin()->isPicking(); }, 5000));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(delegate.toolWindows()->colorPanel()->colorPickerWin()));
    // The application lives on while the user picks.
    EXPECT_TRUE(delegate.isHandlingCommand());
    delegate.toolWindows()->colorPanel()->colorPickerWin()->cancelPicking();
    EXPECT_FALSE(delegate.toolWindows()->colorPanel()->isPicking());
}

INSTANTIATE_TEST_SUITE_P(Ways, AppColorPickerTest,
                         testing::Values(WayCase { "hot_key", Way::HotKey }, WayCase { "status_menu", Way::StatusMenu },
                                         WayCase { "app_command", Way::AppCommand }),
                         tarsel::test::caseName<WayCase>);
