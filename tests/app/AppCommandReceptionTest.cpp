// What the application does with an address it is handed (its command line, the socket): the
// address is outside input, so anything that is not a plain known command on existing paths
// runs nothing and leaves the engine's selection alone.

#include "app/AppDelegate.h"
#include "engine/service/QVMenuService.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

struct ReceptionCase
{
    const char* name;
    QByteArray address; ///< "$F" stands for an existing file, "$H" for the home folder
    qint64 runs; ///< the command that starts, 0 for none
    QStringList selection; ///< the engine's selection afterwards ("$F" as above)
};

QByteArray filled(QByteArray text, const QString& file)
{
    return text.replace("$F", QFile::encodeName(file)).replace("$H", QFile::encodeName(testHome()));
}

// A command that runs nothing visible here: "As Desktop Picture" on a file that is no image ends
// silently.
const ReceptionCase kCases[] = {
    { "WellFormedCommandRuns", "TarselPro://qvcommand-8?qvselect=1&qvpath=$F", 8, { "$F" } },
    { "LaunchedAtLogin", "TarselPro://qvcommand-1000", 1000, {} },
    { "UnknownCommand", "TarselPro://qvcommand-99?qvselect=1&qvpath=$F", 0, {} },
    { "NoCommandNumber", "TarselPro://qvcommand-?qvselect=1&qvpath=$F", 0, {} },
    // The leading digits alone used to be taken: "8x" ran command 8.
    { "NumberWithTrailingText", "TarselPro://qvcommand-8x?qvselect=1&qvpath=$F", 0, {} },
    { "SignedNumber", "TarselPro://qvcommand-+8?qvpath=$F", 0, {} },
    // Saturated to the largest number, which could match a command added one day.
    { "NumberBeyondSixtyFourBits", "TarselPro://qvcommand-99999999999999999999999?qvpath=$F", 0, {} },
    { "SchemeInLowerCase", "tarselpro://qvcommand-8?qvselect=1&qvpath=$F", 0, {} },
    { "NotAnAddress", "--settings", 0, {} },
    { "PathThatDoesNotExist", "TarselPro://qvcommand-8?qvselect=1&qvpath=$H/gone.png", 0, {} },
    { "OnePathOfTwoMissing", "TarselPro://qvcommand-8?qvselect=1&qvpath=$F&qvpath=$H/gone.png", 0, {} },
    // A broken escape or a relative path is skipped; the command runs on what is left.
    { "BrokenEscapeSkipped", "TarselPro://qvcommand-8?qvselect=1&qvpath=$H/x%zz&qvpath=$F", 8, { "$F" } },
    { "RelativePathSkipped", "TarselPro://qvcommand-8?qvselect=1&qvpath=notes.txt&qvpath=$F", 8, { "$F" } },
    { "OversizedAddress", "TarselPro://qvcommand-8?qvselect=1&qvpath=$F&" + QByteArray(300 * 1024, 'a'), 0, {} },
};

class AppCommandReceptionTest : public testing::TestWithParam<ReceptionCase>
{
};

} // namespace

TEST_P(AppCommandReceptionTest, OnlyWellFormedCommandsOnExistingPathsRun)
{
    const ReceptionCase& c = GetParam();
    const QString file = writeFile(testHome() + QStringLiteral("/docs/notes.txt"), "plain text\n");
    const QString earlier = writeFile(testHome() + QStringLiteral("/earlier.txt"), "x");
    // Launching ends with the file-manager check, whose reminder shows when a file manager and
    // the host are installed on the machine: it is answered here, not left waiting.
    AlertScript alerts;
    AppDelegate delegate;
    QString error;
    ASSERT_TRUE(delegate.awakeFromNib(&error)) << error.toStdString();
    delegate.applicationDidFinishLaunching();
    delegate.service()->setSelectURLs({ QUrl::fromLocalFile(earlier) });
    QSignalSpy started(&delegate, &AppDelegate::commandStarted);

    delegate.receiveMessage(filled(c.address, file));

    ASSERT_EQ(started.count(), c.runs == 0 ? 0 : 1);
    QStringList expected;
    for (const QString& path : c.selection) {
        expected << QString::fromUtf8(filled(path.toUtf8(), file));
    }
    if (c.runs == 0) {
        // A refused command leaves what the engine worked on before.
        EXPECT_EQ(delegate.service()->selectPaths(), QStringList { earlier });
        EXPECT_EQ(delegate.method(), 0);
        return;
    }
    EXPECT_EQ(started.at(0).at(0).toLongLong(), c.runs);
    if (c.runs == 1000) {
        EXPECT_TRUE(delegate.isAutoStart());
    } else {
        EXPECT_EQ(delegate.service()->selectPaths(), expected);
    }
    // Handled while running: the user's next "Preferences" opens the window.
    EXPECT_EQ(delegate.method(), 0);
}

INSTANTIATE_TEST_SUITE_P(Addresses, AppCommandReceptionTest, testing::ValuesIn(kCases), caseName<ReceptionCase>);

namespace {

struct LaunchCase
{
    const char* name;
    QList<QByteArray> arguments;
    int windows; ///< settings windows shown by the launch
};

const LaunchCase kLaunches[] = {
    { "ByTheUser", {}, 1 },
    // Only the number is recorded: it opens no window, as a known command does not.
    { "ForAnUnknownCommand", { "TarselPro://qvcommand-99" }, 0 },
    { "ForACommandOnAMissingPath", { "TarselPro://qvcommand-8?qvselect=1&qvpath=/gone/picture.png" }, 0 },
    { "WithNoAppCommand", { "--settings" }, 1 },
};

class AppLaunchWindowTest : public testing::TestWithParam<LaunchCase>
{
};

} // namespace

// A launch for an app command opens no settings window, also when the command number is one
// the application does not know (that launch used to open the window); a later Dock click does.
TEST_P(AppLaunchWindowTest, OnlyALaunchByTheUserOpensTheWindow)
{
    const LaunchCase& c = GetParam();
    AppDelegate delegate;
    int windows = 0;
    delegate.setSettingsWindow([&](const QString&) { ++windows; });
    QString error;
    ASSERT_TRUE(delegate.awakeFromNib(&error)) << error.toStdString();
    if (!c.arguments.isEmpty()) {
        delegate.openURLs(c.arguments);
    }
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(windows, c.windows);
    delegate.applicationShouldHandleReopen();
    EXPECT_EQ(windows, c.windows + 1);
}

INSTANTIATE_TEST_SUITE_P(Launches, AppLaunchWindowTest, testing::ValuesIn(kLaunches), caseName<LaunchCase>);
