// The shared store as the real programs meet it: tarsel-finder (the host with the real plug-in)
// and Tarsel (the resident application, through its start-up step), each a real process on the
// test's private HOME.

#include "engine/model/QVDefaultData.h"
#include "platform/Paths.h"

#include "testsupport/ReachablePrograms.h"
#include "testsupport/ProgramRun.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace tarsel::test;

namespace {

const QString kGroup = QStringLiteral("group.com.valden.tarsel");
constexpr uid_t kUnprivileged = 65534; // nobody

// Where the build put the programs this test runs.
QString hostProgram()
{
    return QStringLiteral(TARSEL_FINDER_PROGRAM);
}

QString appProgram()
{
    return QStringLiteral(TARSEL_APP_PROGRAM);
}

// The command line and working folder that run a program on the current HOME; as the
// unprivileged account when given the copies of the programs that account can reach (the
// checkout may lie where it cannot).
struct CommandLine
{
    QString program;
    QStringList args;
    ProgramSetup setup;
};

CommandLine commandLine(const QString& program, const QStringList& args, const ReachablePrograms* unprivileged)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // A store that blocks its reader would keep the program waiting: that is a failure here.
    if (!unprivileged) {
        return { program, args, { .env = env, .timeoutMs = 30000 } };
    }
    const QString id = QString::number(kUnprivileged);
    return { QStringLiteral("setpriv"),
             QStringList { QStringLiteral("--reuid=") + id, QStringLiteral("--regid=") + id,
                           QStringLiteral("--clear-groups"), QStringLiteral("--"), unprivileged->path(program) }
                 + args,
             { .env = env, .folder = unprivileged->folder(), .timeoutMs = 30000 } };
}

ProgramRun run(const QString& program, const QStringList& args, const ReachablePrograms* unprivileged = nullptr)
{
    const CommandLine line = commandLine(program, args, unprivileged);
    return runProgram(line.program, line.args, line.setup);
}

ProgramRun host(const QStringList& args, const ReachablePrograms* unprivileged = nullptr)
{
    return run(hostProgram(), args, unprivileged);
}
// Starts the resident application, lets it through its start-up step and ends it with
// "Tarsel --quit" (taken only once its start-up is done); out is the menu the host prints for
// the arguments afterwards.
ProgramRun startApp(const QStringList& menuArgs, const ReachablePrograms* unprivileged = nullptr)
{
    const QString program = appProgram();
    const CommandLine line = commandLine(program, {}, unprivileged);
    QProcess process;
    process.setProcessEnvironment(*line.setup.env);
    process.setWorkingDirectory(line.setup.folder);
    process.start(line.program, line.args);
    ProgramRun result;
    const bool ended = QTest::qWaitFor(
        [&] {
            return process.state() == QProcess::NotRunning
                || run(program, { QStringLiteral("--quit") }, unprivileged).exitCode == 0;
        },
        30000);
    result.finished = ended && (process.state() == QProcess::NotRunning || process.waitForFinished(30000));
    if (!result.finished) {
        process.kill();
        process.waitForFinished();
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.err = process.readAllStandardError();
    result.out = host(menuArgs, unprivileged).out;
    return result;
}

QStringList topTitles(const QByteArray& json)
{
    QStringList titles;
    for (const QJsonValue& v : QJsonDocument::fromJson(json).object().value(QStringLiteral("items")).toArray()) {
        titles << v.toObject().value(QStringLiteral("title")).toString();
    }
    return titles;
}

QByteArray xmlSuite(const QByteArray& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>" + body + "</dict>\n</plist>\n";
}

// The user's menu: one entry, last started by this very version (so no upgrade merge adds any).
QByteArray userSuite()
{
    return xmlSuite("<key>array right menu</key><array><dict><key>key</key><string>Copy Path</string></dict></array>"
                    "<key>update version</key><string>"
                    + QVDefaultData::appVersion().toUtf8() + "</string>");
}

QStringList keptCopies(const QString& path)
{
    const QFileInfo info(path);
    return QDir(info.absolutePath())
        .entryList({ info.fileName() + QStringLiteral(".damaged-*") }, QDir::System | QDir::Files);
}

struct StoreCase
{
    const char* name;
    enum Kind { Bytes, Folder, Fifo, Unreadable } kind;
    std::function<QByteArray()> bytes;
    bool readable = false;
};

StoreCase storeCases[] = {
    { "Truncated", StoreCase::Bytes, [] { return userSuite().left(userSuite().size() / 2); } },
    // Twenty bytes: a larger count read past the literal (the sanitizer build stopped on it).
    { "BinaryGarbage", StoreCase::Bytes, [] { return QByteArray("\x00\x01\xfe\xffPK\x03\x04 not a store", 20); } },
    { "ByteOrderMarkIsAccepted", StoreCase::Bytes, [] { return "\xEF\xBB\xBF" + userSuite(); }, true },
    { "Utf16", StoreCase::Bytes,
      [] {
          const QString text = QString::fromUtf8(userSuite());
          return QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
      } },
    { "Json", StoreCase::Bytes, [] { return QByteArray(R"({"array right menu": [{"key": "Copy Path"}]})"); } },
    { "NestedFiftyThousandLevels", StoreCase::Bytes,
      [] {
          return xmlSuite("<key>x</key>" + QByteArray("<array>").repeated(50000)
                          + QByteArray("</array>").repeated(50000));
      } },
    { "AFolder", StoreCase::Folder, {} },
    { "AFifo", StoreCase::Fifo, {} },
    { "UnreadableFile", StoreCase::Unreadable, userSuite },
};

class StoreDamageHostTest : public testing::TestWithParam<StoreCase>
{
};

// Points HOME and the XDG folders at a fresh folder the unprivileged account owns.
struct UnprivilegedHome
{
    QTemporaryDir dir { QDir::tempPath() + QStringLiteral("/tarsel-nobody-XXXXXX") };
    ScopedEnvironment env;

    UnprivilegedHome()
    {
        const QByteArray h = QFile::encodeName(dir.path());
        env.set("HOME", h)
            .set("XDG_CONFIG_HOME", h + "/.config")
            .set("XDG_DATA_HOME", h + "/.local/share")
            .set("XDG_CACHE_HOME", h + "/.cache")
            .set("XDG_RUNTIME_DIR", h + "/.runtime");
        for (const char* sub : { "/.config", "/.local/share", "/.cache", "/.runtime" }) {
            QDir().mkpath(dir.path() + QLatin1String(sub));
        }
        ::chmod(h.constData(), 0755);
        ::chmod((h + "/.runtime").constData(), 0700);
    }
    // Hands everything made so far to the account.
    void handOver() const
    {
        QDirIterator it(dir.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        ::lchown(QFile::encodeName(dir.path()).constData(), kUnprivileged, kUnprivileged);
        while (it.hasNext()) {
            ::lchown(QFile::encodeName(it.next()).constData(), kUnprivileged, kUnprivileged);
        }
    }
};

} // namespace

// A right-click before Tarsel's first start used to empty the configuration for good: the host's
// engine wrote an empty main list, and the first start then took it for the user's menu.
TEST(StoreFirstContactTest, AMenuBeforeTheFirstStartStillGetsTheFactoryMenu)
{
    const QString file = writeFile(testHome() + QStringLiteral("/notes.txt"), "hello\n");
    const ProgramRun before = host({ QStringLiteral("menu"), QStringLiteral("--json"), file });
    ASSERT_TRUE(before.finished && before.exitCode != -1) << before.err.constData();
    EXPECT_FALSE(readFile(platform::Paths::groupSuiteFile(kGroup)).contains("array right menu"));

    const ProgramRun start = startApp({ QStringLiteral("menu"), QStringLiteral("--json"), file });
    ASSERT_EQ(start.exitCode, 0) << start.err.constData();
    const ProgramRun after = host({ QStringLiteral("menu"), QStringLiteral("--json"), file });
    ASSERT_EQ(after.exitCode, 0) << after.err.constData();
    const QStringList titles = topTitles(after.out);
    EXPECT_GE(titles.size(), 10) << after.out.constData();
    EXPECT_TRUE(titles.contains(QStringLiteral("Copy Path"))) << after.out.constData();
}

// A store that could not be read used to be written over with factory lists by the first
// right-click or start (the user's menu gone), a FIFO hung both programs and deep nesting made
// both crash. Neither program may touch it in place now: the host only reads, and the
// application keeps the bytes beside the file before it writes factory lists.
TEST_P(StoreDamageHostTest, NeitherProgramWritesOverAStoreItCannotRead)
{
    const StoreCase& c = GetParam();
    const bool unprivileged = c.kind == StoreCase::Unreadable && ::geteuid() == 0;
    if (unprivileged && QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty()) {
        GTEST_SKIP() << "root reads any file, and setpriv is missing to run the programs as another account";
    }
    std::unique_ptr<ReachablePrograms> otherPrograms;
    std::unique_ptr<UnprivilegedHome> otherHome;
    if (unprivileged) {
        otherPrograms = std::make_unique<ReachablePrograms>(QStringList { hostProgram(), appProgram() });
        if (!otherPrograms->ok()) {
            GTEST_SKIP() << "root reads any file, and the programs cannot run as another account: "
                         << otherPrograms->why().toStdString();
        }
        otherHome = std::make_unique<UnprivilegedHome>();
    }
    const ReachablePrograms* as = otherPrograms.get();
    const QString store = platform::Paths::groupSuiteFile(kGroup);
    QDir().mkpath(QFileInfo(store).absolutePath());
    const QByteArray encoded = QFile::encodeName(store);
    const QByteArray bytes = c.bytes ? c.bytes() : QByteArray();
    switch (c.kind) {
    case StoreCase::Bytes:
    case StoreCase::Unreadable:
        writeFile(store, bytes);
        break;
    case StoreCase::Folder:
        ASSERT_TRUE(QDir().mkpath(store));
        break;
    case StoreCase::Fifo:
        ASSERT_EQ(::mkfifo(encoded.constData(), 0600), 0);
        break;
    }
    const QString file = writeFile(QFileInfo(store).absolutePath() + QStringLiteral("/../../notes.txt"), "hello\n");
    if (otherHome) {
        otherHome->handOver();
    }
    if (c.kind == StoreCase::Unreadable) {
        ASSERT_EQ(::chmod(encoded.constData(), 0), 0);
    }

    const ProgramRun menu = host({ QStringLiteral("menu"), QStringLiteral("--json"), file }, as);
    ASSERT_TRUE(menu.finished) << "the host hung";
    ASSERT_NE(menu.exitCode, -1) << "the host crashed: " << menu.err.constData();
    EXPECT_EQ(menu.exitCode, 0) << menu.err.constData();
    if (c.readable) {
        EXPECT_EQ(topTitles(menu.out), QStringList { QStringLiteral("Copy Path") }) << menu.out.constData();
    } else {
        EXPECT_EQ(menu.err.count("Failed to read defaults"), 1) << menu.err.constData();
    }
    // The host only read.
    struct stat st
    {
    };
    ASSERT_EQ(::lstat(encoded.constData(), &st), 0);
    if (c.kind == StoreCase::Folder) {
        EXPECT_TRUE(S_ISDIR(st.st_mode));
    } else if (c.kind == StoreCase::Fifo) {
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
    } else {
        EXPECT_EQ(readFile(store), bytes);
    }
    EXPECT_TRUE(keptCopies(store).isEmpty());

    const ProgramRun start = startApp({ QStringLiteral("menu"), QStringLiteral("--json"), file }, as);
    ASSERT_TRUE(start.finished) << "the application hung";
    ASSERT_NE(start.exitCode, -1) << "the application crashed: " << start.err.constData();
    if (c.readable) {
        EXPECT_EQ(start.exitCode, 0) << start.err.constData();
        EXPECT_EQ(topTitles(start.out), QStringList { QStringLiteral("Copy Path") }) << start.out.constData();
        EXPECT_TRUE(keptCopies(store).isEmpty());
        return;
    }
    if (c.kind == StoreCase::Folder) {
        // Nothing can take a folder's place: the start says so and leaves it.
        EXPECT_NE(start.exitCode, 0);
        EXPECT_TRUE(QFileInfo(store).isDir());
        return;
    }
    EXPECT_EQ(start.exitCode, 0) << start.err.constData();
    const QStringList copies = keptCopies(store);
    ASSERT_EQ(copies.size(), 1) << start.err.constData();
    const QByteArray copy = QFile::encodeName(QFileInfo(store).absolutePath() + QLatin1Char('/') + copies.first());
    ASSERT_EQ(::lstat(copy.constData(), &st), 0);
    if (c.kind == StoreCase::Fifo) {
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
    } else {
        ::chmod(copy.constData(), 0600);
        EXPECT_EQ(readFile(QFile::decodeName(copy)), bytes);
    }
    // Then the factory menu was written in the file's place.
    EXPECT_GE(topTitles(start.out).size(), 10) << start.out.constData();
}

INSTANTIATE_TEST_SUITE_P(Cases, StoreDamageHostTest, testing::ValuesIn(storeCases),
                         [](const testing::TestParamInfo<StoreCase>& info) { return std::string(info.param.name); });
