#include "app/settings/QVBorellaConfigWinCtl.h"
#include "app/settings/QVEditAppConfigWinCtl.h"
#include "app/settings/QVGeneralViewCtl.h"
#include "app/settings/QVOpenWithViewCtl.h"
#include "app/settings/QVSettingsTable.h"
#include "app/settings/QVSettingsWindow.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/BundleExpand.h"
#include "foundation/QVDragView.h"
#include "foundation/ViewExpand.h"

#include "KeyTyping.h"
#include "SettingsHostMenu.h"
#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"
#include "tests/app/SettingsPageTesting.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

const QString kViewer = QStringLiteral("Picture Viewer");

// Two applications of one name (each with an icon of its own colour), a document beside them,
// and the things a user right-clicks: a picture, a text file and a folder.
struct Fixture
{
    QString appA;
    QString appB;
    QString document;
    QString png;
    QString txt;
    QString folder;
};

QString application(const QString& id, Qt::GlobalColor colour)
{
    const QString icon = inHome(QStringLiteral("icons/") + id + QStringLiteral(".png"));
    QDir().mkpath(QFileInfo(icon).path());
    QImage image(128, 128, QImage::Format_ARGB32);
    image.fill(colour);
    image.save(icon, "PNG");
    return writeFile(inHome(QStringLiteral(".local/share/applications/") + id + QStringLiteral(".desktop")),
                     QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=/bin/true %F\nIcon=%2\n")
                         .arg(kViewer, icon)
                         .toUtf8());
}

Fixture makeFixture()
{
    Fixture f;
    f.appA = application(QStringLiteral("tarsel-viewer-a"), Qt::red);
    f.appB = application(QStringLiteral("tarsel-viewer-b"), Qt::blue);
    f.document = writeFile(inHome(QStringLiteral("Documents/notes.txt")), "notes");
    f.png = writeFile(inHome(QStringLiteral("work/picture.png")), "png");
    f.txt = writeFile(inHome(QStringLiteral("work/readme.txt")), "txt");
    f.folder = inHome(QStringLiteral("work/sub"));
    QDir().mkpath(f.folder);
    return f;
}

QVariantList apps()
{
    return QVMenuManager::storedList(QVMenuManager::kArrayCommonApp);
}

QVariantMap appEntry(const QString& appName)
{
    for (const QVariant& entry : apps()) {
        if (entry.toMap().value(QStringLiteral("appName")) == appName) {
            return entry.toMap();
        }
    }
    return {};
}

// A drag of files from a file manager onto the page, dropped there when the page takes it.
void drop(QVOpenWithViewCtl& page, const QStringList& paths)
{
    QVDragView* target = QVListPage::dragView(&page);
    ASSERT_NE(target, nullptr);
    dropPaths(target, paths, QPoint(5, 5));
}

int rowOf(QVOpenWithViewCtl& page, const std::function<bool(const QVMenuItem&)>& match)
{
    for (int row = 0; row < page.page().rows().size(); ++row) {
        if (match(*page.page().row(row))) {
            return row;
        }
    }
    return -1;
}

int rowOfApp(QVOpenWithViewCtl& page, const QString& appName)
{
    return rowOf(page, [&](const QVMenuItem& item) { return item.appName() == appName; });
}

void tick(QVSettingsTable* table, int row, int column, bool on)
{
    ASSERT_GE(row, 0);
    table->item(row, column)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

// Edits the selected application in its dialog: needs a file, accepts the typed formats.
void editApp(QVOpenWithViewCtl& page, int row, const QString& name, const QString& formats)
{
    page.tableView()->selectRow(row);
    page.onEditName();
    QVEditAppConfigWinCtl* dialog = page.editWinCtl();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->isVisible());
    auto* nameInput = dialog->findChild<QLineEdit*>(QStringLiteral("nameInput"));
    nameInput->clear();
    typeKeys(nameInput, name);
    dialog->findChild<QCheckBox*>(QStringLiteral("fileCheck"))->click();
    typeKeys(dialog->findChild<QLineEdit*>(QStringLiteral("formatInput")), formats);
    dialog->findChild<QPushButton*>(QStringLiteral("okBtn"))->click();
}

struct AppCase
{
    const char* name;
    std::function<void(QVOpenWithViewCtl& page, const Fixture& f)> edit;
    std::function<void(QVOpenWithViewCtl& page, const Fixture& f)> check;
};

class AppPageEditTest : public ::testing::TestWithParam<AppCase>
{
};

TEST_P(AppPageEditTest, EditIsStoredAndShowsInTheHostsMenu)
{
    ASSERT_TRUE(QVDefaultData::setup());
    const Fixture f = makeFixture();
    // The page in the settings window, whose drop target takes files for the shown page.
    QVSettingsWindow window;
    window.showTab(QStringLiteral("commonapp"));
    auto* page = window.findChild<QVOpenWithViewCtl*>(QStringLiteral("commonapp"));
    ASSERT_NE(page, nullptr);
    QCoreApplication::processEvents();
    GetParam().edit(*page, f);
    GetParam().check(*page, f);
    window.hide();
}

const AppCase kAppCases[] = {
    { "AddFromThePanel",
      [](QVOpenWithViewCtl& page, const Fixture& f) {
          PanelScript panels;
          panels.setNextPaths({ f.appA });
          page.findChild<QPushButton*>(QStringLiteral("addButton"))->click();
          ASSERT_TRUE(QTest::qWaitFor([&] { return !appEntry(f.appA).isEmpty(); }, 5000));
          ASSERT_EQ(panels.shown().size(), 1);
          EXPECT_EQ(panels.shown().first().options.allowedFileTypes, QStringList { QStringLiteral("desktop") });
      },
      [](QVOpenWithViewCtl& page, const Fixture& f) {
          const QVariantMap entry = appEntry(f.appA);
          EXPECT_EQ(entry.keys(), (QStringList { "appBundleId", "appName", "displayName", "iconPath", "key" }));
          EXPECT_EQ(entry.value(QStringLiteral("displayName")), kViewer);
          EXPECT_EQ(entry.value(QStringLiteral("appBundleId")), QStringLiteral("tarsel-viewer-a"));
          const QImage icon(entry.value(QStringLiteral("iconPath")).toString());
          EXPECT_EQ(icon.size(), QSize(60, 60));
          EXPECT_EQ(QColor(icon.pixel(30, 30)), QColor(Qt::red));
          EXPECT_EQ(page.page().rows().size(), apps().size());
          EXPECT_TRUE(hostMenuFor({ f.png }).has(kViewer));
      } },
    // Icons named after the application's name would be one file for both: the second add would
    // overwrite the first's picture and deleting either would take the other's icon along.
    { "SameNameKeepsOwnIcons",
      [](QVOpenWithViewCtl& page, const Fixture& f) {
          drop(page, { f.appA, f.appB });
          page.tableView()->selectRow(rowOfApp(page, f.appA));
          page.findChild<QPushButton*>(QStringLiteral("deleteButton"))->click();
      },
      [](QVOpenWithViewCtl&, const Fixture& f) {
          EXPECT_TRUE(appEntry(f.appA).isEmpty());
          const QString iconB = appEntry(f.appB).value(QStringLiteral("iconPath")).toString();
          ASSERT_TRUE(QFileInfo(iconB).isFile());
          EXPECT_EQ(QColor(QImage(iconB).pixel(30, 30)), QColor(Qt::blue));
          EXPECT_EQ(QDir(QVMenuManager::appIconFolder()).entryList(QDir::Files).size(), 1);
          EXPECT_EQ(hostMenuFor({ f.png }).count(kViewer), 1);
      } },
    { "DroppedDocumentsAreLeftOut",
      [](QVOpenWithViewCtl& page, const Fixture& f) {
          drop(page, { f.document, f.appA, f.folder });
      },
      [](QVOpenWithViewCtl&, const Fixture& f) {
          const QVariantList list = apps();
          EXPECT_EQ(
              std::count_if(list.cbegin(), list.cend(),
                            [](const QVariant& e) {
                                return e.toMap().value(QStringLiteral("appName")).toString().startsWith(testHome());
                            }),
              1);
          EXPECT_FALSE(appEntry(f.appA).isEmpty());
          EXPECT_TRUE(appEntry(f.document).isEmpty());
          EXPECT_TRUE(appEntry(f.folder).isEmpty());
      } },
    { "FullListRefusesTheWholeDrop",
      [](QVOpenWithViewCtl& page, const Fixture& f) {
          QVMenuManager::editList(QVMenuManager::kArrayCommonApp, [](QVariantList& list) {
              while (list.size() < QVOpenWithViewCtl::kLimit - 2) {
                  list << QVariantMap { { QStringLiteral("key"), QStringLiteral("filler%1").arg(list.size()) } };
              }
          });
          AlertScript alerts;
          drop(page, { f.appA, f.appB });
          ASSERT_EQ(alerts.shown().size(), 1);
          EXPECT_EQ(alerts.shown().first().informativeText, qv::localized(QStringLiteral("Submenu Limit Tip")));
          EXPECT_EQ(apps().size(), QVOpenWithViewCtl::kLimit - 2);
          drop(page, { f.appB });
          EXPECT_EQ(alerts.shown().size(), 1);
      },
      [](QVOpenWithViewCtl&, const Fixture& f) {
          EXPECT_EQ(apps().size(), QVOpenWithViewCtl::kLimit - 1);
          EXPECT_TRUE(appEntry(f.appA).isEmpty());
          EXPECT_FALSE(appEntry(f.appB).isEmpty());
      } },
    // The copy in the main menu must say what it is offered for, as the sub-list's entry does:
    // without "needFile" and "formats" it showed for every selection, folders included.
    { "MainMenuCopyOfferedLikeTheEntry",
      [](QVOpenWithViewCtl& page, const Fixture& f) {
          drop(page, { f.appA });
          editApp(page, rowOfApp(page, f.appA), QStringLiteral("Viewer A"), QStringLiteral("PNG\uFF0CJPG"));
          tick(page.tableView(), rowOfApp(page, f.appA), QVOpenWithViewCtl::AddToMainMenu, true);
      },
      [](QVOpenWithViewCtl& page, const Fixture& f) {
          const QVariantMap entry = appEntry(f.appA);
          EXPECT_EQ(entry.value(QStringLiteral("formats")), QStringLiteral("png,jpg"));
          EXPECT_TRUE(entry.value(QStringLiteral("toMainMenu")).toBool());
          const QVariantMap copy = mainEntry(0);
          EXPECT_EQ(copy.value(QStringLiteral("key")), entry.value(QStringLiteral("key")));
          EXPECT_TRUE(copy.value(QStringLiteral("needFile")).toBool());
          EXPECT_FALSE(copy.value(QStringLiteral("needFolder")).toBool());
          EXPECT_EQ(copy.value(QStringLiteral("formats")), QStringLiteral("png,jpg"));
          // Shown in the main menu: its enable box is on and not clickable.
          const QTableWidgetItem* enable = page.tableView()->item(rowOfApp(page, f.appA), QVOpenWithViewCtl::Enable);
          EXPECT_EQ(enable->checkState(), Qt::Checked);
          EXPECT_FALSE(enable->flags().testFlag(Qt::ItemIsEnabled));
          EXPECT_TRUE(hostMenuFor({ f.png }).hasTop(QStringLiteral("Viewer A")));
          EXPECT_FALSE(hostMenuFor({ f.txt }).has(QStringLiteral("Viewer A")));
          EXPECT_FALSE(hostMenuFor({ f.folder }).has(QStringLiteral("Viewer A")));
      } },
    { "EditMergesIntoTheMainMenuCopy",
      [](QVOpenWithViewCtl& page, const Fixture& f) {
          drop(page, { f.appA });
          tick(page.tableView(), rowOfApp(page, f.appA), QVOpenWithViewCtl::AddToMainMenu, true);
          editApp(page, rowOfApp(page, f.appA), QStringLiteral("Viewer A"), QStringLiteral("txt"));
      },
      [](QVOpenWithViewCtl&, const Fixture& f) {
          EXPECT_EQ(mainEntry(0).value(QStringLiteral("displayName")), QStringLiteral("Viewer A"));
          EXPECT_EQ(mainEntry(0).value(QStringLiteral("formats")), QStringLiteral("txt"));
          EXPECT_TRUE(hostMenuFor({ f.txt }).hasTop(QStringLiteral("Viewer A")));
          EXPECT_FALSE(hostMenuFor({ f.png }).has(QStringLiteral("Viewer A")));
      } },
    { "UntickRemovesTheCopy",
      [](QVOpenWithViewCtl& page, const Fixture& f) {
          drop(page, { f.appA });
          tick(page.tableView(), rowOfApp(page, f.appA), QVOpenWithViewCtl::AddToMainMenu, true);
          tick(page.tableView(), rowOfApp(page, f.appA), QVOpenWithViewCtl::AddToMainMenu, false);
      },
      [](QVOpenWithViewCtl&, const Fixture& f) {
          EXPECT_NE(mainEntry(0).value(QStringLiteral("key")), appEntry(f.appA).value(QStringLiteral("key")));
          EXPECT_FALSE(appEntry(f.appA).value(QStringLiteral("toMainMenu")).toBool());
          const HostMenu menu = hostMenuFor({ f.png });
          EXPECT_TRUE(menu.has(kViewer));
          EXPECT_FALSE(menu.hasTop(kViewer));
      } },
    { "SwitchOff",
      [](QVOpenWithViewCtl& page, const Fixture& f) {
          drop(page, { f.appA });
          tick(page.tableView(), rowOfApp(page, f.appA), QVOpenWithViewCtl::Enable, false);
      },
      [](QVOpenWithViewCtl&, const Fixture& f) {
          EXPECT_TRUE(appEntry(f.appA).value(QStringLiteral("disabled")).toBool());
          EXPECT_FALSE(hostMenuFor({ f.png }).has(kViewer));
      } },
    // Row 0 dropped above row 3 lands at index 2.
    { "DragSort",
      [](QVOpenWithViewCtl& page, const Fixture&) {
          const QString key = page.page().row(0)->key();
          std::unique_ptr<QMimeData> mime(page.page().mimeDataForRow(0));
          EXPECT_TRUE(page.tableView()->dropRow(mime.get(), 3));
          EXPECT_EQ(apps().at(2).toMap().value(QStringLiteral("key")), key);
      },
      [](QVOpenWithViewCtl& page, const Fixture&) { EXPECT_EQ(page.page().rows().size(), apps().size()); } },
    { "RecoverDropsAddedAppsAndTheirIcons",
      [](QVOpenWithViewCtl& page, const Fixture& f) {
          drop(page, { f.appA });
          tick(page.tableView(), rowOfApp(page, f.appA), QVOpenWithViewCtl::AddToMainMenu, true);
          AlertScript alerts({ platform::Alert::FirstButtonReturn });
          page.findChild<QPushButton*>(QStringLiteral("recoverBtn"))->click();
          ASSERT_TRUE(QTest::qWaitFor([&] { return appEntry(f.appA).isEmpty(); }, 5000));
          EXPECT_EQ(alerts.shown().first().window, page.window());
      },
      [](QVOpenWithViewCtl& page, const Fixture& f) {
          EXPECT_EQ(apps().size(), page.page().rows().size());
          EXPECT_TRUE(QDir(QVMenuManager::appIconFolder()).isEmpty());
          EXPECT_FALSE(hostMenuFor({ f.png }).has(kViewer));
      } },
    { "NameTooLongKeepsTheDialogOpen",
      [](QVOpenWithViewCtl& page, const Fixture& f) {
          drop(page, { f.appA });
          editApp(page, rowOfApp(page, f.appA), QString(31, QLatin1Char('n')), QStringLiteral("png"));
          EXPECT_TRUE(page.editWinCtl()->isVisible());
          EXPECT_TRUE(qv::hudVisible(page.editWinCtl())
                      || QTest::qWaitFor([&] { return qv::hudVisible(page.editWinCtl()); }));
          page.editWinCtl()->findChild<QPushButton*>(QStringLiteral("cancelBtn"))->click();
      },
      [](QVOpenWithViewCtl& page, const Fixture& f) {
          EXPECT_FALSE(page.editWinCtl()->isVisible());
          EXPECT_EQ(appEntry(f.appA).value(QStringLiteral("displayName")), kViewer);
          EXPECT_TRUE(hostMenuFor({ f.png }).has(kViewer));
      } },
    // The archive utility's entry opens its own window on the edition's commands; a command put
    // in the main menu runs that command there (it carries the edition) for the same selections.
    { "ArchiveUtilityCommandToMainMenu",
      [](QVOpenWithViewCtl& page, const Fixture&) {
          const int row = rowOf(page, [](const QVMenuItem& item) { return item.isBorellaPro(); });
          ASSERT_GE(row, 0);
          page.tableView()->selectRow(row);
          page.onEditName();
          QVBorellaConfigWinCtl* dialog = page.borellaWinCtl();
          ASSERT_NE(dialog, nullptr);
          EXPECT_TRUE(dialog->isVisible());
          EXPECT_FALSE(dialog->isModal());
          EXPECT_EQ(dialog->menuKey(), QVMenuManager::kArrayBorellaPro);
          int compress = -1;
          for (int i = 0; i < dialog->page()->rows().size(); ++i) {
              compress = dialog->page()->row(i)->appCmd() == QLatin1String("3") ? i : compress;
          }
          tick(dialog->tableView(), compress, QVBorellaConfigWinCtl::AddToMainMenu, true);
          auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("nameInput"));
          name->clear();
          typeKeys(name, QStringLiteral("Archives"));
          dialog->findChild<QPushButton*>(QStringLiteral("okBtn"))->click();
          EXPECT_FALSE(dialog->isVisible());
      },
      [](QVOpenWithViewCtl&, const Fixture& f) {
          const QVariantMap copy = mainEntry(0);
          EXPECT_EQ(copy.value(QStringLiteral("appCmd")), QStringLiteral("3"));
          EXPECT_EQ(copy.value(QStringLiteral("appBundleId")), QStringLiteral("com.valden.borellapro"));
          EXPECT_TRUE(copy.value(QStringLiteral("needFile")).toBool());
          EXPECT_TRUE(copy.value(QStringLiteral("needFolder")).toBool());
          const QVariantList commands = QVMenuManager::storedList(QVMenuManager::kArrayBorellaPro);
          EXPECT_TRUE(std::any_of(commands.cbegin(), commands.cend(), [](const QVariant& c) {
              return c.toMap().value(QStringLiteral("toMainMenu")).toBool();
          }));
          const HostMenu menu = hostMenuFor({ f.png });
          EXPECT_TRUE(menu.hasTop(qv::localized(QStringLiteral("Compressed to ")) + QStringLiteral("\"picture.zip\"")));
          EXPECT_TRUE(menu.has(QStringLiteral("Archives")));
      } },
    // The main menu page deletes the copy without clearing the command's flag; reopening the
    // dialog must not show the box ticked for a copy that is gone.
    { "CopyDeletedOnTheMainMenuPageUnticks",
      [](QVOpenWithViewCtl& page, const Fixture&) {
          const int row = rowOf(page, [](const QVMenuItem& item) { return item.isBorellaPro(); });
          page.tableView()->selectRow(row);
          page.onEditName();
          tick(page.borellaWinCtl()->tableView(), 0, QVBorellaConfigWinCtl::AddToMainMenu, true);
          page.borellaWinCtl()->close();
          QVGeneralViewCtl general;
          general.tableView()->selectRow(0);
          general.findChild<QPushButton*>(QStringLiteral("deleteButton"))->click();
          page.tableView()->selectRow(row);
          page.onEditName();
      },
      [](QVOpenWithViewCtl& page, const Fixture& f) {
          const QTableWidgetItem* box
              = page.borellaWinCtl()->tableView()->item(0, QVBorellaConfigWinCtl::AddToMainMenu);
          EXPECT_EQ(box->checkState(), Qt::Unchecked);
          EXPECT_FALSE(QVMenuManager::storedList(QVMenuManager::kArrayBorellaPro)
                           .at(0)
                           .toMap()
                           .value(QStringLiteral("toMainMenu"))
                           .toBool());
          EXPECT_FALSE(
              hostMenuFor({ f.png }).hasTop(qv::localized(QStringLiteral("Decompress to the current folder"))));
      } },
    // Another page's tab takes no applications: the drop target follows the shown page.
    { "DropsTakenOnlyWhileShown",
      [](QVOpenWithViewCtl& page, const Fixture& f) {
          static_cast<QVSettingsWindow*>(page.window())->showTab(QStringLiteral("commonscript"));
          QCoreApplication::processEvents();
          drop(page, { f.appA });
      },
      [](QVOpenWithViewCtl&, const Fixture& f) {
          EXPECT_TRUE(appEntry(f.appA).isEmpty());
          EXPECT_FALSE(hostMenuFor({ f.png }).has(kViewer));
      } },
    // An emptied name falls back to the application's own name; unticking the file box empties
    // and disables the formats, so the entry is offered for every file again.
    { "EmptyNameAndUntickedFileBox",
      [](QVOpenWithViewCtl& page, const Fixture& f) {
          drop(page, { f.appA });
          editApp(page, rowOfApp(page, f.appA), QStringLiteral("Viewer A"), QStringLiteral("png"));
          page.tableView()->selectRow(rowOfApp(page, f.appA));
          page.onEditName();
          QVEditAppConfigWinCtl* dialog = page.editWinCtl();
          dialog->findChild<QLineEdit*>(QStringLiteral("nameInput"))->clear();
          dialog->findChild<QCheckBox*>(QStringLiteral("fileCheck"))->click();
          auto* formats = dialog->findChild<QLineEdit*>(QStringLiteral("formatInput"));
          EXPECT_TRUE(formats->text().isEmpty());
          EXPECT_FALSE(formats->isEnabled());
          dialog->findChild<QPushButton*>(QStringLiteral("okBtn"))->click();
      },
      [](QVOpenWithViewCtl&, const Fixture& f) {
          const QVariantMap entry = appEntry(f.appA);
          EXPECT_EQ(entry.value(QStringLiteral("displayName")), kViewer);
          EXPECT_EQ(entry.value(QStringLiteral("formats")), QString());
          EXPECT_EQ(entry.value(QStringLiteral("needFile")).toInt(), 0);
          EXPECT_TRUE(hostMenuFor({ f.txt }).has(kViewer));
      } },
};

INSTANTIATE_TEST_SUITE_P(Edits, AppPageEditTest, ::testing::ValuesIn(kAppCases), caseName<AppCase>);

} // namespace
