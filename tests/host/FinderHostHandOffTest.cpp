// Hand-offs made in real tarsel-finder processes: terminals opened at a folder, applications
// started from their desktop entries, a cut carried from one process to the next. The programs
// started are stand-in scripts on the PATH the host gets; they record what reached them.

#include "tests/engine/MenuStoreTestSupport.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/QVFileTransfer.h"
#include "platform/Bundle.h"

#include "testsupport/TestEnvironment.h"

#include "tests/host/HostRun.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

using namespace tarsel::test;

namespace {

// A terminal the user set must not stand in for the stand-ins the tests put on PATH.
const QStringList kNoTerminal { "TERMINAL" };

HostRun pick(int tag, const QStringList& args, const QStringList& extraEnv = {})
{
    return pickInHost(tag, args, extraEnv, kNoTerminal);
}

int tagOf(const QStringList& args, const QStringList& titles, const QStringList& extraEnv = {})
{
    return tagInHostMenu(args, titles, extraEnv, kNoTerminal);
}

// A folder of stand-in programs, the only one on the host's PATH.
class StandIns
{
public:
    StandIns()
        : m_bin(testHome() + "/stand-in-bin")
    {
        QDir().mkpath(m_bin);
    }

    // A program that writes its working folder and then each argument, one a line, to a file
    // named after it in the home folder (renamed into place, so a reader sees all or nothing).
    QString recorder(const QString& name)
    {
        const QByteArray out = QFile::encodeName(record(name));
        const QString path
            = writeFile(m_bin + QLatin1Char('/') + name,
                        "#!/bin/sh\n{ printf '%s\\n' \"$PWD\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '"
                            + out + ".part' && /bin/mv '" + out + ".part' '" + out + "'\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    QString record(const QString& name) const { return testHome() + "/started-" + name; }
    // What the program recorded: its working folder, then its arguments; empty until it ran.
    QByteArray waitForRecord(const QString& name) const
    {
        const QString path = record(name);
        if (!QTest::qWaitFor([&path] { return QFile::exists(path); }, 20000)) {
            return {};
        }
        const QByteArray text = readFile(path);
        QFile::remove(path);
        return text;
    }
    QString pathVariable() const { return "PATH=" + m_bin; }

private:
    QString m_bin;
};

} // namespace

// The terminal entries used to look for a desktop entry named like the service ("New Terminal
// at Folder"), which no desktop has: the pick opened nothing and exited 0. They now start the
// user's terminal at the folder, and the host fails with a message when there is none.
TEST(FinderHostHandOffTest, TerminalEntriesOpenTheTerminalAtTheFolder)
{
    ASSERT_TRUE(QVDefaultData::setup());
    storeList(QVMenuManager::kArrayCommonApp, { entry({ { "key", "Kitty" }, { "appName", "Kitty" } }) });
    StandIns bin;
    bin.recorder("gnome-terminal");
    bin.recorder("kitty");
    const QString folder = testHome() + "/it's $(touch pwned) dir";
    const QString file = writeFile(folder + "/notes.txt", "x");

    const QString window = platform::Bundle::localizedString("Terminal Window");
    const int windowTag = tagOf({ file }, { window });
    ASSERT_GT(windowTag, 0) << "the factory menu offers " << window.toStdString();
    HostRun run = pick(windowTag, { file }, { bin.pathVariable() });
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(bin.waitForRecord("gnome-terminal"),
              QFile::encodeName(folder) + "\n--working-directory=" + QFile::encodeName(folder) + '\n');

    // A terminal named by its macOS name is this desktop's program of that name.
    const int appsTag = tagOf({ file }, { platform::Bundle::localizedString("Common App") });
    ASSERT_GT(appsTag, 0);
    const int kittyTag = appsTag * 100 + 1;
    run = pick(kittyTag, { file }, { bin.pathVariable() });
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(bin.waitForRecord("kitty"),
              QFile::encodeName(folder) + "\n--directory\n" + QFile::encodeName(folder) + '\n');
    EXPECT_FALSE(QFile::exists(folder + "/pwned"));

    // No terminal on this desktop: nothing starts, and the pick says so and fails.
    run = pick(windowTag, { file }, { "PATH=" + testHome() + "/empty-bin" });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("no terminal program was found")) << run.err.constData();
}

// A desktop entry with a quoted "%f" ("sh -c \"... %f\"") used to get the name filled into the
// shell's code: "report $(touch pwned).txt" ran its command. An entry like that is refused,
// the pick fails with a message, and entries that take a name as data get it byte for byte.
TEST(FinderHostHandOffTest, DesktopEntriesNeverRunANameAsCode)
{
    StandIns bin;
    const QString recorder = bin.recorder("viewer");
    const QString marker = testHome() + "/shell-ran";
    const QString out = testHome() + "/quoted-out";
    // Exec values as a desktop file writes them: "\\" is one backslash of the Exec quoting.
    installApplication("org.test.Quoted", "Quoted",
                       QStringLiteral("/bin/sh -c \"/bin/touch '%1'; echo %f > '%2'\"").arg(marker, out));
    installApplication("org.test.Positional", "Positional",
                       QStringLiteral("/bin/sh -c \"exec '%1' \\\\\"\\\\$1\\\\\"\" sh %f").arg(recorder));
    installApplication("org.test.Plain", "Plain", recorder + " --file=%f");
    installApplication("org.test.Missing", "Missing", testHome() + "/no-such-program %F");
    QVariantList apps;
    for (const char* name : { "Quoted", "Positional", "Plain", "Missing" }) {
        apps << entry({ { "key", QLatin1String(name) }, { "appName", QLatin1String(name) } });
    }
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Common App") });
    storeList(QVMenuManager::kArrayCommonApp, apps);

    const QStringList names = { "report $(touch pwned).txt", "a\"; touch pwned; \".txt", "`touch pwned` 'q' \\ %f.txt",
                                "$HOME\t&&touch pwned.txt" };
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString file = writeFile(testHome() + "/docs/" + name, "x");
        const QByteArray bytes = QFile::encodeName(file);

        HostRun run = pick(101, { file }, { bin.pathVariable() });
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains("Failed to open with \"Quoted\"")) << run.err.constData();

        run = pick(102, { file }, { bin.pathVariable() });
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        EXPECT_TRUE(bin.waitForRecord("viewer").endsWith('\n' + bytes + '\n'));

        run = pick(103, { file }, { bin.pathVariable() });
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        EXPECT_TRUE(bin.waitForRecord("viewer").endsWith("\n--file=" + bytes + '\n'));

        EXPECT_FALSE(QFile::exists(marker));
        EXPECT_FALSE(QFile::exists(out));
        EXPECT_FALSE(QFile::exists(testHome() + "/docs/pwned"));
        EXPECT_TRUE(QFile::remove(file));
    }

    // An application that cannot be started used to leave the pick with exit status 0.
    const QString file = writeFile(testHome() + "/docs/a.txt", "x");
    const HostRun missing = pick(104, { file }, { bin.pathVariable() });
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("Failed to open with \"Missing\"")) << missing.err.constData();
}

// Every tarsel-finder call is a new engine, and every engine used to clear the cut list when
// the status item was off, so a cut never lived to the paste. The stale list is now cleared once
// per login session: a cut survives to the next process, and a new session starts without it.
TEST(FinderHostHandOffTest, ACutLivesUntilThePasteAndNotIntoTheNextSession)
{
    ASSERT_TRUE(QVDefaultData::setup());
    QVMenuManager::sharedDefaults().setValue(QVMenuManager::prefCheck(QVSwitch::StatusItem), false);
    const QString home = testHome();
    const QString file = writeFile(home + "/from/report; $(id).txt", "contents");
    const QString target = home + "/to";
    ASSERT_TRUE(QDir().mkpath(target));
    const QString cut = platform::Bundle::localizedString("Cut");
    const QString paste = platform::Bundle::localizedString("Paste");

    const int cutTag = tagOf({ file }, { cut });
    ASSERT_GT(cutTag, 0);
    ASSERT_EQ(pick(cutTag, { file }).exitCode, 0);
    const int pasteTag = tagOf({ "--target", target }, { paste });
    ASSERT_GT(pasteTag, 0) << "the cut did not survive into the next process";
    const HostRun run = pick(pasteTag, { "--target", target });
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(readFile(target + "/report; $(id).txt"), QByteArray("contents"));
    EXPECT_FALSE(QFile::exists(file));

    // A cut left behind when the session ended is gone in the next one.
    const QString other = writeFile(home + "/from/other.txt", "x");
    ASSERT_EQ(pick(cutTag, { other }).exitCode, 0);
    ASSERT_EQ(QVFileTransfer::storedCutPaths(), QStringList { other });
    const QString nextSession = home + "/next-runtime";
    ASSERT_TRUE(QDir().mkpath(nextSession));
    ASSERT_TRUE(QFile::setPermissions(nextSession, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    EXPECT_EQ(tagOf({ "--target", target }, { paste }, { "XDG_RUNTIME_DIR=" + nextSession }), -1);
    EXPECT_TRUE(QVFileTransfer::storedCutPaths().isEmpty());
    EXPECT_TRUE(QFile::exists(other));
}

// The first engine of a session clears nothing when there is nothing to clear: on a store
// without a main list it used to write an empty one, which the application then took for the
// user's own and never filled.
TEST(FinderHostHandOffTest, TheSessionsFirstEngineWritesNothingWithoutACut)
{
    QVMenuManager::sharedDefaults().setValue(QVMenuManager::prefCheck(QVSwitch::StatusItem), false);
    const HostRun run = runHost({ "menu", "--target", testHome() }, {}, kNoTerminal);
    EXPECT_NE(run.exitCode, -1) << run.err.constData();
    EXPECT_FALSE(QVMenuManager::sharedDefaults().contains(QVMenuManager::kArrayRightMenu));
}
