#include "app/QVExtensionManagement.h"
#include "app/settings/QVGeneralViewCtl.h"

#include "engine/model/QVMenuManager.h"
#include "platform/Defaults.h"
#include "platform/LoginItem.h"
#include "platform/System.h"
#include "platform/finder/FIFinderSyncController.h"
#include "platform/finder/FileManagerActions.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QCheckBox>
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

// Thunar and Nemo "installed" (stand-ins of their programs on PATH), and a stand-in host on PATH:
// the tests' binaries have no tarsel-finder beside them.
QString installFileManagers(ScopedEnvironment& env, bool withFileManagers = true)
{
    QStringList programs { QStringLiteral("tarsel-finder") };
    if (withFileManagers) {
        programs << QStringLiteral("thunar") << QStringLiteral("nemo");
    }
    for (const QString& program : programs) {
        const QString path = writeFile(inHome(QStringLiteral("bin/") + program), "#!/bin/sh\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    env.set("PATH", QFile::encodeName(inHome(QStringLiteral("bin"))));
    env.set("XDG_CONFIG_DIRS", QFile::encodeName(inHome(QStringLiteral("etc"))));
    return inHome(QStringLiteral("bin/tarsel-finder"));
}

QString ucaFile()
{
    return inHome(QStringLiteral(".config/Thunar/uca.xml"));
}

bool nemoActionInPlace()
{
    return QFile::exists(inHome(QStringLiteral(".local/share/nemo/actions/tarsel.nemo_action")));
}

struct CheckCase
{
    const char* name;
    bool fileManagers; ///< supported file managers are installed
    bool actionsInPlace; ///< Tarsel's actions are already in them
    bool hostOn; ///< the host loads the extension
    bool alert;
};

class ExtensionCheckTest : public testing::TestWithParam<CheckCase>
{
};

// The start-up check reminds the user when no installed file manager has Tarsel's actions (or the
// host would not load the extension), with the "Turn On" button; after it every installed file
// manager has them, calling the host by its absolute path. With the actions in place, or with no
// file manager to put them in, nothing is asked. Before, the pretended system release hid the
// check, and turning on only stored the host's switch: no file manager showed Tarsel.
TEST_P(ExtensionCheckTest, RemindsWhenNoFileManagerHasTarsel)
{
    const CheckCase& c = GetParam();
    ScopedEnvironment env;
    const QString host = installFileManagers(env, c.fileManagers);
    if (c.actionsInPlace) {
        ASSERT_EQ(platform::FileManagerActions::enable(host).size(), 2);
    }
    ASSERT_TRUE(platform::FIFinderSyncController::setExtensionEnabled(kExtension, c.hostOn));
    AlertScript alerts;
    QVExtensionManagement::checkIsOpenRightMenu();
    // Writing the actions anew is followed by the word that a running Thunar must be restarted.
    const bool written = c.fileManagers && !c.actionsInPlace;
    ASSERT_EQ(alerts.shown().size(), (c.alert ? 1 : 0) + (written ? 1 : 0));
    if (c.alert) {
        EXPECT_EQ(alerts.shown().at(0).buttons, QStringList { QStringLiteral("Turn On") });
    }
    if (written) {
        EXPECT_TRUE(alerts.shown().last().informativeText.contains(QStringLiteral("Quit and start Thunar again")));
    }
    EXPECT_EQ(QVExtensionManagement::isExtensionEnabled(), c.fileManagers);
    if (c.fileManagers) {
        EXPECT_TRUE(readFile(ucaFile()).contains("<command>" + QFile::encodeName(host) + " popup %F</command>"));
        EXPECT_TRUE(nemoActionInPlace());
    } else {
        EXPECT_FALSE(QFile::exists(ucaFile()));
    }
}

const CheckCase kCheckCases[] = {
    { "NoActionsAsksAndTurnsOn", true, false, true, true },
    { "HostOffAsksAndTurnsOn", true, true, false, true },
    { "ActionsInPlaceAskNothing", true, true, true, false },
    { "NoFileManagerAsksNothing", false, false, true, false },
};

INSTANTIATE_TEST_SUITE_P(Cases, ExtensionCheckTest, testing::ValuesIn(kCheckCases), caseName<CheckCase>);

// The page's extension check box turns Tarsel on in the file managers and off again; off takes
// out only Tarsel's actions.
TEST(ExtensionSwitchTest, ThePageSwitchesTheFileManagers)
{
    ScopedEnvironment env;
    installFileManagers(env);
    const QByteArray userUca = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n<action><name>Mine</name>"
                               "<unique-id>mine</unique-id><command>true</command></action>\n</actions>\n";
    writeFile(ucaFile(), userUca);
    QVGeneralViewCtl page;
    auto* box = page.findChild<QCheckBox*>(QStringLiteral("enableButton"));
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked());
    AlertScript alerts;
    box->click();
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(QVExtensionManagement::isExtensionEnabled());
    EXPECT_TRUE(nemoActionInPlace());
    box->click();
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(QVExtensionManagement::isExtensionEnabled());
    EXPECT_FALSE(nemoActionInPlace());
    EXPECT_EQ(readFile(ucaFile()), userUca);
    // A running Thunar reads uca.xml only when it starts: each change says so; Nemo needs no word.
    ASSERT_EQ(alerts.shown().size(), 2);
    for (const auto& shown : alerts.shown()) {
        EXPECT_TRUE(shown.informativeText.contains(QStringLiteral("Quit and start Thunar again")))
            << shown.informativeText.toStdString();
        EXPECT_FALSE(shown.informativeText.contains(QStringLiteral("Nemo again")));
    }
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
