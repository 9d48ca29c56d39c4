// "New File…" in a real tarsel-finder process on the test's display, answered through the X
// server as a user answers it.

#include "tests/engine/MenuStoreTestSupport.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/QVPermissions.h"
#include "platform/System.h"

#include "tests/host/HostRun.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

QByteArray runTool(const QStringList& args)
{
    return runProgram("xdotool", args, { .timeoutMs = 30000 }).out;
}

// The visible windows of a process, newest last.
QStringList windowsOf(qint64 pid)
{
    return QString::fromLatin1(runTool({ "search", "--onlyvisible", "--pid", QString::number(pid) }))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void pressIn(const QString& window, const QString& keys)
{
    runTool({ "windowfocus", "--sync", window });
    runTool({ "key", keys });
}

} // namespace

// The save panel asks "already exists, replace it?" itself; Yes used to write "Untitled-1.txt"
// beside the old file. Now the old file goes to the Trash and the new one takes its name.
TEST(FinderHostSavePanelTest, YesToReplaceTrashesTheOldFileAndTheNewOneTakesItsName)
{
    ASSERT_TRUE(QVDefaultData::setup());
    QVMenuManager::sharedDefaults().setValue("is reviewed", true);
    // Activated before: the activation panel does not come first.
    platform::System::setBundleIdentifier(platform::System::kExtensionBundleId);
    QVPermissions::sharedInstance().setIsActive15(true);
    platform::System::setBundleIdentifier(platform::System::kAppBundleId);
    const QString folder = testHome() + "/work";
    const QString old = writeFile(folder + "/Untitled.txt", "old contents");
    const QStringList on { "--target", folder };
    QProcess menu;
    menu.start(QStringLiteral(TARSEL_FINDER_PROGRAM), QStringList { "menu", "--json" } + on);
    ASSERT_TRUE(menu.waitForFinished(30000));
    const int tag = childTagOfKeyInMenu(menu.readAllStandardOutput(), "New File", "New File From Window");
    ASSERT_GT(tag, 0);

    QProcess host;
    host.start(QStringLiteral(TARSEL_FINDER_PROGRAM), QStringList { "pick", QString::number(tag) } + on);
    ASSERT_TRUE(host.waitForStarted());
    // The panel starts in the folder with "Untitled" and the plain text type: Enter saves, and the
    // panel asks whether to replace the file there.
    ASSERT_TRUE(QTest::qWaitFor([&] { return windowsOf(host.processId()).size() == 1; }, 20000));
    pressIn(windowsOf(host.processId()).constFirst(), "Return");
    ASSERT_TRUE(QTest::qWaitFor([&] { return windowsOf(host.processId()).size() == 2; }, 20000));
    pressIn(windowsOf(host.processId()).constLast(), "alt+y");
    ASSERT_TRUE(host.waitForFinished(20000));
    EXPECT_EQ(host.exitCode(), 0) << host.readAllStandardError().constData();

    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList { "Untitled.txt" });
    EXPECT_EQ(readFile(old), QByteArray());
    const QString trash = testHome() + "/.local/share/Trash/files";
    EXPECT_EQ(QDir(trash).entryList(QDir::Files), QStringList { "Untitled.txt" });
    EXPECT_EQ(readFile(trash + "/Untitled.txt"), QByteArray("old contents"));
}
