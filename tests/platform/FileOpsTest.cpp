#include "platform/FileOps.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using platform::FileOps;
using tarsel::test::inHome;
using tarsel::test::readFile;
using tarsel::test::testHome;
using tarsel::test::writeFile;

namespace {

dev_t deviceOf(const QString& path)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_dev : 0;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// A folder on another file system than the test home (tmpfs /dev/shm), or skip.
class OtherFileSystem
{
public:
    OtherFileSystem()
        : m_dir(QStringLiteral("/dev/shm/tarsel-fileops-XXXXXX"))
    {
    }
    bool usable() const { return m_dir.isValid() && deviceOf(m_dir.path()) != deviceOf(testHome()); }
    QString path(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST(FileOpsTest, RenameNeverReplaces)
{
    const QString a = writeFile(inHome(QStringLiteral("a.txt")), "source");
    const QString b = writeFile(inHome(QStringLiteral("b.txt")), "existing");
    QString error;
    EXPECT_FALSE(FileOps::renameNoReplace(a, b, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("exists"))) << qPrintable(error);
    EXPECT_EQ(readFile(b), QByteArray("existing"));
    EXPECT_EQ(readFile(a), QByteArray("source"));
    EXPECT_FALSE(FileOps::moveItem(a, b));
    EXPECT_EQ(readFile(a), QByteArray("source"));

    EXPECT_TRUE(FileOps::moveItem(a, inHome(QStringLiteral("c.txt"))));
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_EQ(readFile(inHome(QStringLiteral("c.txt"))), QByteArray("source"));
}

TEST(FileOpsTest, CopyKeepsTreeLinksModesAndNeverReplaces)
{
    writeFile(inHome(QStringLiteral("src/one.txt")), "1");
    writeFile(inHome(QStringLiteral("src/sub/two.txt")), "22");
    ASSERT_TRUE(QFile::link(QStringLiteral("one.txt"), inHome(QStringLiteral("src/rel-link"))));
    ::chmod(QFile::encodeName(inHome(QStringLiteral("src/one.txt"))).constData(), 0640);

    const QString dst = inHome(QStringLiteral("out/copy"));
    QDir().mkpath(inHome(QStringLiteral("out")));
    QStringList copied;
    QString error;
    ASSERT_TRUE(FileOps::copyItem(inHome(QStringLiteral("src")), dst, &error, [&](const QString& p) {
        copied.append(p.mid(testHome().size() + 1));
        return true;
    })) << qPrintable(error);
    EXPECT_EQ(copied,
              QStringList({ QStringLiteral("src/one.txt"), QStringLiteral("src/rel-link"),
                            QStringLiteral("src/sub/two.txt"), QStringLiteral("src/sub"), QStringLiteral("src") }));
    EXPECT_EQ(readFile(dst + QStringLiteral("/sub/two.txt")), QByteArray("22"));
    EXPECT_EQ(QFile::symLinkTarget(dst + QStringLiteral("/rel-link")), dst + QStringLiteral("/one.txt"));
    struct stat st
    {
    };
    ::stat(QFile::encodeName(dst + QStringLiteral("/one.txt")).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(inHome(QStringLiteral("out"))), QStringList { QStringLiteral("copy") }); // no scratch left

    EXPECT_FALSE(
        FileOps::copyItem(inHome(QStringLiteral("src/one.txt")), dst + QStringLiteral("/sub/two.txt"), &error));
    EXPECT_EQ(readFile(dst + QStringLiteral("/sub/two.txt")), QByteArray("22"));
}

TEST(FileOpsTest, AFolderIsNeverCopiedIntoItself)
{
    writeFile(inHome(QStringLiteral("loop/a")), "a");
    QString error;
    EXPECT_FALSE(FileOps::copyItem(inHome(QStringLiteral("loop")), inHome(QStringLiteral("loop/inner")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("into itself")));
    EXPECT_EQ(entries(inHome(QStringLiteral("loop"))), QStringList { QStringLiteral("a") });
}

// Replacing /q/x while copying /q/x/x into /q would delete the source itself.
TEST(FileOpsTest, ContainmentIsDecidedOnCanonicalPaths)
{
    const QString inner = writeFile(inHome(QStringLiteral("q/x/x")), "x");
    ASSERT_TRUE(QFile::link(inHome(QStringLiteral("q")), inHome(QStringLiteral("alias-q"))));
    EXPECT_TRUE(FileOps::containsPath(inHome(QStringLiteral("q/x")), inner));
    EXPECT_TRUE(FileOps::containsPath(inHome(QStringLiteral("q/x")), inHome(QStringLiteral("alias-q/x/x"))));
    EXPECT_TRUE(FileOps::containsPath(inner, inHome(QStringLiteral("q/./x/x"))));
    EXPECT_FALSE(FileOps::containsPath(inner, inHome(QStringLiteral("q/x"))));
    writeFile(inHome(QStringLiteral("q/xy")), "y");
    EXPECT_FALSE(FileOps::containsPath(inHome(QStringLiteral("q/x")), inHome(QStringLiteral("q/xy"))));
    EXPECT_FALSE(FileOps::containsPath(inHome(QStringLiteral("gone")), inner));
}

TEST(FileOpsTest, AStoppedCopyLeavesNothingBehind)
{
    writeFile(inHome(QStringLiteral("src/a")), "a");
    writeFile(inHome(QStringLiteral("src/b")), "b");
    QDir().mkpath(inHome(QStringLiteral("out")));
    QString error;
    EXPECT_FALSE(FileOps::copyItem(inHome(QStringLiteral("src")), inHome(QStringLiteral("out/src")), &error,
                                   [](const QString& p) { return !p.endsWith(QLatin1String("/b")); }));
    EXPECT_TRUE(error.contains(QStringLiteral("stopped")));
    EXPECT_TRUE(entries(inHome(QStringLiteral("out"))).isEmpty());
}

TEST(FileOpsTest, MoveAcrossFileSystemsCopiesThenRemovesTheSource)
{
    OtherFileSystem other;
    if (!other.usable()) {
        GTEST_SKIP() << "no second file system at /dev/shm";
    }
    writeFile(inHome(QStringLiteral("tree/x.txt")), "x");
    writeFile(inHome(QStringLiteral("tree/deep/y.txt")), "y");
    QString error;
    ASSERT_TRUE(FileOps::moveItem(inHome(QStringLiteral("tree")), other.path(QStringLiteral("tree")), &error))
        << qPrintable(error);
    EXPECT_FALSE(QFile::exists(inHome(QStringLiteral("tree"))));
    EXPECT_EQ(readFile(other.path(QStringLiteral("tree/deep/y.txt"))), QByteArray("y"));

    // Back again onto a taken name: refused, both stay.
    writeFile(inHome(QStringLiteral("tree")), "taken");
    EXPECT_FALSE(FileOps::moveItem(other.path(QStringLiteral("tree")), inHome(QStringLiteral("tree")), &error));
    EXPECT_EQ(readFile(inHome(QStringLiteral("tree"))), QByteArray("taken"));
    EXPECT_TRUE(QFile::exists(other.path(QStringLiteral("tree/x.txt"))));
}

TEST(FileOpsTest, MoveAcrossFileSystemsKeepsTheSourceWhenAFileVanishesMidway)
{
    OtherFileSystem other;
    if (!other.usable()) {
        GTEST_SKIP() << "no second file system at /dev/shm";
    }
    writeFile(inHome(QStringLiteral("tree/a.txt")), "a");
    writeFile(inHome(QStringLiteral("tree/b.txt")), "b");
    writeFile(inHome(QStringLiteral("tree/c.txt")), "c");
    QString error;
    // After the first file is copied, another process removes c.txt: the copy cannot complete.
    const bool moved = FileOps::moveItem(inHome(QStringLiteral("tree")), other.path(QStringLiteral("tree")), &error,
                                         [](const QString& p) {
                                             if (p.endsWith(QLatin1String("/a.txt"))) {
                                                 QFile::remove(p.left(p.size() - 5) + QStringLiteral("c.txt"));
                                             }
                                             return true;
                                         });
    EXPECT_FALSE(moved);
    EXPECT_TRUE(error.contains(QStringLiteral("c.txt"))) << qPrintable(error);
    EXPECT_EQ(entries(inHome(QStringLiteral("tree"))),
              QStringList({ QStringLiteral("a.txt"), QStringLiteral("b.txt") }));
    EXPECT_EQ(readFile(inHome(QStringLiteral("tree/b.txt"))), QByteArray("b"));
    EXPECT_FALSE(QFile::exists(other.path(QStringLiteral("tree"))));
    EXPECT_TRUE(entries(other.path(QString())).isEmpty());
}

TEST(FileOpsTest, RemovingAMissingItemFails)
{
    QString error;
    EXPECT_FALSE(FileOps::removeItem(inHome(QStringLiteral("none")), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Failed to remove the item.")));
}
