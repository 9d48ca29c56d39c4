#include "platform/FileOps.h"

#include "testsupport/FileStatus.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QFile>
#include <QDirIterator>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <latch>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

using platform::FileOps;
using tarsel::test::inHome;
using tarsel::test::readFile;
using tarsel::test::statOf;
using tarsel::test::testHome;
using tarsel::test::writeFile;

namespace {

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// A folder on another file system than the test home (tmpfs /dev/shm), or skip.
class OtherFileSystem
{
public:
    OtherFileSystem()
        : m_dir("/dev/shm/tarsel-fileops-XXXXXX")
    {
    }
    bool usable() const { return m_dir.isValid() && statOf(m_dir.path()).st_dev != statOf(testHome()).st_dev; }
    QString path(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST(FileOpsTest, RenameNeverReplaces)
{
    const QString a = writeFile(inHome("a.txt"), "source");
    const QString b = writeFile(inHome("b.txt"), "existing");
    QString error;
    EXPECT_FALSE(FileOps::renameNoReplace(a, b, &error));
    EXPECT_TRUE(error.contains("exists")) << qPrintable(error);
    EXPECT_EQ(readFile(b), QByteArray("existing"));
    EXPECT_EQ(readFile(a), QByteArray("source"));
    EXPECT_FALSE(FileOps::moveItem(a, b));
    EXPECT_EQ(readFile(a), QByteArray("source"));

    EXPECT_TRUE(FileOps::moveItem(a, inHome("c.txt")));
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_EQ(readFile(inHome("c.txt")), QByteArray("source"));
}

TEST(FileOpsTest, CopyKeepsTreeLinksModesAndNeverReplaces)
{
    writeFile(inHome("src/one.txt"), "1");
    writeFile(inHome("src/sub/two.txt"), "22");
    ASSERT_TRUE(QFile::link("one.txt", inHome("src/rel-link")));
    ::chmod(QFile::encodeName(inHome("src/one.txt")).constData(), 0640);

    const QString dst = inHome("out/copy");
    QDir().mkpath(inHome("out"));
    QStringList copied;
    QString error;
    ASSERT_TRUE(FileOps::copyItem(inHome("src"), dst, &error, [&](const QString& p) {
        copied.append(p.mid(testHome().size() + 1));
        return true;
    })) << qPrintable(error);
    EXPECT_EQ(copied, QStringList({ "src/one.txt", "src/rel-link", "src/sub/two.txt", "src/sub", "src" }));
    EXPECT_EQ(readFile(dst + "/sub/two.txt"), QByteArray("22"));
    EXPECT_EQ(QFile::symLinkTarget(dst + "/rel-link"), dst + "/one.txt");
    struct stat st
    {
    };
    ::stat(QFile::encodeName(dst + "/one.txt").constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(inHome("out")), QStringList { "copy" }); // no scratch left

    EXPECT_FALSE(FileOps::copyItem(inHome("src/one.txt"), dst + "/sub/two.txt", &error));
    EXPECT_EQ(readFile(dst + "/sub/two.txt"), QByteArray("22"));
}

TEST(FileOpsTest, AFolderIsNeverCopiedIntoItself)
{
    writeFile(inHome("loop/a"), "a");
    QString error;
    EXPECT_FALSE(FileOps::copyItem(inHome("loop"), inHome("loop/inner"), &error));
    EXPECT_TRUE(error.contains("into itself"));
    EXPECT_EQ(entries(inHome("loop")), QStringList { "a" });
}

// Replacing /q/x while copying /q/x/x into /q would delete the source itself.
TEST(FileOpsTest, ContainmentIsDecidedOnCanonicalPaths)
{
    const QString inner = writeFile(inHome("q/x/x"), "x");
    ASSERT_TRUE(QFile::link(inHome("q"), inHome("alias-q")));
    EXPECT_TRUE(FileOps::containsPath(inHome("q/x"), inner));
    EXPECT_TRUE(FileOps::containsPath(inHome("q/x"), inHome("alias-q/x/x")));
    EXPECT_TRUE(FileOps::containsPath(inner, inHome("q/./x/x")));
    EXPECT_FALSE(FileOps::containsPath(inner, inHome("q/x")));
    writeFile(inHome("q/xy"), "y");
    EXPECT_FALSE(FileOps::containsPath(inHome("q/x"), inHome("q/xy")));
    EXPECT_FALSE(FileOps::containsPath(inHome("gone"), inner));
}

TEST(FileOpsTest, AStoppedCopyLeavesNothingBehind)
{
    writeFile(inHome("src/a"), "a");
    writeFile(inHome("src/b"), "b");
    QDir().mkpath(inHome("out"));
    QString error;
    EXPECT_FALSE(FileOps::copyItem(inHome("src"), inHome("out/src"), &error,
                                   [](const QString& p) { return !p.endsWith(QLatin1String("/b")); }));
    EXPECT_TRUE(error.contains("stopped"));
    EXPECT_TRUE(entries(inHome("out")).isEmpty());
}

TEST(FileOpsTest, MoveAcrossFileSystemsCopiesThenRemovesTheSource)
{
    OtherFileSystem other;
    if (!other.usable()) {
        GTEST_SKIP() << "no second file system at /dev/shm";
    }
    writeFile(inHome("tree/x.txt"), "x");
    writeFile(inHome("tree/deep/y.txt"), "y");
    QString error;
    ASSERT_TRUE(FileOps::moveItem(inHome("tree"), other.path("tree"), &error)) << qPrintable(error);
    EXPECT_FALSE(QFile::exists(inHome("tree")));
    EXPECT_EQ(readFile(other.path("tree/deep/y.txt")), QByteArray("y"));

    // Back again onto a taken name: refused, both stay.
    writeFile(inHome("tree"), "taken");
    EXPECT_FALSE(FileOps::moveItem(other.path("tree"), inHome("tree"), &error));
    EXPECT_EQ(readFile(inHome("tree")), QByteArray("taken"));
    EXPECT_TRUE(QFile::exists(other.path("tree/x.txt")));
}

TEST(FileOpsTest, MoveAcrossFileSystemsKeepsTheSourceWhenAFileVanishesMidway)
{
    OtherFileSystem other;
    if (!other.usable()) {
        GTEST_SKIP() << "no second file system at /dev/shm";
    }
    writeFile(inHome("tree/a.txt"), "a");
    writeFile(inHome("tree/b.txt"), "b");
    writeFile(inHome("tree/c.txt"), "c");
    QString error;
    // After the first file is copied, another process removes c.txt: the copy cannot complete.
    const bool moved = FileOps::moveItem(inHome("tree"), other.path("tree"), &error, [](const QString& p) {
        if (p.endsWith(QLatin1String("/a.txt"))) {
            QFile::remove(p.left(p.size() - 5) + "c.txt");
        }
        return true;
    });
    EXPECT_FALSE(moved);
    EXPECT_TRUE(error.contains("c.txt")) << qPrintable(error);
    EXPECT_EQ(entries(inHome("tree")), QStringList({ "a.txt", "b.txt" }));
    EXPECT_EQ(readFile(inHome("tree/b.txt")), QByteArray("b"));
    EXPECT_FALSE(QFile::exists(other.path("tree")));
    EXPECT_TRUE(entries(other.path(QString())).isEmpty());
}

TEST(FileOpsTest, RemovingAMissingItemFails)
{
    QString error;
    EXPECT_FALSE(FileOps::removeItem(inHome("none"), &error));
    EXPECT_TRUE(error.startsWith("Failed to remove the item."));
}

// --- Moves across file systems remove only what they copied ---------------------------------

struct MoveAcrossCase
{
    std::string name;
    QString copiedBefore; ///< the hook acts once this source entry (relative) has been copied
    QString touch; ///< the entry (relative) another program writes then
    QStringList keptInSource; ///< what stays at the source, relative; empty: the source is gone
};

using FileOpsMoveAcross = testing::TestWithParam<MoveAcrossCase>;

// A move across file systems copies, then removes the source. What another program wrote into
// the source meanwhile was never copied: removing the whole tree lost it. Only the entries copied
// (and still as they were when copied) are removed, the folders holding anything else stay, and
// the outcome names the source folder.
TEST_P(FileOpsMoveAcross, RemovesOnlyWhatWasCopied)
{
    const MoveAcrossCase& c = GetParam();
    OtherFileSystem other;
    if (!other.usable()) {
        GTEST_SKIP() << "no second file system at /dev/shm";
    }
    const QString tree = inHome("tree");
    writeFile(tree + "/a.txt", "a");
    writeFile(tree + "/deep/y.txt", "y");
    FileOps::Outcome outcome;
    const auto hook = [&](const QString& copied) {
        if (!c.touch.isEmpty() && copied == tree + QLatin1Char('/') + c.copiedBefore) {
            writeFile(tree + QLatin1Char('/') + c.touch, "written meanwhile");
        }
        return true;
    };
    ASSERT_TRUE(FileOps::transferItem(tree, other.path("tree"), true, FileOps::Placement::NoReplace, &outcome, hook))
        << qPrintable(outcome.error);
    EXPECT_EQ(readFile(other.path("tree/a.txt")), QByteArray("a"));
    EXPECT_EQ(readFile(other.path("tree/deep/y.txt")), QByteArray("y"));
    if (c.keptInSource.isEmpty()) {
        EXPECT_FALSE(QFile::exists(tree));
        EXPECT_TRUE(outcome.notice.isEmpty()) << qPrintable(outcome.notice);
        return;
    }
    QStringList left;
    QDirIterator it(tree, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        left << it.next().mid(tree.size() + 1);
    }
    left.sort();
    EXPECT_EQ(left, c.keptInSource);
    EXPECT_EQ(readFile(tree + QLatin1Char('/') + c.touch), QByteArray("written meanwhile"));
    EXPECT_TRUE(outcome.notice.contains(QLatin1Char('"') + tree + QLatin1Char('"'))) << qPrintable(outcome.notice);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileOpsMoveAcross,
    testing::Values(MoveAcrossCase { "NothingNewRemovesAll", {}, {}, {} },
                    MoveAcrossCase { "NewFileInTheFolderStays", "a.txt", "new.txt", { "new.txt" } },
                    MoveAcrossCase {
                        "NewFileInASubfolderKeepsItsFolder", "deep/y.txt", "deep/new.txt", { "deep", "deep/new.txt" } },
                    MoveAcrossCase { "FileChangedAfterItsCopyStays", "a.txt", "a.txt", { "a.txt" } }),
    tarsel::test::caseName<MoveAcrossCase>);

// --- Replacing swaps a complete item in ------------------------------------------------------

struct ReplaceCase
{
    std::string name;
    bool newIsFolder;
    bool oldIsFolder; ///< ignored when nothing is there
    bool somethingThere;
};

using FileOpsReplace = testing::TestWithParam<ReplaceCase>;

TEST_P(FileOpsReplace, TheNewItemTakesThePlaceAndNothingElseStays)
{
    const ReplaceCase& c = GetParam();
    const QString folder = inHome("place");
    const QString target = folder + "/item";
    const QString scratch = folder + "/.scratch";
    const QString inNew = c.newIsFolder ? "/inner" : QString();
    writeFile(scratch + inNew, "new");
    if (c.somethingThere) {
        writeFile(target + (c.oldIsFolder ? "/old" : QString()), "old");
    }
    QString error;
    ASSERT_TRUE(FileOps::replaceItem(scratch, target, &error)) << qPrintable(error);
    EXPECT_EQ(readFile(target + inNew), QByteArray("new"));
    EXPECT_EQ(entries(folder), QStringList { "item" });
    if (c.newIsFolder) {
        EXPECT_EQ(entries(target), QStringList { "inner" });
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, FileOpsReplace,
                         testing::Values(ReplaceCase { "FileOverFile", false, false, true },
                                         ReplaceCase { "FolderOverFolder", true, true, true },
                                         ReplaceCase { "FileOverFolder", false, true, true },
                                         ReplaceCase { "FolderOverFile", true, false, true },
                                         ReplaceCase { "NothingThere", false, false, false }),
                         tarsel::test::caseName<ReplaceCase>);

// --- Free names are claimed atomically -------------------------------------------------------

struct ClaimCase
{
    std::string name;
    /// Puts the thread's own item (marked with its text) at the first free variant of the path.
    std::function<QString(const QString& path, const QByteArray& mark)> claim;
    /// The mark read back from what was made at a path.
    std::function<QByteArray(const QString& made)> markOf;
};

using FileOpsFreeName = testing::TestWithParam<ClaimCase>;

// Parallel conversions chose the same free name and each then wrote over the other. However many
// writers claim one name at the same moment, each ends with a name of its own holding its own
// item, and the names are the path and its first variants.
TEST_P(FileOpsFreeName, ParallelWritersEndOnDistinctNames)
{
    const ClaimCase& c = GetParam();
    const QString path = inHome("out/report.txt");
    QDir().mkpath(inHome("out"));
    constexpr int kWriters = 16;
    std::vector<QString> made(kWriters);
    std::latch start(kWriters);
    std::vector<std::thread> threads;
    for (int i = 0; i < kWriters; ++i) {
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            made[size_t(i)] = c.claim(path, "writer " + QByteArray::number(i));
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    QSet<QString> expected;
    for (int i = 0; i < kWriters; ++i) {
        expected.insert(FileOps::variantPath(path, i));
    }
    QSet<QString> names;
    for (int i = 0; i < kWriters; ++i) {
        const QString& p = made[size_t(i)];
        ASSERT_FALSE(p.isEmpty()) << i;
        names.insert(p);
        EXPECT_EQ(c.markOf(p), "writer " + QByteArray::number(i)) << qPrintable(p);
    }
    EXPECT_EQ(names, expected);
    EXPECT_EQ(entries(inHome("out")).size(), kWriters); // no scratch left
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FileOpsFreeName,
    testing::Values(
        ClaimCase { "WriteAFile",
                    [](const QString& path, const QByteArray& mark) {
                        return FileOps::writeFreeVariant(path, [&mark](const QString& scratch, QString*) {
                            QFile file(scratch);
                            return file.open(QIODevice::WriteOnly) && file.write(mark) == mark.size();
                        });
                    },
                    [](const QString& made) { return readFile(made); } },
        ClaimCase { "RenameACompleteFile",
                    [](const QString& path, const QByteArray& mark) {
                        const QString own = writeFile(
                            inHome("out/.own-" + QString::fromLatin1(mark).replace(QLatin1Char(' '), QLatin1Char('-'))),
                            mark);
                        return FileOps::renameToFreeVariant(own, path);
                    },
                    [](const QString& made) { return readFile(made); } },
        ClaimCase { "MakeAFolder",
                    [](const QString& path, const QByteArray& mark) {
                        const QString folder = FileOps::makeFreeFolder(path);
                        if (!folder.isEmpty()) {
                            writeFile(folder + "/mark", mark);
                        }
                        return folder;
                    },
                    [](const QString& made) { return readFile(made + "/mark"); } },
        ClaimCase { "MakeALink",
                    [](const QString& path, const QByteArray& mark) {
                        const QByteArray target = "/" + mark;
                        return FileOps::claimFreeVariant(path, [&target](const QString& candidate) {
                            return ::symlink(target.constData(), QFile::encodeName(candidate).constData()) == 0 ? 0
                                                                                                                : errno;
                        });
                    },
                    [](const QString& made) { return QFile::encodeName(QFile::symLinkTarget(made)).mid(1); } }),
    tarsel::test::caseName<ClaimCase>);
