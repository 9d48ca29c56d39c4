#include "engine/service/QVFileTransfer.h"

#include "MenuServiceTestSupport.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/ObjectGCD.h"
#include "testsupport/ModalScript.h"
#include "testsupport/SmallFileSystem.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

using Placement = platform::FileOps::Placement;
using tarsel::test::AlertScript;
using tarsel::test::BackgroundHold;
using tarsel::test::readFile;
using tarsel::test::runChild;
using tarsel::test::SmallFileSystem;
using tarsel::test::testHome;
using tarsel::test::writeFile;

namespace {

/// What one command reported back, and a wait for its end.
struct Outcome
{
    int opened = 0;
    int succeeded = 0;
    QString lastDestination;
    QList<QVFileTransfer::Item> failed;
    bool ended = false;

    QVFileTransfer::Hooks hooks()
    {
        return { [this]() { ++opened; },
                 {},
                 [this](const QString& last) {
                     ++succeeded;
                     lastDestination = last;
                     ended = true;
                 },
                 [this](const QList<QVFileTransfer::Item>& items) {
                     failed = items;
                     ended = true;
                 },
                 {},
                 {} };
    }
    bool wait()
    {
        return QTest::qWaitFor([this]() { return ended; }, 20000);
    }
};

QString dir(const QString& name)
{
    const QString path = testHome() + QLatin1Char('/') + name;
    QDir().mkpath(path);
    return path;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

void addCutPasteEntry()
{
    QVMenuManager::addMenuKey(QVMenuManager::kArrayRightMenu,
                              { { QStringLiteral("key"), QStringLiteral("Cut Paste") } }, -1);
}

} // namespace

// --- The name conflict rule ------------------------------------------------------------------

TEST(QVFileTransferConflict, FreeTargetRunsAtOnceWithoutAlert)
{
    AlertScript script;
    QString handed;
    Placement how = Placement::Replace;
    EXPECT_TRUE(QVFileTransfer::replaceFileAlert(dir("t") + "/free.txt", QString(), [&](const QString& p, Placement h) {
        handed = p;
        how = h;
    }));
    EXPECT_EQ(handed, dir("t") + "/free.txt");
    EXPECT_EQ(how, Placement::NoReplace);
    EXPECT_TRUE(script.shown().isEmpty());
}

TEST(QVFileTransferConflict, KeepBothSkipsTakenNumbers)
{
    const QString d = dir("kb");
    writeFile(d + "/a.txt", "a");
    writeFile(d + "/a-1.txt", "a1");
    AlertScript script({ QVFileTransfer::KeepBoth });
    QString handed;
    Placement how = Placement::NoReplace;
    QVFileTransfer::replaceFileAlert(d + "/a.txt", QString(), [&](const QString& p, Placement h) {
        handed = p;
        how = h;
    });
    // The writer claims the first free variant itself, so that a name taken meanwhile is skipped.
    EXPECT_EQ(how, Placement::FreeVariant);
    EXPECT_EQ(platform::FileOps::renameToFreeVariant(writeFile(d + "/.new", "new"), handed), d + "/a-2.txt");
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_EQ(script.shown().first().buttons.size(), 3);
    EXPECT_EQ(script.shown().first().style, platform::Alert::Style::Critical);
    // The question names the taken item, whatever its name holds.
    EXPECT_TRUE(script.shown().first().informativeText.contains(QStringLiteral("“a.txt”")));
}

TEST(QVFileTransferConflict, StopHandsBackNothing)
{
    const QString d = dir("stop");
    writeFile(d + "/a.txt", "a");
    AlertScript script({ QVFileTransfer::Stop });
    bool called = false;
    EXPECT_FALSE(
        QVFileTransfer::replaceFileAlert(d + "/a.txt", QString(), [&](const QString&, Placement) { called = true; }));
    EXPECT_FALSE(called);
    EXPECT_EQ(readFile(d + "/a.txt"), "a");
}

TEST(QVFileTransferConflict, ReplaceNeverRemovesTheSourceOrWhatHoldsOrLiesInIt)
{
    const QString q = dir("q");
    writeFile(q + "/x/x/keep.txt", "keep");
    writeFile(q + "/same.txt", "same");
    QDir().mkpath(q + "/y/inner");
    QFile::link(q + "/x", q + "/link");
    AlertScript script(
        { QVFileTransfer::Replace, QVFileTransfer::Replace, QVFileTransfer::Replace, QVFileTransfer::Replace });
    bool called = false;
    const auto block = [&](const QString&, Placement) { called = true; };
    // Copying q/x/x into q: the target q/x holds the source.
    EXPECT_FALSE(QVFileTransfer::replaceFileAlert(q + "/x", q + "/x/x", block));
    // Onto itself.
    EXPECT_FALSE(QVFileTransfer::replaceFileAlert(q + "/same.txt", q + "/same.txt", block));
    // The target lies inside the source.
    EXPECT_FALSE(QVFileTransfer::replaceFileAlert(q + "/y/inner", q + "/y", block));
    // Through a symbolic link to an ancestor: canonical paths are compared.
    EXPECT_FALSE(QVFileTransfer::replaceFileAlert(q + "/x", q + "/link/x", block));
    EXPECT_FALSE(called);
    EXPECT_EQ(readFile(q + "/x/x/keep.txt"), "keep");
    EXPECT_TRUE(QFileInfo::exists(q + "/y/inner"));
    EXPECT_EQ(script.shown().size(), 4);
}

// The rule removes nothing: the writer swaps the complete new item in, so a write that fails
// leaves the old item as it was.
TEST(QVFileTransferConflict, ReplaceLeavesTheOldItemToTheWriter)
{
    const QString d = dir("rep");
    writeFile(d + "/from/a.txt", "new");
    writeFile(d + "/to/a.txt", "old");
    AlertScript script({ QVFileTransfer::Replace });
    QString handed;
    Placement how = Placement::NoReplace;
    EXPECT_TRUE(
        QVFileTransfer::replaceFileAlert(d + "/to/a.txt", d + "/from/a.txt", [&](const QString& p, Placement h) {
            handed = p;
            how = h;
            EXPECT_EQ(readFile(p), "old");
        }));
    EXPECT_EQ(handed, d + "/to/a.txt");
    EXPECT_EQ(how, Placement::Replace);
}

// --- Copy and move commands ------------------------------------------------------------------

TEST(QVFileTransferCommand, CopiesWithEveryAnswerAndReportsOnceAtTheEnd)
{
    const QString src = dir("src");
    const QString to = dir("to");
    writeFile(src + "/keep.txt", "k");
    writeFile(src + "/stop.txt", "s");
    writeFile(src + "/replace.txt", "new");
    writeFile(src + "/fresh.txt", "f");
    writeFile(to + "/keep.txt", "old k");
    writeFile(to + "/stop.txt", "old s");
    writeFile(to + "/replace.txt", "old");
    AlertScript script({ QVFileTransfer::KeepBoth, QVFileTransfer::Stop, QVFileTransfer::Replace });
    Outcome outcome;
    auto transfer = QVFileTransfer::create(QVFileTransfer::Mode::Copy, outcome.hooks());
    ASSERT_TRUE(
        transfer->start({ src + "/keep.txt", src + "/stop.txt", src + "/replace.txt", src + "/fresh.txt" }, to));
    ASSERT_TRUE(outcome.wait());
    EXPECT_EQ(outcome.opened, 3);
    EXPECT_EQ(outcome.succeeded, 1);
    EXPECT_EQ(outcome.lastDestination, to + "/fresh.txt");
    EXPECT_EQ(transfer->loadingCount(), 0);
    EXPECT_EQ(readFile(to + "/keep.txt"), "old k");
    EXPECT_EQ(readFile(to + "/keep-1.txt"), "k");
    EXPECT_EQ(readFile(to + "/stop.txt"), "old s");
    EXPECT_EQ(readFile(to + "/replace.txt"), "new");
    EXPECT_EQ(readFile(to + "/fresh.txt"), "f");
    EXPECT_TRUE(QFileInfo::exists(src + "/stop.txt"));
    EXPECT_EQ(script.shown().size(), 3);
}

TEST(QVFileTransferCommand, StopForEveryItemQueuesNothing)
{
    const QString src = dir("src");
    const QString to = dir("to");
    writeFile(src + "/a", "a");
    writeFile(to + "/a", "b");
    AlertScript script({ QVFileTransfer::Stop });
    Outcome outcome;
    auto transfer = QVFileTransfer::create(QVFileTransfer::Mode::Move, outcome.hooks());
    EXPECT_FALSE(transfer->start({ src + "/a" }, to));
    EXPECT_EQ(outcome.opened, 0);
    EXPECT_EQ(transfer->loadingCount(), 0);
}

TEST(QVFileTransferCommand, AMoveIntoTheFolderThatHoldsTheSourceWithReplaceMovesNothing)
{
    const QString q = dir("q");
    writeFile(q + "/x/x/keep.txt", "keep");
    AlertScript script({ QVFileTransfer::Replace });
    Outcome outcome;
    auto transfer = QVFileTransfer::create(QVFileTransfer::Mode::Move, outcome.hooks());
    EXPECT_FALSE(transfer->start({ q + "/x/x" }, q));
    EXPECT_EQ(readFile(q + "/x/x/keep.txt"), "keep");
}

// A folder standing where the copy must create a folder makes the target unwritable even for
// root; a source that vanished before its job ran cannot be copied either. Every other item
// goes through, no source is touched, and the failures are reported with their reasons.
TEST(QVFileTransferCommand, FailuresMidwayKeepEverySourceAndAreReported)
{
    const QString src = dir("src");
    writeFile(src + "/one.txt", "1");
    writeFile(src + "/gone.txt", "g");
    writeFile(src + "/three.txt", "3");
    const QString blocked = testHome() + "/blocked";
    writeFile(blocked, "a file, not a folder");
    Outcome intoFile;
    auto first = QVFileTransfer::create(QVFileTransfer::Mode::Move, intoFile.hooks());
    ASSERT_TRUE(first->start({ src + "/one.txt" }, blocked));
    ASSERT_TRUE(intoFile.wait());
    ASSERT_EQ(intoFile.failed.size(), 1);
    EXPECT_FALSE(intoFile.failed.first().error.isEmpty());
    EXPECT_EQ(intoFile.succeeded, 0);
    EXPECT_EQ(readFile(src + "/one.txt"), "1");

    const QString to = dir("to");
    Outcome outcome;
    auto transfer = QVFileTransfer::create(QVFileTransfer::Mode::Move, outcome.hooks());
    // The middle file vanishes after its job was queued: the background queue is held until then.
    BackgroundHold hold;
    ASSERT_TRUE(transfer->start({ src + "/one.txt", src + "/gone.txt", src + "/three.txt" }, to));
    QFile::remove(src + "/gone.txt");
    hold.release();
    ASSERT_TRUE(outcome.wait());
    ASSERT_EQ(outcome.failed.size(), 1);
    EXPECT_EQ(outcome.failed.first().source, src + "/gone.txt");
    EXPECT_EQ(outcome.succeeded, 0);
    EXPECT_EQ(readFile(to + "/one.txt"), "1");
    EXPECT_EQ(readFile(to + "/three.txt"), "3");
}

// A retry after a partial move must not touch the items that already went through: re-running
// the whole command would meet their destinations as conflicts, and Replace would then remove
// the only copy of each.
TEST(QVFileTransferCommand, RetryRunsOnlyTheFailedItems)
{
    const QString src = dir("src");
    writeFile(src + "/ok.txt", "ok");
    writeFile(src + "/late.txt", "late");
    const QString to = dir("to");
    AlertScript script({ QVFileTransfer::KeepBoth });
    Outcome outcome;
    auto transfer = QVFileTransfer::create(QVFileTransfer::Mode::Move, outcome.hooks());
    ASSERT_TRUE(transfer->start({ src + "/ok.txt" }, to));
    ASSERT_TRUE(outcome.wait());
    EXPECT_EQ(outcome.succeeded, 1);

    Outcome second;
    auto failing = QVFileTransfer::create(QVFileTransfer::Mode::Move, second.hooks());
    ASSERT_TRUE(failing->start({ src + "/late.txt" }, testHome() + "/missing-folder"));
    ASSERT_TRUE(second.wait());
    ASSERT_EQ(failing->failedItems().size(), 1);
    EXPECT_EQ(readFile(src + "/late.txt"), "late");

    QDir().mkpath(testHome() + "/missing-folder");
    second.ended = false;
    ASSERT_TRUE(failing->retryFailed());
    ASSERT_TRUE(second.wait());
    EXPECT_EQ(second.succeeded, 1);
    EXPECT_TRUE(failing->failedItems().isEmpty());
    EXPECT_EQ(readFile(testHome() + "/missing-folder/late.txt"), "late");
    EXPECT_FALSE(QFileInfo::exists(src + "/late.txt"));
    // Nothing else was asked or moved again.
    EXPECT_EQ(readFile(to + "/ok.txt"), "ok");
    EXPECT_TRUE(script.shown().isEmpty());
    // A failed item whose source has gone is dropped, not retried.
    EXPECT_FALSE(failing->retryFailed());
}

TEST(QVFileTransferCommand, TwoCommandsCountTheirOwnJobs)
{
    const QString src = dir("src");
    writeFile(src + "/a", "a");
    writeFile(src + "/b", "b");
    Outcome one;
    Outcome two;
    auto first = QVFileTransfer::create(QVFileTransfer::Mode::Copy, one.hooks());
    auto second = QVFileTransfer::create(QVFileTransfer::Mode::Copy, two.hooks());
    ASSERT_TRUE(first->start({ src + "/a" }, dir("one")));
    ASSERT_TRUE(second->start({ src + "/b" }, dir("two")));
    EXPECT_EQ(first->loadingCount(), 1);
    EXPECT_EQ(second->loadingCount(), 1);
    ASSERT_TRUE(one.wait());
    ASSERT_TRUE(two.wait());
    EXPECT_EQ(one.succeeded, 1);
    EXPECT_EQ(two.succeeded, 1);
}

// --- Replace on a full disk ----------------------------------------------------------------

struct ReplaceCase
{
    std::string name;
    bool folder; ///< the item is a folder (else a file)
    bool move;
    bool fits; ///< the new item fits on the target's disk
};

class QVFileTransferReplace : public testing::TestWithParam<ReplaceCase>
{
};

// "Replace" once removed the old item first: on a full disk the user's folder was gone and the
// copy then failed. The new item is now made complete beside the old one and swapped in; a copy
// that cannot complete leaves the old item exactly as it was and no scratch behind. The source
// lies in the test's home, the target on a 1 MB file system of its own (a move is then a copy
// too).
TEST_P(QVFileTransferReplace, TheOldItemStaysUntilTheNewOneIsComplete)
{
    const ReplaceCase& c = GetParam();
    SmallFileSystem disk(QStringLiteral("disk"));
    if (!disk.usable()) {
        GTEST_SKIP() << "mounting a small file system needs root";
    }
    const QByteArray oldBytes(300 * 1024, 'o');
    const QByteArray newBytes(c.fits ? 4000 : 2 * 1024 * 1024, 'n');
    const QString source = dir("src") + "/item";
    const QString target = disk.path("item");
    const QString data = c.folder ? QStringLiteral("/data.bin") : QString();
    writeFile(source + data, newBytes);
    writeFile(target + data, oldBytes);
    if (c.folder) {
        writeFile(target + "/only-old.txt", "old");
    }
    AlertScript script({ QVFileTransfer::Replace });
    Outcome outcome;
    auto transfer
        = QVFileTransfer::create(c.move ? QVFileTransfer::Mode::Move : QVFileTransfer::Mode::Copy, outcome.hooks());
    ASSERT_TRUE(transfer->start({ source }, disk.path()));
    ASSERT_TRUE(outcome.wait());
    EXPECT_EQ(entries(disk.path()), QStringList { QStringLiteral("item") }); // no scratch
    if (c.fits) {
        EXPECT_EQ(outcome.succeeded, 1);
        EXPECT_EQ(readFile(target + data), newBytes);
        EXPECT_FALSE(QFileInfo::exists(target + "/only-old.txt")); // replaced as a whole
        EXPECT_EQ(QFileInfo::exists(source), !c.move);
        return;
    }
    ASSERT_EQ(outcome.failed.size(), 1);
    EXPECT_TRUE(outcome.failed.first().error.contains(QStringLiteral("No space left")))
        << qPrintable(outcome.failed.first().error);
    EXPECT_EQ(readFile(target + data), oldBytes);
    if (c.folder) {
        EXPECT_EQ(readFile(target + "/only-old.txt"), "old");
    }
    EXPECT_EQ(readFile(source + data), newBytes);
}

INSTANTIATE_TEST_SUITE_P(Items, QVFileTransferReplace,
                         testing::Values(ReplaceCase { "CopyFileDiskFull", false, false, false },
                                         ReplaceCase { "CopyFolderDiskFull", true, false, false },
                                         ReplaceCase { "MoveFileDiskFull", false, true, false },
                                         ReplaceCase { "MoveFolderDiskFull", true, true, false },
                                         ReplaceCase { "CopyFileFits", false, false, true },
                                         ReplaceCase { "CopyFolderFits", true, false, true },
                                         ReplaceCase { "MoveFileFits", false, true, true },
                                         ReplaceCase { "MoveFolderFits", true, true, true }),
                         tarsel::test::caseName<ReplaceCase>);

// A move across file systems once removed the whole source folder after the copy, with the files
// that had appeared in it meanwhile. Only what was copied is removed; the folder stays with the
// new file, and the user is told, by the folder's name.
TEST(QVFileTransferCommand, AMoveAcrossFileSystemsKeepsWhatAppearedInTheSource)
{
    SmallFileSystem disk(QStringLiteral("disk"));
    if (!disk.usable()) {
        GTEST_SKIP() << "mounting a small file system needs root";
    }
    const QString source = dir("src") + "/album";
    writeFile(source + "/1.txt", "1");
    writeFile(source + "/2.txt", "2");
    Outcome outcome;
    QStringList notices;
    QVFileTransfer::Hooks hooks = outcome.hooks();
    hooks.noticed = [&notices](const QStringList& said) { notices = said; };
    // Another program saves a file into the folder while it is being copied.
    hooks.copied = [&source](const QString& copied) {
        if (copied.endsWith(QLatin1String("/1.txt"))) {
            writeFile(source + "/late.txt", "late");
        }
        return true;
    };
    auto transfer = QVFileTransfer::create(QVFileTransfer::Mode::Move, hooks);
    ASSERT_TRUE(transfer->start({ source }, disk.path()));
    ASSERT_TRUE(outcome.wait());
    EXPECT_EQ(outcome.succeeded, 1);
    EXPECT_EQ(readFile(disk.path("album/1.txt")), "1");
    EXPECT_EQ(readFile(disk.path("album/2.txt")), "2");
    EXPECT_EQ(entries(source), QStringList { QStringLiteral("late.txt") });
    EXPECT_EQ(readFile(source + "/late.txt"), "late");
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices.first().contains(QLatin1Char('"') + source + QLatin1Char('"'))) << qPrintable(notices.first());
}

// --- Cut and paste across processes ----------------------------------------------------------

TARSEL_TEST_CHILD(cutInAnotherProcess)
{
    return QVFileTransfer::storeCutPaths(args) ? 0 : 1;
}

TEST(QVFileTransferCutPaste, CutInOneProcessPastedInAnother)
{
    addCutPasteEntry();
    const QString src = dir("src");
    writeFile(src + "/a.txt", "a");
    writeFile(src + "/b/inner.txt", "b");
    const auto child = runChild(QStringLiteral("cutInAnotherProcess"), { src + "/a.txt", src + "/b" });
    ASSERT_EQ(child.exitCode, 0) << child.err.constData();
    EXPECT_EQ(QVFileTransfer::storedCutPaths(), QStringList({ src + "/a.txt", src + "/b" }));

    const QString to = dir("to");
    Outcome outcome;
    auto paste = QVFileTransfer::pasteCutPaths(to, outcome.hooks());
    ASSERT_NE(paste, nullptr);
    // The list is emptied at once, before the moves finish.
    EXPECT_TRUE(QVFileTransfer::storedCutPaths().isEmpty());
    ASSERT_TRUE(outcome.wait());
    EXPECT_EQ(readFile(to + "/a.txt"), "a");
    EXPECT_EQ(readFile(to + "/b/inner.txt"), "b");
    EXPECT_FALSE(QFileInfo::exists(src + "/a.txt"));
    EXPECT_FALSE(QFileInfo::exists(src + "/b"));
}

TEST(QVFileTransferCutPaste, PasteOntoAFileOrWithNothingCutEmptiesTheList)
{
    addCutPasteEntry();
    const QString src = dir("src");
    writeFile(src + "/a.txt", "a");
    ASSERT_TRUE(QVFileTransfer::storeCutPaths({ src + "/a.txt" }));
    Outcome outcome;
    EXPECT_EQ(QVFileTransfer::pasteCutPaths(src + "/a.txt", outcome.hooks()), nullptr);
    EXPECT_TRUE(QVFileTransfer::storedCutPaths().isEmpty());
    EXPECT_EQ(QVFileTransfer::pasteCutPaths(src, outcome.hooks()), nullptr);
    EXPECT_EQ(readFile(src + "/a.txt"), "a");
}
