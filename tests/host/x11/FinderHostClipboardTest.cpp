// What a tarsel-finder process copies stays on the X clipboard after the process has ended, until
// the next copy. It used to vanish with the host, about 50 ms after the click: an X selection
// lives only as long as its owner, and the host owned it itself.

#include "tests/engine/MenuStoreTestSupport.h"
#include "engine/model/QVMenuManager.h"
#include "platform/Bundle.h"

#include "tests/host/HostRun.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QCryptographicHash>
#include <QTest>

#include <gtest/gtest.h>

#include <signal.h>

using namespace tarsel::test;

namespace {

// The host runs on the test's display (xcb).
int tagOfTitle(const QString& file, const QString& title)
{
    return tagInMenu(runProgram(QStringLiteral(TARSEL_FINDER_PROGRAM), { "menu", "--json", file }).out, { title });
}

QByteArray pasted()
{
    return runProgram("xclip", { "-o", "-selection", "clipboard" }).out;
}

// The clipboard holders this test's hosts started: they carry the test's own HOME.
QList<qint64> holders()
{
    QList<qint64> pids;
    const QByteArray home = "HOME=" + QFile::encodeName(testHome()) + '\0';
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid) {
            continue;
        }
        const QByteArray argv0 = readFile(QStringLiteral("/proc/%1/cmdline").arg(pid)).split('\0').value(0);
        if (QFileInfo(QFile::decodeName(argv0)).fileName() == QLatin1String("tarsel-clipboard")
            && ('\0' + readFile(QStringLiteral("/proc/%1/environ").arg(pid))).contains('\0' + home)) {
            pids << pid;
        }
    }
    return pids;
}

// Ends the holders a test leaves behind, whatever its outcome.
struct HolderCleanup
{
    HolderCleanup() = default;
    ~HolderCleanup()
    {
        for (const qint64 pid : holders()) {
            ::kill(pid_t(pid), SIGTERM);
        }
    }
    Q_DISABLE_COPY_MOVE(HolderCleanup)
};

struct Copy
{
    QString key;
    QString fileName;
    QByteArray contents;
    QByteArray expected; // empty: the file's path
};

} // namespace

// Each copy replaces the one before: what it copied is pasted after its host ended, and the
// holder of the previous copy has gone. The file contents are larger than one X request, so a
// reader gets them in chunks.
TEST(FinderHostClipboardTest, ACopyOutlivesItsHostUntilTheNextCopy)
{
    const QByteArray big = QByteArray("line of copied text\n").repeated(60000) + "end";
    const QList<Copy> copies {
        { "Copy Path", "first file.txt", "1", {} },
        { "Copy File(Folder) Name", "zweite Datei ä.txt", "2", "zweite Datei ä.txt" },
        { "Copy File Contents", "big.txt", big, big },
    };
    QVariantList menu;
    for (const Copy& copy : copies) {
        menu << keyed(copy.key);
    }
    storeList(QVMenuManager::kArrayRightMenu, menu);
    // The third use would bring up the review prompt, which waits for an answer on this display.
    QVMenuManager::sharedDefaults().setValue("is reviewed", true);
    const HolderCleanup cleanup;

    qint64 previous = 0;
    for (const Copy& copy : copies) {
        SCOPED_TRACE(copy.key.toStdString());
        const QString file = writeFile(testHome() + "/files/" + copy.fileName, copy.contents);
        const int tag = tagOfTitle(file, platform::Bundle::localizedString(copy.key));
        ASSERT_GT(tag, 0);
        const ProgramRun pick
            = runProgram(QStringLiteral(TARSEL_FINDER_PROGRAM), { "pick", QString::number(tag), file });
        ASSERT_EQ(pick.exitCode, 0) << pick.err.constData();

        EXPECT_EQ(pasted(), copy.expected.isEmpty() ? file.toUtf8() : copy.expected);
        ASSERT_TRUE(QTest::qWaitFor([&] { return holders().size() == 1 && !holders().contains(previous); }, 20000))
            << holders().size() << " holders";
        previous = holders().constFirst();
    }
}

namespace {

struct DigestCase
{
    const char* name; // the entry under "File Info"
    int child; // its place in the submenu, after "All Info"
    QCryptographicHash::Algorithm algorithm;
    const char* copied; // what the alert's first button copies when no hash computes it
};

const DigestCase kDigestCases[] = {
    { "MD5", 2, QCryptographicHash::Md5, nullptr },
    { "SHA1", 3, QCryptographicHash::Sha1, nullptr },
    { "SHA256", 4, QCryptographicHash::Sha256, nullptr },
    { "SHA512", 5, QCryptographicHash::Sha512, nullptr },
    // The decimal value: the first of its two copy buttons.
    { "CRC32", 6, QCryptographicHash::Md5, "1365281202" },
};

void PrintTo(const DigestCase& c, std::ostream* os)
{
    *os << c.name;
}

/// Focuses the window and presses the key there.
void answer(const QString& window, const QString& key)
{
    runProgram("xdotool", { "windowfocus", "--sync", window });
    runProgram("xdotool", { "key", key });
}

class FinderHostDigestTest : public testing::TestWithParam<DigestCase>
{
};

} // namespace

// A single digest under "File Info" shows its alert with the digest and a Copy button. The
// digest is computed in the background, and the host used to end before it was shown: nothing
// appeared at all. The alert is read back as a user reads it: its default button, Copy, puts the
// digest on the clipboard.
TEST_P(FinderHostDigestTest, TheDigestIsShownAndItsCopyButtonCopiesIt)
{
    const DigestCase& c = GetParam();
    storeList(QVMenuManager::kArrayRightMenu, { keyed("File Info") });
    QVMenuManager::sharedDefaults().setValue("is reviewed", true);
    const HolderCleanup cleanup;
    const QByteArray contents = "digest me\n";
    const QString file = writeFile(testHome() + "/files/digest me.txt", contents);
    const int tag = tagOfTitle(file, platform::Bundle::localizedString("File Info"));
    ASSERT_GT(tag, 0);

    QProcess host;
    host.start(QStringLiteral(TARSEL_FINDER_PROGRAM), { "pick", QString::number(tag * 100 + c.child), file });
    ASSERT_TRUE(host.waitForStarted());
    const ProgramRun found = runProgram(
        "timeout",
        { "20", "xdotool", "search", "--sync", "--onlyvisible", "--pid", QString::number(host.processId()) });
    const QString window = QString::fromLatin1(found.out).section(QLatin1Char('\n'), 0, 0);
    EXPECT_FALSE(window.isEmpty()) << "no alert came up: " << host.readAllStandardError().constData();
    // Return again while the alert stays: on a loaded machine the first key can come before
    // the new window takes keys, and a user would press it again too.
    for (int tries = 0; !window.isEmpty() && tries < 10 && host.state() != QProcess::NotRunning; ++tries) {
        answer(window, "Return");
        host.waitForFinished(2000);
    }
    if (!host.waitForFinished(20000)) {
        host.kill();
        host.waitForFinished();
    }
    ASSERT_EQ(host.exitCode(), 0) << host.readAllStandardError().constData();
    const QByteArray expected
        = c.copied ? QByteArray(c.copied) : QCryptographicHash::hash(contents, c.algorithm).toHex();
    EXPECT_EQ(pasted(), expected);
}

INSTANTIATE_TEST_SUITE_P(FileInfo, FinderHostDigestTest, testing::ValuesIn(kDigestCases), caseName<DigestCase>);

namespace {

// The visible dialogs of the process other than `seen`, once there is one, within 20 s. Dialogs
// only: a command's progress window (a utility window) may come and go before its alert.
QStringList dialogsOf(const QProcess& process, const QString& seen)
{
    QStringList dialogs;
    const bool came = QTest::qWaitFor(
        [&] {
            dialogs.clear();
            const ProgramRun found
                = runProgram("xdotool", { "search", "--onlyvisible", "--pid", QString::number(process.processId()) });
            for (const QString& id : QString::fromLatin1(found.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                const ProgramRun type = runProgram("xprop", { "-id", id, "_NET_WM_WINDOW_TYPE" });
                if (id != seen && type.out.contains("_NET_WM_WINDOW_TYPE_DIALOG")) {
                    dialogs << id;
                }
            }
            return !dialogs.isEmpty();
        },
        20000);
    return came ? dialogs : QStringList();
}

} // namespace

// The third use brings up the review prompt after the command chosen just then has done its
// work: the digest's alert comes first and its Copy button copies the digest; only then the
// prompt asks, and "Next Time" ends the host. The prompt used to come over the command.
TEST(FinderHostClipboardTest, TheReviewPromptFollowsTheCommandOfTheThirdUse)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed("File Info") });
    QVMenuManager::sharedDefaults().setValue("use count", 2);
    const HolderCleanup cleanup;
    const QByteArray contents = "third use\n";
    const QString file = writeFile(testHome() + "/files/third use.txt", contents);
    const int tag = tagOfTitle(file, platform::Bundle::localizedString("File Info"));
    ASSERT_GT(tag, 0);

    QProcess host;
    host.start(QStringLiteral(TARSEL_FINDER_PROGRAM), { "pick", QString::number(tag * 100 + 2), file });
    ASSERT_TRUE(host.waitForStarted());
    // The digest's alert alone, and still alone once the prompt's delay of 3 s has passed: the
    // prompt waits for the user's answer to the command.
    ASSERT_EQ(dialogsOf(host, QString()).size(), 1);
    QTest::qWait(3500);
    const QStringList first = dialogsOf(host, QString());
    ASSERT_EQ(first.size(), 1) << "dialogs on the screen: " << first.join(QLatin1Char(' ')).toStdString();
    const QString digestAlert = first.constFirst();
    answer(digestAlert, "Return");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return pasted() == QCryptographicHash::hash(contents, QCryptographicHash::Md5).toHex(); }, 10000))
        << pasted().constData();
    const QString prompt = dialogsOf(host, digestAlert).value(0);
    EXPECT_FALSE(prompt.isEmpty()) << "no review prompt came up: " << host.readAllStandardError().constData();
    if (!prompt.isEmpty()) {
        // Escape answers with the last button, "Next Time".
        answer(prompt, "Escape");
    }
    if (!host.waitForFinished(20000)) {
        host.kill();
        host.waitForFinished();
    }
    EXPECT_EQ(host.exitCode(), 0) << host.readAllStandardError().constData();
    EXPECT_FALSE(QVMenuManager::sharedDefaults().boolValue("is reviewed"));
}
