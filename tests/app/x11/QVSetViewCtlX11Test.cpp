// The general preferences page against a real X server: the status item's box puts the icon in
// a real tray and takes it away, and a hot key recorded on the page is grabbed on the server, so
// pressing it (through XTest) opens the menu at the pointer.

#include "app/AppDelegate.h"
#include "app/QVStatusItem.h"
#include "app/settings/QVSetViewCtl.h"
#include "engine/model/QVMenuManager.h"
#include "engine/model/QVSwitch.h"
#include "foundation/QVPermissions.h"
#include "kit/shortcut/MASShortcutBinder.h"
#include "kit/shortcut/MASShortcutView.h"
#include "platform/Defaults.h"
#include "platform/DefaultsController.h"
#include "platform/X11.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class SetViewX11Test : public testing::Test
{
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(delegate.awakeFromNib(&error)) << error.toStdString();
        page.setAppDelegate(&delegate);
        page.resize(600, 700);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    }
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
    QCheckBox* box(const char* name) { return page.findChild<QCheckBox*>(QLatin1String(name)); }
    void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, widget->height() / 2)); }

    AppDelegate delegate;
    QVSetViewCtl page;
};

/// With a tray host running before the delegate starts: the status item looks for it then.
class SetViewTrayTest : public SetViewX11Test
{
protected:
    void SetUp() override
    {
        // A tray first: the status item looks for one as the delegate starts.
        tray.start(QStringLiteral("trayer"),
                   { QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"), QStringLiteral("left"),
                     QStringLiteral("--widthtype"), QStringLiteral("request"), QStringLiteral("--height"),
                     QStringLiteral("32"), QStringLiteral("--SetDockType"), QStringLiteral("false") });
        ASSERT_TRUE(tray.waitForStarted()) << "trayer is missing (scripts/install-deps)";
        ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 20000));
        SetViewX11Test::SetUp();
    }
    void TearDown() override
    {
        SetViewX11Test::TearDown();
        tray.kill();
        tray.waitForFinished();
    }
    QProcess tray;
};

TEST_F(SetViewTrayTest, StatusItemBoxPutsTheIconInTheTrayAndTakesItAway)
{
    QCheckBox* statusBox = box("showStatusBarBtn");
    if (statusBox->isChecked()) {
        click(statusBox);
    }
    ASSERT_FALSE(statusBox->isChecked());
    EXPECT_EQ(delegate.statusItem()->statusItem(), nullptr);

    click(statusBox);
    EXPECT_TRUE(QVMenuManager::isPrefCheckOn(QVSwitch::StatusItem));
    QSystemTrayIcon* icon = delegate.statusItem()->statusItem();
    ASSERT_NE(icon, nullptr);
    // Embedded by the tray: the icon has a place on the screen.
    EXPECT_TRUE(QTest::qWaitFor([icon] { return !icon->geometry().isEmpty(); }, 20000));

    click(statusBox);
    EXPECT_FALSE(QVMenuManager::isPrefCheckOn(QVSwitch::StatusItem));
    EXPECT_EQ(delegate.statusItem()->statusItem(), nullptr);
}

TEST_F(SetViewX11Test, RecordedHotKeyIsGrabbedOnTheServerAndOpensTheMenu)
{
    // With an X server the hook is available; switching it on binds its hot key.
    QCheckBox* hookBox = box("cloudFolderCheckBtn");
    ASSERT_FALSE(hookBox->isChecked());
    click(hookBox);
    ASSERT_TRUE(hookBox->isChecked());
    auto* recorder = page.findChild<MASShortcutView*>(QStringLiteral("cloudFolderShortcutView"));
    ASSERT_TRUE(recorder->isEnabled());
    ASSERT_TRUE(MASShortcutBinder::sharedBinder().isRegisteredAction(AppDelegate::kCloudFolderShortCut));
    // The hook itself runs: it watches the mouse through the X server.
    EXPECT_TRUE(QVPermissions::sharedInstance().isAccessibilityEnabled());
    EXPECT_TRUE(QVPermissions::sharedInstance().hasEventTap());

    // Record Control+Option+K in the page's recorder, as the user types it.
    QTest::mouseClick(recorder, Qt::LeftButton, {}, QPoint(20, recorder->height() / 2));
    ASSERT_TRUE(recorder->isRecording());
    QTest::keyClick(recorder, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    ASSERT_TRUE(recorder->shortcutValue().has_value());
    const quint32 keyCode = quint32(recorder->shortcutValue()->keyCode());
    ASSERT_TRUE(MASShortcutBinder::sharedBinder().hasHotKey(AppDelegate::kCloudFolderShortCut));

    // The server delivers the combination to the grab: the menu opens at the pointer.
    QCursor::setPos(300, 250);
    ASSERT_TRUE(
        platform::X11::shared().postKeyCombination(keyCode, platform::X11::kControlKey | platform::X11::kOptionKey));
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 5000));
    EXPECT_EQ(QVPermissions::sharedInstance().eventType(), 2);
    QApplication::activePopupWidget()->close();
    ASSERT_TRUE(QTest::qWaitFor([] { return !QVPermissions::sharedInstance().menuVisible(); }, 2000));

    // Switched off, the grab is released: the combination is free to be grabbed again.
    constexpr quint32 kProbe = 0x54455354; // a registration of the test's own
    const quint32 flags = platform::X11::kControlKey | platform::X11::kOptionKey;
    EXPECT_FALSE(platform::X11::shared().registerHotKey(keyCode, flags, kProbe, 1));
    click(hookBox);
    EXPECT_FALSE(MASShortcutBinder::sharedBinder().isRegisteredAction(AppDelegate::kCloudFolderShortCut));
    EXPECT_FALSE(QVPermissions::sharedInstance().hasEventTap());
    QString error;
    EXPECT_TRUE(platform::X11::shared().registerHotKey(keyCode, flags, kProbe, 1, &error)) << error.toStdString();
    platform::X11::shared().unregisterHotKey(kProbe, 1);
}

} // namespace
