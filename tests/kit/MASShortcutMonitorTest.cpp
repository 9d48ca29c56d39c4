#include "kit/shortcut/MASShortcutBinder.h"
#include "kit/shortcut/MASShortcutMonitor.h"
#include "platform/X11.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

TARSEL_TEST_CHILD(registerHotKeyHere)
{
    const MASShortcut e(14, MASShortcut::kControlFlag | MASShortcut::kCommandFlag);
    const bool registered = MASShortcutMonitor::sharedMonitor().registerShortcut(e, [] {});
    MASShortcutBinder::sharedBinder().bindShortcutWithDefaultsKey(QStringLiteral("CloudFolderShortCut"), [] {});
    std::printf("registered=%d name=%s reason=%s\n", int(registered), e.description().toUtf8().constData(),
                platform::X11::shared().unavailableReason().toUtf8().constData());
    return 0;
}

struct SessionCase
{
    std::string name;
    QByteArray display;
    QByteArray wayland;
    QByteArray reason;
};

using HotKeysUnavailable = testing::TestWithParam<SessionCase>;

// Without an X server to grab keys on, registering says why and refuses; key names still come
// from the configured layout, so the recorder shows what the user types.
TEST_P(HotKeysUnavailable, RegistrationIsRefusedWithTheReason)
{
    const SessionCase& c = GetParam();
    tarsel::test::ScopedEnvironment env;
    c.display.isEmpty() ? env.unset("DISPLAY") : env.set("DISPLAY", c.display);
    c.wayland.isEmpty() ? env.unset("WAYLAND_DISPLAY") : env.set("WAYLAND_DISPLAY", c.wayland);
    env.unset("XDG_SESSION_TYPE");
    const tarsel::test::ChildResult result = tarsel::test::runChild(QStringLiteral("registerHotKeyHere"));
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_EQ(result.out, "registered=0 name=Ctrl+Super+E reason=" + c.reason + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, HotKeysUnavailable,
    testing::Values(SessionCase { "NoDisplay", {}, {}, "Hot keys are unavailable: there is no X display." },
                    SessionCase { "Wayland", ":0", "wayland-0", "Hot keys are unavailable in a Wayland session." },
                    SessionCase { "DisplayThatCannotBeReached",
                                  ":987",
                                  {},
                                  "Hot keys are unavailable: the X display \":987\" cannot be reached." }),
    tarsel::test::caseName<SessionCase>);

} // namespace
