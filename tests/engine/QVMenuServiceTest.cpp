#include "engine/service/QVMenuService.h"

#include "MenuServiceTestSupport.h"
#include "MenuStoreTestSupport.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "platform/Alert.h"
#include "platform/Bundle.h"
#include "platform/Paths.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tarsel::test;
using platform::FIMenuKind;

namespace {

QString tr(const char* key)
{
    return platform::Bundle::localizedString(QLatin1String(key), "");
}

QVariantMap entryWith(const QString& key, std::initializer_list<std::pair<QString, QVariant>> more = {})
{
    QVariantMap map = keyed(key);
    for (const auto& [k, v] : more) {
        map.insert(k, v);
    }
    return map;
}

class QVMenuServiceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        resetFinderSelection();
        m_dir = testHome() + "/work";
        QDir().mkpath(m_dir);
    }
    void TearDown() override { resetFinderSelection(); }

    QString file(const QString& name, const QByteArray& contents = "text\n")
    {
        return writeFile(m_dir + QLatin1Char('/') + name, contents);
    }
    QString folder(const QString& name)
    {
        const QString path = m_dir + QLatin1Char('/') + name;
        QDir().mkpath(path);
        return path;
    }
    static QList<QUrl> urls(const QStringList& paths)
    {
        QList<QUrl> list;
        for (const QString& p : paths) {
            list << QUrl::fromLocalFile(p);
        }
        return list;
    }
    std::shared_ptr<platform::Menu> menuFor(QVMenuService& service, const QStringList& paths,
                                            FIMenuKind kind = platform::FIMenuKindContextualMenuForItems)
    {
        service.setSelectURLs(urls(paths));
        return service.menuForMenuKind(kind);
    }

    QString m_dir;
};

} // namespace

TEST_F(QVMenuServiceTest, FolderBackgroundWorksOnTheTargetedFolder)
{
    storeList(QVMenuManager::kArrayRightMenu,
              { keyed("Copy Path"), keyed("Move to"), entryWith("Only Folders", { { "needFolder", true } }),
                entryWith("Only Files", { { "needFile", true } }) });
    const QString target = folder("window");
    platform::FIFinderSyncController::defaultController().setTargetedURL(QUrl::fromLocalFile(target));

    QVMenuService service;
    const auto menu = service.menuForMenuKind(platform::FIMenuKindContextualMenuForContainer);
    EXPECT_EQ(service.selectPaths(), QStringList({ target }));
    EXPECT_FALSE(service.isSelectURL());
    // "Move to" needs selected items; the visibility filter looks at the folder.
    EXPECT_EQ(entries(menu.get()), QStringList({ "1 Copy Path", "3 Only Folders" }));
}

TEST_F(QVMenuServiceTest, WithoutAnySelectionOnlyAlwaysShownEntriesRemain)
{
    ASSERT_TRUE(QVDefaultData::setup());
    QVMenuService service;
    // The background of "/" gives no selection: "/" is always removed.
    platform::FIFinderSyncController::defaultController().setTargetedURL(QUrl::fromLocalFile("/"));
    const auto menu = service.menuForMenuKind(platform::FIMenuKindContextualMenuForContainer);
    EXPECT_TRUE(service.selectURLs().isEmpty());

    const QVMenuItemList records = service.rightMenuArray();
    ASSERT_FALSE(records.isEmpty());
    for (const platform::MenuItem* entry : menu->items()) {
        if (entry->isSeparatorItem() || entry->tag() == 0) {
            continue;
        }
        const QVMenuItemPtr r = records.at(entry->tag() - 1);
        EXPECT_TRUE(r->isNotNeedURL()) << r->key().toStdString();
        EXPECT_FALSE(r->isNeedFile() || r->isNeedFolder()) << r->key().toStdString();
    }
    const platform::MenuItem* newFile = menu->itemWithTag(records.indexOf(findKey(records, "New File")) + 1);
    ASSERT_NE(newFile, nullptr);
    ASSERT_TRUE(newFile->hasSubmenu());
    EXPECT_EQ(newFile->submenu()->numberOfItems(), 1);
    EXPECT_EQ(findKey(records, "New File")->children().first()->key(), "New File From Window");
}

TEST_F(QVMenuServiceTest, RootIsRemovedFromTheSelection)
{
    QVMenuService service;
    service.setSelectURLs({});
    platform::FIFinderSyncController::defaultController().setSelectedItemURLs(urls({ "/", file("a.txt") }));
    EXPECT_EQ(service.selectPaths(), QStringList({ m_dir + "/a.txt" }));
}

TEST_F(QVMenuServiceTest, TheToolbarButtonAtTheRootBuildsWithAnEmptyFirstItem)
{
    storeList(QVMenuManager::kArrayRightMenu,
              { keyed("Copy Path"), keyed("Copy File Contents"), keyed("Convert to"), keyed("File Info") });
    QVMenuService service;
    const auto menu = service.menuForMenuKind(platform::FIMenuKindToolbarItemMenu);
    EXPECT_FALSE(service.isSelectURL());
    EXPECT_EQ(entries(menu.get()), QStringList({ "1 Copy Path", "4 File Info" }));
}

TEST_F(QVMenuServiceTest, TagsFollowTheStoredPositionsThroughEveryLevel)
{
    QVariantList list;
    for (int i = 1; i <= 11; ++i) {
        // Needs a folder: skipped for a file, but still counted.
        list << entryWith(QStringLiteral("Skipped %1").arg(i), { { "needFolder", true } });
    }
    list << keyed("File Info");
    storeList(QVMenuManager::kArrayRightMenu, list);

    QVMenuService service;
    const auto menu = menuFor(service, { file("a.bin") });
    ASSERT_EQ(menu->numberOfItems(), 1);
    const platform::MenuItem* info = menu->itemAt(0);
    EXPECT_EQ(info->tag(), 12);
    ASSERT_TRUE(info->hasSubmenu());
    EXPECT_EQ(entries(info->submenu()),
              QStringList({ "1201 All Info", "1202 MD5", "1203 SHA1", "1204 SHA256", "1205 SHA512", "1206 CRC32" }));
    EXPECT_EQ(service.itemForTag(1202)->key(), "MD5");
    EXPECT_EQ(service.itemForTag(12)->key(), "File Info");
    EXPECT_EQ(service.itemForTag(1207), nullptr);
    EXPECT_EQ(service.itemForTag(13), nullptr);
}

TEST_F(QVMenuServiceTest, ALevelNeverHoldsMoreThanNinetyNineEntries)
{
    QVariantList list;
    for (int i = 1; i <= 120; ++i) {
        list << keyed(QStringLiteral("Entry %1").arg(i));
    }
    list << keyed("Copy to");
    storeList(QVMenuManager::kArrayRightMenu, list);
    QVariantList paths;
    for (int i = 1; i <= 150; ++i) {
        paths << entry({ { "key", QStringLiteral("p%1").arg(i) },
                         { "path", m_dir },
                         { "displayName", QStringLiteral("P%1").arg(i) } });
    }
    storeList(QVMenuManager::kArrayCommonPath, paths);
    QVMenuManager::sharedDefaults().setValue(QVMenuManager::kCommonPathNextMenu, 1);

    QVMenuService service;
    const auto menu = menuFor(service, { file("a.txt") });
    EXPECT_EQ(menu->numberOfItems(), 99);
    EXPECT_EQ(menu->itemAt(98)->tag(), 99);
    // Entry 105 would decode as the fifth child of entry 1: it must not exist.
    EXPECT_EQ(menu->itemWithTag(105), nullptr);

    // The same cap one level down.
    list = { keyed("Copy to") };
    storeList(QVMenuManager::kArrayRightMenu, list);
    const auto copyMenu = menuFor(service, { file("a.txt") });
    ASSERT_EQ(copyMenu->numberOfItems(), 1);
    const platform::Menu* sub = copyMenu->itemAt(0)->submenu();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->numberOfItems(), 99);
    EXPECT_EQ(sub->itemAt(98)->tag(), 199);
}

TEST_F(QVMenuServiceTest, ConvertOffersUtf8ForTextAndMergeForSeveralFiles)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Convert to") });
    QVMenuService service;

    const auto text = menuFor(service, { file("notes.txt") });
    ASSERT_EQ(text->numberOfItems(), 1);
    EXPECT_EQ(titles(text->itemAt(0)->submenu()), QStringList({ tr("UTF-8") }));

    const auto one = menuFor(service, { file("a.tif") });
    const QStringList single = titles(one->itemAt(0)->submenu());
    EXPECT_FALSE(single.contains(tr("TIFF")));
    EXPECT_TRUE(single.contains(tr("PDF")));
    EXPECT_FALSE(single.contains(tr("Merge to PDF")));

    const auto pdfs = menuFor(service, { file("a.pdf"), file("b.pdf") });
    const QStringList merged = titles(pdfs->itemAt(0)->submenu());
    EXPECT_EQ(merged.size(), 14);
    EXPECT_EQ(merged.last(), tr("Merge to PDF"));
    EXPECT_TRUE(merged.contains(tr("TIFF")));

    // A single PDF is not offered PDF again.
    const auto pdf = menuFor(service, { file("a.pdf") });
    EXPECT_EQ(titles(pdf->itemAt(0)->submenu()).size(), 13);
}

TEST_F(QVMenuServiceTest, ArchiveUtilityCommandsDependOnTheZipSelection)
{
    const QVariantMap pack = entry({ { "key", "Pack" },
                                     { "appName", "Borella" },
                                     { "appCmd", "3" },
                                     { "needFile", true },
                                     { "needFolder", true } });
    const QVariantMap unpack = entry({ { "key", "Unpack Here" },
                                       { "appName", "Borella" },
                                       { "appCmd", "4" },
                                       { "needFile", true },
                                       { "needFolder", true } });
    const QVariantMap open = entry({ { "key", "Open" }, { "appName", "Borella" }, { "appCmd", "1" } });
    storeList(QVMenuManager::kArrayBorella, { pack, unpack, open });
    storeList(QVMenuManager::kArrayRightMenu,
              { entry({ { "key", "Borella" }, { "appName", "Borella" }, { "appBundleId", "com.valden.borella" } }) });
    QVMenuService service;

    const auto one = menuFor(service, { file("a.zip") });
    ASSERT_EQ(one->numberOfItems(), 1);
    EXPECT_EQ(entries(one->itemAt(0)->submenu()), QStringList({ "101 " + tr("Open") }));

    const auto two = menuFor(service, { file("a.zip"), file("b.zip") });
    const QStringList both = titles(two->itemAt(0)->submenu());
    ASSERT_EQ(both.size(), 3);
    EXPECT_EQ(both[0], tr("Compressed to ") + "\"" + tr("Archiver") + ".zip\"");

    const auto plain = menuFor(service, { file("My.File.txt") });
    EXPECT_EQ(titles(plain->itemAt(0)->submenu()).first(), tr("Compressed to ") + "\"My.File.zip\"");
}

TEST_F(QVMenuServiceTest, PasteIsNotOfferedOnTheFolderTheCutItemsCameFrom)
{
    const QString source = folder("source");
    const QString other = folder("other");
    const QString cut = file("source/cut.txt");
    setSwitch(QVSwitch::StatusItem, true); // keep the cut list when the engine starts
    storeList(QVMenuManager::kArrayRightMenu,
              { entry({ { "key", "Cut Paste" }, { "cutPaths", QStringList({ cut }) } }) });
    QVMenuService service;

    const auto onSource = menuFor(service, { source }, platform::FIMenuKindContextualMenuForContainer);
    EXPECT_TRUE(titles(onSource.get()).isEmpty()) << titles(onSource.get()).join(QLatin1Char('|')).toStdString();

    const auto onOther = menuFor(service, { other }, platform::FIMenuKindContextualMenuForContainer);
    // Cutting needs selected items, so a folder background offers only the paste.
    EXPECT_EQ(titles(onOther.get()), QStringList({ tr("Paste") }));
    const auto selected = menuFor(service, { other });
    EXPECT_EQ(titles(selected.get()), QStringList({ tr("Cut"), tr("Paste") }));
}

TEST_F(QVMenuServiceTest, TheEngineClearsTheCutListUnlessTheSwitchKeepsIt)
{
    storeList(QVMenuManager::kArrayRightMenu,
              { entry({ { "key", "Cut Paste" }, { "cutPaths", QStringList({ "/tmp/x" }) } }) });
    QVMenuService service;
    EXPECT_TRUE(findKey(QVMenuManager::menuItemArray(), "Cut Paste")->cutPaths().isEmpty());
}

TEST_F(QVMenuServiceTest, FoldEntryCollectsFoldedEntriesAtTheTop)
{
    storeList(QVMenuManager::kArrayRightMenu,
              { keyed("Copy Path"), entryWith("Copy File(Folder) Name", { { "foldUp", true } }) });
    QVMenuManager::sharedDefaults().setValue(QVMenuManager::kFoldMenuName, "More");
    QVMenuService service;

    const auto menu = menuFor(service, { file("a.txt") });
    ASSERT_EQ(menu->numberOfItems(), 2);
    const platform::MenuItem* fold = menu->itemAt(0);
    EXPECT_EQ(fold->tag(), 0);
    EXPECT_EQ(fold->title(), "More");
    EXPECT_EQ(fold->imageName(), "pro");
    EXPECT_EQ(entries(fold->submenu()), QStringList({ "2 " + tr("Copy File(Folder) Name") }));

    setSwitch(QVSwitch::NoFoldMenuImage, true);
    const auto plain = menuFor(service, { file("a.txt") });
    EXPECT_TRUE(plain->itemAt(0)->imageName().isNull());

    // The toolbar button shows folded entries in place.
    const auto toolbar = service.menuForMenuKind(platform::FIMenuKindToolbarItemMenu);
    EXPECT_EQ(toolbar->itemWithTag(0), nullptr);
    EXPECT_NE(toolbar->itemWithTag(2), nullptr);

    storeList(QVMenuManager::kArrayRightMenu, { keyed("Copy Path") });
    EXPECT_EQ(menuFor(service, { file("a.txt") })->itemWithTag(0), nullptr);
}

TEST_F(QVMenuServiceTest, SeparatorsAndGetInfoInTheApplication)
{
    storeList(QVMenuManager::kArrayRightMenu,
              { entryWith("Copy Path", { { "haveSepLine", true } }), keyed("Get Info") });
    QVMenuService service;
    EXPECT_EQ(entries(menuFor(service, { file("a.txt") }).get()),
              QStringList({ "1 " + tr("Copy Path"), "---", "2 " + tr("Get Info") }));
}

TEST_F(QVMenuServiceTest, CopyFileContentsReadsOnlySmallRegularUtf8Files)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Copy File Contents") });
    QVMenuService service;
    auto offered = [&](const QString& path) { return menuFor(service, { path })->numberOfItems() == 1; };

    EXPECT_TRUE(offered(file("ok.txt", "caf\xc3\xa9\n")));
    EXPECT_FALSE(offered(file("blank.txt", " \n\t\n")));
    EXPECT_FALSE(offered(file("empty.txt", "")));
    EXPECT_FALSE(offered(file("latin1.txt", "caf\xe9\n")));
    EXPECT_FALSE(offered(folder("dir")));

    QByteArray big(QVMenuService::kMaxCopyContentsSize + 1, 'a');
    EXPECT_FALSE(offered(file("big.txt", big)));

    // A named pipe with no writer would block a reader for ever.
    const QString fifo = m_dir + "/pipe";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(offered(fifo));
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST_F(QVMenuServiceTest, LockTitleFollowsTheFirstItemAndCutSkipsSystemFolders)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Lock and Unlock"), keyed("Cut Paste") });
    QVMenuService service;
    const auto menu = menuFor(service, { file("a.txt") });
    EXPECT_EQ(entries(menu.get()), QStringList({ "1 " + tr("Lock"), "2 " + tr("Cut") }));
    EXPECT_EQ(menu->itemAt(1)->imageName(), "cut");

    const auto home = menuFor(service, { platform::Paths::home() });
    EXPECT_EQ(titles(home.get()), QStringList({ tr("Lock") }));
}

TEST_F(QVMenuServiceTest, NewFileOffersTheTemplatesAndAddingOneForASingleFile)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed("New File") });
    storeList(QVMenuManager::kArrayNewFile,
              { keyed("New File From Window"), entry({ { "key", "TXT" }, { "ext", "txt" } }) });
    QVMenuService service;
    const QString a = file("a.txt");
    EXPECT_EQ(menuFor(service, { a })->itemAt(0)->submenu()->numberOfItems(), 2);
    setSwitch(QVSwitch::AddToFileTemplate, true);
    const auto menu = menuFor(service, { a });
    EXPECT_EQ(menu->itemAt(0)->submenu()->itemAt(2)->tag(), 103);
    EXPECT_EQ(service.itemForTag(103)->key(), "Add to File Template");
    // Not for a folder, nor for two files.
    EXPECT_EQ(menuFor(service, { folder("f") })->itemAt(0)->submenu()->numberOfItems(), 2);
    EXPECT_EQ(menuFor(service, { a, file("b.txt") })->itemAt(0)->submenu()->numberOfItems(), 2);
}

TEST_F(QVMenuServiceTest, CommonPathShowsListingsAndTheGoSetEntryWhenEmpty)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Common Path"), keyed("Copy to") });
    storeList(QVMenuManager::kArrayCommonPath, {});
    QVMenuService service;
    const QString a = file("a.txt");
    auto menu = menuFor(service, { a });
    EXPECT_EQ(entries(menu->itemAt(0)->submenu()), QStringList({ "101 " + tr("Go Set") }));
    EXPECT_EQ(entries(menu->itemAt(1)->submenu()), QStringList({ "201 " + tr("Select Folder") }));

    const QString docs = folder("Docs");
    folder("Docs/Sub");
    file("Docs/x.txt");
    storeList(QVMenuManager::kArrayCommonPath,
              { entry({ { "key", "k1" }, { "path", docs }, { "displayName", "Docs" } }) });
    QVMenuManager::sharedDefaults().setValue(QVMenuManager::kCommonPathNextMenu, 3);
    setSwitch(QVSwitch::AddToCommonPath, true);
    menu = menuFor(service, { folder("picked") });
    const platform::Menu* paths = menu->itemAt(0)->submenu();
    EXPECT_EQ(titles(paths), QStringList({ "Docs", tr("Add to Common Path") }));
    EXPECT_EQ(titles(paths->itemAt(0)->submenu()), QStringList({ tr("Show in Finder"), "Sub", "x.txt" }));
    EXPECT_EQ(paths->itemAt(0)->submenu()->itemAt(1)->tag(), 10102);
    const platform::Menu* copy = menu->itemAt(1)->submenu();
    EXPECT_EQ(titles(copy), QStringList({ tr("Select Folder"), "Docs" }));
    EXPECT_EQ(titles(copy->itemAt(1)->submenu()), QStringList({ tr("Current Directory"), "Sub", tr("Other Folder") }));
    EXPECT_EQ(service.itemForTag(20202)->path(), docs + "/Sub");
}

TEST_F(QVMenuServiceTest, ChosenEntriesAreDecodedOnceFromTheLastMenu)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Copy Path"), keyed("File Info") });
    QVMenuService service;
    QList<QPair<qint64, QString>> seen;
    service.setChoiceObserver([&](qint64 tag, const QVMenuItemPtr& item) {
        seen.append({ tag, item ? item->key() : QString() });
    });
    const auto menu = menuFor(service, { file("a.bin") });
    // The digest shows in an alert once it is computed; the alert needs an answer.
    QStringList tips;
    platform::Alert::setResponder([&](const platform::Alert& alert, QWidget*) {
        tips << alert.messageText();
        return platform::Alert::FirstButtonReturn + 1;
    });
    ASSERT_TRUE(menu->itemWithTag(203)->perform());
    // The menu is spent: a second delivery of a tag finds nothing.
    service.handlerMenuTag(203);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !tips.isEmpty(); }, 10000));
    platform::Alert::setResponder({});
    EXPECT_EQ(tips, QStringList({ "SHA1" }));
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0], qMakePair(qint64(203), QStringLiteral("SHA1")));
    EXPECT_TRUE(seen[1].second.isNull());
}
