// When the application ends: the last window closing ends it only when no status item, no hook
// and no command keep it, and a command still being handled postpones the end until it has
// finished.

#include "app/AppDelegate.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/QVMenuService.h"
#include "platform/Defaults.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestNames.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

struct LifetimeCase
{
    const char* name;
    bool statusItem;
    bool hook;
    QByteArray command; ///< received before the window closes; empty for none
    bool endsAtOnce;
};

const LifetimeCase kCases[] = {
    { "NothingKeepsIt", false, false, {}, true },
    { "TheStatusItemKeepsIt", true, false, {}, false },
    { "TheHookKeepsIt", false, true, {}, false },
    // Launched for a command: the first close is the command's, the process stays once.
    { "ALaunchCommandKeepsItOnce", false, false, "TarselPro://qvcommand-1000", false },
};

class AppLifetimeTest : public testing::TestWithParam<LifetimeCase>
{
};

} // namespace

TEST_P(AppLifetimeTest, TheLastWindowClosingEndsItOnlyWhenNothingKeepsIt)
{
    const LifetimeCase& c = GetParam();
    // Launching ends with the file-manager check, whose reminder shows when a file manager and
    // the host are installed on the machine: it is answered here, not left waiting.
    AlertScript alerts;
    AppDelegate delegate;
    QString error;
    ASSERT_TRUE(delegate.awakeFromNib(&error)) << error.toStdString();
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    defaults.setValue(QVMenuManager::prefCheck(QVSwitch::StatusItem), c.statusItem);
    defaults.setValue(QVMenuManager::prefCheck(QVSwitch::RightClickHook), c.hook);
    if (!c.command.isEmpty()) {
        delegate.openURLs({ c.command });
    }
    QSignalSpy ended(&delegate, &AppDelegate::terminating);

    delegate.lastWindowClosed();
    EXPECT_EQ(ended.count(), c.endsAtOnce ? 1 : 0);
    if (!c.command.isEmpty()) {
        // The next close is the user's own.
        delegate.lastWindowClosed();
        EXPECT_EQ(ended.count(), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, AppLifetimeTest, testing::ValuesIn(kCases), caseName<LifetimeCase>);

// Qt ends an application when its last window closes, and so did the bare rule: the success
// message of a command closing its window ended the process before the command had cleaned up
// (and a second job of it was cut off). The end now waits until the command has finished.
TEST(AppLifetimeCommandTest, ACommandStillBeingHandledPostponesTheEnd)
{
    // Launching ends with the file-manager check, whose reminder shows when a file manager and
    // the host are installed on the machine: it is answered here, not left waiting.
    AlertScript alerts;
    AppDelegate delegate;
    QString error;
    ASSERT_TRUE(delegate.awakeFromNib(&error)) << error.toStdString();
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    defaults.setValue(QVMenuManager::prefCheck(QVSwitch::StatusItem), false);
    defaults.setValue(QVMenuManager::prefCheck(QVSwitch::RightClickHook), false);
    delegate.applicationDidFinishLaunching();
    QSignalSpy ended(&delegate, &AppDelegate::terminating);

    QVMenuService::beginPendingWork();
    delegate.lastWindowClosed();
    EXPECT_TRUE(delegate.isHandlingCommand());
    EXPECT_EQ(ended.count(), 0);
    QVMenuService::endPendingWork();
    EXPECT_TRUE(ended.wait(5000));
    EXPECT_EQ(ended.count(), 1);
}
