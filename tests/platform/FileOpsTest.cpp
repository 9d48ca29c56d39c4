#include "platform/FileOps.h"

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
    const QString tree = inHome(QStringLiteral("tree"));
    writeFile(tree + QStringLiteral("/a.txt"), "a");
    writeFile(tree + QStringLiteral("/deep/y.txt"), "y");
    FileOps::Outcome outcome;
    const auto hook = [&](const QString& copied) {
        if (!c.touch.isEmpty() && copied == tree + QLatin1Char('/') + c.copiedBefore) {
            writeFile(tree + QLatin1Char('/') + c.touch, "written meanwhile");
        }
        return true;
    };
    ASSERT_TRUE(FileOps::transferItem(tree, other.path(QStringLiteral("tree")), true, FileOps::Placement::NoReplace,
                                      &outcome, hook))
        << qPrintable(outcome.error);
    EXPECT_EQ(readFile(other.path(QStringLiteral("tree/a.txt"))), QByteArray("a"));
    EXPECT_EQ(readFile(other.path(QStringLiteral("tree/deep/y.txt"))), QByteArray("y"));
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

INSTANTIATE_TEST_SUITE_P(Cases, FileOpsMoveAcross,
                         testing::Values(MoveAcrossCase { "NothingNewRemovesAll", {}, {}, {} },
                                         MoveAcrossCase { "NewFileInTheFolderStays",
                                                          QStringLiteral("a.txt"),
                                                          QStringLiteral("new.txt"),
                                                          { QStringLiteral("new.txt") } },
                                         MoveAcrossCase { "NewFileInASubfolderKeepsItsFolder",
                                                          QStringLiteral("deep/y.txt"),
                                                          QStringLiteral("deep/new.txt"),
                                                          { QStringLiteral("deep"), QStringLiteral("deep/new.txt") } },
                                         MoveAcrossCase { "FileChangedAfterItsCopyStays",
                                                          QStringLiteral("a.txt"),
                                                          QStringLiteral("a.txt"),
                                                          { QStringLiteral("a.txt") } }),
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
    const QString folder = inHome(QStringLiteral("place"));
    const QString target = folder + QStringLiteral("/item");
    const QString scratch = folder + QStringLiteral("/.scratch");
    const QString inNew = c.newIsFolder ? QStringLiteral("/inner") : QString();
    writeFile(scratch + inNew, "new");
    if (c.somethingThere) {
        writeFile(target + (c.oldIsFolder ? QStringLiteral("/old") : QString()), "old");
    }
    QString error;
    ASSERT_TRUE(FileOps::replaceItem(scratch, target, &error)) << qPrintable(error);
    EXPECT_EQ(readFile(target + inNew), QByteArray("new"));
    EXPECT_EQ(entries(folder), QStringList { QStringLiteral("item") });
    if (c.newIsFolder) {
        EXPECT_EQ(entries(target), QStringList { QStringLiteral("inner") });
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
    const QString path = inHome(QStringLiteral("out/report.txt"));
    QDir().mkpath(inHome(QStringLiteral("out")));
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
    EXPECT_EQ(entries(inHome(QStringLiteral("out"))).size(), kWriters); // no scratch left
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FileOpsFreeName,
    testing::Values(ClaimCase { "WriteAFile",
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
                                        inHome(QStringLiteral("out/.own-")
                                               + QString::fromLatin1(mark).replace(QLatin1Char(' '), QLatin1Char('-'))),
                                        mark);
                                    return FileOps::renameToFreeVariant(own, path);
                                },
                                [](const QString& made) { return readFile(made); } },
                    ClaimCase { "MakeAFolder",
                                [](const QString& path, const QByteArray& mark) {
                                    const QString folder = FileOps::makeFreeFolder(path);
                                    if (!folder.isEmpty()) {
                                        writeFile(folder + QStringLiteral("/mark"), mark);
                                    }
                                    return folder;
                                },
                                [](const QString& made) { return readFile(made + QStringLiteral("/mark")); } },
                    ClaimCase {
                        "MakeALink",
                        [](const QString& path, const QByteArray& mark) {
                            const QByteArray target = "/" + mark;
                            return FileOps::claimFreeVariant(path, [&target](const QString& candidate) {
                                return ::symlink(target.constData(), QFile::encodeName(candidate).constData()) == 0
                                    ? 0
                                    : errno;
                            });
                        },
                        [](const QString& made) { return QFile::encodeName(QFile::symLinkTarget(made)).mid(1); } }),
    tarsel::test::caseName<ClaimCase>);
