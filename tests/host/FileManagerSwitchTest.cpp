// tarsel-finder --enable-file-managers and --disable-file-managers, as a script or a package runs
// them: the real host writes Tarsel's actions into the installed file managers with its own
// absolute path, and the command written there shows Tarsel's menu with no tarsel-finder on PATH.

#include "tests/engine/MenuStoreTestSupport.h"
#include "tests/host/HostRun.h"

#include "testsupport/TestEnvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

QString ucaFile()
{
    return inHome(".config/Thunar/uca.xml");
}

// The <command> of the uca.xml action with that unique id.
QString ucaCommand(const QByteArray& uca, const QString& id)
{
    const QRegularExpression action(QStringLiteral("<unique-id>%1</unique-id>\\s*<command>([^<]*)</command>").arg(id));
    return action.match(QString::fromUtf8(uca)).captured(1);
}

TEST(FileManagerSwitchTest, EnableWritesTheHostsOwnPathAndDisableTakesItOut)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Copy Path"), keyed("Move to") });
    const QString thunar = writeFile(inHome("bin/thunar"), "#!/bin/sh\n");
    QFile::setPermissions(thunar, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Thunar is installed; tarsel-finder is not on PATH.
    const QStringList env { "PATH=" + inHome("bin"), "XDG_CONFIG_DIRS=" + inHome("etc") };
    const QByteArray user = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n<action><name>Mine</name>"
                            "<unique-id>mine</unique-id><command>true</command></action>\n</actions>\n";
    writeFile(ucaFile(), user);

    const HostRun on = runHost({ "--enable-file-managers" }, env);
    EXPECT_EQ(on.exitCode, 0) << on.err.constData();
    EXPECT_EQ(on.out, "Thunar: Tarsel is on. Quit and start Thunar again to see the change.\n");
    const QString command = ucaCommand(readFile(ucaFile()), "tarsel-items");
    const QString host = QFileInfo(QStringLiteral(TARSEL_FINDER_PROGRAM)).absoluteFilePath();
    ASSERT_TRUE(command.startsWith(host + " popup ")) << command.toStdString();

    // The command as Thunar runs it ("menu" for "popup": the same menu, printed), with Thunar's
    // PATH holding no tarsel-finder.
    const QString file = writeFile(inHome("Shown/a.txt"), "a");
    QProcess thunarRuns;
    QProcessEnvironment penv = QProcessEnvironment::systemEnvironment();
    penv.insert("PATH", inHome("bin"));
    penv.insert("QT_QPA_PLATFORM", "offscreen");
    thunarRuns.setProcessEnvironment(penv);
    thunarRuns.start("/bin/sh", { "-c", QString(command).replace(" popup ", " menu ").replace("%F", file) });
    ASSERT_TRUE(thunarRuns.waitForFinished(60000));
    EXPECT_EQ(thunarRuns.exitCode(), 0) << thunarRuns.readAllStandardError().constData();
    EXPECT_TRUE(thunarRuns.readAllStandardOutput().startsWith("[1] Copy Path\n"));

    const HostRun off = runHost({ "--disable-file-managers" }, env);
    EXPECT_EQ(off.exitCode, 0) << off.err.constData();
    EXPECT_EQ(off.out, "Thunar: Tarsel is off. Quit and start Thunar again to see the change.\n");
    EXPECT_EQ(readFile(ucaFile()), user);
}

// A uca.xml that cannot be read is left as it is, and the exit status says so.
TEST(FileManagerSwitchTest, ADamagedUcaFailsAndStaysAsItWas)
{
    const QString thunar = writeFile(inHome("bin/thunar"), "#!/bin/sh\n");
    QFile::setPermissions(thunar, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    writeFile(ucaFile(), "<actions><action>");
    const HostRun on = runHost({ "--enable-file-managers" }, { "PATH=" + inHome("bin") });
    EXPECT_EQ(on.exitCode, 1);
    EXPECT_TRUE(on.err.startsWith("Thunar: left as it was.")) << on.err.constData();
    EXPECT_EQ(readFile(ucaFile()), "<actions><action>");
}

} // namespace
