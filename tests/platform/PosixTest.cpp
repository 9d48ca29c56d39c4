#include "platform/Posix.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace tarsel::test;
using platform::posix::Fd;

namespace {

// A folder on a file system of its own with room for a few kilobytes, unmounted at the end.
class SmallDisk
{
public:
    explicit SmallDisk(const QString& folder)
        : m_folder(folder)
    {
        QDir().mkpath(folder);
        m_mounted = ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=16k") == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted) {
            ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
        }
    }
    bool mounted() const { return m_mounted; }
    Q_DISABLE_COPY_MOVE(SmallDisk)

private:
    QString m_folder;
    bool m_mounted = false;
};

} // namespace

TEST(PosixTest, WriteAllReportsAFullDisk)
{
    const Fd full(::open("/dev/full", O_WRONLY | O_CLOEXEC));
    ASSERT_TRUE(full.ok());
    EXPECT_EQ(platform::posix::writeAll(full.get(), QByteArray(1000, 'x')), ENOSPC);
}

// A replacement that does not fit leaves the old file as it was and nothing beside it.
TEST(PosixTest, ReplaceFileKeepsTheOldFileWhenTheDiskIsFull)
{
    const QString folder = inHome(QStringLiteral("small"));
    const SmallDisk disk(folder);
    if (!disk.mounted()) {
        GTEST_SKIP() << "mounting a small file system needs root";
    }
    const QString file = writeFile(folder + QStringLiteral("/suite.plist"), "old contents\n");

    EXPECT_EQ(platform::posix::replaceFile(file, QByteArray(64 * 1024, 'x'), 0600), ENOSPC);

    EXPECT_EQ(readFile(file), QByteArray("old contents\n"));
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList { QStringLiteral("suite.plist") });
}
