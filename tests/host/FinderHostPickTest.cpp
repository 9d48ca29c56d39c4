// A chosen entry runs for real in a tarsel-finder process: the application it names is started
// from an argument vector, so a file name full of shell syntax arrives as one argument.

#include "tests/host/HostRun.h"
#include "tests/engine/MenuStoreTestSupport.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "platform/Bundle.h"
#include "platform/Paths.h"
#include "platform/System.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

using namespace tarsel::test;

TEST(FinderHostPickTest, OpenWithStartsTheApplicationWithTheNameAsOneArgument)
{
    const QString home = testHome();
    const QString record = home + "/launches.txt";
    const QString program
        = writeFile(home + "/bin/recorder",
                    "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" + record.toUtf8()
                        + ".part\" && mv \"" + record.toUtf8() + ".part\" \"" + record.toUtf8() + "\"\n");
    ASSERT_TRUE(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    installApplication("org.test.Recorder", "Recorder", program + " %F");
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Common App") });
    storeList(QVMenuManager::kArrayCommonApp, { entry({ { "key", "Recorder" }, { "appName", "Recorder" } }) });
    const QString file = writeFile(home + "/work/it's \"q\" $(touch pwned) `id`.txt", "x");

    const HostRun run = pickInHost(101, { file });
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(record); }, 20000)) << run.err.constData();
    EXPECT_EQ(readFile(record), file.toUtf8() + '\n');
    EXPECT_FALSE(QFile::exists(home + "/work/pwned"));
    const QVariantMap uses = QVMenuManager::sharedDefaults().dictionaryValue("use count detail");
    EXPECT_EQ(uses.value("Common App").toLongLong(), 1);

    // A child index beyond the list is a tag of no entry: the host says so and fails.
    const HostRun beyond = pickInHost(102, { file });
    EXPECT_NE(beyond.exitCode, 0);
    EXPECT_TRUE(beyond.err.contains("tag 102")) << beyond.err.constData();
}

namespace {

// An application whose Exec line puts the selected file where a shell could run it as code,
// behind a wrapper no list of wrappers knows.
struct ExecCase
{
    const char* name;
    const char* exec; ///< "WRAP" stands for the wrapper, "RECORD" for the recorder
    bool opens;
};

const ExecCase execCases[] = {
    { "WrapperInFront", "WRAP sh -c %f", false },
    { "NiceInFront", "WRAP nice -n 5 sh -c %f", false },
    { "OptionBetweenInterpreterAndCode", "WRAP bash -O extglob -c %f", false },
    { "NameAsDataAfterTheCode", "WRAP sh -c \"exec RECORD \\\\\"\\\\$@\\\\\"\" sh %F", true },
};

class FinderHostExecTest : public testing::TestWithParam<ExecCase>
{
};

} // namespace

// A real desktop entry in the test's data folder, opened through the real host: a file whose
// name is shell code ("x;cd;touch canary") would create the canary if the name ran.
TEST_P(FinderHostExecTest, ANameNeverRunsAsCodeBehindAWrapper)
{
    const QString home = testHome();
    const QString wrapper = writeFile(home + "/bin/tarsel-test-wrapper", "#!/bin/sh\n\"$@\"\n");
    const QString record = home + "/record.txt";
    const QString recorder = writeFile(home + "/bin/recorder",
                                       "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + record.toUtf8() + ".part\" && mv \""
                                           + record.toUtf8() + ".part\" \"" + record.toUtf8() + "\"\n");
    for (const QString& program : { wrapper, recorder }) {
        ASSERT_TRUE(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    QString exec = QString::fromUtf8(GetParam().exec);
    exec.replace("WRAP", wrapper).replace("RECORD", recorder);
    installApplication("org.test.Wrapped", "Wrapped", exec);
    installApplication("org.test.Recorder", "Recorder", wrapper + QLatin1Char(' ') + recorder + " %F");
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Common App") });
    QVariantList apps;
    for (const char* name : { "Wrapped", "Recorder" }) {
        apps << entry({ { "key", QLatin1String(name) }, { "appName", QLatin1String(name) } });
    }
    storeList(QVMenuManager::kArrayCommonApp, apps);
    const QString file = writeFile(home + "/work/x;cd;touch canary", "x");

    HostRun run = pickInHost(101, { file });
    if (GetParam().opens) {
        EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    } else {
        EXPECT_NE(run.exitCode, 0);
        EXPECT_TRUE(run.err.contains("the command runs a file name as code")) << run.err.constData();
        EXPECT_FALSE(QFile::exists(record));
        // A later start through the same wrapper records the file; the canary is checked after it.
        run = pickInHost(102, { file });
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(record); }, 20000)) << run.err.constData();
    EXPECT_EQ(readFile(record), file.toUtf8() + '\n');
    EXPECT_FALSE(QFile::exists(home + "/canary"));
}

INSTANTIATE_TEST_SUITE_P(Entries, FinderHostExecTest, testing::ValuesIn(execCases), caseName<ExecCase>);

// Cut in one tarsel-finder process, Paste in another, on the factory menu: the item moves on
// disk, because the cut list travels through the shared configuration.
TEST(FinderHostPickTest, CutInOneProcessAndPasteInAnotherMovesTheItem)
{
    ASSERT_TRUE(QVDefaultData::setup());
    const QString home = testHome();
    const QString file = writeFile(home + "/from/report; $(id).txt", "contents");
    const QString target = home + "/to";
    ASSERT_TRUE(QDir().mkpath(target));

    const int cut = tagInHostMenu({ file }, { "Cut" });
    ASSERT_GT(cut, 0);
    HostRun run = pickInHost(cut, { file });
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    ASSERT_TRUE(QFile::exists(file)) << "a cut alone moves nothing";

    // On the target folder's background the menu now offers Paste.
    const int paste = tagInHostMenu({ "--target", target }, { "Paste" });
    ASSERT_GT(paste, 0);
    run = pickInHost(paste, { "--target", target });
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QString moved = target + "/report; $(id).txt";
    EXPECT_TRUE(QFile::exists(moved)) << run.err.constData();
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(readFile(moved), QByteArray("contents"));
}

// "Copy to", a common folder, "Current Directory", chosen in a real tarsel-finder process on the
// factory menu: the file is copied into the common folder on disk and its source stays.
TEST(FinderHostPickTest, CopyToACommonFolderCopiesTheFileOnDisk)
{
    ASSERT_TRUE(QVDefaultData::setup());
    const QString home = testHome();
    const QString common = home + "/Common Folder";
    // A sub-folder makes the common folder offer "Current Directory" beside it.
    ASSERT_TRUE(QDir().mkpath(common + "/inner"));
    storeList(QVMenuManager::kArrayCommonPath,
              { entry({ { "key", "C1" }, { "path", common }, { "displayName", "Common" } }) });
    const QString file = writeFile(home + "/work/report; $(id).txt", "contents");

    const int tag = tagInHostMenu({ file },
                                  { platform::Bundle::localizedString("Copy to"), "Common",
                                    platform::Bundle::localizedString("Current Directory") });
    ASSERT_GT(tag, 0);
    const HostRun run = pickInHost(tag, { file });
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QString copied = common + "/report; $(id).txt";
    EXPECT_EQ(readFile(copied), QByteArray("contents")) << run.err.constData();
    EXPECT_EQ(readFile(file), QByteArray("contents"));
    const QVariantMap uses = QVMenuManager::sharedDefaults().dictionaryValue("use count detail");
    EXPECT_EQ(uses.value("Copy to").toLongLong(), 1);
}

// A folder icon chosen in a tarsel-finder process: the plug-in is the extension, so the image is
// kept in the extension's own private folder, and the folder names it in its .directory file.
TEST(FinderHostPickTest, AFolderIconIsKeptInTheExtensionsOwnFolder)
{
    ASSERT_TRUE(QVDefaultData::setup());
    const QString folder = testHome() + "/Projects";
    ASSERT_TRUE(QDir().mkpath(folder));
    const int tag = tagInHostMenu(
        { folder }, { platform::Bundle::localizedString("Folder Icon"), platform::Bundle::localizedString("Heart") });
    ASSERT_GT(tag, 0);
    const HostRun run = pickInHost(tag, { folder });
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QString store = platform::Paths::applicationSupport(platform::System::kExtensionBundleId);
    const QString directory = QString::fromUtf8(readFile(folder + "/.directory"));
    EXPECT_TRUE(directory.contains("Icon=" + store + QLatin1Char('/'))) << directory.toStdString();
    EXPECT_FALSE(QDir(platform::Paths::applicationSupport(platform::System::kAppBundleId)).exists());
}
