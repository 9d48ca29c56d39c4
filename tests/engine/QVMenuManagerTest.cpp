#include "engine/model/QVMenuManager.h"

#include "MenuStoreTestSupport.h"
#include "platform/Bundle.h"
#include "platform/Paths.h"
#include "platform/System.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>
#include <future>

using namespace tarsel::test;

namespace {

const QString kKey = "key";

QString sharedPath(const QString& relative)
{
    return platform::Paths::groupContainer(platform::System::kGroupId) + QLatin1Char('/') + relative;
}

QVariantList fiveEntries()
{
    return { keyed("a"), keyed("b"), keyed("c"), keyed("d"), keyed("e") };
}

} // namespace

// --- shared suite and folder ---------------------------------------------------------------

TEST(QVMenuManagerTest, SharedSuiteAndFolderLiveInTheGroupContainer)
{
    EXPECT_EQ(QVMenuManager::sharedDefaults().filePath(), platform::Paths::groupSuiteFile(platform::System::kGroupId));
    EXPECT_EQ(&QVMenuManager::sharedInstance(), &QVMenuManager::sharedInstance());

    const QStringList folders = { QVMenuManager::appIconFolder(),      QVMenuManager::rightMenuIconFolder(),
                                  QVMenuManager::fileTemplateFolder(), QVMenuManager::folderIconFolder(),
                                  QVMenuManager::cacheFolder(),        QVMenuManager::configManagerFolder() };
    const QStringList names
        = { "QVAppIcon", "QVRightMenuIcon", "QVFileTemplate", "QVFolderIcon", "QVCache", "QVConfigManager" };
    for (int i = 0; i < names.size(); ++i) {
        EXPECT_EQ(folders.at(i), sharedPath(names.at(i)));
        EXPECT_TRUE(QFileInfo(folders.at(i)).isDir()) << qPrintable(folders.at(i));
    }
}

TEST(QVMenuManagerTest, FolderMakerLeavesAnExistingItemAlone)
{
    // A file where the folder should be stays a file (no data is replaced).
    const QString path = writeFile(sharedPath("QVCache"), "user data");
    EXPECT_EQ(QVMenuManager::cacheFolder(), path);
    EXPECT_EQ(readFile(path), QByteArray("user data"));
    // Only one level is made: a nested name whose parent is missing is not created.
    const QString nested = QVMenuManager::createFolderName("missing/inner");
    EXPECT_FALSE(QFileInfo::exists(nested));
}

TEST(QVMenuManagerTest, ImageFormatsAndExistKey)
{
    const QStringList formats = QVMenuManager::imageFormats();
    ASSERT_EQ(formats.size(), 20);
    EXPECT_EQ(formats.first(), "icns");
    EXPECT_EQ(formats.last(), "net");

    auto item = QVMenuItem::create();
    item->setKey("Copy to");
    EXPECT_TRUE(QVMenuManager::existKey("Copy to", { item }));
    EXPECT_FALSE(QVMenuManager::existKey("copy to", { item }));
    EXPECT_FALSE(QVMenuManager::existKey("Copy to", {}));
}

// --- main-list builder ----------------------------------------------------------------------

TEST(QVMenuManagerTest, MainListSkipsInvalidKeysAndDisabledEntriesForTheMenu)
{
    storeList(QVMenuManager::kArrayRightMenu,
              { keyed(QString()), keyed("  "), keyed("(null)"), entry({ { kKey, "Copy to" }, { "disabled", true } }),
                keyed("Move to") });
    EXPECT_EQ(keysOf(QVMenuManager::menuItemArray()), QStringList { "Move to" });

    const QVMenuItemList settings = QVMenuManager::menuItemArrayWithToMenu(false);
    EXPECT_EQ(keysOf(settings), (QStringList { "Copy to", "Move to" }));
    EXPECT_TRUE(settings.first()->disabled());
}

TEST(QVMenuManagerTest, MainListCopiesStoredFields)
{
    storeList(QVMenuManager::kArrayRightMenu,
              { entry({ { kKey, "txt" },
                        { "icon", "txt" },
                        { "iconPath", "/x/y.png" },
                        { "mainMenuNewFile", true },
                        { "ext", "txt" },
                        { "fileName", "Notes" },
                        { "templatePath", "/t/Notes.txt" },
                        { "openFileAppName", "org.gnome.TextEditor" },
                        { "foldUp", true },
                        { "haveSepLine", true },
                        { "toMainMenu", true },
                        { "special", true } }) });
    const QVMenuItemList items = QVMenuManager::menuItemArray();
    ASSERT_EQ(items.size(), 1);
    const QVMenuItem& item = *items.first();
    EXPECT_EQ(item.iconPath(), "/x/y.png");
    EXPECT_TRUE(item.isMainMenuNewFile());
    EXPECT_EQ(item.fileName(), "Notes");
    EXPECT_EQ(item.templatePath(), "/t/Notes.txt");
    // A promoted new-file template keeps the application chosen to open its new files.
    EXPECT_EQ(item.openFileAppName(), "org.gnome.TextEditor");
    EXPECT_TRUE(item.isFoldUp());
    EXPECT_TRUE(item.haveSepLine());
    EXPECT_TRUE(item.isAddToMainMenu());
    EXPECT_TRUE(item.isSpecialFile());
    EXPECT_TRUE(item.formats().isEmpty());
}

TEST(QVMenuManagerTest, FormatsAreSplitOnlyWhenValid)
{
    const QVariantList scripts = {
        entry({ { kKey, "none" }, { "formats", QString() } }),
        entry({ { kKey, "blank" }, { "formats", " " } }),
        entry({ { kKey, "trailing" }, { "formats", "png," } }),
        entry({ { kKey, "spaced" }, { "formats", "png, jpg ,,gif" } }),
    };
    // An empty string once became one empty format, which hid the entry from every file that
    // has an extension; every builder now splits only a valid string and drops empty pieces.
    for (const QString& listKey : { QVMenuManager::kArrayCommonScript, QVMenuManager::kArrayCommonApp,
                                    QVMenuManager::kArrayBorella, QVMenuManager::kArrayRightMenu }) {
        storeList(listKey, scripts);
    }
    const QList<QVMenuItemList> built
        = { QVMenuManager::commonScriptMenuArray(), QVMenuManager::commonAppMenuArray(),
            QVMenuManager::borellaMenuArray(false), QVMenuManager::menuItemArrayWithToMenu(false) };
    for (const QVMenuItemList& items : built) {
        ASSERT_EQ(items.size(), 4);
        EXPECT_TRUE(items.at(0)->formats().isEmpty());
        EXPECT_TRUE(items.at(1)->formats().isEmpty());
        EXPECT_EQ(items.at(2)->formats(), QStringList { "png" });
        EXPECT_EQ(items.at(3)->formats(), (QStringList { "png", "jpg", "gif" }));
    }
}

TEST(QVMenuManagerTest, TraitRules)
{
    storeList(QVMenuManager::kArrayRightMenu,
              { keyed("Terminal Window"), keyed("iTerm2 Tab"), keyed("iTerm2 To"), keyed("Convert to"),
                keyed("Resize Image"), keyed("As Desktop Picture"), keyed("Hide All Files"),
                keyed("Unhide Selected Files"), keyed("System Hide Files"), keyed("Unembed Folder"),
                keyed("Color Picker"), keyed("Execute Script"), keyed("Send to Wechat"), keyed("Copy Path"),
                entry({ { kKey, "Sublime Text" }, { "appName", "Sublime Text" } }),
                // An application entry is rule 11 even when its key names a command of another rule.
                entry({ { kKey, "Lock and Unlock" }, { "appName", "X" } }),
                entry({ { kKey, "Decompress" }, { "appName", "Borella" }, { "appBundleId", "com.valden.borella" } }) });
    const QVMenuItemList items = QVMenuManager::menuItemArray();
    auto item = [&](const char* key) { return findKey(items, QLatin1String(key)); };

    EXPECT_EQ(item("Terminal Window")->serve(), "New Terminal at Folder");
    EXPECT_TRUE(item("Terminal Window")->isNotNeedURL());
    EXPECT_EQ(item("iTerm2 Tab")->serve(), "New iTerm2 Tab Here");
    EXPECT_EQ(item("iTerm2 To")->serve(), "New iTerm2 Window Here");
    EXPECT_TRUE(item("iTerm2 To")->isNotNeedURL());

    QStringList convertFormats = QVMenuManager::imageFormats();
    EXPECT_EQ(item("Resize Image")->formats(), convertFormats);
    convertFormats << "pdf"
                   << "txt";
    EXPECT_EQ(item("Convert to")->formats(), convertFormats);
    EXPECT_EQ(item("As Desktop Picture")->formats().size(), 4);

    EXPECT_TRUE(item("Hide All Files")->isShowHideFile());
    EXPECT_EQ(item("Hide All Files")->command(), "chflags hidden");
    EXPECT_FALSE(item("Hide All Files")->isNeedSelectURL());
    EXPECT_EQ(item("Unhide Selected Files")->command(), "chflags nohidden");
    EXPECT_TRUE(item("Unhide Selected Files")->isNeedSelectURL());
    EXPECT_TRUE(item("System Hide Files")->command().contains("AppleShowAllFiles -boolean %@"));
    EXPECT_TRUE(item("System Hide Files")->isNotNeedURL());

    EXPECT_TRUE(item("Unembed Folder")->isNeedFolder());
    EXPECT_TRUE(item("Unembed Folder")->isNeedSelectURL());
    EXPECT_TRUE(item("Color Picker")->disabledAuth());
    EXPECT_TRUE(item("Color Picker")->isNotNeedURL());
    EXPECT_EQ(item("Execute Script")->formats(), (QStringList { "sh", "scpt" }));
    EXPECT_TRUE(item("Send to Wechat")->isNeedFile());
    EXPECT_TRUE(item("Send to Wechat")->isNeedSelectURL());

    // No rule: neither needs a selection nor is always shown.
    EXPECT_FALSE(item("Copy Path")->isNeedSelectURL());
    EXPECT_FALSE(item("Copy Path")->isNotNeedURL());

    EXPECT_TRUE(item("Lock and Unlock")->isNeedSelectURL());
    EXPECT_FALSE(item("Lock and Unlock")->isNotNeedURL());
    EXPECT_TRUE(item("Decompress")->isNotNeedURL());
    EXPECT_TRUE(item("Decompress")->isNeedSelectURL());

    // Applications (not the archive utility's own commands) and the terminal window are offered
    // in the common folders' submenus.
    EXPECT_EQ(keysOf(QVMenuManager::belongAppMenuArray()), (QStringList { "Terminal Window", "Sublime Text" }));
    // Each build starts the list afresh.
    storeList(QVMenuManager::kArrayRightMenu, {});
    QVMenuManager::menuItemArray();
    EXPECT_TRUE(QVMenuManager::belongAppMenuArray().isEmpty());
}

TEST(QVMenuManagerTest, PasteFollowsCutPasteWithCutPathsInTheMenuOnly)
{
    const QStringList cut = { "/home/u/a.txt", "/home/u/b" };
    storeList(QVMenuManager::kArrayRightMenu,
              { entry({ { kKey, "Cut Paste" }, { "cutPaths", cut } }), keyed("Copy Path") });

    const QVMenuItemList menu = QVMenuManager::menuItemArray();
    ASSERT_EQ(keysOf(menu), (QStringList { "Cut Paste", "Paste", "Copy Path" }));
    EXPECT_EQ(menu.at(0)->cutPaths(), cut);
    EXPECT_TRUE(menu.at(0)->isNeedSelectURL());
    const QVMenuItem& paste = *menu.at(1);
    EXPECT_EQ(paste.cutPaths(), cut);
    EXPECT_EQ(paste.icon(), "paste");
    EXPECT_TRUE(paste.isNeedFolder());
    EXPECT_TRUE(paste.isPaste());

    EXPECT_EQ(keysOf(QVMenuManager::menuItemArrayWithToMenu(false)), (QStringList { "Cut Paste", "Copy Path" }));

    // No cut paths, no "Paste".
    QVMenuManager::updateMenuKey(QVMenuManager::kArrayRightMenu, "Cut Paste", "cutPaths", QVariantList {});
    EXPECT_EQ(QVMenuManager::menuItemArray().size(), 2);
}

TEST(QVMenuManagerTest, SettingsListCarriesHelpTextsOfKnownKeys)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Copy to"), keyed("Unknown") });
    const QVMenuItemList settings = QVMenuManager::menuItemArrayWithToMenu(false);
    EXPECT_EQ(settings.at(0)->introduce(), platform::Bundle::localizedString("Copy to Introduce"));
    EXPECT_FALSE(settings.at(0)->introduce().isEmpty());
    EXPECT_TRUE(settings.at(1)->introduce().isEmpty());
    EXPECT_TRUE(QVMenuManager::menuItemArray().at(0)->introduce().isEmpty());
}

// --- sub-list builders ----------------------------------------------------------------------

TEST(QVMenuManagerTest, NewFileBuilderDefaultsAndDisplayMode)
{
    storeList(QVMenuManager::kArrayNewFile,
              { entry({ { kKey, "New File From Window" }, { "disabled", true } }),
                entry({ { kKey, "txt" }, { "ext", "txt" } }),
                entry({ { kKey, "mine" },
                        { "ext", "" },
                        { "fileName", "Makefile" },
                        { "fileType", "Build" },
                        { "openFileAppName", "vim" } }) });
    QVMenuItemList items = QVMenuManager::newFileTemplateMenuArray(true);
    ASSERT_EQ(items.size(), 3);
    EXPECT_TRUE(items.at(0)->disabled()); // the application build keeps switched-off entries
    EXPECT_EQ(items.at(1)->fileName(), platform::Bundle::localizedString("Untitled"));
    EXPECT_EQ(items.at(1)->fileType(), items.at(1)->menuTitle());
    EXPECT_EQ(items.at(2)->fileType(), "Build");
    EXPECT_EQ(items.at(2)->openFileAppName(), "vim");

    QVMenuManager::sharedDefaults().setValue(QVMenuManager::kNewFileDisplayMode, 2);
    items = QVMenuManager::newFileTemplateMenuArray(false);
    EXPECT_TRUE(items.at(0)->displayName().isEmpty()); // "New File From Window" keeps its title
    EXPECT_EQ(items.at(1)->displayName(), platform::Bundle::localizedString("Untitled") + ".txt");
    EXPECT_EQ(items.at(2)->displayName(), "Makefile");
}

TEST(QVMenuManagerTest, SubListBuildersKeepDisabledEntriesInTheApplication)
{
    // A value that is not a dictionary (a damaged configuration) is no entry.
    const QVariantList list = { entry({ { kKey, "love" }, { "disabled", true } }), "garbage", keyed("star") };
    storeList(QVMenuManager::kArrayFolderIcon, list);
    storeList(QVMenuManager::kArrayCommonScript, list);
    const QVMenuItemList icons = QVMenuManager::folderIconMenuArray();
    ASSERT_EQ(icons.size(), 2);
    EXPECT_TRUE(icons.first()->disabled());
    EXPECT_EQ(QVMenuManager::commonScriptMenuArray().size(), 2);
}

TEST(QVMenuManagerTest, CommonAppAndPathFallbacks)
{
    storeList(QVMenuManager::kArrayCommonApp,
              { keyed("Visual Studio Code"), entry({ { kKey, "Borella Pro" }, { "appName", "BorellaPro" } }) });
    const QVMenuItemList apps = QVMenuManager::commonAppMenuArray();
    EXPECT_EQ(apps.at(0)->appName(), "Visual Studio Code");
    EXPECT_EQ(apps.at(1)->appName(), "BorellaPro");

    storeList(QVMenuManager::kArrayCommonPath,
              { entry({ { "path", "~/Work//src/../docs/" }, { "icon", "star" } }),
                entry({ { kKey, "id-1" }, { "path", "/srv/./data" } }) });
    const QVMenuItemList paths = QVMenuManager::commonPathMenuArray();
    ASSERT_EQ(paths.size(), 2);
    EXPECT_EQ(paths.at(0)->path(), testHome() + "/Work/docs");
    EXPECT_EQ(paths.at(0)->key(), paths.at(0)->path());
    EXPECT_EQ(paths.at(0)->icon(), "folder");
    EXPECT_EQ(paths.at(1)->key(), "id-1");
    EXPECT_EQ(paths.at(1)->path(), "/srv/data");
}

TEST(QVMenuManagerTest, BorellaBuilderReadsTheEditionsList)
{
    storeList(QVMenuManager::kArrayBorella, { keyed("plain") });
    storeList(QVMenuManager::kArrayBorellaPro, { keyed("pro") });
    EXPECT_EQ(keysOf(QVMenuManager::borellaMenuArray(false)), QStringList { "plain" });
    EXPECT_EQ(keysOf(QVMenuManager::borellaMenuArray(true)), QStringList { "pro" });
}

// --- edit operations ------------------------------------------------------------------------

TEST(QVMenuManagerTest, AddInsertsAppendsAndNeverDuplicates)
{
    const QString list = QVMenuManager::kArrayCommonApp;
    ASSERT_TRUE(QVMenuManager::addMenuKey(list, keyed("a"), 0)); // absent list
    ASSERT_TRUE(QVMenuManager::addMenuKey(list, keyed("b"), -1));
    ASSERT_TRUE(QVMenuManager::addMenuKey(list, keyed("c"), 2)); // index == count
    ASSERT_TRUE(QVMenuManager::addMenuKey(list, keyed("d"), 99));
    ASSERT_TRUE(QVMenuManager::addMenuKey(list, keyed("e"), 1));
    EXPECT_EQ(storedKeys(list), QStringLiteral("a e b c d").split(QLatin1Char(' ')));

    // The same key again changes nothing, whatever the index or the other fields.
    ASSERT_TRUE(QVMenuManager::addMenuKey(list, entry({ { kKey, "c" }, { "icon", "x" } }), 0));
    EXPECT_EQ(storedKeys(list), QStringLiteral("a e b c d").split(QLatin1Char(' ')));
    EXPECT_FALSE(QVMenuManager::storedList(list).at(3).toMap().contains("icon"));
}

TEST(QVMenuManagerTest, MoveUsesInsertBeforeSemantics)
{
    const QString list = QVMenuManager::kArrayCommonScript;
    storeList(list, fiveEntries());
    QVMenuManager::changePositionMenuKey(list, 0, 3);
    EXPECT_EQ(storedKeys(list), QStringLiteral("b c a d e").split(QLatin1Char(' ')));

    storeList(list, fiveEntries());
    QVMenuManager::changePositionMenuKey(list, 3, 0);
    EXPECT_EQ(storedKeys(list), QStringLiteral("d a b c e").split(QLatin1Char(' ')));

    storeList(list, fiveEntries());
    QVMenuManager::changePositionMenuKey(list, 1, 5); // to the end
    EXPECT_EQ(storedKeys(list), QStringLiteral("a c d e b").split(QLatin1Char(' ')));
}

TEST(QVMenuManagerTest, MoveIgnoresIndexesOutsideTheList)
{
    // A drag of plain text from another program can carry any number as the source row.
    const QString list = QVMenuManager::kArrayCommonScript;
    storeList(list, fiveEntries());
    for (const auto& [from, to] : std::initializer_list<std::pair<qint64, qint64>> {
             { 5, 0 }, { -1, 2 }, { 0, 6 }, { 2, -1 }, { 1LL << 40, 0 } }) {
        EXPECT_TRUE(QVMenuManager::changePositionMenuKey(list, from, to));
        EXPECT_EQ(storedKeys(list), QStringLiteral("a b c d e").split(QLatin1Char(' '))) << from << " " << to;
    }
    // On an absent list nothing is created out of nothing.
    QVMenuManager::changePositionMenuKey(QVMenuManager::kArrayFolderIcon, 0, 0);
    EXPECT_TRUE(QVMenuManager::storedList(QVMenuManager::kArrayFolderIcon).isEmpty());
}

TEST(QVMenuManagerTest, UpdateAndReplaceFindEntriesByKeyOrPath)
{
    const QString list = QVMenuManager::kArrayCommonPath;
    storeList(list, { entry({ { kKey, "id-1" }, { "path", "/srv" } }), keyed("id-2") });
    QVMenuManager::updateMenuKey(list, "/srv", entry({ { "displayName", "Server" }, { "path", "/srv2" } }));
    QVariantMap first = QVMenuManager::storedList(list).at(0).toMap();
    EXPECT_EQ(first.value("displayName").toString(), "Server");
    EXPECT_EQ(first.value("path").toString(), "/srv2");
    EXPECT_EQ(first.value(kKey).toString(), "id-1");

    QVMenuManager::updateMenuKey(list, "id-2", "disabled", true);
    EXPECT_TRUE(QVMenuManager::storedList(list).at(1).toMap().value("disabled").toBool());

    // Replace matches on "key" only and drops the old fields.
    QVMenuManager::replaceMenuKey(list, entry({ { kKey, "id-1" }, { "icon", "i" } }));
    first = QVMenuManager::storedList(list).at(0).toMap();
    EXPECT_FALSE(first.contains("path"));
    EXPECT_EQ(first.value("icon").toString(), "i");
    QVMenuManager::replaceMenuKey(list, entry({ { kKey, "/srv2" } }));
    EXPECT_EQ(storedKeys(list), (QStringList { "id-1", "id-2" }));
}

TEST(QVMenuManagerTest, RemoveDeletesOnlyTheEntrysOwnFiles)
{
    const QString rightIcons = QVMenuManager::rightMenuIconFolder();
    const QString ownIcon = writeFile(rightIcons + "/own.png", "png");
    const QString foreignIcon = writeFile(QVMenuManager::appIconFolder() + "/app.png", "png");
    const QString lookalike = writeFile(sharedPath("QVRightMenuIcon2/x.png"), "png");
    storeList(QVMenuManager::kArrayRightMenu,
              { entry({ { kKey, "one" }, { "iconPath", ownIcon } }),
                entry({ { kKey, "two" }, { "iconPath", foreignIcon } }),
                entry({ { kKey, "three" }, { "iconPath", lookalike } }),
                entry({ { kKey, "four" }, { "templatePath", QVMenuManager::fileTemplateFolder() + "/t.txt" } }) });
    writeFile(QVMenuManager::fileTemplateFolder() + "/t.txt", "template");

    for (const char* key : { "one", "two", "three", "four" }) {
        ASSERT_TRUE(QVMenuManager::removeMenuKey(QVMenuManager::kArrayRightMenu, QLatin1String(key)));
    }
    EXPECT_TRUE(QVMenuManager::storedList(QVMenuManager::kArrayRightMenu).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(ownIcon));
    // A main-list entry shares icons of other lists and templates of the new-file list.
    EXPECT_TRUE(QFileInfo::exists(foreignIcon));
    EXPECT_TRUE(QFileInfo::exists(lookalike));
    EXPECT_TRUE(QFileInfo::exists(QVMenuManager::fileTemplateFolder() + "/t.txt"));
}

TEST(QVMenuManagerTest, RemoveNewFileEntryDeletesItsIconAndTemplate)
{
    const QString icon = writeFile(QVMenuManager::fileTemplateFolder() + "/n.png", "png");
    const QString templ = writeFile(QVMenuManager::fileTemplateFolder() + "/n.txt", "t");
    storeList(QVMenuManager::kArrayNewFile,
              { entry({ { kKey, "n" }, { "iconPath", icon }, { "templatePath", templ } }), keyed("other") });
    ASSERT_TRUE(QVMenuManager::removeMenuKey(QVMenuManager::kArrayNewFile, "n"));
    EXPECT_EQ(storedKeys(QVMenuManager::kArrayNewFile), QStringList { "other" });
    EXPECT_FALSE(QFileInfo::exists(icon));
    EXPECT_FALSE(QFileInfo::exists(templ));
}

TEST(QVMenuManagerTest, RemoveNeverDeletesFilesOutsideTheSharedFolder)
{
    // A restored or hand-edited configuration may point anywhere; those are the user's files.
    const QString userFile = writeFile(testHome() + "/Documents/report.docx", "precious");
    const QString escaping = QVMenuManager::fileTemplateFolder() + "/../../../../../Documents/report.docx";
    ASSERT_TRUE(QFileInfo::exists(escaping));
    storeList(
        QVMenuManager::kArrayNewFile,
        { entry({ { kKey, "a" }, { "templatePath", userFile } }), entry({ { kKey, "b" }, { "iconPath", escaping } }) });
    QVMenuManager::removeMenuKey(QVMenuManager::kArrayNewFile, "a");
    QVMenuManager::removeMenuKey(QVMenuManager::kArrayNewFile, "b");
    EXPECT_TRUE(QVMenuManager::storedList(QVMenuManager::kArrayNewFile).isEmpty());
    EXPECT_EQ(readFile(userFile), QByteArray("precious"));
}

TEST(QVMenuManagerTest, RemoveByPathAndRemoveOfAMissingEntry)
{
    storeList(QVMenuManager::kArrayCommonPath, { entry({ { kKey, "id" }, { "path", "/srv" } }) });
    EXPECT_TRUE(QVMenuManager::removeMenuKey(QVMenuManager::kArrayCommonPath, "/nothing"));
    EXPECT_EQ(QVMenuManager::storedList(QVMenuManager::kArrayCommonPath).size(), 1);
    EXPECT_TRUE(QVMenuManager::removeMenuKey(QVMenuManager::kArrayCommonPath, "/srv"));
    EXPECT_TRUE(QVMenuManager::storedList(QVMenuManager::kArrayCommonPath).isEmpty());
}

// An edit that found no list used to write the empty list it started from: the engine's start,
// clearing cut paths before the application had ever run, left "array right menu" = [] and the
// first start then skipped the factory lists. Edits that find nothing to change write nothing.
TEST(QVMenuManagerTest, EditsThatFindNothingWriteNothing)
{
    const QString suite = QVMenuManager::sharedDefaults().filePath();
    const QString main = QVMenuManager::kArrayRightMenu;
    const QString path = QVMenuManager::kArrayCommonPath;
    const std::function<bool()> edits[] = {
        [&] { return QVMenuManager::updateMenuKey(main, "Cut Paste", "cutPaths", QVariantList()); },
        [&] {
            return QVMenuManager::updateMenuKey(main, "Cut Paste", QVariantMap { { kKey, 1 } });
        },
        [&] { return QVMenuManager::removeMenuKey(path, "/nothing"); },
        [&] { return QVMenuManager::replaceMenuKey(main, keyed("Copy Path")); },
        [&] { return QVMenuManager::changePositionMenuKey(main, 0, 1); },
    };
    for (const auto& edit : edits) {
        EXPECT_TRUE(edit());
    }
    EXPECT_FALSE(QFileInfo::exists(suite));

    // A list of another type is left as it is by an edit that finds nothing in it.
    QVMenuManager::sharedDefaults().setValue(path, "not a list");
    for (const auto& edit : edits) {
        EXPECT_TRUE(edit());
    }
    EXPECT_EQ(QVMenuManager::sharedDefaults().stringValue(path), "not a list");
    EXPECT_FALSE(QVMenuManager::sharedDefaults().contains(main));
}

// --- two processes ----------------------------------------------------------------------------

// Adds 200 entries keyed "<prefix>-<n>" to the common-script list, one edit at a time.
TARSEL_TEST_CHILD(addTwoHundredScripts)
{
    const QString prefix = args.value(0);
    for (int n = 0; n < 200; ++n) {
        if (!QVMenuManager::addMenuKey(QVMenuManager::kArrayCommonScript,
                                       keyed(QStringLiteral("%1-%2").arg(prefix).arg(n)), n % 3 == 0 ? 0 : -1)) {
            return 1;
        }
    }
    return 0;
}

TEST(QVMenuManagerTest, TwoProcessesEditingOneListLoseNothing)
{
    auto application
        = std::async(std::launch::async, [] { return runChild("addTwoHundredScripts", { "app" }, 120000); });
    auto extension = std::async(std::launch::async, [] { return runChild("addTwoHundredScripts", { "ext" }, 120000); });
    const ChildResult first = application.get();
    const ChildResult second = extension.get();
    ASSERT_EQ(first.exitCode, 0) << first.err.constData();
    ASSERT_EQ(second.exitCode, 0) << second.err.constData();

    const QStringList keys = storedKeys(QVMenuManager::kArrayCommonScript);
    EXPECT_EQ(keys.size(), 400);
    const QSet<QString> unique(keys.cbegin(), keys.cend());
    EXPECT_EQ(unique.size(), 400);
    for (int n = 0; n < 200; ++n) {
        EXPECT_TRUE(unique.contains(QStringLiteral("app-%1").arg(n)));
        EXPECT_TRUE(unique.contains(QStringLiteral("ext-%1").arg(n)));
    }
}

TEST(QVMenuManagerTest, EditsReportAnUnwritableSuite)
{
    // A file where the suite's folder should be: no write can succeed (root ignores modes).
    writeFile(sharedPath("Library"), "not a folder");
    EXPECT_FALSE(QVMenuManager::addMenuKey(QVMenuManager::kArrayCommonApp, keyed("a"), -1));
    EXPECT_FALSE(QVMenuManager::removeMenuKey(QVMenuManager::kArrayCommonApp, "a"));
    EXPECT_FALSE(QVMenuManager::changePositionMenuKey(QVMenuManager::kArrayCommonApp, 0, 0));
}
