#include "platform/Volumes.h"

#include "platform/MountTable.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using platform::Volumes;
using tarsel::test::readFile;
using tarsel::test::ScopedEnvironment;
using tarsel::test::testHome;
using tarsel::test::writeFile;

namespace {

// Fake gio and udisksctl that log their arguments one per line and exit with a set status.
class VolumesTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_bin = testHome() + QStringLiteral("/bin");
        m_log = testHome() + QStringLiteral("/calls.log");
        QDir().mkpath(m_bin);
        m_env.set("PATH", QFile::encodeName(m_bin));
        platform::MountTable::setPath(writeFile(testHome() + QStringLiteral("/mountinfo"),
                                                "22 1 8:1 / / rw - ext4 /dev/vda rw\n"
                                                "90 22 8:17 / /media/ann/USB\\040Stick rw,nosuid - vfat /dev/sdb1 rw\n"
                                                "91 22 0:50 / /media/ann/net rw - fuse.sshfs host:/x rw\n"));
    }
    void TearDown() override { platform::MountTable::setPath(QString()); }

    void fake(const QString& name, int status)
    {
        const QString path = writeFile(m_bin + QLatin1Char('/') + name,
                                       "#!/bin/sh\necho \"" + name.toUtf8() + "\" \"$@\" >> '"
                                           + QFile::encodeName(m_log) + "'\nexit " + QByteArray::number(status) + "\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
    }

    QStringList calls() const
    {
        return QString::fromUtf8(readFile(m_log)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QString m_bin;
    QString m_log;
    ScopedEnvironment m_env;
};

} // namespace

TEST_F(VolumesTest, DeviceIsReadFromTheMountTableWithEscapes)
{
    EXPECT_EQ(Volumes::deviceForMountPoint(QStringLiteral("/media/ann/USB Stick/")), QStringLiteral("/dev/sdb1"));
    EXPECT_TRUE(Volumes::deviceForMountPoint(QStringLiteral("/media/ann")).isNull());
}

TEST_F(VolumesTest, GioEjectsFirstThenUdisksUnmountsAndPowersOff)
{
    fake(QStringLiteral("gio"), 0);
    fake(QStringLiteral("udisksctl"), 0);
    ASSERT_TRUE(Volumes::eject(QStringLiteral("/media/ann/USB Stick")));
    EXPECT_EQ(calls(), QStringList { QStringLiteral("gio mount -e /media/ann/USB Stick") });

    QFile::remove(m_log);
    fake(QStringLiteral("gio"), 2);
    ASSERT_TRUE(Volumes::eject(QStringLiteral("/media/ann/USB Stick")));
    EXPECT_EQ(calls(),
              QStringList({ QStringLiteral("gio mount -e /media/ann/USB Stick"),
                            QStringLiteral("udisksctl unmount -b /dev/sdb1"),
                            QStringLiteral("udisksctl power-off -b /dev/sdb1") }));
}

TEST_F(VolumesTest, FailuresAreReported)
{
    QString error;
    EXPECT_FALSE(Volumes::eject(QStringLiteral("/media/ann/none"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("nothing is mounted")));

    fake(QStringLiteral("udisksctl"), 1);
    EXPECT_FALSE(Volumes::eject(QStringLiteral("/media/ann/USB Stick"), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Failed to eject the volume.")));
    EXPECT_FALSE(Volumes::eject(QStringLiteral("/media/ann/net"), &error)); // no gio, not a disk
    EXPECT_TRUE(error.contains(QStringLiteral("host:/x")));
}
