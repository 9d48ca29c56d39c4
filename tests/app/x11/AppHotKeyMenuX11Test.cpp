// The menu at the pointer: while the hook is on, Control+Super+E (the registered default of
// "CloudFolderShortCut") pops the application's menu up where the pointer is.

#include "app/AppDelegate.h"
#include "foundation/QVPermissions.h"
#include "engine/model/QVMenuManager.h"
#include "engine/model/QVSwitch.h"
#include "kit/shortcut/MASShortcutBinder.h"
#include "platform/Defaults.h"
#include "platform/DefaultsController.h"
#include "platform/X11.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class AppHotKeyMenuTest : public testing::Test
{
protected:
    void TearDown() override
    {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
        EXPECT_TRUE(QTest::qWaitFor([] { return !QVPermissions::sharedInstance().menuVisible(); }, 2000));
        MASShortcutBinder::sharedBinder().breakBindingWithDefaultsKey(AppDelegate::kCloudFolderShortCut);
        MASShortcutBinder::sharedBinder().breakBindingWithDefaultsKey(AppDelegate::kColorPickerShortCut);
        platform::DefaultsController::shared().clearRegisteredDefaults();
    }
    void startWithHook(bool on)
    {
        QVMenuManager::sharedDefaults().setValue(QVMenuManager::prefCheck(QVSwitch::RightClickHook), on);
        QString error;
        ASSERT_TRUE(delegate.awakeFromNib(&error)) << error.toStdString();
    }
    AppDelegate delegate;
};

TEST_F(AppHotKeyMenuTest, TheDefaultHotKeyOpensTheMenuAtThePointer)
{
    startWithHook(true);
    QCursor::setPos(400, 300);
    ASSERT_TRUE(platform::X11::shared().postKeyCombination(platform::X11::kKeyCodeE,
                                                           platform::X11::kControlKey | platform::X11::kCommandKey));
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 5000));
    EXPECT_EQ(QVPermissions::sharedInstance().eventType(), 2);
    EXPECT_TRUE(QApplication::activePopupWidget()->geometry().contains(QPoint(401, 301)));
}

TEST_F(AppHotKeyMenuTest, WithTheHookOffTheHotKeyIsNotBound)
{
    startWithHook(false);
    EXPECT_FALSE(MASShortcutBinder::sharedBinder().isRegisteredAction(AppDelegate::kCloudFolderShortCut));
}

} // namespace
