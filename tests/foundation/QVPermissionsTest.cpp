// The right-click hook's decisions without a display: which presses open the menu, where a
// press lands on a multi-monitor desktop, and which paths a clipboard text names. The real
// mouse hook is tested under Xvfb (tests/app/x11).

#include "foundation/QVPermissions.h"

#include "platform/Defaults.h"
#include "platform/System.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <gtest/gtest.h>

using platform::X11;
using tarsel::test::inHome;
using tarsel::test::ScopedEnvironment;
using tarsel::test::writeFile;

namespace {

X11::Window window(const QRect& frame, const QString& wmClass, X11::WindowType type = X11::WindowType::Normal,
                   int top = 0)
{
    X11::Window w;
    w.id = 1;
    w.frame = frame;
    w.client = frame.adjusted(0, top, 0, 0); // a title bar of `top` pixels
    w.wmInstance = wmClass.toLower();
    w.wmClass = wmClass;
    w.type = type;
    w.layer = type == X11::WindowType::Normal ? 0 : type == X11::WindowType::Desktop ? -1 : 1;
    return w;
}

// Two monitors: the left one at (0,0) with a 30-pixel panel along its top, the right one at
// (1920,200), lower, with a 48-pixel panel along its left edge.
const QList<QVPermissions::Screen> kScreens = {
    { QRect(0, 0, 1920, 1080), QRect(0, 30, 1920, 1050) },
    { QRect(1920, 200, 1280, 1024), QRect(1968, 200, 1232, 1024) },
};

struct WhereCase
{
    std::string name;
    QPoint mouse;
    QList<X11::Window> windows; // front to back
    bool enable;
    int layer;
};

using JudgetMouseEnableTest = testing::TestWithParam<WhereCase>;

TEST_P(JudgetMouseEnableTest, DecidesByTheScreenAndTheFrontWindow)
{
    const WhereCase& c = GetParam();
    int layer = 99;
    EXPECT_EQ(QVPermissions::judgetMouseEnable(c.mouse, kScreens, c.windows, &layer), c.enable);
    EXPECT_EQ(layer, c.layer);
}

const X11::Window kThunarLeft = window(QRect(100, 100, 800, 600), "Thunar", X11::WindowType::Normal, 24);
const X11::Window kThunarRight = window(QRect(2000, 300, 800, 600), "Thunar");
const X11::Window kEditor = window(QRect(300, 300, 400, 300), "Gedit");

INSTANTIATE_TEST_SUITE_P(
    Cases, JudgetMouseEnableTest,
    testing::Values(
        WhereCase { "FileManagerWindow", QPoint(400, 400), { kThunarLeft }, true, 0 },
        WhereCase { "TitleBarOfTheFileManagerIsItsFrame", QPoint(400, 110), { kThunarLeft }, false, 0 },
        WhereCase { "OtherApplicationInFrontOfTheFileManager", QPoint(400, 400), { kEditor, kThunarLeft }, false, 0 },
        WhereCase { "FileManagerBesideTheOtherApplication", QPoint(800, 400), { kEditor, kThunarLeft }, true, 0 },
        WhereCase { "NoWindowThere", QPoint(1500, 900), { kThunarLeft }, false, 99 },
        WhereCase { "TopPanelStrip", QPoint(400, 29), { window(QRect(0, 0, 1920, 1080), "Thunar") }, false, 99 },
        WhereCase { "Under25PixelsOnAScreenWithoutTopPanel", QPoint(2500, 220), { kThunarRight }, false, 99 },
        // The right screen starts 200 pixels down: a click 250 pixels from the root's top is only
        // 50 from its own, and a window there is found by root coordinates.
        WhereCase {
            "SecondMonitorBelowTheTopStripOfTheFirst", QPoint(2500, 350), { kThunarRight, kThunarLeft }, true, 0 },
        WhereCase { "LeftPanelOfTheSecondMonitor",
                    QPoint(1940, 600),
                    { window(QRect(1920, 200, 1280, 1024), "Thunar") },
                    false,
                    99 },
        WhereCase { "PanelWindowsAreNotApplications",
                    QPoint(400, 400),
                    { window(QRect(0, 0, 1920, 1080), "Xfce4-panel", X11::WindowType::Dock), kThunarLeft },
                    true,
                    0 },
        WhereCase { "WindowWithoutClassIsSkipped",
                    QPoint(400, 400),
                    { window(QRect(0, 0, 1920, 1080), QString()), kThunarLeft },
                    true,
                    0 },
        WhereCase { "FileManagerDesktopHasItsLayer",
                    QPoint(1500, 900),
                    { kThunarLeft, window(QRect(0, 0, 1920, 1080), "Pcmanfm", X11::WindowType::Desktop) },
                    true,
                    -1 },
        WhereCase { "DolphinByItsClass", QPoint(400, 400), { window(QRect(100, 100, 800, 600), "dolphin") }, true, 0 },
        WhereCase { "OffEveryScreen", QPoint(1920, 100), { kThunarRight }, false, 99 }),
    tarsel::test::caseName<WhereCase>);

struct PressCase
{
    std::string name;
    QList<std::pair<int, int>> switches; // (number, value)
    int button;
    int eventFlag;
    int eventType; // -1 nothing opens
};

using EventTypeForPressTest = testing::TestWithParam<PressCase>;

TEST_P(EventTypeForPressTest, FollowsTheSwitches)
{
    const PressCase& c = GetParam();
    platform::Defaults& shared = platform::Defaults::suite(platform::System::kGroupId);
    for (const auto& [number, value] : c.switches) {
        shared.setValue(QStringLiteral("pref check%1").arg(number),
                        number == 24 ? QVariant(value) : QVariant(value != 0));
    }
    EXPECT_EQ(QVPermissions::eventTypeForPress(c.button, c.eventFlag), c.eventType);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EventTypeForPressTest,
    testing::Values(
        PressCase { "HookOffNothing", { { 16, 0 }, { 17, 1 }, { 18, 1 } }, 3, -1, -1 },
        PressCase { "PlainRightClick", { { 16, 1 }, { 18, 1 } }, 3, -1, 1 },
        PressCase { "PlainRightClickOff", { { 16, 1 }, { 18, 0 } }, 3, -1, -1 },
        PressCase { "MiddleButton", { { 16, 1 }, { 17, 1 } }, 2, -1, 0 },
        PressCase { "MiddleButtonOff", { { 16, 1 }, { 17, 0 }, { 18, 1 } }, 2, -1, -1 },
        PressCase { "CommandRightClick", { { 16, 1 }, { 18, 0 }, { 23, 1 }, { 24, 3 } }, 3, 3, 0 },
        PressCase { "RightClickWithoutTheModifier", { { 16, 1 }, { 18, 0 }, { 23, 1 }, { 24, 3 } }, 3, -1, -1 },
        PressCase { "RightClickWithAnotherModifier", { { 16, 1 }, { 18, 0 }, { 23, 1 }, { 24, 3 } }, 3, 1, -1 },
        PressCase { "ModifierMatchWinsOverPlain", { { 16, 1 }, { 18, 1 }, { 23, 1 }, { 24, 0 } }, 3, 0, 0 },
        PressCase { "LeftButtonNever", { { 16, 1 }, { 17, 1 }, { 18, 1 } }, 1, -1, -1 }),
    tarsel::test::caseName<PressCase>);

TEST(QVPermissionsTest, EventFlagTakesCommandThenControlThenOptionThenShift)
{
    EXPECT_EQ(QVPermissions::eventFlagForFlags(0), -1);
    EXPECT_EQ(QVPermissions::eventFlagForFlags(X11::kShiftKey), 0);
    EXPECT_EQ(QVPermissions::eventFlagForFlags(X11::kShiftKey | X11::kOptionKey), 2);
    EXPECT_EQ(QVPermissions::eventFlagForFlags(X11::kOptionKey | X11::kControlKey), 1);
    EXPECT_EQ(QVPermissions::eventFlagForFlags(X11::kControlKey | X11::kCommandKey), 3);
}

TEST(QVPermissionsTest, PathsWithStringKeepsQuotedAndPlainPathsThatExist)
{
    const QString spaced = writeFile(inHome("My Files/a b.txt"), "x");
    const QString plain = writeFile(inHome("plain.txt"), "x");
    const QString missing = inHome("gone.txt");
    EXPECT_EQ(QVPermissions::pathsWithString(QStringLiteral("'%1' %2 %3").arg(spaced, plain, missing)),
              QStringList({ spaced, plain }));
    // One existing path with a blank is taken whole.
    EXPECT_EQ(QVPermissions::pathsWithString(spaced), QStringList({ spaced }));
    EXPECT_TRUE(QVPermissions::pathsWithString("hello world").isEmpty());

    ScopedEnvironment env;
    env.set("TARSEL_SYSTEM_VERSION", "14.0");
    EXPECT_EQ(QVPermissions::pathsWithString(plain + "\n" + missing), QStringList({ plain, missing }));
}

TEST(QVPermissionsTest, WithoutADisplayTheHookIsUnavailableAndNothingStarts)
{
    ScopedEnvironment env;
    env.unset("DISPLAY");
    QString reason;
    EXPECT_FALSE(QVPermissions::checkAccessibilityPermission(&reason));
    EXPECT_EQ(reason, "The right-click hook is unavailable: there is no X display.");
    env.set("DISPLAY", ":0").set("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_FALSE(QVPermissions::checkAccessibilityPermission(&reason));
    EXPECT_EQ(reason, "The right-click hook is unavailable in a Wayland session.");
    env.unset("DISPLAY").unset("WAYLAND_DISPLAY");
    QVPermissions& hook = QVPermissions::sharedInstance();
    hook.startWithHandler([](bool) {});
    EXPECT_FALSE(hook.hasEventTap());
    EXPECT_FALSE(hook.addEventTap());
    hook.stopPermission();
    EXPECT_FALSE(hook.isAccessibilityEnabled());
}

} // namespace
