#include "platform/MountTable.h"
#include "platform/Paths.h"
#include "platform/finder/FIFinderSyncController.h"
#include "platform/finder/MountMonitor.h"

#include "testsupport/TestEnvironment.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using platform::MountMonitor;
using platform::MountTable;

namespace {

QByteArray mountLine(int id, const QByteArray& point)
{
    return QByteArray::number(id) + " 1 8:1 / " + point + " rw,relatime shared:1 - ext4 /dev/sda1 rw\n";
}

class MountMonitorTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_table = tarsel::test::testHome() + QStringLiteral("/mountinfo");
        MountTable::setPath(m_table);
    }
    void TearDown() override { MountTable::setPath(QString()); }
    void writeTable(const QByteArray& text) { tarsel::test::writeFile(m_table, text); }

    QString m_table;
};

} // namespace

TEST_F(MountMonitorTest, ParsesMountPointsWithEscapedBlanks)
{
    const QByteArray table
        = mountLine(1, "/") + mountLine(2, "/mnt/My\\040Disk") + "garbage\n" + mountLine(3, "/a\\134b");
    QStringList points;
    for (const MountTable::Entry& entry : MountTable::parse(table)) {
        points << entry.mountPoint;
        EXPECT_EQ(entry.source, QStringLiteral("/dev/sda1"));
    }
    EXPECT_EQ(points, QStringList({ QStringLiteral("/"), QStringLiteral("/mnt/My Disk"), QStringLiteral("/a\\b") }));
}

TEST_F(MountMonitorTest, VolumesAreMountPointsBelowTheVolumeRootsAndHiddenOnesCanBeSkipped)
{
    const QByteArray media = QFile::encodeName(QStringLiteral("/media/") + platform::Paths::userName());
    writeTable(mountLine(1, "/") + mountLine(2, "/home") + mountLine(3, "/mnt") + mountLine(4, "/mnt/usb")
               + mountLine(5, media + "/.secret") + mountLine(6, media + "/Photos") + mountLine(7, "/mntx/no"));
    EXPECT_EQ(MountMonitor::mountedVolumePaths(false),
              QStringList({ QStringLiteral("/mnt/usb"), QString::fromUtf8(media + "/.secret"),
                            QString::fromUtf8(media + "/Photos") }));
    EXPECT_EQ(MountMonitor::mountedVolumePaths(true),
              QStringList({ QStringLiteral("/mnt/usb"), QString::fromUtf8(media + "/Photos") }));

    MountTable::setPath(m_table + QStringLiteral(".missing"));
    EXPECT_TRUE(MountMonitor::mountedVolumePaths(true).isEmpty());
}

TEST_F(MountMonitorTest, RescanAnnouncesOnlyNewMounts)
{
    writeTable(mountLine(1, "/") + mountLine(2, "/mnt/a"));
    MountMonitor monitor;
    QSignalSpy spy(&monitor, &MountMonitor::didMount);
    monitor.rescan();
    EXPECT_EQ(spy.count(), 0);

    writeTable(mountLine(1, "/") + mountLine(3, "/mnt/b") + mountLine(2, "/mnt/a"));
    monitor.rescan();
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toString(), QStringLiteral("/mnt/b"));

    // An unmount is not announced, and mounting it again is.
    writeTable(mountLine(1, "/") + mountLine(2, "/mnt/a"));
    monitor.rescan();
    writeTable(mountLine(1, "/") + mountLine(2, "/mnt/a") + mountLine(4, "/mnt/b"));
    monitor.rescan();
    EXPECT_EQ(spy.count(), 2);
}

TEST(FIFinderSyncControllerTest, ServedFoldersCoverTheirContentsOnly)
{
    platform::FIFinderSyncController controller;
    controller.setDirectoryURLs({ QUrl::fromLocalFile(QStringLiteral("/mnt/usb")) });
    EXPECT_TRUE(controller.isServed(QStringLiteral("/mnt/usb")));
    EXPECT_TRUE(controller.isServed(QStringLiteral("/mnt/usb/a/b")));
    EXPECT_FALSE(controller.isServed(QStringLiteral("/mnt/usbkey")));
    controller.setDirectoryURLs({ QUrl::fromLocalFile(QStringLiteral("/")) });
    EXPECT_TRUE(controller.isServed(QStringLiteral("/etc")));
}
