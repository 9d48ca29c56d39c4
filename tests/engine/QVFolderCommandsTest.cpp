// Embed in Folder, Unembed Folder and New Folder on real folders in the test's home. The name
// dialogs are answered by openers installed here (the real dialogs are driven in the tool-window
// and extension tests).

#include "engine/service/folders/QVFolderCommands.h"

#include "CommandTestSupport.h"
#include "foundation/QVNameDialogs.h"
#include "platform/Bundle.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestNames.h"

#include <QDirIterator>

using namespace tarsel::test;

namespace {

class FolderCommandsTest : public CommandTest
{
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        platform::Sound::setRecording(true);
        setSwitch(QVSwitch::SoundFeedback, true);
        QVNameDialogs::setEmbedFolderOpener([this](const QString& name, QVNameDialogs::EmbedHandler handler) {
            m_defaultNames << name;
            handler(m_answer, m_mode);
        });
        QVNameDialogs::setNewFolderOpener([this](const QString& name, QVNameDialogs::NameHandler handler) {
            m_defaultNames << name;
            handler(m_answer);
        });
    }
    void TearDown() override
    {
        QVNameDialogs::setEmbedFolderOpener({});
        QVNameDialogs::setNewFolderOpener({});
        platform::Sound::setRecording(false);
        EXPECT_EQ(QVMenuService::pendingWork(), 0) << "an answered dialog keeps no work pending";
        CommandTest::TearDown();
    }
    /// Every item below the folder, relative to it, sorted ("a/", "a/b.txt", ...).
    static QStringList tree(const QString& folder)
    {
        QStringList items;
        QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            items << QDir(folder).relativeFilePath(path) + (QFileInfo(path).isDir() ? QStringLiteral("/") : QString());
        }
        items.sort();
        return items;
    }

    QString m_answer;
    int m_mode = 0;
    QStringList m_defaultNames;
};

struct EmbedCase
{
    const char* name;
    QStringList items; ///< made in the work folder ("x/" a folder) and selected
    QStringList taken; ///< already there
    const char* answer;
    int mode;
    QStringList after; ///< the work folder afterwards
};

class EmbedTest : public FolderCommandsTest, public testing::WithParamInterface<EmbedCase>
{
};

QStringList L(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items) {
        list << QString::fromUtf8(item);
    }
    return list;
}

} // namespace

TEST_P(EmbedTest, MovesTheSelectionIntoTheNamedFolder)
{
    const EmbedCase& c = GetParam();
    QStringList selected;
    for (const QString& item : c.items + c.taken) {
        const QString path = item.endsWith(QLatin1Char('/')) ? folder(item.chopped(1)) : file(item);
        if (c.items.contains(item)) {
            selected << path;
        }
    }
    select(selected);
    m_answer = QString::fromUtf8(c.answer);
    m_mode = c.mode;
    m_service.embedFolder();
    EXPECT_EQ(tree(m_dir), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Embed, EmbedTest,
    testing::Values(
        EmbedCase { "ByExtension",
                    L({ "a.jpg", "b.jpg", "c.txt", "d" }),
                    {},
                    "New",
                    1,
                    L({ "New/", "New/d", "New/jpg/", "New/jpg/a.jpg", "New/jpg/b.jpg", "New/txt/", "New/txt/c.txt" }) },
        EmbedCase { "ATakenNameStaysTaken", L({ "a.txt", "b.txt" }), L({ "New" }), "New", 0,
                    L({ "New", "New-1/", "New-1/a.txt", "New-1/b.txt" }) },
        // One folder is embedded without a dialog, under its own name.
        EmbedCase {
            "OneFolderGoesIntoItsNamesake", L({ "Photos/" }), {}, "unused", 0, L({ "Photos/", "Photos/Photos/" }) },
        // A name with "/" would make a folder elsewhere, ".." would move the items up a level.
        EmbedCase { "ASlashIsNoFolderName", L({ "a.txt", "b.txt" }), {}, "x/y", 0, L({ "a.txt", "b.txt" }) },
        EmbedCase { "DotDotIsNoFolderName", L({ "a.txt", "b.txt" }), {}, "..", 0, L({ "a.txt", "b.txt" }) },
        EmbedCase { "CancelMakesNothing", L({ "a.txt", "b.txt" }), {}, "", 1, L({ "a.txt", "b.txt" }) }),
    caseName<EmbedCase>);

// Unembedding used to remove the emptied folder with everything whose name begins with "." still
// in it: a project's ".git" was lost. The folder now stays, under its own name, with those entries.
TEST_F(FolderCommandsTest, UnembedKeepsDotEntriesInTheFolder)
{
    const QString project = folder(QStringLiteral("project"));
    file(QStringLiteral("project/.git/HEAD"), "ref: refs/heads/main");
    file(QStringLiteral("project/.directory"), "[Desktop Entry]");
    file(QStringLiteral("project/main.c"), "int main;");
    folder(QStringLiteral("project/project"));
    // A staging name already in use belongs to someone else and is left alone.
    file(QStringLiteral(".project"), "not ours");
    select({ project });
    m_service.unembedFolder();
    EXPECT_EQ(tree(m_dir),
              L({ ".project", "main.c", "project-1/", "project-1/.directory", "project-1/.git/", "project-1/.git/HEAD",
                  "project/" }));
    EXPECT_EQ(readFile(m_dir + QStringLiteral("/.project")), QByteArray("not ours"));
    EXPECT_EQ(playedSounds(), QStringList { QStringLiteral("fold") });
}

TEST_F(FolderCommandsTest, UnembedMovesEverythingUpAndRemovesTheEmptiedFolder)
{
    file(QStringLiteral("x/x"), "inner");
    file(QStringLiteral("x/y"), "y");
    file(QStringLiteral("y"), "outer");
    folder(QStringLiteral("empty"));
    AlertScript alerts;
    select({ m_dir + QStringLiteral("/x"), m_dir + QStringLiteral("/empty") });
    m_service.unembedFolder();
    EXPECT_EQ(tree(m_dir), L({ "empty/", "x", "y", "y-1" }));
    EXPECT_EQ(readFile(m_dir + QStringLiteral("/x")), QByteArray("inner"));
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().first().informativeText, platform::Bundle::localizedString("Empty Folder Tip"));
}

// A failed move used to end the command with the folder still under its hidden staging name, so
// to the user it had vanished. A name one character too long for a free variant fails even as
// root; the folder must be back under its own name.
TEST_F(FolderCommandsTest, AFailedUnembedRenamesTheFolderBack)
{
    const QString longName(255, QLatin1Char('n'));
    file(QStringLiteral("x/a"), "a");
    file(QStringLiteral("x/") + longName, "inner");
    file(longName, "outer");
    AlertScript alerts;
    select({ m_dir + QStringLiteral("/x") });
    m_service.unembedFolder();
    const QStringList expected { QStringLiteral("a"), longName, QStringLiteral("x/"), QStringLiteral("x/") + longName };
    EXPECT_EQ(tree(m_dir), expected);
    ASSERT_EQ(alerts.shown().size(), 1);
    // The message says which entries stayed in the folder, not only that something went wrong.
    const QString text = alerts.shown().first().informativeText;
    EXPECT_TRUE(text.startsWith(platform::Bundle::localizedString("Error Common Tip"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("These entries stayed in it: \"") + longName + QLatin1Char('"')))
        << text.toStdString();
    EXPECT_TRUE(playedSounds().isEmpty());
}

struct NewFolderCase
{
    const char* name;
    QString answer;
    bool selectFile; ///< a file is selected (else nothing)
    QStringList made; ///< what appears, relative to the folder it goes into
};

class NewFolderTest : public FolderCommandsTest, public testing::WithParamInterface<NewFolderCase>
{
};

// With nothing selected the folder used to be made under a literal "~" in the working folder.
TEST_P(NewFolderTest, MakesAFreeFolderOfAValidName)
{
    const NewFolderCase& c = GetParam();
    const QString where = c.selectFile ? m_dir : testHome();
    if (c.selectFile) {
        select({ file(QStringLiteral("note.txt")) });
    }
    const QStringList before = QDir(where).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QDir().mkpath(where + QStringLiteral("/Taken"));
    m_answer = c.answer;
    m_service.createFolder();
    QStringList made = QDir(where).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : before + QStringList { QStringLiteral("Taken") }) {
        made.removeOne(name);
    }
    EXPECT_EQ(made, c.made);
    EXPECT_EQ(m_defaultNames, QStringList { platform::Bundle::localizedString("Untitled") });
    EXPECT_FALSE(QFileInfo::exists(QDir::current().filePath(QStringLiteral("~"))));
}

INSTANTIATE_TEST_SUITE_P(NewFolder, NewFolderTest,
                         testing::Values(NewFolderCase { "BesideASelectedFile", "Made", true, L({ "Made" }) },
                                         NewFolderCase { "NothingSelectedMeansHome", "Made", false, L({ "Made" }) },
                                         NewFolderCase { "TakenGetsAFreeName", "Taken", true, L({ "Taken-1" }) },
                                         NewFolderCase { "CancelMakesNothing", QString(), true, {} },
                                         NewFolderCase { "SlashIsRefused", "a/b", true, {} },
                                         NewFolderCase { "NulIsRefused", QStringLiteral("a") + QChar(u'\0'), true, {} },
                                         NewFolderCase { "DotIsRefused", ".", true, {} },
                                         NewFolderCase { "DotDotIsRefused", "..", true, {} }),
                         caseName<NewFolderCase>);
