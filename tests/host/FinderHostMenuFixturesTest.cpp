// The menus tarsel-finder prints for a fixed set of configurations and selections, compared
// byte for byte with the outputs kept beside the configurations in menu-fixtures/. Reworking how
// the engine builds its menus must not change a single entry, title, tag, key or image name.
//
// Each configuration is the shared suite of a user's menu: <name>.plist, with @HOME@ where the
// test's private home goes; "factory" is what the application writes on its first start. The
// outputs are <name>.expected, one "## selection" line and the printed JSON per selection, the
// test's home written back as @HOME@. After a deliberate change of the menus, rewrite them with
// TARSEL_UPDATE_MENU_FIXTURES=1 and review the difference like code.

#include "engine/model/QVDefaultData.h"
#include "platform/Paths.h"
#include "platform/System.h"

#include "tests/host/HostRun.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace tarsel::test;

namespace {

const QString kHomePlaceholder = QStringLiteral("@HOME@");

QString fixturesDir()
{
    return QStringLiteral(TARSEL_SOURCE_DIR "/tests/host/menu-fixtures");
}

struct Selection
{
    const char* name;
    QStringList args; ///< after "menu --json"; paths relative to the test's home
};

// Files of several extensions, a folder, several items, the folder background and the toolbar
// button; together they reach every rule that looks at the selection.
const QList<Selection>& selections()
{
    static const QList<Selection> list = {
        { "text file", { QStringLiteral("sel/report.txt") } },
        { "picture", { QStringLiteral("sel/photo.png") } },
        { "archive", { QStringLiteral("sel/archive.zip") } },
        { "shell script", { QStringLiteral("sel/run.sh") } },
        { "file without extension", { QStringLiteral("sel/Makefile") } },
        { "folder", { QStringLiteral("sel/Projects") } },
        { "common folder", { QStringLiteral("paths/Work") } },
        { "several items",
          { QStringLiteral("sel/report.txt"), QStringLiteral("sel/photo.png"), QStringLiteral("sel/Projects") } },
        { "folder background",
          { QStringLiteral("--kind"), QStringLiteral("1"), QStringLiteral("--target"), QStringLiteral("sel") } },
        { "toolbar button",
          { QStringLiteral("--kind"), QStringLiteral("3"), QStringLiteral("--target"), QStringLiteral("sel") } },
    };
    return list;
}

// The files the selections name and the folders the configurations point at.
void writeTree()
{
    writeFile(inHome(QStringLiteral("sel/report.txt")), "first line\nsecond line\n");
    writeFile(inHome(QStringLiteral("sel/photo.png")), QByteArray("\x89PNG\r\n\x1a\n", 8));
    writeFile(inHome(QStringLiteral("sel/archive.zip")), QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
    writeFile(inHome(QStringLiteral("sel/run.sh")), "#!/bin/sh\necho hi\n");
    writeFile(inHome(QStringLiteral("sel/Makefile")), "all:\n");
    writeFile(inHome(QStringLiteral("sel/Projects/plan.md")), "# plan\n");
    writeFile(inHome(QStringLiteral("elsewhere/cut.txt")), "cut\n");
    // The menus list a folder's entries in the order the file system gives them, which differs
    // between machines: every folder a menu lists holds at most one entry.
    QDir().mkpath(inHome(QStringLiteral("paths/Work/Alpha/Deep")));
    writeFile(inHome(QStringLiteral("paths/Music/song.mp3")), "ID3");
    for (int i = 0; i < 105; ++i) {
        QDir().mkpath(inHome(QStringLiteral("paths/Many/%1").arg(i, 3, 10, QLatin1Char('0'))));
    }
    QDir().mkpath(inHome(QStringLiteral("Desktop")));
    installApplication(QStringLiteral("org.example.editor"), QStringLiteral("Text Editor"));
}

QByteArray runMenu(const QStringList& args)
{
    // Only the applications the test installs: the machine's own must not change the menus.
    const HostRun run = runProgram(
        QStringLiteral(TARSEL_FINDER_PROGRAM), QStringList { QStringLiteral("menu"), QStringLiteral("--json") } + args,
        { .env = hostEnvironment({ QStringLiteral("XDG_DATA_DIRS=") + inHome(QStringLiteral(".system-data")),
                                   QStringLiteral("LC_ALL=C"), QStringLiteral("LANGUAGE=en") },
                                 { QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY") }),
          .folder = testHome() });
    if (!run.finished) {
        return "(did not finish)\n";
    }
    return run.exitCode == 0 ? run.out : run.out + "(exit " + QByteArray::number(run.exitCode) + ")\n";
}

// The printed menus of one configuration, the test's home written as the placeholder.
QByteArray menusOfConfiguration()
{
    const QByteArray home = QFile::encodeName(QFileInfo(testHome()).canonicalFilePath());
    QByteArray all;
    for (const Selection& selection : selections()) {
        all += "## " + QByteArray(selection.name) + '\n';
        all += runMenu(selection.args).replace(home, kHomePlaceholder.toUtf8());
    }
    return all;
}

class MenuFixtures : public testing::TestWithParam<const char*>
{
};

TEST_P(MenuFixtures, PrintsTheKeptMenus)
{
    const QString name = QString::fromLatin1(GetParam());
    writeTree();
    const QString suite = platform::Paths::groupSuiteFile(platform::System::kGroupId);
    if (name == QLatin1String("factory")) {
        ASSERT_TRUE(QVDefaultData::setup());
    } else {
        QFile fixture(fixturesDir() + QLatin1Char('/') + name + QStringLiteral(".plist"));
        ASSERT_TRUE(fixture.open(QIODevice::ReadOnly)) << qPrintable(fixture.fileName());
        const QByteArray store = fixture.readAll().replace(kHomePlaceholder.toUtf8(), QFile::encodeName(testHome()));
        writeFile(suite, store);
    }
    ASSERT_TRUE(QFileInfo::exists(suite));

    const QByteArray actual = menusOfConfiguration();
    const QString expectedPath = fixturesDir() + QLatin1Char('/') + name + QStringLiteral(".expected");
    if (qEnvironmentVariableIntValue("TARSEL_UPDATE_MENU_FIXTURES") == 1) {
        writeFile(expectedPath, actual);
    }
    QFile expectedFile(expectedPath);
    ASSERT_TRUE(expectedFile.open(QIODevice::ReadOnly)) << qPrintable(expectedPath);
    const QByteArray expected = expectedFile.readAll();
    // Compared line by line first, so a failure names the selection and the entry that differ.
    const QList<QByteArray> expectedLines = expected.split('\n');
    const QList<QByteArray> actualLines = actual.split('\n');
    for (qsizetype i = 0; i < std::min(expectedLines.size(), actualLines.size()); ++i) {
        ASSERT_EQ(actualLines[i].toStdString(), expectedLines[i].toStdString()) << "line " << i + 1;
    }
    EXPECT_EQ(actual.toStdString(), expected.toStdString());
}

std::string fixtureName(const testing::TestParamInfo<const char*>& info)
{
    std::string out;
    for (const char* c = info.param; *c != '\0'; ++c) {
        out += (*c == '-') ? '_' : *c;
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(Configurations, MenuFixtures,
                         testing::Values("factory", "all-entries-on", "sub-lists-in-main", "folded", "common-paths",
                                         "scripts", "apps", "switches-flipped", "needs-files-folders", "empty-main",
                                         "long-lists"),
                         fixtureName);

} // namespace
