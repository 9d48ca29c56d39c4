// Every command that moves, renames or removes an item, chosen in a real tarsel-finder process on
// the test's own home folder spelt as an attacker or a careless script would spell it. Paste,
// Unembed Folder and Embed in Folder once skipped the guard: as root, Unembed began renaming
// "/usr" to "/.usr", a cut "/usr" was pasted away and Embed made "/etc-1". Each pick must refuse
// with a message naming the folder, fail the host, and leave everything as it was.

#include "tests/engine/MenuStoreTestSupport.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/QVFileTransfer.h"
#include "platform/Bundle.h"

#include "testsupport/FileStatus.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include "tests/host/HostRun.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tarsel::test;

namespace {

struct Command
{
    const char* name;
    const char* key; ///< the main-menu entry
    const char* title; ///< its title in the refusal
    /// The tag path below the entry ("02": the common folder's own entry), empty for a leaf.
    const char* below;
    bool pastes; ///< the spelling is the remembered cut item; the pick is on another folder
    const char* env; ///< one "NAME=value" for the host, or empty
};

struct Spelling
{
    const char* name;
    QString (*path)();
};

struct GuardCase
{
    std::string name;
    Command command;
    Spelling spelling;
};

void PrintTo(const GuardCase& c, std::ostream* os)
{
    *os << c.name;
}

QString home()
{
    return testHome();
}

const Command kCommands[] = {
    { "Delete", "Delete", "Delete", "", false, "" },
    { "MoveToTrash", "Move to Trash", "Move to Trash", "", false, "" },
    { "Paste", "Cut Paste", "Paste", "", true, "" },
    // Handed to the application where the extension may hand it over; in place before that.
    { "EmbedInFolderHandedOver", "Embed in Folder", "Embed in Folder", "", false, "" },
    { "EmbedInFolderInPlace", "Embed in Folder", "Embed in Folder", "", false, "TARSEL_SYSTEM_VERSION=14.0" },
    { "UnembedFolder", "Unembed Folder", "Unembed Folder", "", false, "" },
    { "FixingGarbledNames", "Fixing Garbled Names", "Fixing Garbled Names", "", false, "" },
    { "MoveTo", "Move to", "Move to", "02", false, "" },
};

const Spelling kSpellings[] = {
    { "TrailingSlash", [] { return home() + "/"; } },   { "DoubledSlashes", [] { return "/" + home() + "//"; } },
    { "DotDot", [] { return home() + "/w/.."; } },      { "DotsAndDotDot", [] { return home() + "/./w/../."; } },
    { "LinkAbove", [] { return home() + "/w/up/."; } },
};

std::vector<GuardCase> cases()
{
    std::vector<GuardCase> list;
    for (const Command& command : kCommands) {
        for (const Spelling& spelling : kSpellings) {
            list.push_back({ std::string(command.name) + "_" + spelling.name, command, spelling });
        }
    }
    return list;
}

// Names and contents of everything under the folder, links shown as links.
QStringList treeOf(const QString& folder)
{
    QStringList tree;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        tree << QDir(folder).relativeFilePath(path) + QLatin1Char(' ')
                + (info.isSymLink() ? info.symLinkTarget() : QString::fromUtf8(readFile(path)));
    }
    tree.sort();
    return tree;
}

// The tag of the entry with that key in the menu the host prints, or -1.
int tagOfKey(const QStringList& args, const QString& key)
{
    const HostRun run = runHost(QStringList { "menu", "--json" } + args);
    const int tag = tagOfKeyInMenu(run.out, key);
    if (tag < 0) {
        ADD_FAILURE() << "no entry " << key.toStdString() << " in " << run.out.constData() << run.err.constData();
    }
    return tag;
}

class FinderHostGuardTest : public testing::TestWithParam<GuardCase>
{
};

} // namespace

TEST_P(FinderHostGuardTest, RefusesTheHomeFolderAndTouchesNothing)
{
    const Command& command = GetParam().command;
    const QString spelt = GetParam().spelling.path();
    const QString dest = home() + "/dest";
    writeFile(home() + "/w/marker %41.txt", "still here");
    ASSERT_TRUE(QDir().mkpath(dest));
    ASSERT_TRUE(QFile::link(home(), home() + "/w/up"));
    if (command.pastes) {
        // The cut list as another process (or an older version) left it, spelling and all.
        ASSERT_TRUE(QVDefaultData::setup());
        QVFileTransfer::storeCutPaths({ spelt });
    } else {
        storeList(QVMenuManager::kArrayRightMenu, { entry({ { "key", QString::fromUtf8(command.key) } }) });
    }
    storeList(QVMenuManager::kArrayCommonPath, { entry({ { "key", "dest" }, { "path", dest } }) });
    QVMenuManager::sharedDefaults().setValue("is reviewed", true);

    QStringList where = command.pastes ? QStringList { "--target", dest } : QStringList { spelt };
    const int tag = tagOfKey(where, command.pastes ? "Paste" : QString::fromUtf8(command.key));
    ASSERT_GT(tag, 0);
    const QString parent = QFileInfo(home()).path();
    const QString name = QFileInfo(home()).fileName();
    const QStringList before = treeOf(home() + "/w");
    const ino_t inode = statOf(home(), false).st_ino;

    const QString pick = QString::number(tag) + QString::fromUtf8(command.below);
    const QStringList env = *command.env ? QStringList { QString::fromUtf8(command.env) } : QStringList();
    const HostRun run = runHost(QStringList { "pick", pick } + where, env);

    EXPECT_NE(run.exitCode, 0) << run.err.constData();
    EXPECT_NE(run.exitCode, -1) << "the host did not finish";
    const QString err = QString::fromUtf8(run.err);
    const QString title = platform::Bundle::localizedString(QString::fromUtf8(command.title));
    EXPECT_TRUE(err.contains(QStringLiteral("Failed to run \"%1\"").arg(title))) << run.err.constData();
    EXPECT_TRUE(err.contains(QLatin1Char('"') + home() + QLatin1Char('"'))) << run.err.constData();
    EXPECT_TRUE(err.contains("never removed, moved or renamed")) << run.err.constData();

    EXPECT_EQ(statOf(home(), false).st_ino, inode);
    EXPECT_EQ(treeOf(home() + "/w"), before);
    EXPECT_TRUE(QDir(dest).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(home() + "-1"));
    EXPECT_FALSE(QFileInfo::exists(parent + "/." + name));
    EXPECT_FALSE(QFileInfo::exists(home() + "/.local/share/Trash/files"));
    const QVariantMap uses = QVMenuManager::sharedDefaults().dictionaryValue("use count detail");
    EXPECT_TRUE(uses.isEmpty()) << "a refused pick is no use";
}

INSTANTIATE_TEST_SUITE_P(Cases, FinderHostGuardTest, testing::ValuesIn(cases()), caseName<GuardCase>);
