// A host that was killed leaves its record behind; the next host to start removes it. Such
// records used to stay in the folder until the application next restarted the extension.

#include "platform/System.h"
#include "platform/finder/HostProcesses.h"
#include "tests/host/HostRun.h"

#include "testsupport/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

using platform::HostProcesses;

namespace {

void writeRecord(const QString& file, quint64 startTime)
{
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QByteArray::number(startTime) + ' ' + platform::System::kExtensionBundleId.toUtf8() + '\n');
}

} // namespace

TEST(HostRecordsTest, AStartingHostRemovesTheRecordsOfGoneHosts)
{
    const QString folder = HostProcesses::folder();
    ASSERT_FALSE(folder.isEmpty());
    // A process that has ended, and a running one (this test) whose start time the record
    // does not match: the id was given to another program after the host died.
    QProcess ended;
    ended.start(QStringLiteral("/bin/true"), {});
    ASSERT_TRUE(ended.waitForStarted());
    const qint64 endedPid = ended.processId();
    ASSERT_TRUE(ended.waitForFinished());
    const QString gone = folder + QLatin1Char('/') + QString::number(endedPid);
    const qint64 self = QCoreApplication::applicationPid();
    const QString reused = folder + QLatin1Char('/') + QString::number(self);
    writeRecord(gone, 12345);
    writeRecord(reused, HostProcesses::startTimeOf(self) + 1);

    const tarsel::test::HostRun run = tarsel::test::runHost({ QStringLiteral("menu"), tarsel::test::testHome() });
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();

    EXPECT_FALSE(QFile::exists(gone));
    EXPECT_FALSE(QFile::exists(reused));
    EXPECT_TRUE(QDir(folder).isEmpty()) << "the host removed its own record when it ended";
}
