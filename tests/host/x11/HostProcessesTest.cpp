// Restarting the extension ends the host processes that recorded themselves, and nothing else.
// Ending processes by name (pkill tarsel-finder) would also end any program that merely carries
// the name, and trusting a record without its start time would end whatever program the system
// later gave a dead host's process id.

#include "engine/model/QVDefaultData.h"
#include "platform/System.h"
#include "platform/finder/FIFinderSyncController.h"
#include "platform/finder/HostProcesses.h"

#include "testsupport/ProgramRun.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using platform::HostProcesses;

namespace {

const QString kExtension = platform::System::kExtensionBundleId;

std::unique_ptr<QProcess> start(const QString& program, const QStringList& args)
{
    auto process = std::make_unique<QProcess>();
    process->start(program, args);
    EXPECT_TRUE(process->waitForStarted()) << program.toStdString();
    return process;
}

TEST(HostProcessesTest, KillAllEndsOnlyRecordedHosts)
{
    const QString folder = tarsel::test::inHome(QStringLiteral("served"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QVDefaultData::setup()); // the factory menu, so that the hosts have one to show
    std::vector<std::unique_ptr<QProcess>> hosts;
    for (int i = 0; i < 2; ++i) {
        // A popup waits for a choice, as a host does while its menu is open.
        hosts.push_back(start(QStringLiteral(TARSEL_FINDER_PROGRAM),
                              { QStringLiteral("popup"), QStringLiteral("--kind"), QStringLiteral("1"),
                                QStringLiteral("--target"), folder }));
    }
    ASSERT_TRUE(QTest::qWaitFor([] { return HostProcesses::running(kExtension).size() == 2; }, 30000));

    // A program that only carries the host's name, and one whose id a stale record names.
    const QString namesake = tarsel::test::inHome(QStringLiteral("bin/tarsel-finder"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(namesake).path()));
    ASSERT_TRUE(QFile::link(QStringLiteral("/bin/sleep"), namesake));
    const std::unique_ptr<QProcess> byName = start(namesake, { QStringLiteral("300") });
    const std::unique_ptr<QProcess> reused = start(QStringLiteral("/bin/sleep"), { QStringLiteral("300") });
    QFile stale(HostProcesses::folder() + QLatin1Char('/') + QString::number(reused->processId()));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray::number(HostProcesses::startTimeOf(reused->processId()) + 1) + ' ' + kExtension.toUtf8());
    stale.close();

    EXPECT_EQ(HostProcesses::killAll(kExtension), 2);
    for (const std::unique_ptr<QProcess>& host : hosts) {
        EXPECT_TRUE(host->waitForFinished(10000));
        EXPECT_EQ(host->exitStatus(), QProcess::CrashExit);
    }
    EXPECT_TRUE(HostProcesses::running(kExtension).isEmpty());
    EXPECT_EQ(byName->state(), QProcess::Running);
    EXPECT_EQ(reused->state(), QProcess::Running);
    EXPECT_FALSE(stale.exists()) << "the stale record is dropped";
    byName->kill();
    reused->kill();
    byName->waitForFinished();
    reused->waitForFinished();
}

// The host refuses to load an extension that was turned off, and loads it again once it is on.
TEST(HostProcessesTest, HostHonoursTheExtensionSwitch)
{
    for (const bool enabled : { false, true }) {
        ASSERT_TRUE(platform::FIFinderSyncController::setExtensionEnabled(kExtension, enabled));
        const tarsel::test::ProgramRun host
            = tarsel::test::runProgram(QStringLiteral(TARSEL_FINDER_PROGRAM),
                                       { QStringLiteral("menu"), tarsel::test::testHome() }, { .timeoutMs = 30000 });
        ASSERT_TRUE(host.finished);
        EXPECT_EQ(host.exitCode, enabled ? 0 : 1) << host.err.toStdString();
        EXPECT_EQ(host.err.contains("turned off"), !enabled);
    }
}

} // namespace
