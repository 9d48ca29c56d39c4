#include "platform/LoginItem.h"

#include "platform/Paths.h"
#include "platform/Workspace.h"

#include "testsupport/SecondAccount.h"
#include "testsupport/ProgramRun.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <optional>

using platform::LoginItem;
using tarsel::test::SecondAccount;

namespace {

// A path with a space and an argument with the characters an Exec line must quote.
const QString kProgram = QStringLiteral("/opt/Tarsel Apps/Tarsel");
const QStringList kArguments { QStringLiteral("TarselPro://qvcommand-1000?qvselect=0") };

void writeFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(text);
}

QByteArray readFile(const QString& path)
{
    QFile in(path);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

QByteArray entry(const QByteArray& exec, const QByteArray& extra = QByteArray())
{
    return "[Desktop Entry]\nType=Application\nName=Someone\nExec=" + exec + "\n" + extra;
}

struct Case
{
    const char* name;
    std::function<void()> setup; ///< what is in the autostart folder before the switch
    std::optional<bool> switchTo; ///< none: only read the state back
    bool enabledBefore;
    bool ok;
    bool enabledAfter;
    bool fileUntouched; ///< the file the setup made is still there, byte for byte
};

using LoginItemTest = testing::TestWithParam<Case>;

TEST_P(LoginItemTest, Switch)
{
    const Case& c = GetParam();
    const QString autostart = QFileInfo(LoginItem::file()).path();
    QFile::remove(autostart);
    QDir(autostart).removeRecursively();
    if (c.setup) {
        c.setup();
    }
    const QByteArray before = readFile(LoginItem::file());
    EXPECT_EQ(LoginItem::isEnabled(kProgram), c.enabledBefore);
    if (c.switchTo) {
        const platform::Status result = LoginItem::setEnabled(*c.switchTo, kProgram, kArguments);
        EXPECT_EQ(result.ok, c.ok) << result.error.toStdString();
        // A failure names the file, so the log says where to look.
        EXPECT_EQ(result.error.contains(LoginItem::file()), !c.ok) << result.error.toStdString();
    }
    EXPECT_EQ(LoginItem::isEnabled(kProgram), c.enabledAfter);
    if (c.fileUntouched) {
        EXPECT_EQ(readFile(LoginItem::file()), before);
    }
    if (c.enabledAfter) {
        // The session manager must accept the entry and start exactly our program.
        const tarsel::test::ProgramRun validate = tarsel::test::runProgram(
            QStringLiteral("desktop-file-validate"), { LoginItem::file() }, { .timeoutMs = 20000 });
        ASSERT_TRUE(validate.finished);
        const QByteArray report = validate.out + validate.err;
        EXPECT_EQ(validate.exitCode, 0) << report.toStdString();
        EXPECT_FALSE(report.contains("error")) << report.toStdString();
        EXPECT_TRUE(readFile(LoginItem::file())
                        .contains("Exec=\"/opt/Tarsel Apps/Tarsel\" \"TarselPro://qvcommand-1000?qvselect=0\""));
    } else if (c.switchTo == false && !c.fileUntouched) {
        EXPECT_FALSE(QFileInfo::exists(LoginItem::file()));
    }
}

void ours(const QByteArray& extra = QByteArray())
{
    writeFile(LoginItem::file(), entry("\"/old/place/Tarsel\" \"TarselPro://qvcommand-1000?qvselect=0\"", extra));
}

void foreign()
{
    writeFile(LoginItem::file(), entry("/usr/bin/othertool --tray"));
}

// An ordinary file where the autostart folder should be: the folder cannot be made, also as root.
void fileForFolder()
{
    writeFile(platform::Paths::configHome() + QStringLiteral("/autostart"), "not a folder");
}

const Case kCases[] = {
    { "OnWritesAValidEntry", nullptr, true, false, true, true, false },
    { "OffRemovesOurEntry", [] { ours(); }, false, true, true, false, false },
    { "OnRewritesOurHiddenEntry", [] { ours("Hidden=true\n"); }, true, false, true, true, false },
    { "DisabledBySessionReadsOff", [] { ours("X-GNOME-Autostart-enabled=false\n"); }, std::nullopt, false, true, false,
      true },
    { "ForeignEntryNeverRemoved", foreign, false, false, true, false, true },
    { "ForeignEntryNeverReplaced", foreign, true, false, false, false, true },
    { "UnwritableFolderReported", fileForFolder, true, false, false, false, false },
};

INSTANTIATE_TEST_SUITE_P(Cases, LoginItemTest, testing::ValuesIn(kCases), tarsel::test::caseName<Case>);

// A switch-off whose removal the system refuses must say so: the caller puts the switch back to
// "on". Removing without looking at the answer would report the login item gone while the session
// still starts Tarsel at every login. Root removes anything, so the switch runs as another account
// that may read our entry but not change its folder.
TEST(LoginItemRemovalTest, RefusedRemovalIsReported)
{
    QString why;
    if (!SecondAccount::available(&why)) {
        GTEST_SKIP() << why.toStdString();
    }
    ours();
    for (const QString& folder : { tarsel::test::testHome(), platform::Paths::configHome() }) {
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0711), 0);
    }
    const int answer = SecondAccount::run([] {
        const platform::Status result = LoginItem::setEnabled(false, kProgram);
        return !result.ok && result.error.contains(LoginItem::file()) ? 0 : 1;
    });
    EXPECT_EQ(answer, 0);
    EXPECT_TRUE(LoginItem::isEnabled(kProgram));
}

} // namespace
