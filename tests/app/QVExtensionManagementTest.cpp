#include "app/QVExtensionManagement.h"

#include "engine/model/QVMenuManager.h"
#include "platform/Defaults.h"
#include "platform/LoginItem.h"
#include "platform/System.h"
#include "platform/finder/FIFinderSyncController.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

const QString kExtension = platform::System::kExtensionBundleId;

bool storedSwitch()
{
    return QVMenuManager::sharedDefaults().boolValue(QVMenuManager::prefCheck(QVSwitch::LaunchAtLogin));
}

struct LoginCase
{
    const char* name;
    bool foreignEntry; ///< another program's autostart entry of our file name is in place
    bool switchTo;
    bool answer; ///< the state really in force afterwards
};

class LaunchAtLoginTest : public testing::TestWithParam<LoginCase>
{
};

// The switch writes and removes a valid autostart entry that starts Tarsel as "launched at login".
// A change the system refuses puts the stored switch back: keeping the user's wish would show the
// login item on while nothing starts Tarsel at login.
TEST_P(LaunchAtLoginTest, SwitchFollowsTheRealState)
{
    const LoginCase& c = GetParam();
    if (c.foreignEntry) {
        writeFile(platform::LoginItem::file(), "[Desktop Entry]\nType=Application\nName=Other\nExec=othertool\n");
    }
    QVMenuManager::sharedDefaults().setValue(QVMenuManager::prefCheck(QVSwitch::LaunchAtLogin), c.switchTo);
    EXPECT_EQ(QVExtensionManagement::launchAtLogin(c.switchTo), c.answer);
    EXPECT_EQ(platform::LoginItem::isEnabled(), c.answer);
    EXPECT_EQ(storedSwitch(), c.answer);
    EXPECT_EQ(QFile::exists(platform::LoginItem::file()), c.answer || c.foreignEntry);
    if (c.answer) {
        QProcess validate;
        validate.start(QStringLiteral("desktop-file-validate"), { platform::LoginItem::file() });
        ASSERT_TRUE(validate.waitForFinished(20000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
        QFile entry(platform::LoginItem::file());
        ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
        EXPECT_TRUE(entry.readAll().contains(QVExtensionManagement::autoStartAddress().toUtf8()));
    }
}

const LoginCase kLoginCases[] = {
    { "OnWritesAValidEntry", false, true, true },
    { "OffRemovesIt", false, false, false },
    { "RefusedOnGoesBackToOff", true, true, false },
};

INSTANTIATE_TEST_SUITE_P(Cases, LaunchAtLoginTest, testing::ValuesIn(kLoginCases), caseName<LoginCase>);

TEST(LaunchAtLoginTest, OnThenOffLeavesNothing)
{
    ASSERT_TRUE(QVExtensionManagement::launchAtLogin(true));
    EXPECT_FALSE(QVExtensionManagement::launchAtLogin(false));
    EXPECT_FALSE(QFile::exists(platform::LoginItem::file()));
}

struct VersionCase
{
    const char* name;
    const char* version;
    bool byCommand;
};

class CommandRouteTest : public testing::TestWithParam<VersionCase>
{
};

TEST_P(CommandRouteTest, OnlyTheReleasesThatNeedIt)
{
    qputenv("TARSEL_SYSTEM_VERSION", GetParam().version);
    EXPECT_EQ(QVExtensionManagement::isNeedUseCmdEnable(), GetParam().byCommand);
    qunsetenv("TARSEL_SYSTEM_VERSION");
}

const VersionCase kVersionCases[] = {
    { "V15_0_0", "15.0.0", true },  { "V15_2_1", "15.2.1", true },  { "V15_3_1", "15.3.1", true },
    { "V15_0_2", "15.0.2", false }, { "V15_4_0", "15.4.0", false }, { "V14_5", "14.5", false },
    { "V16_0_0", "16.0.0", false },
};

INSTANTIATE_TEST_SUITE_P(Versions, CommandRouteTest, testing::ValuesIn(kVersionCases), caseName<VersionCase>);

// An extension the host has turned off is reported once at start-up and turned on when the user
// answers; one that is on asks nothing.
TEST(ExtensionCheckTest, OffExtensionIsReportedAndTurnedOn)
{
    qputenv("TARSEL_SYSTEM_VERSION", "14.5");
    for (const bool enabled : { true, false }) {
        ASSERT_TRUE(platform::FIFinderSyncController::setExtensionEnabled(kExtension, enabled));
        AlertScript alerts;
        QVExtensionManagement::checkIsOpenRightMenu();
        ASSERT_EQ(alerts.shown().size(), enabled ? 0 : 1);
        EXPECT_TRUE(platform::FIFinderSyncController::isExtensionEnabled(kExtension));
    }
    qunsetenv("TARSEL_SYSTEM_VERSION");
}

TEST(ExtensionCheckTest, RestartTurnsTheExtensionOnAgain)
{
    ASSERT_TRUE(platform::FIFinderSyncController::setExtensionEnabled(kExtension, false));
    bool done = false;
    QVExtensionManagement::restartFinderExtension([&done] { done = true; });
    EXPECT_FALSE(platform::FIFinderSyncController::isExtensionEnabled(kExtension));
    ASSERT_TRUE(QTest::qWaitFor([&done] { return done; }, 10000));
    EXPECT_TRUE(platform::FIFinderSyncController::isExtensionEnabled(kExtension));
}

} // namespace
