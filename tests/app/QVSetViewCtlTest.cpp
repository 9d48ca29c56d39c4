// The general preferences page through its real widgets: each switch is stored and its side
// effect happens (status item, login item, extension restart, sound, hook), the hook's controls
// follow its trust, and the pop-ups and the fold name are stored as the user picks them.

#include "app/AppDelegate.h"
#include "app/settings/QVSetViewCtl.h"
#include "engine/model/QVMenuManager.h"
#include "engine/model/QVSwitch.h"
#include "engine/service/QVHelper.h"
#include "kit/shortcut/MASShortcutBinder.h"
#include "kit/shortcut/MASShortcutView.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"
#include "platform/DefaultsController.h"
#include "platform/LoginItem.h"
#include "platform/Paths.h"
#include "platform/Sound.h"
#include "platform/System.h"
#include "platform/finder/FIFinderSyncController.h"
#include "toolwindows/editname/QVEditNameWinCtl.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"
#include "tests/app/SettingsPageTesting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>

using namespace tarsel::test;

namespace {

bool stored(QVSwitch number)
{
    return shared().boolValue(QVMenuManager::prefCheck(number));
}

/// The page inside a delegate that has started as the application does.
class SetViewCtlTest : public testing::Test
{
public:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(delegate.awakeFromNib(&error)) << error.toStdString();
        page.setAppDelegate(&delegate);
        page.isAccessibilityEnabled = [this] { return trusted; };
        page.openPrivacyAccessibility = [this] { ++privacyOpened; };
        page.hookUnavailableReason = [] { return QStringLiteral("No hook here."); };
        page.hotKeyUnavailableReason = [] { return QString(); };
        page.refreshBaseInfo();
    }
    void TearDown() override
    {
        MASShortcutBinder::sharedBinder().breakBindingWithDefaultsKey(AppDelegate::kCloudFolderShortCut);
        MASShortcutBinder::sharedBinder().breakBindingWithDefaultsKey(AppDelegate::kColorPickerShortCut);
        platform::DefaultsController::shared().clearRegisteredDefaults();
        platform::Sound::setRecording(false);
    }
    /// Clicks the box as the user does; answers its state afterwards.
    bool click(const char* name)
    {
        QCheckBox* box = child<QCheckBox>(page, name);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        return box->isChecked();
    }

    AppDelegate delegate;
    QVSetViewCtl page;
    bool trusted = true;
    int privacyOpened = 0;
};

bool validDesktopFile(const QString& path, std::string* output)
{
    QProcess validate;
    validate.start(QStringLiteral("desktop-file-validate"), { path });
    validate.waitForFinished();
    *output = (validate.readAllStandardOutput() + validate.readAllStandardError()).toStdString();
    return validate.exitStatus() == QProcess::NormalExit && validate.exitCode() == 0 && output->empty();
}

struct SwitchCase
{
    const char* name;
    const char* box;
    QVSwitch number;
    /// Checks the side effect of the switch being on or off now.
    std::function<void(SetViewCtlTest& test, bool on)> effect;
};

class SetViewSwitchTest : public SetViewCtlTest, public testing::WithParamInterface<SwitchCase>
{
};

// Each box stores its switch both ways and does what it does.
TEST_P(SetViewSwitchTest, StoresItsSwitchAndActs)
{
    const SwitchCase& c = GetParam();
    const bool first = !stored(c.number);
    for (const bool on : { first, !first }) {
        EXPECT_EQ(click(c.box), on);
        EXPECT_EQ(stored(c.number), on);
        if (c.effect) {
            c.effect(*this, on);
        }
    }
}

void noExtraEffect(SetViewCtlTest&, bool) { }

INSTANTIATE_TEST_SUITE_P(
    Switches, SetViewSwitchTest,
    testing::Values(
        SwitchCase { "StatusItem", "showStatusBarBtn", QVSwitch::StatusItem,
                     [](SetViewCtlTest& t, bool on) {
                         // The tray icon itself is checked under Xvfb; offscreen has no tray.
                         ASSERT_NE(t.delegate.statusItem(), nullptr);
                         EXPECT_EQ(child<QComboBox>(t.page, "menuFolderPopButton")->isEnabled(), on);
                     } },
        SwitchCase { "LoginItem", "launchAtLoginCheckBtn", QVSwitch::LaunchAtLogin,
                     [](SetViewCtlTest&, bool on) {
                         const QString file = platform::LoginItem::file();
                         ASSERT_EQ(QFileInfo::exists(file), on) << file.toStdString();
                         EXPECT_EQ(platform::LoginItem::isEnabled(), on);
                         if (on) {
                             std::string output;
                             EXPECT_TRUE(validDesktopFile(file, &output)) << output;
                         }
                     } },
        SwitchCase { "Volumes", "externalCheckBtn", QVSwitch::ServeVolumes,
                     [](SetViewCtlTest&, bool) {
                         // The restart turns the extension on again once its hosts have ended.
                         const QString id = platform::System::kExtensionBundleId;
                         ASSERT_TRUE(QTest::qWaitFor(
                             [&id] { return platform::FIFinderSyncController::isExtensionEnabled(id); }, 5000));
                         platform::FIFinderSyncController::setExtensionEnabled(id, false);
                     } },
        SwitchCase { "Sound", "enableSoundCheckBtn", QVSwitch::SoundFeedback,
                     [](SetViewCtlTest&, bool on) {
                         platform::Sound::setRecording(false);
                         platform::Sound::setRecording(true);
                         QVHelper::playSoundType(0);
                         // Played on the background queue; switched off, nothing is even queued.
                         if (on) {
                             EXPECT_TRUE(QTest::qWaitFor([] { return platform::Sound::recorded().size() == 1; }, 5000));
                         } else {
                             EXPECT_TRUE(platform::Sound::recorded().isEmpty());
                         }
                     } },
        SwitchCase {
            "Hook", "cloudFolderCheckBtn", QVSwitch::RightClickHook,
            [](SetViewCtlTest& t, bool on) {
                EXPECT_EQ(MASShortcutBinder::sharedBinder().isRegisteredAction(AppDelegate::kCloudFolderShortCut), on);
                EXPECT_EQ(child<MASShortcutView>(t.page, "cloudFolderShortcutView")->isEnabled(), on);
                EXPECT_EQ(child<QCheckBox>(t.page, "middleClickCheckBtn")->isEnabled(), on);
                EXPECT_EQ(child<QCheckBox>(t.page, "hideSelectedTipCheckBtn")->isVisibleTo(&t.page), on);
                EXPECT_EQ(t.privacyOpened, 0);
            } },
        SwitchCase { "MainMenuIcons", "hideMenuIconBtn", QVSwitch::NoTopLevelIcons, noExtraEffect },
        SwitchCase { "SubmenuIcons", "hideSubMenuIconBtn", QVSwitch::NoSubmenuIcons, noExtraEffect },
        SwitchCase { "FoldIcon", "hideFoldIconBtn", QVSwitch::NoFoldMenuImage, noExtraEffect },
        SwitchCase { "OpenSettingsPage", "foldMenuEnterSetCheckBtn", QVSwitch::OpenSettingsPage, noExtraEffect }),
    caseName<SwitchCase>);

// The hook's modifier reads as this desktop names its keys; the stored value stays the position.
TEST_F(SetViewCtlTest, HookModifiersCarryThisDesktopsKeyNames)
{
    auto* pressPop = child<QComboBox>(page, "pressPopButton");
    QStringList names;
    for (int i = 0; i < pressPop->count(); ++i) {
        names << pressPop->itemText(i);
    }
    EXPECT_EQ(names,
              QStringList(
                  { QStringLiteral("Shift"), QStringLiteral("Ctrl"), QStringLiteral("Alt"), QStringLiteral("Super") }));
    pressPop->activated(3);
    EXPECT_EQ(shared().value(QVMenuManager::prefCheck(QVSwitch::HookModifier)).toInt(), 3);
}

// The hook's two right-click modes exclude each other, whichever way the box goes.
TEST_F(SetViewCtlTest, PlainAndModifiedRightClickExcludeEachOther)
{
    shared().setValue(QVMenuManager::prefCheck(QVSwitch::RightClickHook), true);
    page.refreshBaseInfo();
    auto* sysPop = child<QComboBox>(page, "sysMenuItemPopButton");
    auto* pressPop = child<QComboBox>(page, "pressPopButton");
    EXPECT_TRUE(click("pressClickCheckBtn"));
    EXPECT_TRUE(pressPop->isEnabled());
    EXPECT_FALSE(sysPop->isEnabled());
    EXPECT_TRUE(click("sysRightClickCheckBtn"));
    EXPECT_FALSE(stored(QVSwitch::HookModifiedRightClick));
    EXPECT_FALSE(child<QCheckBox>(page, "pressClickCheckBtn")->isChecked());
    EXPECT_TRUE(sysPop->isEnabled());
    EXPECT_FALSE(pressPop->isEnabled());
    // Unticking it leaves "Press" off as well.
    EXPECT_FALSE(click("sysRightClickCheckBtn"));
    EXPECT_FALSE(stored(QVSwitch::HookPlainRightClick));
    EXPECT_FALSE(stored(QVSwitch::HookModifiedRightClick));

    sysPop->activated(2);
    pressPop->activated(1);
    EXPECT_EQ(shared().integerValue(QVMenuManager::prefCheck(QVSwitch::SystemMenuPlace)), 2);
    EXPECT_EQ(shared().integerValue(QVMenuManager::prefCheck(QVSwitch::HookModifier)), 1);
}

// Without trust the hook reads as stored but cannot be changed, says why beside it, its controls
// are disabled, and switching it on asks for the trust while the stored switch stays on.
TEST_F(SetViewCtlTest, WithoutTrustTheHookReadsAsStoredSaysWhyAndAsks)
{
    trusted = false;
    shared().setValue(QVMenuManager::prefCheck(QVSwitch::RightClickHook), true);
    page.refreshBaseInfo();
    QCheckBox* hook = child<QCheckBox>(page, "cloudFolderCheckBtn");
    EXPECT_TRUE(hook->isChecked());
    EXPECT_FALSE(hook->isEnabled());
    EXPECT_EQ(hook->toolTip(), QStringLiteral("No hook here."));
    QLabel* reason = child<QLabel>(page, "cloudFolderReasonLabel");
    EXPECT_TRUE(reason->isVisibleTo(&page));
    EXPECT_EQ(reason->text(), QStringLiteral("No hook here."));
    for (const char* name : { "middleClickCheckBtn", "sysRightClickCheckBtn", "pressClickCheckBtn" }) {
        EXPECT_FALSE(child<QCheckBox>(page, name)->isEnabled()) << name;
    }
    EXPECT_FALSE(child<MASShortcutView>(page, "cloudFolderShortcutView")->isEnabled());
    EXPECT_FALSE(child<QCheckBox>(page, "hideSelectedTipCheckBtn")->isVisibleTo(&page));

    // Trust lost between the page's refresh and the click: switching on asks for it.
    shared().setValue(QVMenuManager::prefCheck(QVSwitch::RightClickHook), false);
    AlertScript alerts;
    hook->setChecked(true);
    page.onCheckAction(hook);
    ASSERT_TRUE(QTest::qWaitFor([&alerts] { return !alerts.shown().isEmpty(); }, 2000));
    EXPECT_EQ(alerts.shown().first().informativeText,
              platform::Bundle::localizedString("Accessibility permissions need to be enabled"));
    EXPECT_EQ(privacyOpened, 1);
    EXPECT_TRUE(stored(QVSwitch::RightClickHook));
    // The hook is set up all the same, so it starts once the trust is there.
    EXPECT_TRUE(MASShortcutBinder::sharedBinder().isRegisteredAction(AppDelegate::kCloudFolderShortCut));

    trusted = true;
    page.refreshBaseInfo();
    EXPECT_TRUE(hook->isChecked());
    EXPECT_TRUE(hook->isEnabled());
    EXPECT_FALSE(reason->isVisibleTo(&page));
}

// In a Wayland session the page says in words that the hook and global hot keys cannot work
// there and that no tray shows the icon, keeping the switches the user turned on.
TARSEL_TEST_CHILD(generalPageInWaylandSession)
{
    shared().setValue(QVMenuManager::prefCheck(QVSwitch::RightClickHook), true);
    shared().setValue(QVMenuManager::prefCheck(QVSwitch::StatusItem), true);
    QVSetViewCtl page;
    const auto* hook = page.findChild<QCheckBox*>(QStringLiteral("cloudFolderCheckBtn"));
    const auto* recorder = page.findChild<MASShortcutView*>(QStringLiteral("cloudFolderShortcutView"));
    const auto* reason = page.findChild<QLabel*>(QStringLiteral("cloudFolderReasonLabel"));
    const auto* tray = page.findChild<QLabel*>(QStringLiteral("statusBarReasonLabel"));
    std::printf("hook checked=%d enabled=%d\nrecorder enabled=%d tip=%s\nreason shown=%d %s\ntray shown=%d %s\n",
                int(hook->isChecked()), int(hook->isEnabled()), int(recorder->isEnabled()),
                recorder->toolTipAt(QPoint(5, 5)).toUtf8().constData(), int(reason->isVisibleTo(&page)),
                reason->text().toUtf8().constData(), int(tray->isVisibleTo(&page)), tray->text().toUtf8().constData());
    return 0;
}

TEST(SetViewCtlSessionTest, AWaylandSessionSaysWhatItDoesNotAllow)
{
    ScopedEnvironment env;
    env.set("WAYLAND_DISPLAY", "wayland-0").set("XDG_SESSION_TYPE", "wayland").set("DISPLAY", ":0");
    const ChildResult result = runChild(QStringLiteral("generalPageInWaylandSession"));
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_EQ(result.out.toStdString(),
              "hook checked=1 enabled=0\n"
              "recorder enabled=0 tip=Hot keys are unavailable in a Wayland session.\n"
              "reason shown=1 The right-click hook is unavailable in a Wayland session. "
              "Hot keys are unavailable in a Wayland session.\n"
              "tray shown=1 There is no display to show the tray icon on.\n");
}

// A login item that cannot be written leaves the box and the stored switch off.
TEST_F(SetViewCtlTest, ALoginItemThatCannotBeWrittenReadsOff)
{
    // A file where the autostart folder belongs: no entry can be written there, even as root.
    writeFile(QFileInfo(platform::LoginItem::file()).path(), "not a folder");
    EXPECT_FALSE(click("launchAtLoginCheckBtn"));
    EXPECT_FALSE(stored(QVSwitch::LaunchAtLogin));
}

// This desktop has no Dock: its box is never shown.
TEST_F(SetViewCtlTest, NoDockIconBoxOnThisDesktop)
{
    page.show();
    EXPECT_FALSE(child<QCheckBox>(page, "showDockIconBtn")->isVisible());
    EXPECT_TRUE(child<QCheckBox>(page, "launchAtLoginCheckBtn")->isVisible());
    page.hide();
}

QStringList popTitles(QComboBox* pop)
{
    QStringList titles;
    for (int i = 0; i < pop->count(); ++i) {
        titles << pop->itemText(i);
    }
    return titles;
}

// The status folder: Desktop and Documents are fixed entries, another folder gets its own entry
// on top, "Others" asks for a folder and a cancelled panel keeps the previous choice.
TEST_F(SetViewCtlTest, StatusFolderPopUp)
{
    auto* pop = child<QComboBox>(page, "menuFolderPopButton");
    shared().setValue(QVMenuManager::kStatusBarMenuFolder, platform::Paths::documents());
    page.refreshBaseInfo();
    EXPECT_EQ(popTitles(pop), QStringList({ "Desktop", "Documents", "", platform::Bundle::localizedString("Others") }));
    EXPECT_EQ(pop->currentData().toInt(), QVSetViewCtl::DocumentsFolder);

    pop->activated(pop->findData(QVSetViewCtl::DesktopFolder));
    EXPECT_EQ(shared().stringValue(QVMenuManager::kStatusBarMenuFolder), platform::Paths::desktop());

    const QString chosen = inHome("Projects/Status");
    QDir().mkpath(chosen);
    PanelScript panels;
    panels.setNextPaths({ chosen });
    pop->activated(pop->findData(QVSetViewCtl::OtherFolder));
    ASSERT_TRUE(QTest::qWaitFor([pop] { return pop->currentData().toInt() == QVSetViewCtl::CustomFolder; }, 2000));
    EXPECT_EQ(shared().stringValue(QVMenuManager::kStatusBarMenuFolder), chosen);
    EXPECT_EQ(pop->currentText(), "Status");
    ASSERT_EQ(panels.shown().size(), 1);
    EXPECT_FALSE(panels.shown().first().options.canChooseFiles);
    EXPECT_TRUE(panels.shown().first().options.canChooseDirectories);

    panels.setNextCancel();
    pop->activated(pop->findData(QVSetViewCtl::OtherFolder));
    ASSERT_TRUE(QTest::qWaitFor([&panels] { return panels.shown().size() == 2; }, 2000));
    ASSERT_TRUE(QTest::qWaitFor([pop] { return pop->currentData().toInt() == QVSetViewCtl::CustomFolder; }, 2000));
    EXPECT_EQ(shared().stringValue(QVMenuManager::kStatusBarMenuFolder), chosen);
}

// The fold menu's name is edited in the name dialog; a blank name stores the application's name.
TEST_F(SetViewCtlTest, FoldNameBlankStoresTheDisplayName)
{
    auto* button = child<QPushButton>(page, "foldMenuNameBtn");
    EXPECT_EQ(button->text(), platform::Bundle::infoValue("CFBundleDisplayName"));
    for (const auto& [typed, expected] :
         { std::pair<QString, QString> { "My Tools", "My Tools" }, std::pair<QString, QString> { "   ", "Tarsel" } }) {
        QTest::mouseClick(button, Qt::LeftButton);
        QVEditNameWinCtl* dialog = page.editNameWinCtl();
        ASSERT_NE(dialog, nullptr);
        dialog->aliasTextField()->setText(typed);
        QTest::mouseClick(dialog->okBtn(), Qt::LeftButton);
        EXPECT_EQ(shared().stringValue("fold menu name"), expected);
        EXPECT_EQ(button->text(), expected);
    }
}

} // namespace
