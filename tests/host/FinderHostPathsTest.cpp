// Hostile paths and stale tags through the real tarsel-finder process. Each case is a shell
// script, so that the program gets what a file-manager hook or a script would hand it: raw
// bytes that are not UTF-8, a working folder that is gone or deeper than the kernel's 4096-byte
// answer, a tag read before the menu changed, and spellings of the home folder that are not
// its plain text.

#include "tests/engine/MenuStoreTestSupport.h"
#include "engine/model/QVMenuManager.h"

#include "testsupport/TestEnvironment.h"

#include "tests/host/HostRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <functional>

#include <fcntl.h>
#include <unistd.h>

using namespace tarsel::test;

namespace {

// Runs the script with /bin/sh; in it $0 is the program and $H the test's home.
HostRun runScript(const QByteArray& script)
{
    return runProgram("/bin/sh", { "-c", QString::fromUtf8(script), QStringLiteral(TARSEL_FINDER_PROGRAM) },
                      { .env = hostEnvironment({ "H=" + testHome() }) });
}

void makeFileAt(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0) << path.constData();
    ::close(fd);
}

bool existsAt(const QByteArray& path)
{
    return ::access(path.constData(), F_OK) == 0;
}

QString work(const QString& name)
{
    return testHome() + "/w/" + name;
}

// The name "r<0xFF>.txt" is not UTF-8; held as text it becomes "r\uFFFD.txt", which is another file.
const QByteArray kBadName = "r\xff.txt";
const QString kReplacedName = "r\uFFFD.txt";

// "key tag" of each top-level entry of a menu printed with --json.
QStringList keysAndTags(const QByteArray& json)
{
    QStringList out;
    for (const QJsonValue& item : QJsonDocument::fromJson(json).object().value("items").toArray()) {
        out << QStringLiteral("%1 %2").arg(item.toObject().value("key").toString(),
                                           QString::number(item.toObject().value("tag").toInt()));
    }
    return out;
}

struct PathCase
{
    const char* name;
    QVariantList rightMenu;
    std::function<void()> prepare;
    QByteArray script;
    bool succeeds;
    // What standard error must hold ("%H" stands for the test's home).
    QString errContains;
    std::function<void(const HostRun& run)> check;
};

void PrintTo(const PathCase& c, std::ostream* os)
{
    *os << c.name;
}

QVariantList menuOf(const QStringList& keys, const QStringList& disabled = {})
{
    QVariantList list;
    for (const QString& key : keys) {
        list << entry({ { "key", key }, { "disabled", disabled.contains(key) } });
    }
    return list;
}

const QList<PathCase>& cases()
{
    static const QList<PathCase> list = {
        // The bad name was decoded with U+FFFD, and Delete removed the neighbour really named so.
        { "NameThatIsNotUtf8IsRefusedAndItsNeighbourKept", menuOf({ "Delete" }),
          [] {
              makeFileAt(QFile::encodeName(work(kReplacedName)));
              makeFileAt(QFile::encodeName(work(QString())) + kBadName);
          },
          "exec \"$0\" pick 1 \"$H/w/$(printf 'r\\377.txt')\"", false, "Folder: \"%H/w\"",
          [](const HostRun&) {
              EXPECT_TRUE(QFileInfo::exists(work(kReplacedName)));
              EXPECT_TRUE(existsAt(QFile::encodeName(work(QString())) + kBadName));
          } },
        // No other entry could act on the right file: the menu offers only the garbled-name
        // repair, which renames on the bytes, also where the list leaves it switched off (after
        // the list's own entries, so that no other entry's tag changes), and says why.
        { "MenuForANameThatIsNotUtf8OffersOnlyTheRepair", menuOf({ "Copy Path" }),
          [] { makeFileAt(QFile::encodeName(work(QString())) + kBadName); },
          "cd \"$H/w\" && exec \"$0\" menu --json marker.txt \"$(printf 'r\\377.txt')\"", true,
          QStringLiteral("not valid UTF-8, so it cannot be named exactly; rename the item with \u201cFix Garbled "
                         "Names\u201d"),
          [](const HostRun& run) { EXPECT_EQ(keysAndTags(run.out), QStringList({ "Fixing Garbled Names 2" })); } },
        { "LegacyNameGetsTheRepairAtItsPlaceInTheList", menuOf({ "Copy Path", "Fixing Garbled Names", "Delete" }),
          [] {},
          "n=$(printf '会议纪要.txt' | iconv -f UTF-8 -t GBK) && : > \"$H/w/$n\" && exec \"$0\" menu --json "
          "\"$H/w/$n\"",
          true, "Folder: \"%H/w\"",
          [](const HostRun& run) { EXPECT_EQ(keysAndTags(run.out), QStringList({ "Fixing Garbled Names 2" })); } },
        // getcwd failed for the deleted folder and the path was taken relative to "/".
        { "RelativePathInARemovedWorkingFolderIsRefused", menuOf({ "Delete" }), [] {},
          "mkdir \"$H/gone\" && cd \"$H/gone\" && rmdir \"$H/gone\" && exec \"$0\" pick 1 x.txt", false,
          "working folder", nullptr },
        // A fixed 4096-byte buffer made getcwd fail, and the path was taken relative to "/".
        { "RelativePathInADeepWorkingFolderIsResolvedThere", menuOf({ "Copy Path" }), [] {},
          "cd \"$H\" && d=$(printf '%0200d' 0) && for i in $(seq 25); do mkdir $d && cd -P $d || exit 9; done && "
          ": > deep.txt && \"$0\" menu deep.txt; rc=$?; rm deep.txt; for i in $(seq 25); do cd -P .. && rmdir $d; "
          "done; "
          "exit $rc",
          true, QString(), [](const HostRun& run) { EXPECT_EQ(run.out, QByteArray("[1] Copy Path\n")); } },
        { "MenuJsonNamesEachEntrysKey", menuOf({ "Copy Path", "File Info" }), [] { writeFile(work("a.txt"), "x"); },
          "exec \"$0\" menu --json \"$H/w/a.txt\"", true, QString(),
          [](const HostRun& run) {
              const QJsonArray items = QJsonDocument::fromJson(run.out).object().value("items").toArray();
              ASSERT_EQ(items.size(), 2) << run.out.constData();
              EXPECT_EQ(items[0].toObject().value("key").toString(), "Copy Path");
              const QJsonObject info = items[1].toObject();
              EXPECT_EQ(info.value("key").toString(), "File Info");
              EXPECT_EQ(info.value("submenu").toArray().at(1).toObject().value("key"), QJsonValue("MD5"));
          } },
        // Move to Trash was switched off after its tag 1 was read: tag 1 now is Delete.
        { "StaleTagWhoseEntryHasAnotherKeyIsRefused", menuOf({ "Move to Trash", "Delete" }, { "Move to Trash" }),
          [] { writeFile(work("keep.txt"), "x"); }, "exec \"$0\" pick 1 --key 'Move to Trash' \"$H/w/keep.txt\"", false,
          "tag 1 is \"Delete\", not \"Move to Trash\"",
          [](const HostRun&) { EXPECT_TRUE(QFileInfo::exists(work("keep.txt"))); } },
        { "TagWithItsOwnKeyRuns", menuOf({ "Move to Trash", "Delete" }, { "Move to Trash" }),
          [] { writeFile(work("old.txt"), "x"); }, "exec \"$0\" pick 1 --key Delete \"$H/w/old.txt\"", true, QString(),
          [](const HostRun&) { EXPECT_FALSE(QFileInfo::exists(work("old.txt"))); } },
        // A missing item among a hundred ends the pick before anything runs, with the command
        // line's own exit status.
        { "ALargeSelectionWithAMissingItemDeletesNothing", menuOf({ "Delete" }), [] {},
          "cd \"$H/w\" && for i in $(seq 100); do : > \"f$i\"; done && exec \"$0\" pick 1 f* gone", false,
          "no such file or folder: \"gone\"",
          [](const HostRun& run) {
              EXPECT_EQ(run.exitCode, 2);
              EXPECT_EQ(QDir(work(QString())).entryList({ "f*" }, QDir::Files).size(), 100);
          } },
        // Only the plain text of a folder was refused; these spellings all name the home folder.
        // A refusal is a failure of the pick: the host says so in its exit status.
        { "DeleteOfTheHomeFolderSpeltWithDotDotIsRefused", menuOf({ "Delete" }), [] {},
          "exec \"$0\" pick 1 \"$H/../$(basename \"$H\")/.\"", false, "never removed", nullptr },
        { "DeleteOfTheHomeFolderSpeltWithSlashesIsRefused", menuOf({ "Delete" }), [] {},
          "exec \"$0\" pick 1 \"$H//w/..//\"", false, "never removed", nullptr },
        { "DeleteOfTheHomeFolderThroughALinkAboveIsRefused", menuOf({ "Delete" }),
          [] { ASSERT_TRUE(QFile::link(testHome(), work("up"))); }, "exec \"$0\" pick 1 \"$H/w/up/.\"", false,
          "never removed", nullptr },
        { "TrashOfTheHomeFolderIsRefused", menuOf({ "Move to Trash" }), [] {}, "cd \"$H/w\" && exec \"$0\" pick 1 ..",
          false, "never removed", nullptr },
        // The destination is beside the home folder: moving the home into itself would fail anyway.
        { "MoveOfTheHomeFolderToACommonPathIsRefused", menuOf({ "Move to" }),
          [] {
              const QString dest = testHome() + "-dest";
              ASSERT_TRUE(QDir().mkpath(dest));
              storeList(QVMenuManager::kArrayCommonPath, { entry({ { "key", "dest" }, { "path", dest } }) });
          },
          "exec \"$0\" pick 102 \"$H/w/..\"", false, "never removed",
          [](const HostRun&) {
              QDir dest(testHome() + "-dest");
              EXPECT_TRUE(dest.isEmpty());
              dest.removeRecursively();
          } },
    };
    return list;
}

class FinderHostPathsTest : public testing::TestWithParam<PathCase>
{
};

} // namespace

TEST_P(FinderHostPathsTest, HostileInputActsOnNothingElse)
{
    const PathCase& c = GetParam();
    ASSERT_TRUE(QDir().mkpath(work(QString())));
    const QString marker = writeFile(work("marker.txt"), "still here");
    storeList(QVMenuManager::kArrayRightMenu, c.rightMenu);
    c.prepare();

    const HostRun run = runScript(c.script);
    if (c.succeeds) {
        EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    } else {
        EXPECT_NE(run.exitCode, 0);
        EXPECT_NE(run.exitCode, -1) << "the host did not finish";
    }
    QString expected = c.errContains;
    expected.replace("%H", testHome());
    EXPECT_TRUE(QString::fromUtf8(run.err).contains(expected)) << run.err.constData();
    if (c.check) {
        c.check(run);
    }
    // Whatever the case, the home folder and what it holds are still there.
    EXPECT_EQ(readFile(marker), QByteArray("still here"));
}

INSTANTIATE_TEST_SUITE_P(Cases, FinderHostPathsTest, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<PathCase>& info) { return std::string(info.param.name); });
