#include "platform/finder/FileManagerActions.h"
#include "platform/finder/UcaActions.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSettings>

#include <functional>

#include <gtest/gtest.h>

using namespace tarsel::test;
using platform::FileManagerActions;

namespace {

// A host path with a space and a quote, as a home folder may have.
const QString kHostRelative = QStringLiteral("opt/Tarsel's build/tarsel-finder");

// Three user actions with Thunar's own layout, a comment, an entity and a CDATA section: all
// of it must come out of a turn on and off byte for byte.
const QByteArray kUserUca = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<actions>\n"
                            "<!-- my actions -->\n"
                            "<action>\n\t<icon>utilities-terminal</icon>\n\t<name>Open Terminal Here</name>\n"
                            "\t<unique-id>1700000000000000-1</unique-id>\n"
                            "\t<command>exo-open --working-directory %f --launch TerminalEmulator</command>\n"
                            "\t<description>Example for a custom action</description>\n\t<patterns>*</patterns>\n"
                            "\t<startup-notify/>\n\t<directories/>\n</action>\n"
                            "<action>\n\t<icon></icon>\n\t<name>Grep &amp; count</name>\n"
                            "\t<unique-id>1700000000000001-2</unique-id>\n"
                            "\t<command><![CDATA[grep -c x %f > /tmp/n]]></command>\n"
                            "\t<description>Ünïcode</description>\n\t<patterns>*.txt</patterns>\n"
                            "\t<text-files/>\n</action>\n"
                            "  <action><name>Third</name><unique-id>third</unique-id><command>true</command>"
                            "<patterns>*</patterns><other-files/></action>\n"
                            "</actions>\n";

// One action of the user's own in each folder-based file manager, and the files ours go to.
struct FolderManager
{
    const char* name;
    const char* folder; ///< relative to the home
    const char* userFile;
    QStringList ours;
    bool executable;
};

const QList<FolderManager>& folderManagers()
{
    static const QList<FolderManager> all {
        { "Nemo",
          ".local/share/nemo/actions",
          "mine.nemo_action",
          { QStringLiteral("tarsel.nemo_action"), QStringLiteral("tarsel-folder.nemo_action") },
          false },
        { "Caja", ".config/caja/scripts", "Mine", { QStringLiteral("Tarsel") }, true },
        { "Dolphin",
          ".local/share/kio/servicemenus",
          "mine.desktop",
          { QStringLiteral("tarsel.desktop"), QStringLiteral("tarsel-folder.desktop") },
          true },
        { "Nautilus", ".local/share/nautilus/scripts", "Mine", { QStringLiteral("Tarsel") }, true },
        { "PCManFM-Qt",
          ".local/share/file-manager/actions",
          "mine.desktop",
          { QStringLiteral("tarsel.desktop"), QStringLiteral("tarsel-folder.desktop") },
          false },
    };
    return all;
}

QByteArray shellQuoted(const QString& path)
{
    return "'" + QFile::encodeName(path).replace("'", "'\\''") + "'";
}

QString ucaFile()
{
    return inHome(QStringLiteral(".config/Thunar/uca.xml"));
}

// Every file under the home but the stand-in programs, with its bytes.
QMap<QString, QByteArray> snapshot()
{
    QMap<QString, QByteArray> files;
    for (const char* root : { ".config", ".local/share" }) {
        QDir dir(inHome(QLatin1String(root)));
        std::function<void(const QString&)> walk = [&](const QString& path) {
            const QFileInfoList entries = QDir(path).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
            for (const QFileInfo& entry : entries) {
                if (entry.isDir()) {
                    walk(entry.filePath());
                } else {
                    files.insert(entry.filePath(), readFile(entry.filePath()));
                }
            }
        };
        walk(dir.path());
    }
    return files;
}

enum class Step { On, Off };

struct ActionsCase
{
    const char* name;
    QByteArray uca; ///< the user's uca.xml; empty: none
    QList<Step> steps;
    bool ucaDamaged;
};

class FileManagerActionsTest : public testing::TestWithParam<ActionsCase>
{
protected:
    void SetUp() override
    {
        // Every supported file manager is "installed": a stand-in of its program name on PATH.
        for (const char* program : { "thunar", "nemo", "caja", "dolphin", "nautilus", "pcmanfm-qt" }) {
            const QString path = writeFile(inHome(QStringLiteral("bin/") + QLatin1String(program)), "#!/bin/sh\n");
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        m_env.set("PATH", QFile::encodeName(inHome(QStringLiteral("bin"))));
        // No system uca.xml to start a new one from.
        m_env.set("XDG_CONFIG_DIRS", QFile::encodeName(inHome(QStringLiteral("etc"))));
        m_host = writeFile(inHome(kHostRelative), "#!/bin/sh\n");
        for (const FolderManager& manager : folderManagers()) {
            writeFile(inHome(QLatin1String(manager.folder) + QLatin1Char('/') + QLatin1String(manager.userFile)),
                      QByteArray("user's own ") + manager.name + '\n');
        }
    }

    ScopedEnvironment m_env;
    QString m_host;
};

// Turning on writes Tarsel's actions with the host's absolute path into every installed file
// manager; turning off takes out exactly those, so the user's files come back byte for byte. A
// damaged uca.xml is never written, and the other file managers are turned on all the same.
TEST_P(FileManagerActionsTest, UserActionsStayAsTheyWere)
{
    const ActionsCase& c = GetParam();
    if (!c.uca.isEmpty()) {
        writeFile(ucaFile(), c.uca);
    }
    const QMap<QString, QByteArray> before = snapshot();
    QList<FileManagerActions::Outcome> last;
    QMap<QString, QByteArray> afterFirst;
    for (const Step step : c.steps) {
        last = step == Step::On ? FileManagerActions::enable(m_host) : FileManagerActions::disable();
        if (afterFirst.isEmpty()) {
            afterFirst = snapshot();
        }
    }
    ASSERT_EQ(last.size(), 6);
    const bool on = c.steps.last() == Step::On;
    for (const FileManagerActions::Outcome& outcome : last) {
        SCOPED_TRACE(outcome.name.toStdString());
        EXPECT_TRUE(outcome.installed);
        const bool thunarLeft = outcome.name == QLatin1String("Thunar") && c.ucaDamaged;
        EXPECT_EQ(outcome.ok, !thunarLeft) << outcome.message.toStdString();
        EXPECT_EQ(outcome.message.isEmpty(), !thunarLeft);
        // Thunar and PCManFM-Qt read their actions only when they start.
        EXPECT_EQ(outcome.restartNeeded,
                  outcome.changed
                      && (outcome.name == QLatin1String("PCManFM-Qt") || outcome.name == QLatin1String("Thunar")));
    }
    if (c.steps.size() == 2 && c.steps.at(0) == c.steps.at(1)) {
        // The second time finds everything in place and writes nothing.
        for (const FileManagerActions::Outcome& outcome : last) {
            EXPECT_FALSE(outcome.changed) << outcome.name.toStdString();
        }
        EXPECT_EQ(snapshot(), afterFirst);
    }
    EXPECT_EQ(FileManagerActions::anyHasActions(), on);

    if (c.ucaDamaged) {
        EXPECT_EQ(readFile(ucaFile()), c.uca);
        EXPECT_FALSE(QFileInfo::exists(platform::UcaActions::backupFile(ucaFile())));
    } else if (on) {
        QStringList ids;
        QString error;
        ASSERT_TRUE(platform::UcaActions::uniqueIds(ucaFile(), &ids, &error))
            << error.toStdString() << readFile(ucaFile()).toStdString();
        const QStringList user = c.uca.isEmpty()
            ? QStringList()
            : QStringList { QStringLiteral("1700000000000000-1"), QStringLiteral("1700000000000001-2"),
                            QStringLiteral("third") };
        const QStringList expected
            = user + QStringList { QStringLiteral("tarsel-items"), QStringLiteral("tarsel-folder") };
        EXPECT_EQ(ids, expected);
        const QByteArray text = readFile(ucaFile());
        EXPECT_TRUE(text.contains("<command>" + shellQuoted(m_host).replace("'", "&apos;") + " popup %F")
                    || text.contains("<command>" + shellQuoted(m_host) + " popup %F"))
            << text.toStdString();
        EXPECT_EQ(QFileInfo::exists(platform::UcaActions::backupFile(ucaFile())), !c.uca.isEmpty());
        if (!c.uca.isEmpty()) {
            EXPECT_EQ(readFile(platform::UcaActions::backupFile(ucaFile())), c.uca);
        }
    }
    for (const FolderManager& manager : folderManagers()) {
        SCOPED_TRACE(manager.name);
        const QString folder = inHome(QLatin1String(manager.folder));
        EXPECT_EQ(readFile(folder + QLatin1Char('/') + QLatin1String(manager.userFile)),
                  QByteArray("user's own ") + manager.name + '\n');
        for (const QString& name : manager.ours) {
            const QFileInfo ours(folder + QLatin1Char('/') + name);
            ASSERT_EQ(ours.exists(), on) << name.toStdString();
            if (on) {
                EXPECT_EQ(ours.isExecutable(), manager.executable);
                // Shell-like command lines carry the host single-quoted, desktop entries double-quoted.
                const QByteArray text = readFile(ours.filePath());
                EXPECT_TRUE(text.contains(shellQuoted(m_host)) || text.contains('"' + QFile::encodeName(m_host) + '"'))
                    << text.toStdString();
            }
        }
    }
    if (!on) {
        // Off leaves every file as it was before Tarsel came (the backup of uca.xml aside).
        QMap<QString, QByteArray> after = snapshot();
        after.remove(platform::UcaActions::backupFile(ucaFile()));
        if (c.uca.isEmpty() && !c.ucaDamaged) {
            // uca.xml was made by the first turn on and stays, holding no action.
            QStringList ids;
            QString error;
            EXPECT_TRUE(platform::UcaActions::uniqueIds(ucaFile(), &ids, &error));
            EXPECT_TRUE(ids.isEmpty());
            after.remove(ucaFile());
        }
        EXPECT_EQ(after, before);
    }
}

const ActionsCase kActionsCases[] = {
    { "TurnOnWithThreeUserActions", kUserUca, { Step::On }, false },
    { "TurnOnTwiceWritesNothingMore", kUserUca, { Step::On, Step::On }, false },
    { "TurnOnThenOffRestoresEveryByte", kUserUca, { Step::On, Step::Off }, false },
    { "TurnOnWithoutUcaMakesOne", QByteArray(), { Step::On }, false },
    { "TurnOnThenOffWithoutUca", QByteArray(), { Step::On, Step::Off }, false },
    { "DamagedUcaIsLeftAlone", kUserUca.left(kUserUca.size() - 40), { Step::On }, true },
    { "DamagedUcaIsLeftAloneOnTurnOff", kUserUca.left(kUserUca.size() - 40), { Step::Off }, true },
    { "UcaOfAnotherFormatIsLeftAlone", "<?xml version=\"1.0\"?>\n<menu><action/></menu>\n", { Step::On }, true },
};

INSTANTIATE_TEST_SUITE_P(Cases, FileManagerActionsTest, testing::ValuesIn(kActionsCases), caseName<ActionsCase>);

// PCManFM-Qt reads only TargetContext and offers context actions on its folder background, with
// the shown folder as the one selected item; a location-only action never shows. The folder's
// own menu is therefore a context action for one folder, named apart from the item action.
TEST_F(FileManagerActionsTest, PcmanfmQtOffersTheFolderMenuAsAContextAction)
{
    FileManagerActions::enable(m_host);
    const QString folder = inHome(QStringLiteral(".local/share/file-manager/actions/"));
    QSettings items(folder + QStringLiteral("tarsel.desktop"), QSettings::IniFormat);
    QSettings own(folder + QStringLiteral("tarsel-folder.desktop"), QSettings::IniFormat);
    EXPECT_EQ(items.value(QStringLiteral("Desktop Entry/Name")).toString(), QStringLiteral("Tarsel"));
    EXPECT_EQ(own.value(QStringLiteral("Desktop Entry/Name")).toString(), QStringLiteral("Tarsel (folder)"));
    EXPECT_EQ(own.value(QStringLiteral("Desktop Entry/TargetContext")).toString(), QStringLiteral("true"));
    EXPECT_EQ(own.value(QStringLiteral("Desktop Entry/TargetLocation")).toString(), QStringLiteral("true"));
    own.beginGroup(QStringLiteral("X-Action-Profile tarselFolder"));
    EXPECT_EQ(own.value(QStringLiteral("SelectionCount")).toString(), QStringLiteral("1"));
    EXPECT_TRUE(readFile(own.fileName()).contains(" popup --kind 1 --target %f\n"));
}

// A file of one of our names that Tarsel did not write is the user's: it is neither replaced nor
// removed, and the user is told.
TEST_F(FileManagerActionsTest, AFileOfOurNameThatIsNotOursIsLeftAlone)
{
    const QString nemo = writeFile(inHome(QStringLiteral(".local/share/nemo/actions/tarsel.nemo_action")),
                                   "[Nemo Action]\nName=Mine\nExec=mine %F\n");
    for (const bool on : { true, false }) {
        const QList<FileManagerActions::Outcome> outcomes
            = on ? FileManagerActions::enable(m_host) : FileManagerActions::disable();
        for (const FileManagerActions::Outcome& outcome : outcomes) {
            EXPECT_EQ(outcome.ok, outcome.name != QLatin1String("Nemo") || !on) << outcome.name.toStdString();
        }
        EXPECT_EQ(readFile(nemo), "[Nemo Action]\nName=Mine\nExec=mine %F\n");
    }
}

// The system's default actions, which Thunar shows until the user has a uca.xml, are kept in
// the new file.
TEST_F(FileManagerActionsTest, ANewUcaKeepsTheSystemDefaults)
{
    writeFile(inHome(QStringLiteral("etc/Thunar/uca.xml")), kUserUca);
    FileManagerActions::enable(m_host);
    QStringList ids;
    QString error;
    ASSERT_TRUE(platform::UcaActions::uniqueIds(ucaFile(), &ids, &error));
    EXPECT_EQ(ids.size(), 5);
    EXPECT_TRUE(readFile(ucaFile()).startsWith(kUserUca.left(kUserUca.indexOf("</actions>"))));
}

// Only installed file managers get the actions.
TEST_F(FileManagerActionsTest, OnlyInstalledFileManagersAreTurnedOn)
{
    m_env.set("PATH", QFile::encodeName(inHome(QStringLiteral("nothing"))));
    EXPECT_TRUE(FileManagerActions::installed().isEmpty());
    EXPECT_TRUE(FileManagerActions::enable(m_host).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(ucaFile()));
    EXPECT_FALSE(FileManagerActions::anyHasActions());
}

} // namespace
