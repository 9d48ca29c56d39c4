#include "app/settings/QVAddIconWinCtl.h"
#include "app/settings/QVFolderIconViewCtl.h"
#include "app/settings/QVSettingsTable.h"
#include "app/settings/QVSettingsWindow.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/QVDragView.h"
#include "toolwindows/editname/QVEditNameWinCtl.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"
#include "tests/host/HostRun.h"
#include "tests/app/SettingsPageTesting.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

struct HostEntry
{
    QString title;
    QString image;
    qint64 tag = 0;
};

// The "Folder Icon" submenu of the menu the real host builds for a selected folder.
QList<HostEntry> hostFolderIcons(const QString& folder)
{
    const HostRun run = runHost({ QStringLiteral("menu"), QStringLiteral("--json"), folder });
    const QJsonArray items = QJsonDocument::fromJson(run.out).object().value(QStringLiteral("items")).toArray();
    QList<HostEntry> entries;
    for (const QJsonValue& item : items) {
        if (item.toObject().value(QStringLiteral("key")).toString() != QLatin1String("Folder Icon")) {
            continue;
        }
        for (const QJsonValue& child : item.toObject().value(QStringLiteral("submenu")).toArray()) {
            const QJsonObject o = child.toObject();
            entries.append({ o.value(QStringLiteral("title")).toString(), o.value(QStringLiteral("image")).toString(),
                             o.value(QStringLiteral("tag")).toInteger() });
        }
    }
    return entries;
}

QStringList titles(const QList<HostEntry>& entries)
{
    QStringList out;
    for (const HostEntry& e : entries) {
        out << e.title;
    }
    return out;
}

QVariantList storedIcons()
{
    return QVMenuManager::storedList(QVMenuManager::kArrayFolderIcon);
}

QString storedKey(int index)
{
    return storedIcons().at(index).toMap().value(QStringLiteral("key")).toString();
}

// The titles of the enabled entries in stored order: what the submenu of a plain folder shows.
QStringList enabledTitles()
{
    QStringList out;
    for (const QVMenuItemPtr& item : QVMenuManager::folderIconMenuArray()) {
        if (!item->disabled()) {
            out << item->menuTitle();
        }
    }
    return out;
}

void selectRow(QVFolderIconViewCtl& page, int row)
{
    page.tableView()->setCurrentCell(row, QVFolderIconViewCtl::MenuTitle);
}

void rename(QVFolderIconViewCtl& page, int row, const QString& name)
{
    selectRow(page, row);
    Q_EMIT page.tableView()->cellDoubleClicked(row, QVFolderIconViewCtl::MenuTitle);
    QVEditNameWinCtl* sheet = page.editNameWinCtl();
    ASSERT_NE(sheet, nullptr);
    sheet->aliasTextField()->setText(name);
    sheet->okBtn()->click();
}

struct EditCase
{
    const char* name;
    /// Edits the page through its widgets; row is a factory entry the host shows.
    std::function<void(QVFolderIconViewCtl& page, int row)> edit;
    std::function<void(const QVariantList& before, int row, const QString& title, const QList<HostEntry>& menu)> check;
};

class FolderIconPageEditTest : public ::testing::TestWithParam<EditCase>
{
};

TEST_P(FolderIconPageEditTest, EditIsStoredAndShowsInTheHostsMenu)
{
    QTemporaryDir folder;
    QVDefaultData::setup();
    QVFolderIconViewCtl page;
    const QVariantList before = storedIcons();
    const QList<HostEntry> menuBefore = hostFolderIcons(folder.path());
    ASSERT_EQ(titles(menuBefore), enabledTitles());
    const int row = 1; // "google", enabled in the factory list
    const QString title = page.page().row(row)->menuTitle();
    ASSERT_TRUE(titles(menuBefore).contains(title));
    GetParam().edit(page, row);
    GetParam().check(before, row, title, hostFolderIcons(folder.path()));
}

const EditCase kEdits[] = {
    { "SwitchOff",
      [](QVFolderIconViewCtl& page, int row) {
          page.tableView()->item(row, QVFolderIconViewCtl::Enable)->setCheckState(Qt::Unchecked);
      },
      [](const QVariantList&, int row, const QString& title, const QList<HostEntry>& menu) {
          EXPECT_TRUE(storedIcons().at(row).toMap().value(QStringLiteral("disabled")).toBool());
          EXPECT_FALSE(titles(menu).contains(title));
      } },
    { "Rename", [](QVFolderIconViewCtl& page, int row) { rename(page, row, QStringLiteral("My Projects")); },
      [](const QVariantList&, int row, const QString& title, const QList<HostEntry>& menu) {
          EXPECT_EQ(storedIcons().at(row).toMap().value(QStringLiteral("displayName")), QStringLiteral("My Projects"));
          EXPECT_TRUE(titles(menu).contains(QStringLiteral("My Projects")));
          EXPECT_FALSE(titles(menu).contains(title));
      } },
    // A factory entry has no display name of its own: an empty rename must leave the entry
    // exactly as it was, with the title the menu showed.
    { "RenameToEmptyKeepsTheEntry", [](QVFolderIconViewCtl& page, int row) { rename(page, row, QString()); },
      [](const QVariantList& before, int, const QString& title, const QList<HostEntry>& menu) {
          EXPECT_EQ(storedIcons(), before);
          EXPECT_TRUE(titles(menu).contains(title));
      } },
    { "Delete",
      [](QVFolderIconViewCtl& page, int row) {
          selectRow(page, row);
          page.findChild<QPushButton*>(QStringLiteral("deleteButton"))->click();
      },
      [](const QVariantList& before, int row, const QString& title, const QList<HostEntry>& menu) {
          EXPECT_EQ(storedIcons().size(), before.size() - 1);
          EXPECT_NE(storedKey(row), before.at(row).toMap().value(QStringLiteral("key")).toString());
          EXPECT_FALSE(titles(menu).contains(title));
      } },
    // Row 1 dropped above row 4 lands at 3: the removal shifts the rows below it up.
    { "DragDown",
      [](QVFolderIconViewCtl& page, int row) {
          std::unique_ptr<QMimeData> mime(page.page().mimeDataForRow(row));
          EXPECT_TRUE(page.tableView()->dropRow(mime.get(), row + 3));
      },
      [](const QVariantList& before, int row, const QString&, const QList<HostEntry>& menu) {
          EXPECT_EQ(storedKey(row + 2), before.at(row).toMap().value(QStringLiteral("key")).toString());
          EXPECT_EQ(titles(menu), enabledTitles());
      } },
    { "RecoverCancelledChangesNothing",
      [](QVFolderIconViewCtl& page, int row) {
          QVMenuManager::removeMenuKey(QVMenuManager::kArrayFolderIcon, page.page().row(row)->key());
          AlertScript alerts({ 1001 });
          page.findChild<QPushButton*>(QStringLiteral("recoverBtn"))->click();
          QCoreApplication::processEvents();
          ASSERT_EQ(alerts.shown().size(), 1);
          EXPECT_EQ(alerts.shown().first().buttons.size(), 2);
      },
      [](const QVariantList& before, int, const QString& title, const QList<HostEntry>& menu) {
          EXPECT_EQ(storedIcons().size(), before.size() - 1);
          EXPECT_FALSE(titles(menu).contains(title));
      } },
    { "RecoverRestoresTheFactoryList",
      [](QVFolderIconViewCtl& page, int row) {
          QVMenuManager::removeMenuKey(QVMenuManager::kArrayFolderIcon, page.page().row(row)->key());
          AlertScript alerts({ 1000 });
          page.findChild<QPushButton*>(QStringLiteral("recoverBtn"))->click();
          QCoreApplication::processEvents();
          EXPECT_EQ(page.tableView()->rowCount(), storedIcons().size());
      },
      [](const QVariantList& before, int, const QString& title, const QList<HostEntry>& menu) {
          EXPECT_EQ(storedIcons(), before);
          EXPECT_TRUE(titles(menu).contains(title));
      } },
};

INSTANTIATE_TEST_SUITE_P(Edits, FolderIconPageEditTest, ::testing::ValuesIn(kEdits), caseName<EditCase>);

struct AddCase
{
    const char* name;
    /// Files to add, relative to the home; "picture" files are made at their size.
    std::function<QStringList()> files;
    /// The display names and picture sizes the new entries get, in order.
    QList<QPair<QString, QSize>> added;
};

class FolderIconPageAddTest : public ::testing::TestWithParam<AddCase>
{
};

// Files reach the page from the open panel or from a drop; each picture is stored 120 pixels
// wide, aspect kept, and a file that gives no picture is skipped instead of divided by.
TEST_P(FolderIconPageAddTest, PicturesAreStoredAndOtherFilesSkipped)
{
    QVDefaultData::setup();
    QVFolderIconViewCtl page;
    const qsizetype before = storedIcons().size();
    page.addIconPaths(GetParam().files());
    const QVariantList after = storedIcons();
    ASSERT_EQ(after.size(), before + GetParam().added.size());
    EXPECT_EQ(page.tableView()->rowCount(), after.size());
    for (int i = 0; i < GetParam().added.size(); ++i) {
        const QVariantMap entry = after.at(before + i).toMap();
        EXPECT_EQ(entry.value(QStringLiteral("displayName")).toString(), GetParam().added.at(i).first);
        const QString iconPath = entry.value(QStringLiteral("iconPath")).toString();
        EXPECT_EQ(iconPath,
                  QVMenuManager::folderIconFolder() + QLatin1Char('/') + entry.value(QStringLiteral("key")).toString()
                      + QStringLiteral(".png"));
        const QImage stored(iconPath);
        EXPECT_EQ(stored.size(), GetParam().added.at(i).second);
    }
}

const AddCase kAdds[] = {
    { "WidePicture",
      [] {
          return QStringList { writePicture("wide.png", { 240, 120 }) };
      },
      { { "wide", { 120, 60 } } } },
    { "TallJpeg",
      [] {
          return QStringList { writePicture("tall photo.jpg", { 50, 100 }) };
      },
      { { "tall photo", { 120, 240 } } } },
    { "EmptyFileSkipped", [] { return QStringList { writeFile(inHome("empty.png"), QByteArray()) }; }, {} },
    { "TextNamedLikeAPictureSkipped",
      [] { return QStringList { writeFile(inHome("notes.jpg"), "not a picture") }; },
      {} },
    { "MixedDropKeepsOnlyPictures",
      [] {
          return QStringList { writeFile(inHome("a.png"), QByteArray()), writePicture("b.png", { 30, 30 }),
                               writeFile(inHome("c.txt"), "text") };
      },
      { { "b", { 120, 120 } } } },
};

INSTANTIATE_TEST_SUITE_P(Files, FolderIconPageAddTest, ::testing::ValuesIn(kAdds), caseName<AddCase>);

void fillTo(qsizetype count)
{
    QVMenuManager::editList(QVMenuManager::kArrayFolderIcon, [count](QVariantList& list) {
        while (list.size() < count) {
            list << QVariantMap { { QStringLiteral("key"), QStringLiteral("extra%1").arg(list.size()) } };
        }
    });
}

TEST(FolderIconPageLimitTest, FilesAreRefusedAsAWholeAtTheLimitWhileTheComposerStillAddsTheSixtieth)
{
    QVDefaultData::setup();
    fillTo(57);
    QVFolderIconViewCtl page;
    const QStringList three
        = { writePicture("1.png", { 8, 8 }), writePicture("2.png", { 8, 8 }), writePicture("3.png", { 8, 8 }) };
    {
        AlertScript alerts;
        page.addIconPaths(three);
        ASSERT_EQ(alerts.shown().size(), 1);
        EXPECT_EQ(alerts.shown().first().informativeText,
                  QStringLiteral("The menu is full: remove an entry before "
                                 "adding another."));
    }
    EXPECT_EQ(storedIcons().size(), 57);

    fillTo(59);
    page.refresh();
    {
        AlertScript alerts;
        PanelScript panels;
        panels.setNextPaths({ three.first() });
        page.findChild<QAction*>(QStringLiteral("selectMenu"))->trigger();
        QCoreApplication::processEvents();
        EXPECT_EQ(alerts.shown().size(), 1);
        ASSERT_EQ(panels.shown().size(), 1);
        EXPECT_EQ(panels.shown().first().options.allowedFileTypes, QVFolderIconViewCtl::fileTypes());
    }
    EXPECT_EQ(storedIcons().size(), 59);

    // The composer adds the 60th; past it the add menu itself is refused.
    page.findChild<QAction*>(QStringLiteral("makeMenu"))->trigger();
    ASSERT_NE(page.addIconWinCtl(), nullptr);
    page.addIconWinCtl()->findChild<QPushButton*>(QStringLiteral("sureBtn"))->click();
    EXPECT_EQ(storedIcons().size(), 60);
    EXPECT_EQ(storedIcons().last().toMap().value(QStringLiteral("displayName")), QStringLiteral("Untitled"));
    AlertScript alerts;
    page.findChild<QPushButton*>(QStringLiteral("addButton"))->click();
    EXPECT_EQ(alerts.shown().size(), 1);
    EXPECT_FALSE(page.addPopMenu()->isVisible());
}

// Drags the paths over the page's table, as a file manager would, then drops them.
bool dragAndDrop(QWidget* over, QWidget* target, const QStringList& paths)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls << QUrl::fromLocalFile(path);
    }
    mime.setUrls(urls);
    // The table takes only its own rows: a drag of files reaches the window's drop target.
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(over, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return true;
}

// The window's drop target takes pictures only while the folder icon page shows.
TEST(FolderIconPageDropTest, TheWindowTakesDroppedPicturesOnlyWhileThePageShows)
{
    QVSettingsWindow window;
    window.showTab(QStringLiteral("foldericon"));
    QCoreApplication::processEvents();
    auto* page = window.findChild<QVFolderIconViewCtl*>(QStringLiteral("foldericon"));
    ASSERT_NE(page, nullptr);
    QVDragView* target = window.contentView();
    EXPECT_EQ(target->fileTypes(), QVFolderIconViewCtl::fileTypes());
    const QString picture = writePicture("dropped.webp", { 64, 32 });
    const qsizetype before = storedIcons().size();
    ASSERT_TRUE(dragAndDrop(page->tableView()->viewport(), target, { picture }));
    ASSERT_EQ(storedIcons().size(), before + 1);
    EXPECT_EQ(storedIcons().last().toMap().value(QStringLiteral("displayName")), QStringLiteral("dropped"));
    EXPECT_EQ(QImage(storedIcons().last().toMap().value(QStringLiteral("iconPath")).toString()).size(), QSize(120, 60));

    window.showTab(QStringLiteral("general"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(dragAndDrop(window.findChild<QWidget*>(QStringLiteral("general")), target, { picture }));
    EXPECT_EQ(storedIcons().size(), before + 1);
    window.hide();
}

// The composer's picture lands in the list, in the host's menu with its picture, and on a
// folder through the menu's own folder-icon command.
TEST(FolderIconPageComposerTest, AComposedIconReachesTheMenuAndAFolder)
{
    QTemporaryDir target;
    QVDefaultData::setup();
    QVFolderIconViewCtl page;
    page.findChild<QAction*>(QStringLiteral("makeMenu"))->trigger();
    QVAddIconWinCtl* composer = page.addIconWinCtl();
    ASSERT_NE(composer, nullptr);
    composer->selectGlyphAt(0);
    composer->findChild<QLineEdit*>(QStringLiteral("displayNameField"))->setText(QStringLiteral("Blueprints"));
    composer->findChild<QPushButton*>(QStringLiteral("sureBtn"))->click();
    const QVariantMap entry = storedIcons().last().toMap();
    EXPECT_EQ(entry.value(QStringLiteral("displayName")), QStringLiteral("Blueprints"));
    EXPECT_EQ(page.tableView()->item(page.tableView()->rowCount() - 1, 0)->text(), QStringLiteral("Blueprints"));
    const QString iconPath = entry.value(QStringLiteral("iconPath")).toString();
    EXPECT_EQ(QImage(iconPath).size(), QSize(120, 120));

    const QList<HostEntry> menu = hostFolderIcons(target.path());
    ASSERT_FALSE(menu.isEmpty());
    const HostEntry& shown = menu.last();
    EXPECT_EQ(shown.title, QStringLiteral("Blueprints"));
    EXPECT_EQ(shown.image, iconPath);

    const HostRun pick = runHost({ QStringLiteral("pick"), QString::number(shown.tag), target.path() });
    EXPECT_EQ(pick.exitCode, 0) << pick.err.toStdString();
    const QByteArray directory = readFile(target.path() + QStringLiteral("/.directory"));
    EXPECT_TRUE(directory.contains("Icon=")) << directory.toStdString();
}

} // namespace
