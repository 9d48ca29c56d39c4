// New files from the factory template list, picked through the menu as the user would, on real
// files in the test's home; and the faults a new file must never hide.

#include "engine/service/newfile/QVNewFileCommands.h"

#include "CommandTestSupport.h"
#include "MenuStoreTestSupport.h"
#include "engine/model/QVDefaultData.h"
#include "engine/service/QVFileTransfer.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"
#include "platform/Workspace.h"

#include "testsupport/ModalScript.h"
#include "testsupport/SmallFileSystem.h"
#include "testsupport/TestNames.h"

#include <sys/stat.h>

using namespace tarsel::test;

namespace {

class NewFileTest : public CommandTest
{
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        ASSERT_TRUE(QVDefaultData::setup());
        platform::Sound::setRecording(true);
        setSwitch(QVSwitch::SoundFeedback, true);
        QVMenuService::ProgressHooks hooks;
        hooks.showSuccess = [this](const QString& message) { m_successes << message; };
        m_service.setProgressHooks(hooks);
    }
    void TearDown() override
    {
        platform::Sound::setRecording(false);
        CommandTest::TearDown();
    }
    /// Picks the entry of the New File submenu with that title, with the menu opened on `on`.
    void pickNewFile(const QString& title, const QString& on, bool selected)
    {
        select({ on }, selected);
        const auto menu = m_service.menuForMenuKind(selected ? platform::FIMenuKindContextualMenuForItems
                                                             : platform::FIMenuKindContextualMenuForContainer);
        const platform::MenuItem* newFile = entryTitled(menu.get(), platform::Bundle::localizedString("New File"));
        ASSERT_NE(newFile, nullptr);
        const platform::MenuItem* entry = entryTitled(newFile->submenu(), title);
        ASSERT_NE(entry, nullptr) << titles(newFile->submenu()).join(QLatin1Char(',')).toStdString();
        m_service.handlerMenuTag(entry->tag());
    }
    static QString tipsOf(const AlertScript& alerts)
    {
        QStringList tips;
        for (const AlertScript::Shown& shown : alerts.shown()) {
            tips << shown.informativeText;
        }
        return tips.join(QLatin1Char('|'));
    }

    QStringList m_successes;
};

struct TemplateCase
{
    const char* name;
    const char* title; ///< the entry's title in the submenu
    const char* file; ///< the new file's name
    const char* blankType; ///< the bundle's blank document it starts as, null for an empty file
};

class NewFileTemplateTest : public NewFileTest, public testing::WithParamInterface<TemplateCase>
{
};

} // namespace

TEST_P(NewFileTemplateTest, MakesTheFileInTheFolderTheMenuWasOpenedIn)
{
    const TemplateCase& c = GetParam();
    pickNewFile(QString::fromUtf8(c.title), m_dir, false);
    const QString made = m_dir + QLatin1Char('/') + QString::fromUtf8(c.file);
    ASSERT_TRUE(QFileInfo::exists(made));
    const QByteArray expected
        = c.blankType ? platform::Bundle::resourceData("Untitled", QString::fromUtf8(c.blankType)) : QByteArray();
    EXPECT_EQ(readFile(made), expected);
    if (c.blankType) {
        EXPECT_FALSE(expected.isEmpty()) << "the bundle holds no blank " << c.blankType;
    }
    EXPECT_EQ(playedSounds(), QStringList { "new" });
}

INSTANTIATE_TEST_SUITE_P(
    FactoryTemplates, NewFileTemplateTest,
    testing::Values(TemplateCase { "PlainTextIsEmpty", "Plain Text", "Untitled.txt", nullptr },
                    TemplateCase { "NumbersIsTheBlankSpreadsheet", "Numbers Spreadsheet", "Untitled.numbers",
                                   "numbers" },
                    TemplateCase { "RichTextIsTheBlankDocument", "Rich Text Document", "Untitled.rtf", "rtf" },
                    TemplateCase { "WordIsTheBlankDocument", "Word Document", "Untitled.docx", "docx" }),
    caseName<TemplateCase>);

TEST_F(NewFileTest, ASelectedFileGetsItsSiblingAndKeepBothTakesTheNextFreeName)
{
    const QString taken = file("Untitled.txt", "mine");
    AlertScript alerts({ QVFileTransfer::KeepBoth, QVFileTransfer::Stop });
    pickNewFile("Plain Text", taken, true);
    EXPECT_EQ(readFile(taken), QByteArray("mine"));
    EXPECT_TRUE(QFileInfo::exists(m_dir + "/Untitled-1.txt"));
    // Stop writes nothing.
    pickNewFile("Plain Text", taken, true);
    EXPECT_FALSE(QFileInfo::exists(m_dir + "/Untitled-2.txt"));
    EXPECT_EQ(alerts.shown().size(), 2);
}

// "Replace" used to remove the existing file before the new one was written: on a full disk the
// user's file was gone and the new one never came. The new file is now written whole beside it
// and swapped in; a write that fails leaves the old file and no scratch.
TEST_F(NewFileTest, ReplaceOnAFullDiskKeepsTheOldFile)
{
    SmallFileSystem disk("disk", 256 * 1024);
    if (!disk.usable()) {
        GTEST_SKIP() << "mounting a small file system needs root";
    }
    const QString old = writeFile(disk.path("Untitled.rtf"), QByteArray(64 * 1024, 'o'));
    // Fills the rest of the disk.
    QFile filler(disk.path("filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    while (filler.write(QByteArray(4096, 'f')) == 4096 && filler.flush()) { }
    filler.close();
    const QString rich = "Rich Text Document";
    AlertScript alerts({ QVFileTransfer::Replace });
    pickNewFile(rich, old, true);
    EXPECT_EQ(readFile(old), QByteArray(64 * 1024, 'o'));
    EXPECT_EQ(playedSounds(), QStringList { "error" });
    EXPECT_EQ(tipsOf(alerts).section(QLatin1Char('|'), 1), platform::Bundle::localizedString("Error Common Tip"));
    const QStringList both { "Untitled.rtf", "filler" };
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name), both);

    // With room again, Replace puts the blank document in the old one's place.
    ASSERT_TRUE(QFile::remove(filler.fileName()));
    alerts.setNextAnswer(QVFileTransfer::Replace);
    pickNewFile(rich, old, true);
    EXPECT_EQ(readFile(old), platform::Bundle::resourceData("Untitled", "rtf"));
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList { "Untitled.rtf" });
}

// The write used to open the path for writing: a file that appeared there after the conflict
// check (or a chosen "Replace" racing another program) was truncated. The new file now takes the
// next free name and the other file keeps its bytes.
TEST_F(NewFileTest, AWriteNeverReplacesAFileThatIsThere)
{
    const QString taken = file("note.txt", "someone else's");
    QString error;
    const QString written = QVNewFileCommands::writeNewFile(taken, "new", &error);
    EXPECT_EQ(written, m_dir + "/note-1.txt") << error.toStdString();
    EXPECT_EQ(readFile(taken), QByteArray("someone else's"));
    EXPECT_EQ(readFile(written), QByteArray("new"));
    // Nothing is left behind under the scratch name.
    EXPECT_EQ(QDir(m_dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
}

// A failed write used to play the new-file sound like a success. A name longer than the file
// system allows cannot be written, even as root.
TEST_F(NewFileTest, AFailedWritePlaysTheErrorSoundAndSaysSo)
{
    auto item = QVMenuItem::create();
    item->setKey("txt");
    item->setFileName(QString(300, QLatin1Char('n')));
    select({ m_dir }, false);
    AlertScript alerts;
    m_service.createFileWithItem(item);
    EXPECT_EQ(playedSounds(), QStringList { "error" });
    EXPECT_EQ(tipsOf(alerts), platform::Bundle::localizedString("Error Common Tip"));
    EXPECT_EQ(QDir(m_dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 0);
}

TEST_F(NewFileTest, AddToFileTemplateStoresACopyNamedByItsKey)
{
    const QString report = file("report.docx", "report bytes");
    const qsizetype before = QVMenuManager::storedList(QVMenuManager::kArrayNewFile).size();
    pickNewFile(platform::Bundle::localizedString("Add to File Template"), report, true);
    const QVariantList list = QVMenuManager::storedList(QVMenuManager::kArrayNewFile);
    ASSERT_EQ(list.size(), before + 1);
    const QVariantMap added = list.last().toMap();
    const QString key = added.value("key").toString();
    EXPECT_EQ(added.value("ext").toString(), "docx");
    EXPECT_EQ(added.value("displayName").toString(), "report");
    EXPECT_EQ(added.value("templatePath").toString(), QVMenuManager::fileTemplateFolder() + QLatin1Char('/') + key);
    EXPECT_EQ(readFile(QVMenuManager::fileTemplateFolder() + QLatin1Char('/') + key), QByteArray("report bytes"));
    EXPECT_FALSE(QImage(added.value("iconPath").toString()).isNull());
    EXPECT_EQ(m_successes, QStringList { platform::Bundle::localizedString("Success Common Tip") });
    EXPECT_EQ(playedSounds(), QStringList { "ok" });
}

// The entry used to be appended and success reported whether or not the copy was made, leaving
// a template that makes empty files. A pipe cannot be copied.
TEST_F(NewFileTest, AddToFileTemplateAppendsNothingWhenTheCopyFailed)
{
    const QString pipe = m_dir + "/pipe.txt";
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const qsizetype before = QVMenuManager::storedList(QVMenuManager::kArrayNewFile).size();
    AlertScript alerts;
    select({ pipe }, true);
    m_service.createFileWithItem(QVMenuItem::addToFileTemplate());
    EXPECT_EQ(QVMenuManager::storedList(QVMenuManager::kArrayNewFile).size(), before);
    EXPECT_TRUE(m_successes.isEmpty());
    EXPECT_EQ(playedSounds(), QStringList { "error" });
    EXPECT_EQ(tipsOf(alerts), platform::Bundle::localizedString("Error Common Tip"));
    EXPECT_TRUE(QDir(QVMenuManager::fileTemplateFolder()).isEmpty()) << "the icon saved first is removed again";
}

namespace {

struct TemplateRefusal
{
    const char* name;
    std::function<QString()> templatePath;
};

class NewFileTemplateRefusals : public NewFileTest, public testing::WithParamInterface<TemplateRefusal>
{
};

QString secretFile()
{
    const QString secret = writeFile(testHome() + "/shadow", "root:$6$hash:19000:0:99999:7:::\n");
    QFile::setPermissions(secret, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return secret;
}

} // namespace

// New File read whatever path a stored (or imported) template entry named: as root it copied
// /etc/shadow into a new file everybody could read, /dev/zero aborted the host out of memory and a
// FIFO blocked it for ever. Only a regular file of the templates folder is read now; anything
// else is refused with a message naming it, and no file is made.
TEST_P(NewFileTemplateRefusals, SayWhichFileAndMakeNothing)
{
    const QString path = GetParam().templatePath();
    auto item = QVMenuItem::create();
    item->setKey("txt");
    item->setFileName("made");
    item->setTemplatePath(path);
    select({ m_dir }, false);
    AlertScript alerts;
    m_service.createFileWithItem(item);
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_TRUE(alerts.shown().first().informativeText.contains(path))
        << alerts.shown().first().informativeText.toStdString();
    EXPECT_EQ(playedSounds(), QStringList { "error" });
    EXPECT_EQ(QDir(m_dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Templates, NewFileTemplateRefusals,
    testing::Values(TemplateRefusal { "OutsideTheTemplatesFolder", [] { return secretFile(); } },
                    TemplateRefusal { "ClimbingOutOfTheTemplatesFolder",
                                      [] {
                                          secretFile();
                                          return QVMenuManager::fileTemplateFolder() + "/../../../../../shadow";
                                      } },
                    TemplateRefusal { "Device", [] { return "/dev/zero"; } },
                    TemplateRefusal { "FifoInTheTemplatesFolder",
                                      [] {
                                          const QString pipe = QVMenuManager::fileTemplateFolder() + "/pipe";
                                          ::mkfifo(QFile::encodeName(pipe).constData(), 0600);
                                          return pipe;
                                      } },
                    TemplateRefusal { "LinkInTheTemplatesFolder",
                                      [] {
                                          const QString link = QVMenuManager::fileTemplateFolder() + "/link";
                                          QFile::link(secretFile(), link);
                                          return link;
                                      } },
                    TemplateRefusal { "FolderInTheTemplatesFolder",
                                      [] {
                                          const QString folder = QVMenuManager::fileTemplateFolder() + "/folder";
                                          QDir().mkpath(folder);
                                          return folder;
                                      } }),
    caseName<TemplateRefusal>);

// A template of the templates folder is copied byte for byte.
TEST_F(NewFileTest, ATemplateOfTheTemplatesFolderIsCopied)
{
    auto item = QVMenuItem::create();
    item->setKey("txt");
    item->setFileName("made");
    item->setTemplatePath(writeFile(QVMenuManager::fileTemplateFolder() + "/t1", "template bytes"));
    select({ m_dir }, false);
    m_service.createFileWithItem(item);
    EXPECT_EQ(readFile(m_dir + "/made.txt"), QByteArray("template bytes"));
    EXPECT_EQ(playedSounds(), QStringList { "new" });
}

namespace {

// The template dialog stores the chosen application as the path of its desktop entry: the new
// file opens with that application, not with the desktop's default one.
TEST_F(NewFileTest, TheNewFileOpensWithTheApplicationTheTemplateNames)
{
    const QString entry = writeFile(platform::Paths::dataHome() + "/applications/org.test.Notes.desktop",
                                    "[Desktop Entry]\nType=Application\nName=Notes\nExec=notes-editor %f\n");
    QVMenuManager::sharedDefaults().setValue(QVMenuManager::kOpenNewFile, true);
    QStringList launched;
    platform::Workspace::setLauncher([&](const QString& program, const QStringList& args) {
        launched << program << args;
        return true;
    });
    auto item = QVMenuItem::create();
    item->setKey("txt");
    item->setExt("txt");
    item->setFileName("notes");
    item->setOpenFileAppName(entry);
    select({ m_dir }, false);
    m_service.createFileWithItem(item);
    platform::Workspace::setLauncher({});
    EXPECT_EQ(launched, (QStringList { "notes-editor", m_dir + "/notes.txt" }));
}

} // namespace
