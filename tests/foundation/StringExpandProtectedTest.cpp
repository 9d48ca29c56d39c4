// The guard of the commands that remove or move the selection. Only the exact text "/" was
// refused, so "//", "/." and "/tmp/.." reached a recursive delete of the root. The guard is asked
// directly here: no test runs a delete anywhere near "/".

#include "foundation/StringExpandText.h"

#include "platform/MountTable.h"
#include "platform/Paths.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>

namespace {

using tarsel::test::testHome;

struct GuardCase
{
    const char* name;
    std::function<QString()> path;
    bool isProtected;
};

void PrintTo(const GuardCase& c, std::ostream* os)
{
    *os << c.name;
}

QString home()
{
    return testHome();
}

// A folder of the test's home holding links: "root" to "/", "me" to the home, "sub/".
QString links()
{
    const QString dir = home() + QStringLiteral("/links");
    if (!QDir(dir).exists()) {
        QDir().mkpath(dir + QStringLiteral("/sub"));
        QFile::link(QStringLiteral("/"), dir + QStringLiteral("/root"));
        QFile::link(home(), dir + QStringLiteral("/me"));
    }
    return dir;
}

const QList<GuardCase>& cases()
{
    static const QList<GuardCase> list = {
        { "Root", [] { return QStringLiteral("/"); }, true },
        { "RootDoubleSlash", [] { return QStringLiteral("//"); }, true },
        { "RootDot", [] { return QStringLiteral("/."); }, true },
        { "RootThroughTmpDotDot", [] { return QStringLiteral("/tmp/.."); }, true },
        { "RootThroughALinkAbove", [] { return links() + QStringLiteral("/root/."); }, true },
        { "SystemFolderThroughALinkAbove", [] { return links() + QStringLiteral("/root/etc"); }, true },
        { "SystemFolderWithTrailingSlashes", [] { return QStringLiteral("/usr//"); }, true },
        { "TopLevelLibraryFolders", [] { return QStringLiteral("/lib64"); }, true },
        { "MissingSystemFolderByName", [] { return QStringLiteral("/srv/../boot"); }, true },
        { "TmpItself", [] { return QStringLiteral("/var/../tmp/."); }, true },
        { "HomeFolder", [] { return home(); }, true },
        { "HomeFolderSpeltWithDotDot", [] { return home() + QStringLiteral("/links/sub/../.."); }, true },
        { "HomeFolderThroughALinkAbove", [] { return links() + QStringLiteral("/me/."); }, true },
        { "VolumeRoot", [] { return QStringLiteral("/media/") + platform::Paths::userName(); }, true },
        { "SystemFolder", [] { return QStringLiteral("/usr"); }, true },
        { "SystemFolderWithDoubledSlashes", [] { return QStringLiteral("//usr/"); }, true },
        { "SystemFolderThroughItsOwnDotDot", [] { return QStringLiteral("/usr/../usr"); }, true },
        { "SystemFolderWithDots", [] { return QStringLiteral("/./etc/."); }, true },
        { "HomeFolderWithATrailingSlash", [] { return home() + QStringLiteral("/"); }, true },
        { "HomeFolderWithDoubledSlashes", [] { return QStringLiteral("/") + home() + QStringLiteral("//"); }, true },
        // "link/" is the folder the link leads to, for the system as for the guard.
        { "ALinkToTheHomeWithATrailingSlash", [] { return links() + QStringLiteral("/me/"); }, true },
        { "ALinkToTheHomeIsOnlyALink", [] { return links() + QStringLiteral("/me"); }, false },
        // The link itself is what would be removed, not the folder it leads to.
        { "ALinkToTheRootIsOnlyALink", [] { return links() + QStringLiteral("/root"); }, false },
        { "AFolderInTheHome", [] { return links() + QStringLiteral("/sub"); }, false },
        { "AFolderInTmp", [] { return QStringLiteral("/tmp/some-project"); }, false },
        { "ARelativeText", [] { return QStringLiteral("tmp"); }, false },
    };
    return list;
}

using ProtectedFolderTest = testing::TestWithParam<GuardCase>;

} // namespace

TEST_P(ProtectedFolderTest, CanonicalSpellingDecides)
{
    const QString path = GetParam().path();
    EXPECT_EQ(qv::isProtectedFolder(path), GetParam().isProtected) << path.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cases, ProtectedFolderTest, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<GuardCase>& info) { return std::string(info.param.name); });

// A folder another file system is mounted on is as protected as a volume root: removing it
// would empty that file system. The table is the test's own, naming a folder of its home.
TEST(ProtectedFolderMountTest, EveryMountPointOfTheTableIsProtected)
{
    const QString disk = testHome() + QStringLiteral("/disks/usb stick");
    ASSERT_TRUE(QDir().mkpath(disk + QStringLiteral("/inner")));
    QString escaped = disk;
    escaped.replace(QLatin1Char(' '), QStringLiteral("\\040"));
    const QString table = testHome() + QStringLiteral("/mountinfo");
    QFile file(table);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("22 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
    file.write("40 22 8:17 / " + QFile::encodeName(escaped) + " rw,nosuid - vfat /dev/sdb1 rw\n");
    file.close();
    platform::MountTable::setPath(table);
    EXPECT_TRUE(qv::isProtectedFolder(disk));
    EXPECT_TRUE(qv::isProtectedFolder(disk + QStringLiteral("/inner/..")));
    EXPECT_EQ(qv::protectedFolderOf(disk + QStringLiteral("/./")), disk);
    EXPECT_FALSE(qv::isProtectedFolder(disk + QStringLiteral("/inner")));
    platform::MountTable::setPath(QString());
    EXPECT_FALSE(qv::isProtectedFolder(disk));
}
