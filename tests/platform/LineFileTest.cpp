// Line files (a folder's .hidden and .directory) in a folder another account can write, as that
// account attacks them, and under many writers at once. Every case runs the change in real
// processes of this binary, so a hang is a timeout and a lost update is a missing name.

#include "platform/FileFlags.h"
#include "platform/LineFile.h"
#include "platform/Workspace.h"

#include "testsupport/SecondAccount.h"
#include "testsupport/TestEnvironment.h"

#include <QFile>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

using namespace tarsel::test;

namespace {

// Hides (after asking whether it is hidden) an item, or gives a folder a custom icon; with a
// third argument "wait" it starts only when its standard input closes, so that many children
// go at the same moment. Exit 0 when the change was made; the message on standard error.
TARSEL_TEST_CHILD(lineFileAction)
{
    if (args.value(2) == QLatin1String("wait")) {
        char byte = 0;
        while (::read(STDIN_FILENO, &byte, 1) > 0) { }
    }
    QString error;
    bool ok = false;
    if (args.value(0) == QLatin1String("hide")) {
        platform::FileFlags::isHidden(args.value(1));
        ok = platform::FileFlags::setHidden({ args.value(1) }, true, &error);
    } else {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::red);
        ok = platform::Workspace::setIcon(image, args.value(1), &error);
    }
    fprintf(stderr, "%s\n", qPrintable(error));
    return ok ? 0 : 1;
}

struct Scene
{
    QByteArray shared; // a folder every account may write
    QByteArray victim; // a file of ours outside it
    QByteArray list; // the line file the case is about, inside the shared folder
};

enum class Who { SecondAccount, Us };

struct HostileCase
{
    const char* name;
    const char* listName; // ".hidden" (Hide) or ".directory" (folder icon)
    Who who; // who plants
    std::function<bool(const Scene&)> plant; // nothing when empty
    bool holdFolderLock; // the planter keeps the folder's lock meanwhile
    int processes; // writers at once
    const char* refusal; // the reason in the message; null: must succeed
};

// What stands at a path, to tell that a refused change left it alone.
std::string describe(const QByteArray& path)
{
    struct stat st
    {
    };
    if (::lstat(path.constData(), &st) != 0) {
        return "missing";
    }
    if (S_ISLNK(st.st_mode)) {
        char target[4096];
        const ssize_t n = ::readlink(path.constData(), target, sizeof(target));
        return "link to " + std::string(target, n < 0 ? 0 : static_cast<size_t>(n));
    }
    const std::string owner = " of uid " + std::to_string(st.st_uid);
    if (!S_ISREG(st.st_mode)) {
        return "type " + std::to_string(st.st_mode & S_IFMT) + owner;
    }
    return "file" + owner + ": " + readFile(QFile::decodeName(path)).left(200).toStdString();
}

void PrintTo(const HostileCase& c, std::ostream* out)
{
    *out << c.name;
}

using LineFileHostileTest = testing::TestWithParam<HostileCase>;

TEST_P(LineFileHostileTest, NothingIsLostAndNothingIsWrittenThroughAPlantedFile)
{
    const HostileCase& c = GetParam();
    QString why;
    if (c.who == Who::SecondAccount && !SecondAccount::available(&why)) {
        GTEST_SKIP() << "no second account: " << why.toStdString();
    }
    // The test's home is reachable (not listable) by the other account; the shared folder in it
    // is open to all, like /tmp.
    const QString home = testHome();
    ASSERT_EQ(::chmod(QFile::encodeName(home).constData(), 0711), 0);
    const QString shared = home + QStringLiteral("/shared");
    writeFile(shared + QStringLiteral("/placeholder"), "");
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 0777), 0);
    const Scene scene { QFile::encodeName(shared),
                        QFile::encodeName(writeFile(home + QStringLiteral("/.bashrc"), "export PATH=/usr/bin\n")),
                        QFile::encodeName(shared + QLatin1Char('/') + QLatin1String(c.listName)) };
    if (c.plant) {
        const int planted
            = c.who == Who::Us ? (c.plant(scene) ? 0 : 1) : SecondAccount::run([&] { return c.plant(scene) ? 0 : 1; });
        ASSERT_EQ(planted, 0) << "could not plant " << c.listName;
    }
    std::unique_ptr<SecondAccount::Background> holder;
    if (c.holdFolderLock) {
        holder = std::make_unique<SecondAccount::Background>([&] {
            const int fd = ::open(scene.shared.constData(), O_RDONLY | O_DIRECTORY);
            return fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0; // the descriptor stays open
        });
        ASSERT_TRUE(holder->ok());
    }
    const std::string victimBefore = describe(scene.victim);
    const std::string listBefore = describe(scene.list);

    QStringList names;
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int i = 0; i < c.processes; ++i) {
        const bool hide = QLatin1String(c.listName) == QLatin1String(".hidden");
        names << QStringLiteral("report %1 $(id).txt").arg(i);
        const QString target = hide ? writeFile(shared + QLatin1Char('/') + names.last(), "x") : shared;
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TARSEL_TEST_CHILD"), QStringLiteral("lineFileAction"));
        process->setProcessEnvironment(env);
        process->start(testBinary(),
                       { hide ? QStringLiteral("hide") : QStringLiteral("icon"), target, QStringLiteral("wait") });
        writers.push_back(std::move(process));
    }
    for (const auto& process : writers) {
        ASSERT_TRUE(process->waitForStarted(30000));
    }
    for (const auto& process : writers) {
        process->closeWriteChannel();
    }
    for (const auto& process : writers) {
        const bool finished = process->waitForFinished(30000);
        if (!finished) {
            process->kill();
            process->waitForFinished();
        }
        const QByteArray err = process->readAllStandardError();
        ASSERT_TRUE(finished) << "a writer hung: " << err.constData();
        if (c.refusal == nullptr) {
            EXPECT_EQ(process->exitCode(), 0) << err.constData();
        } else {
            EXPECT_EQ(process->exitCode(), 1) << err.constData();
            EXPECT_TRUE(err.startsWith("Failed to ")) << err.constData();
            EXPECT_TRUE(err.contains("File: \"" + scene.list + "\"")) << err.constData();
            EXPECT_TRUE(err.contains(c.refusal)) << err.constData();
        }
    }
    EXPECT_EQ(describe(scene.victim), victimBefore);
    if (c.refusal != nullptr) {
        EXPECT_EQ(describe(scene.list), listBefore);
    } else {
        QStringList listed = platform::LineFile::read(QFile::decodeName(scene.list));
        listed.sort();
        names.sort();
        EXPECT_EQ(listed.join(QLatin1Char('\n')).toStdString(), names.join(QLatin1Char('\n')).toStdString());
    }
}

bool plantLink(const Scene& s)
{
    return ::symlink(s.victim.constData(), s.list.constData()) == 0;
}
bool plantFifo(const Scene& s)
{
    return ::mkfifo(s.list.constData(), 0666) == 0;
}
bool plantFolder(const Scene& s)
{
    return ::mkdir(s.list.constData(), 0777) == 0;
}
bool plantForeignList(const Scene& s)
{
    writeFile(QFile::decodeName(s.list), "theirs\n");
    return ::chmod(s.list.constData(), 0666) == 0;
}
bool plantOversized(const Scene& s)
{
    writeFile(QFile::decodeName(s.list), QByteArray(platform::LineFile::kMaxSize + 1, 'a'));
    return true;
}

// The faults these cases were written for: a .hidden or .directory link was followed, so Hide
// appended our lines to the file it named (another account's way to run code as us); a FIFO
// as .hidden blocked Hide and every menu for ever; another account's list was rewritten as
// ours; and parallel Hides lost names because each read and rewrote the list unlocked.
const HostileCase kHostileCases[] = {
    { "HiddenLinkToAFileOfOurs", ".hidden", Who::SecondAccount, plantLink, false, 1, "symbolic link" },
    { "DirectoryLinkToAFileOfOurs", ".directory", Who::SecondAccount, plantLink, false, 1, "symbolic link" },
    { "HiddenIsAFifo", ".hidden", Who::SecondAccount, plantFifo, false, 1, "not a regular file" },
    { "HiddenIsAFolder", ".hidden", Who::SecondAccount, plantFolder, false, 1, "not a regular file" },
    { "HiddenOfAnotherAccount", ".hidden", Who::SecondAccount, plantForeignList, false, 1, "another account" },
    { "HiddenTooLargeToBeAList", ".hidden", Who::Us, plantOversized, false, 1, "larger than" },
    // Anyone who can read a folder can take its lock: the wait for it ends.
    { "FolderLockHeldForGood", ".hidden", Who::SecondAccount, {}, true, 1, "held the folder's lock" },
    { "ThirtyHidesAtOnce", ".hidden", Who::Us, {}, false, 30, nullptr },
};

INSTANTIATE_TEST_SUITE_P(Cases, LineFileHostileTest, testing::ValuesIn(kHostileCases),
                         [](const testing::TestParamInfo<HostileCase>& info) { return std::string(info.param.name); });

} // namespace
