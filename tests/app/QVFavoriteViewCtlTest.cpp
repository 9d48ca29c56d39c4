// The common path page driven through its real widgets: every edit ends in the stored list or
// switch, and the menu the real host builds afterwards shows it.

#include "app/settings/QVFavoriteViewCtl.h"
#include "app/settings/QVSettingsTable.h"
#include "app/settings/QVSettingsWindow.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/BundleExpand.h"
#include "foundation/QVDragView.h"
#include "foundation/StringExpand.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"
#include "toolwindows/editname/QVEditNameWinCtl.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestNames.h"
#include "tests/app/HostMenuJson.h"
#include "tests/host/HostRun.h"
#include "tests/app/SettingsPageTesting.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

// Three common folders, stored with display names of their own; the first holds 25 files.
struct Folders
{
    QString root;
    QStringList paths;
    QStringList names { QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma") };

    Folders()
    {
        root = platform::Paths::home() + QStringLiteral("/fav");
        for (const char* name : { "a", "b", "c" }) {
            paths << root + QLatin1Char('/') + QLatin1String(name);
            QDir().mkpath(paths.last());
        }
        for (int i = 0; i < 25; ++i) {
            QFile file(paths.first() + QStringLiteral("/file%1.txt").arg(i));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        }
        for (int i = 0; i < paths.size(); ++i) {
            QVMenuManager::addMenuKey(QVMenuManager::kArrayCommonPath,
                                      { { QStringLiteral("key"), qv::uuid() },
                                        { QStringLiteral("disabled"), false },
                                        { QStringLiteral("path"), paths.at(i) },
                                        { QStringLiteral("displayName"), names.at(i) } },
                                      -1);
        }
    }

    /// The common folders under the menu's "Common Path" entry, for a right click in the root.
    QJsonArray menu() const { return submenu(hostMenu({ QStringLiteral("--target"), root }), commonPathTitle()); }
    static QString commonPathTitle() { return qv::localized(QStringLiteral("Common Path")); }
};

QVariantMap stored(int index)
{
    return QVMenuManager::storedList(QVMenuManager::kArrayCommonPath).value(index).toMap();
}

QStringList storedPaths()
{
    QStringList out;
    for (const QVariant& entry : QVMenuManager::storedList(QVMenuManager::kArrayCommonPath)) {
        out << entry.toMap().value(QStringLiteral("path")).toString();
    }
    return out;
}

void selectRow(QVFavoriteViewCtl& page, int row)
{
    page.tableView()->selectRow(row);
}

void rename(QVFavoriteViewCtl& page, int row, const QString& name)
{
    selectRow(page, row);
    const QRect cell = page.tableView()->visualItemRect(page.tableView()->item(row, 0));
    QTest::mouseClick(page.tableView()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(page.tableView()->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_NE(page.editNameWinCtl(), nullptr) << cell.x() << "," << cell.y() << " " << page.tableView()->currentRow();
    ASSERT_TRUE(page.editNameWinCtl()->window()->isVisible());
    QLineEdit* field = page.editNameWinCtl()->aliasTextField();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, name);
    QTest::mouseClick(page.editNameWinCtl()->okBtn(), Qt::LeftButton);
}

void drop(QVFavoriteViewCtl& page, const QStringList& paths)
{
    QVDragView* target = QVListPage::dragView(&page);
    ASSERT_NE(target, nullptr);
    ASSERT_TRUE(dropPaths(target, paths));
}

struct FavoriteCase
{
    const char* name;
    std::function<void(QVFavoriteViewCtl& page, const Folders& folders)> edit;
    std::function<void(const Folders& folders)> check;
};

class FavoritePageEditTest : public ::testing::TestWithParam<FavoriteCase>
{
};

TEST_P(FavoritePageEditTest, EditIsStoredAndShowsInTheHostsMenu)
{
    QVDefaultData::setup();
    const Folders folders;
    QVSettingsWindow window;
    window.showTab(QStringLiteral("commonpath"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* page = window.findChild<QVFavoriteViewCtl*>();
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->tableView()->rowCount(), 3);
    GetParam().edit(*page, folders);
    GetParam().check(folders);
}

// The listing under a common folder: "Show in Finder", the entries, and "More Files" when cut.
QStringList listed(const Folders& folders, int row)
{
    return titles(submenu(folders.menu(), folders.names.at(row)));
}

// Chooses a pop-up item from the keyboard, as the user may: typing selects the next item
// that begins with the text.
void type(QComboBox* combo, const QString& text)
{
    combo->setFocus();
    QTest::keyClicks(combo, text);
}

const FavoriteCase kEdits[] = {
    { "AddThroughThePanel",
      [](QVFavoriteViewCtl& page, const Folders& folders) {
          PanelScript panels;
          const QString added = folders.root + QStringLiteral("/My Projects");
          QDir().mkpath(added);
          panels.setNextPaths({ added });
          QTest::mouseClick(child<QPushButton>(page, "addButton"), Qt::LeftButton);
          ASSERT_TRUE(QTest::qWaitFor([&] { return page.tableView()->rowCount() == 4; }));
          EXPECT_FALSE(panels.shown().first().options.canChooseFiles);
          EXPECT_TRUE(panels.shown().first().options.canChooseDirectories);
      },
      [](const Folders& folders) {
          const QVariantMap entry = stored(3);
          EXPECT_EQ(entry.value(QStringLiteral("path")).toString(), folders.root + QStringLiteral("/My Projects"));
          EXPECT_EQ(entry.value(QStringLiteral("displayName")).toString(), QStringLiteral("My Projects"));
          EXPECT_EQ(entry.value(QStringLiteral("key")).toString().size(), 36);
          EXPECT_FALSE(entry.value(QStringLiteral("disabled")).toBool());
          EXPECT_TRUE(titles(folders.menu()).contains(QStringLiteral("My Projects")));
      } },
    // A file dropped with a folder is skipped; the folder joins.
    { "DropFileAndFolder",
      [](QVFavoriteViewCtl& page, const Folders& folders) {
          const QString folder = folders.root + QStringLiteral("/dropped");
          QDir().mkpath(folder);
          drop(page, { folders.paths.first() + QStringLiteral("/file0.txt"), folder });
      },
      [](const Folders& folders) {
          EXPECT_EQ(storedPaths(), folders.paths + QStringList { folders.root + QStringLiteral("/dropped") });
          EXPECT_TRUE(titles(folders.menu()).contains(QStringLiteral("dropped")));
      } },
    { "SwitchOff",
      [](QVFavoriteViewCtl& page, const Folders&) {
          page.tableView()->item(1, QVFavoriteViewCtl::Enable)->setCheckState(Qt::Unchecked);
      },
      [](const Folders& folders) {
          EXPECT_TRUE(stored(1).value(QStringLiteral("disabled")).toBool());
          EXPECT_EQ(titles(folders.menu()), (QStringList { folders.names.at(0), folders.names.at(2) }));
      } },
    { "Rename", [](QVFavoriteViewCtl& page, const Folders&) { rename(page, 1, QStringLiteral("Work")); },
      [](const Folders& folders) {
          EXPECT_EQ(stored(1).value(QStringLiteral("displayName")).toString(), QStringLiteral("Work"));
          EXPECT_EQ(titles(folders.menu()),
                    (QStringList { folders.names.at(0), QStringLiteral("Work"), folders.names.at(2) }));
      } },
    // A blank name would leave an entry without a title: the folder's own name is taken.
    { "RenameBlankTakesTheFoldersName",
      [](QVFavoriteViewCtl& page, const Folders&) { rename(page, 2, QStringLiteral("   ")); },
      [](const Folders& folders) {
          EXPECT_EQ(stored(2).value(QStringLiteral("displayName")).toString(), QStringLiteral("c"));
          EXPECT_TRUE(titles(folders.menu()).contains(QStringLiteral("c")));
      } },
    { "Delete",
      [](QVFavoriteViewCtl& page, const Folders&) {
          auto* button = child<QPushButton>(page, "deleteButton");
          EXPECT_FALSE(button->isEnabled());
          selectRow(page, 0);
          ASSERT_TRUE(button->isEnabled());
          QTest::mouseClick(button, Qt::LeftButton);
      },
      [](const Folders& folders) {
          EXPECT_EQ(storedPaths(), folders.paths.mid(1));
          EXPECT_EQ(titles(folders.menu()), folders.names.mid(1));
      } },
    // Row 0 dropped above row 3 (the end) lands last.
    { "DragToTheEnd",
      [](QVFavoriteViewCtl& page, const Folders&) {
          std::unique_ptr<QMimeData> mime(page.page().mimeDataForRow(0));
          EXPECT_TRUE(page.tableView()->dropRow(mime.get(), 3));
      },
      [](const Folders& folders) {
          EXPECT_EQ(storedPaths(), (QStringList { folders.paths.at(1), folders.paths.at(2), folders.paths.at(0) }));
          EXPECT_EQ(titles(folders.menu()),
                    (QStringList { folders.names.at(1), folders.names.at(2), folders.names.at(0) }));
      } },
    { "NoSubmenu",
      [](QVFavoriteViewCtl& page, const Folders&) { type(child<QComboBox>(page, "popUpButton"), QStringLiteral("N")); },
      [](const Folders& folders) {
          EXPECT_EQ(shared().integerValue(QVMenuManager::kCommonPathNextMenu), 1);
          EXPECT_TRUE(listed(folders, 0).isEmpty()) << listed(folders, 0).join(u',').toStdString();
      } },
    // The factory count is 5: "Show in Finder", five entries and "More Files".
    { "CountFifteenStoredAtOnce",
      [](QVFavoriteViewCtl& page, const Folders& folders) {
          EXPECT_EQ(listed(folders, 0).size(), 7) << listed(folders, 0).join(u',').toStdString();
          AlertScript alerts;
          type(child<QComboBox>(page, "subCountUpButton"), QStringLiteral("15"));
          EXPECT_TRUE(alerts.shown().isEmpty());
      },
      [](const Folders& folders) {
          EXPECT_EQ(shared().integerValue(QVMenuManager::kCommonSubpathMaxCount), 15);
          EXPECT_EQ(listed(folders, 0).size(), 17) << listed(folders, 0).join(u',').toStdString();
      } },
    { "CountTwentyAsksAndCancelKeepsFive",
      [](QVFavoriteViewCtl& page, const Folders&) {
          AlertScript alerts({ platform::Alert::FirstButtonReturn + 1 });
          auto* combo = child<QComboBox>(page, "subCountUpButton");
          type(combo, QStringLiteral("2"));
          ASSERT_EQ(alerts.shown().size(), 1);
          EXPECT_EQ(alerts.shown().first().window, nullptr);
          EXPECT_EQ(combo->currentText(), QStringLiteral("5"));
      },
      [](const Folders& folders) {
          EXPECT_EQ(shared().integerValue(QVMenuManager::kCommonSubpathMaxCount), 5);
          EXPECT_EQ(listed(folders, 0).size(), 7) << listed(folders, 0).join(u',').toStdString();
      } },
    { "CountTwentyConfirmed",
      [](QVFavoriteViewCtl& page, const Folders&) {
          AlertScript alerts({ platform::Alert::FirstButtonReturn });
          type(child<QComboBox>(page, "subCountUpButton"), QStringLiteral("2"));
          EXPECT_EQ(alerts.shown().size(), 1);
      },
      [](const Folders& folders) {
          EXPECT_EQ(shared().integerValue(QVMenuManager::kCommonSubpathMaxCount), 20);
          EXPECT_EQ(listed(folders, 0).size(), 22) << listed(folders, 0).join(u',').toStdString();
      } },
    // With the switch off a right-clicked folder is no longer offered for the list.
    { "QuickAddOff",
      [](QVFavoriteViewCtl& page, const Folders&) {
          auto* box = child<QCheckBox>(page, "shortcutAddCheck");
          ASSERT_TRUE(box->isChecked());
          QTest::mouseClick(box, Qt::LeftButton);
      },
      [](const Folders& folders) {
          EXPECT_FALSE(QVMenuManager::isPrefCheckOn(QVSwitch::AddToCommonPath));
          EXPECT_FALSE(titles(hostMenu({ folders.paths.at(1) })).contains(Folders::commonPathTitle()));
      } },
    { "ClearAfterOk",
      [](QVFavoriteViewCtl& page, const Folders&) {
          AlertScript alerts({ platform::Alert::FirstButtonReturn });
          QTest::mouseClick(child<QPushButton>(page, "clearBtn"), Qt::LeftButton);
          ASSERT_TRUE(QTest::qWaitFor([&] { return page.tableView()->rowCount() == 0; }));
          EXPECT_EQ(alerts.shown().first().informativeText, qv::localized(QStringLiteral("Clear Tip")));
      },
      [](const Folders& folders) {
          EXPECT_TRUE(storedPaths().isEmpty());
          EXPECT_FALSE(titles(folders.menu()).contains(folders.names.first()));
      } },
    { "RecoverCancelled",
      [](QVFavoriteViewCtl& page, const Folders&) {
          AlertScript alerts({ platform::Alert::FirstButtonReturn + 1 });
          QTest::mouseClick(child<QPushButton>(page, "recoverBtn"), Qt::LeftButton);
          ASSERT_TRUE(QTest::qWaitFor([&] { return alerts.shown().size() == 1; }));
          QTest::qWait(50);
      },
      [](const Folders& folders) {
          EXPECT_EQ(storedPaths(), folders.paths);
          EXPECT_EQ(titles(folders.menu()), folders.names);
      } },
};

INSTANTIATE_TEST_SUITE_P(Edits, FavoritePageEditTest, ::testing::ValuesIn(kEdits), caseName<FavoriteCase>);

// 56 more folders make 59: two more at once reach 60 and are refused, one more is taken.
TEST(FavoritePageLimitTest, TheListStopsAtFiftyNine)
{
    QVDefaultData::setup();
    const Folders folders;
    for (int i = 3; i < 58; ++i) {
        const QString path = folders.root + QStringLiteral("/more%1").arg(i);
        QDir().mkpath(path);
        QVMenuManager::addMenuKey(QVMenuManager::kArrayCommonPath,
                                  { { QStringLiteral("key"), qv::uuid() }, { QStringLiteral("path"), path } }, -1);
    }
    QVSettingsWindow window;
    window.showTab(QStringLiteral("commonpath"));
    QVFavoriteViewCtl& page = *window.findChild<QVFavoriteViewCtl*>();
    ASSERT_EQ(page.tableView()->rowCount(), 58);
    const QString x = folders.root + QStringLiteral("/x");
    const QString y = folders.root + QStringLiteral("/y");
    QDir().mkpath(x);
    QDir().mkpath(y);
    {
        AlertScript alerts;
        drop(page, { x, y });
        ASSERT_EQ(alerts.shown().size(), 1);
        EXPECT_EQ(alerts.shown().first().informativeText, qv::localized(QStringLiteral("Submenu Limit Tip")));
        EXPECT_EQ(storedPaths().size(), 58);
    }
    drop(page, { x });
    EXPECT_EQ(storedPaths().size(), 59);
    EXPECT_EQ(page.tableView()->rowCount(), 59);
    EXPECT_EQ(titles(folders.menu()).size(), 59);
}

struct TildeCase
{
    const char* name;
    QString (*path)(const QString& home);
    QString (*shown)(const QString& home);
};

class FavoritePageTildeTest : public ::testing::TestWithParam<TildeCase>
{
};

// The name column writes the home folder "~" only as a whole path component.
TEST_P(FavoritePageTildeTest, TheNameColumnAbbreviatesOnlyTheHomeFolder)
{
    const QString home = platform::Paths::home();
    const QString path = GetParam().path(home);
    QVMenuManager::addMenuKey(QVMenuManager::kArrayCommonPath,
                              { { QStringLiteral("key"), QStringLiteral("k") }, { QStringLiteral("path"), path } }, -1);
    QVFavoriteViewCtl page;
    ASSERT_EQ(page.tableView()->rowCount(), 1);
    EXPECT_EQ(page.tableView()->item(0, QVFavoriteViewCtl::MenuTitle)->text(), GetParam().shown(home));
    EXPECT_EQ(qv::abbreviatingWithTildeInPath(path), GetParam().shown(home));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FavoritePageTildeTest,
    ::testing::Values(TildeCase { "Home", [](const QString& h) { return h; },
                                  [](const QString&) { return QStringLiteral("~"); } },
                      TildeCase { "InsideHome", [](const QString& h) { return h + QStringLiteral("/Projects"); },
                                  [](const QString&) { return QStringLiteral("~/Projects"); } },
                      TildeCase { "NeighbourOfHome", [](const QString& h) { return h + QStringLiteral("2/Projects"); },
                                  [](const QString& h) { return h + QStringLiteral("2/Projects"); } },
                      TildeCase { "OutsideHome", [](const QString&) { return QStringLiteral("/srv/data"); },
                                  [](const QString&) { return QStringLiteral("/srv/data"); } }),
    caseName<TildeCase>);

// A stored 0 means "not chosen": the page writes the factory values when it first shows them.
TEST(FavoritePageSettingsTest, ZeroSettingsReadAsTheFactoryValues)
{
    shared().setValue(QVMenuManager::kCommonPathNextMenu, 0);
    shared().setValue(QVMenuManager::kCommonSubpathMaxCount, 0);
    QVFavoriteViewCtl page;
    EXPECT_EQ(shared().integerValue(QVMenuManager::kCommonPathNextMenu), 3);
    EXPECT_EQ(shared().integerValue(QVMenuManager::kCommonSubpathMaxCount), 5);
    EXPECT_EQ(child<QComboBox>(page, "popUpButton")->currentData().toInt(), 3);
    EXPECT_EQ(child<QComboBox>(page, "subCountUpButton")->currentText(), QStringLiteral("5"));
    // A count the pop-up does not offer selects nothing, and is kept.
    shared().setValue(QVMenuManager::kCommonSubpathMaxCount, 7);
    page.refresh();
    EXPECT_EQ(child<QComboBox>(page, "subCountUpButton")->currentIndex(), -1);
    EXPECT_EQ(shared().integerValue(QVMenuManager::kCommonSubpathMaxCount), 7);
}

} // namespace
