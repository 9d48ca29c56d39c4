// New files and unembedding chosen in a real tarsel-finder process, checked on disk.

#include "tests/engine/MenuStoreTestSupport.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/QVPermissions.h"
#include "platform/Bundle.h"
#include "platform/System.h"

#include "HostRun.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>

using namespace tarsel::test;

// The factory menu's "New File", "Numbers Spreadsheet" on a folder's background: the blank
// spreadsheet of the bundle lands in that folder; a second pick finds the name taken, and the
// host, which cannot ask, stops without touching the first file.
TEST(FinderHostNewFileTest, AFactoryTemplateMakesItsBlankDocumentInTheFolder)
{
    ASSERT_TRUE(QVDefaultData::setup());
    const QString folder = testHome() + "/Documents/Reports";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QStringList on { "--target", folder };
    const int tag = tagInHostMenu(on, { platform::Bundle::localizedString("New File"), "Numbers Spreadsheet" });
    ASSERT_GT(tag, 0);
    const HostRun first = pickInHost(tag, on);
    ASSERT_EQ(first.exitCode, 0) << first.err.constData();
    const QByteArray blank = platform::Bundle::resourceData("Untitled", "numbers");
    ASSERT_TRUE(blank.startsWith("PK"));
    EXPECT_EQ(readFile(folder + "/Untitled.numbers"), blank);

    writeFile(folder + "/Untitled.numbers", "edited");
    const HostRun second = pickInHost(tag, on);
    EXPECT_EQ(second.exitCode, 0) << second.err.constData();
    EXPECT_EQ(readFile(folder + "/Untitled.numbers"), QByteArray("edited"));
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);
}

// "New File…" in the host shows the activation panel ("Allow Tarsel to use this folder for the
// first time") until it has been answered with "Activate", and then never again. The answer used
// to live in the process's memory, and every host command is a new process: the panel came
// before every "New File…".
TEST(FinderHostNewFileTest, TheActivationPanelIsShownUntilAnsweredOnceInAnyProcess)
{
    ASSERT_TRUE(QVDefaultData::setup());
    const QString folder = testHome() + "/Documents";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QStringList on { "--target", folder };
    const int tag = childTagOfKeyInMenu(menuJson(on), "New File", "New File From Window");
    ASSERT_GT(tag, 0);
    const QString activate = platform::Bundle::localizedString("Activate");

    const HostRun before = pickInHost(tag, on);
    ASSERT_EQ(before.exitCode, 0) << before.err.constData();
    EXPECT_TRUE(QString::fromUtf8(before.err).contains("save panel: " + activate)) << before.err.constData();
    // What the panel's "Activate" button does, in the extension's own standard defaults.
    platform::System::setBundleIdentifier(platform::System::kExtensionBundleId);
    QVPermissions::sharedInstance().setIsActive15(true);
    platform::System::setBundleIdentifier(platform::System::kAppBundleId);
    for (int run = 0; run < 2; ++run) {
        const HostRun after = pickInHost(tag, on);
        ASSERT_EQ(after.exitCode, 0) << after.err.constData();
        EXPECT_FALSE(QString::fromUtf8(after.err).contains(activate)) << after.err.constData();
    }
}

// Unembedding a working copy: its files move up, and its ".git" stays in the folder, which keeps
// its name.
TEST(FinderHostNewFileTest, UnembedKeepsTheGitFolder)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Unembed Folder") });
    const QString parent = testHome() + "/src";
    const QString project = parent + "/tool";
    writeFile(project + "/.git/HEAD", "ref: refs/heads/main\n");
    writeFile(project + "/main.c", "int main(void) { return 0; }\n");
    const HostRun run = pickInHost(1, { project });
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(readFile(parent + "/main.c"), QByteArray("int main(void) { return 0; }\n"));
    EXPECT_EQ(readFile(project + "/.git/HEAD"), QByteArray("ref: refs/heads/main\n"));
    EXPECT_EQ(QDir(parent).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList { "main.c", "tool" }));
}

namespace {

struct NamedTemplateCase
{
    const char* name; // the template file's name, which has no extension
};

const NamedTemplateCase kNamedTemplates[] = { { "Makefile" }, { "README" }, { "LICENSE" }, { ".env" } };

void PrintTo(const NamedTemplateCase& c, std::ostream* os)
{
    *os << c.name;
}

class FinderHostNamedTemplateTest : public testing::TestWithParam<NamedTemplateCase>
{
};

} // namespace

// A file without an extension added as a template makes new files of its own name. Its entry's
// key, a UUID, used to stand in for the missing extension: "Untitled.<UUID>".
TEST_P(FinderHostNamedTemplateTest, ATemplateWithoutExtensionMakesAFileOfItsName)
{
    const QString name = QString::fromLatin1(GetParam().name);
    ASSERT_TRUE(QVDefaultData::setup());
    const QByteArray contents = "contents of " + QByteArray(GetParam().name) + '\n';
    const QString source = writeFile(testHome() + "/project/" + name, contents);
    const int add = childTagOfKeyInMenu(menuJson({ source }), "New File", "Add to File Template");
    ASSERT_GT(add, 0);
    const HostRun added = pickInHost(add, { source });
    ASSERT_EQ(added.exitCode, 0) << added.err.constData();

    const QString folder = testHome() + "/other";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QStringList on { "--target", folder };
    const int tag = tagInHostMenu(on, { platform::Bundle::localizedString("New File"), name });
    ASSERT_GT(tag, 0);
    const HostRun made = pickInHost(tag, on);
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList { name });
    EXPECT_EQ(readFile(folder + QLatin1Char('/') + name), contents);
}

INSTANTIATE_TEST_SUITE_P(NoExtension, FinderHostNamedTemplateTest, testing::ValuesIn(kNamedTemplates),
                         [](const testing::TestParamInfo<NamedTemplateCase>& info) {
                             return testName(info.param.name);
                         });
