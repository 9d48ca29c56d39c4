// The new file page and its template dialog driven through their real widgets: every edit ends
// in the stored lists, and the menu the real host builds afterwards shows it.

#include "app/settings/QVAddFileWinCtl.h"
#include "app/settings/QVNewFileViewCtl.h"
#include "app/settings/QVSettingsTable.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/BundleExpand.h"
#include "foundation/HudLabel.h"
#include "foundation/HudView.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"
#include "tests/app/HostMenuJson.h"
#include "tests/host/HostRun.h"
#include "tests/app/SettingsPageTesting.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

// The menu of a right click in a folder of the test's home: its top level and New File submenu.
struct HostMenu
{
    QStringList top;
    QStringList newFile;
};

HostMenu hostMenuIn(const QString& folder)
{
    const QJsonArray items = hostMenu({ QStringLiteral("--target"), folder });
    return { titles(items), titles(submenu(items, qv::localized(QStringLiteral("New File")))) };
}

void type(QLineEdit* field, const QString& text)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// Chooses a pop-up item from the keyboard: typing selects the next item that begins with it.
void type(QComboBox* combo, const QString& text)
{
    combo->setFocus();
    QTest::keyClicks(combo, text);
}

int rowOfKey(QVNewFileViewCtl& page, const QString& key)
{
    for (int row = 0; row < page.page().rows().size(); ++row) {
        if (page.page().row(row)->key() == key) {
            return row;
        }
    }
    return -1;
}

QVAddFileWinCtl* openEdit(QVNewFileViewCtl& page, const QString& key)
{
    const int row = rowOfKey(page, key);
    page.tableView()->selectRow(row);
    const QRect cell = page.tableView()->visualItemRect(page.tableView()->item(row, 0));
    QTest::mouseClick(page.tableView()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(page.tableView()->viewport(), Qt::LeftButton, {}, cell.center());
    QVAddFileWinCtl* dialog = page.addFileWinCtl();
    EXPECT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog != nullptr && dialog->isVisible());
    return dialog;
}

QVAddFileWinCtl* openAdd(QVNewFileViewCtl& page)
{
    QTest::mouseClick(child<QPushButton>(page, "addButton"), Qt::LeftButton);
    QVAddFileWinCtl* dialog = page.addFileWinCtl();
    EXPECT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog != nullptr && dialog->isVisible());
    return dialog;
}

void clickCheck(QVNewFileViewCtl& page, const QString& key, int column)
{
    QTableWidgetItem* cell = page.tableView()->item(rowOfKey(page, key), column);
    cell->setCheckState(cell->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

QString title(QVNewFileViewCtl& page, const QString& key)
{
    return page.page().row(rowOfKey(page, key))->menuTitle();
}

struct Context
{
    QString folder; ///< where the host's menu is asked for
    QString txtTitle; ///< the title of the factory "txt" entry
    QString selected; ///< a file to right-click, when a case needs one
};

struct NewFileCase
{
    const char* name;
    std::function<void(QVNewFileViewCtl& page, Context& context)> edit;
    std::function<void(const Context& context, const HostMenu& menu)> check;
};

class NewFilePageEditTest : public ::testing::TestWithParam<NewFileCase>
{
};

TEST_P(NewFilePageEditTest, EditIsStoredAndShowsInTheHostsMenu)
{
    QVDefaultData::setup();
    Context context { platform::Paths::home() + QStringLiteral("/work"), QString(), QString() };
    QDir().mkpath(context.folder);
    QVNewFileViewCtl page;
    page.resize(760, 500);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    ASSERT_EQ(page.tableView()->rowCount(), 20);
    context.txtTitle = title(page, QStringLiteral("txt"));
    ASSERT_TRUE(hostMenuIn(context.folder).newFile.contains(context.txtTitle));
    GetParam().edit(page, context);
    GetParam().check(context, hostMenuIn(context.folder));
}

const NewFileCase kEdits[] = {
    { "AddThroughTheDialog",
      [](QVNewFileViewCtl& page, Context&) {
          QVAddFileWinCtl* dialog = openAdd(page);
          ASSERT_NE(dialog, nullptr);
          type(child<QLineEdit>(*dialog, "inputFileType"), QStringLiteral("Report"));
          type(child<QLineEdit>(*dialog, "inputDisplayName"), QStringLiteral("Quarterly"));
          type(child<QLineEdit>(*dialog, "inputExtension"), QStringLiteral("csv"));
          QTest::mouseClick(child<QPushButton>(*dialog, "sureBtn"), Qt::LeftButton);
          EXPECT_FALSE(dialog->isVisible());
          EXPECT_EQ(page.tableView()->rowCount(), 21);
      },
      [](const Context&, const HostMenu& menu) {
          const QVariantMap entry = QVMenuManager::storedList(QVMenuManager::kArrayNewFile).last().toMap();
          EXPECT_EQ(entry.size(), 10);
          EXPECT_EQ(entry.value(QStringLiteral("key")).toString().size(), 36);
          EXPECT_EQ(entry.value(QStringLiteral("displayName")).toString(), QStringLiteral("Report"));
          EXPECT_EQ(entry.value(QStringLiteral("fileType")).toString(), QStringLiteral("Report"));
          EXPECT_EQ(entry.value(QStringLiteral("fileName")).toString(), QStringLiteral("Quarterly"));
          EXPECT_EQ(entry.value(QStringLiteral("ext")).toString(), QStringLiteral("csv"));
          EXPECT_EQ(entry.value(QStringLiteral("icon")).toString(), QStringLiteral("file"));
          EXPECT_EQ(entry.value(QStringLiteral("templatePath")).toString(), QString());
          EXPECT_FALSE(entry.value(QStringLiteral("special")).toBool());
          EXPECT_TRUE(menu.newFile.contains(QStringLiteral("Report")));
      } },
    // A template report.docx fills the empty type with DOCX and the extension with docx; on OK
    // its copy and its icon move into the template folder.
    { "AddWithATemplate",
      [](QVNewFileViewCtl& page, Context&) {
          const QString file = writeFile(inHome(QStringLiteral("report.docx")), "template bytes");
          QVAddFileWinCtl* dialog = openAdd(page);
          ASSERT_NE(dialog, nullptr);
          PanelScript panels;
          panels.setNextPaths({ file });
          QTest::mouseClick(child<QPushButton>(*dialog, "buttonSelectTemplate"), Qt::LeftButton);
          ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->templatePath().isEmpty(); }));
          EXPECT_EQ(child<QLineEdit>(*dialog, "inputFileType")->text(), QStringLiteral("DOCX"));
          EXPECT_EQ(child<QLineEdit>(*dialog, "inputExtension")->text(), QStringLiteral("docx"));
          EXPECT_EQ(child<QPushButton>(*dialog, "buttonSelectTemplate")->text(),
                    qv::localized(QStringLiteral("Modify Template")));
          EXPECT_TRUE(child<QPushButton>(*dialog, "deleteTemplateBtn")->isVisible());
          QTest::mouseClick(child<QPushButton>(*dialog, "sureBtn"), Qt::LeftButton);
      },
      [](const Context&, const HostMenu& menu) {
          const QVariantMap entry = QVMenuManager::storedList(QVMenuManager::kArrayNewFile).last().toMap();
          const QString key = entry.value(QStringLiteral("key")).toString();
          const QString templates = QVMenuManager::fileTemplateFolder();
          EXPECT_EQ(entry.value(QStringLiteral("templatePath")).toString(), templates + QLatin1Char('/') + key);
          QFile copy(templates + QLatin1Char('/') + key);
          ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
          EXPECT_EQ(copy.readAll(), QByteArray("template bytes"));
          const QString icon = entry.value(QStringLiteral("iconPath")).toString();
          EXPECT_EQ(icon, templates + QLatin1Char('/') + key + QStringLiteral(".png"));
          EXPECT_EQ(QImage(icon).size(), QSize(60, 60));
          EXPECT_FALSE(
              QFileInfo::exists(QDir(QVMenuManager::sharedFolder()).filePath(QStringLiteral("QVCache/") + key)));
          EXPECT_TRUE(menu.newFile.contains(QStringLiteral("DOCX")));
      } },
    // Cancel stores nothing and leaves nothing in the cache.
    { "CancelAddsNothing",
      [](QVNewFileViewCtl& page, Context&) {
          const QString file = writeFile(inHome(QStringLiteral("notes.md")), "x");
          QVAddFileWinCtl* dialog = openAdd(page);
          ASSERT_NE(dialog, nullptr);
          PanelScript panels;
          panels.setNextPaths({ file });
          QTest::mouseClick(child<QPushButton>(*dialog, "buttonSelectTemplate"), Qt::LeftButton);
          ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->templatePath().isEmpty(); }));
          ASSERT_TRUE(QFileInfo::exists(dialog->templatePath()));
          const QString staged = dialog->templatePath();
          QTest::mouseClick(child<QPushButton>(*dialog, "cancelBtn"), Qt::LeftButton);
          EXPECT_FALSE(QFileInfo::exists(staged));
      },
      [](const Context&, const HostMenu& menu) {
          EXPECT_EQ(QVMenuManager::storedList(QVMenuManager::kArrayNewFile).size(), 20);
          EXPECT_FALSE(menu.newFile.contains(QStringLiteral("MD")));
      } },
    { "AddToMainMenu",
      [](QVNewFileViewCtl& page, Context&) {
          clickCheck(page, QStringLiteral("txt"), QVNewFileViewCtl::AddToMainMenu);
          QTableWidgetItem* enable
              = page.tableView()->item(rowOfKey(page, QStringLiteral("txt")), QVNewFileViewCtl::Enable);
          EXPECT_EQ(enable->checkState(), Qt::Checked);
          EXPECT_FALSE(enable->flags() & Qt::ItemIsEnabled);
      },
      [](const Context& context, const HostMenu& menu) {
          EXPECT_TRUE(storedEntry(QVMenuManager::kArrayNewFile, QStringLiteral("txt"))
                          .value(QStringLiteral("toMainMenu"))
                          .toBool());
          const QVariantMap copy = QVMenuManager::storedList(QVMenuManager::kArrayRightMenu).first().toMap();
          EXPECT_EQ(copy.size(), 11);
          EXPECT_EQ(copy.value(QStringLiteral("key")).toString(), QStringLiteral("txt"));
          EXPECT_TRUE(copy.value(QStringLiteral("mainMenuNewFile")).toBool());
          EXPECT_EQ(copy.value(QStringLiteral("ext")).toString(), QStringLiteral("txt"));
          EXPECT_EQ(menu.top.value(0), context.txtTitle);
      } },
    { "AddThenRemoveFromMainMenu",
      [](QVNewFileViewCtl& page, Context&) {
          clickCheck(page, QStringLiteral("txt"), QVNewFileViewCtl::AddToMainMenu);
          clickCheck(page, QStringLiteral("txt"), QVNewFileViewCtl::AddToMainMenu);
          EXPECT_TRUE(page.tableView()->item(rowOfKey(page, QStringLiteral("txt")), QVNewFileViewCtl::Enable)->flags()
                      & Qt::ItemIsEnabled);
      },
      [](const Context& context, const HostMenu& menu) {
          EXPECT_FALSE(storedEntry(QVMenuManager::kArrayNewFile, QStringLiteral("txt"))
                           .value(QStringLiteral("toMainMenu"))
                           .toBool());
          EXPECT_FALSE(storedKeys(QVMenuManager::kArrayRightMenu).contains(QStringLiteral("txt")));
          EXPECT_FALSE(menu.top.contains(context.txtTitle));
      } },
    // An edit of an entry in the main menu reaches its main-menu copy too.
    { "EditMergesIntoTheMainMenuCopy",
      [](QVNewFileViewCtl& page, Context&) {
          clickCheck(page, QStringLiteral("txt"), QVNewFileViewCtl::AddToMainMenu);
          QVAddFileWinCtl* dialog = openEdit(page, QStringLiteral("txt"));
          ASSERT_NE(dialog, nullptr);
          EXPECT_EQ(child<QLineEdit>(*dialog, "inputExtension")->text(), QStringLiteral("txt"));
          type(child<QLineEdit>(*dialog, "inputFileType"), QStringLiteral("Plain Text"));
          type(child<QLineEdit>(*dialog, "inputDisplayName"), QStringLiteral("notes"));
          QTest::mouseClick(child<QPushButton>(*dialog, "sureBtn"), Qt::LeftButton);
      },
      [](const Context&, const HostMenu& menu) {
          for (const QString& list : { QVMenuManager::kArrayNewFile, QVMenuManager::kArrayRightMenu }) {
              const QVariantMap entry = storedEntry(list, QStringLiteral("txt"));
              EXPECT_EQ(entry.value(QStringLiteral("displayName")).toString(), QStringLiteral("Plain Text"));
              EXPECT_EQ(entry.value(QStringLiteral("fileName")).toString(), QStringLiteral("notes"));
          }
          EXPECT_EQ(menu.top.value(0), QStringLiteral("Plain Text"));
      } },
    { "SwitchOff",
      [](QVNewFileViewCtl& page, Context&) { clickCheck(page, QStringLiteral("txt"), QVNewFileViewCtl::Enable); },
      [](const Context& context, const HostMenu& menu) {
          EXPECT_TRUE(storedEntry(QVMenuManager::kArrayNewFile, QStringLiteral("txt"))
                          .value(QStringLiteral("disabled"))
                          .toBool());
          EXPECT_FALSE(menu.newFile.contains(context.txtTitle));
      } },
    // Deleting takes the main-menu copy and the entry's own template file with it.
    { "DeleteTakesTheCopyAndTheTemplate",
      [](QVNewFileViewCtl& page, Context&) {
          const QString tpl = writeFile(QVMenuManager::fileTemplateFolder() + QStringLiteral("/txt"), "t");
          QVMenuManager::updateMenuKey(QVMenuManager::kArrayNewFile, QStringLiteral("txt"),
                                       QStringLiteral("templatePath"), tpl);
          page.refresh();
          clickCheck(page, QStringLiteral("txt"), QVNewFileViewCtl::AddToMainMenu);
          page.tableView()->selectRow(rowOfKey(page, QStringLiteral("txt")));
          QTest::mouseClick(child<QPushButton>(page, "deleteButton"), Qt::LeftButton);
          EXPECT_FALSE(QFileInfo::exists(tpl));
      },
      [](const Context& context, const HostMenu& menu) {
          EXPECT_FALSE(storedKeys(QVMenuManager::kArrayNewFile).contains(QStringLiteral("txt")));
          EXPECT_FALSE(storedKeys(QVMenuManager::kArrayRightMenu).contains(QStringLiteral("txt")));
          EXPECT_FALSE(menu.top.contains(context.txtTitle));
          EXPECT_FALSE(menu.newFile.contains(context.txtTitle));
      } },
    { "FromWindowEntryStays",
      [](QVNewFileViewCtl& page, Context&) {
          auto* button = child<QPushButton>(page, "deleteButton");
          page.tableView()->selectRow(rowOfKey(page, QStringLiteral("New File From Window")));
          EXPECT_FALSE(button->isEnabled());
          page.onDelete();
          const int row = rowOfKey(page, QStringLiteral("New File From Window"));
          EXPECT_EQ(page.tableView()->item(row, QVNewFileViewCtl::Ext)->text(), QStringLiteral("-"));
          EXPECT_EQ(page.tableView()->item(row, QVNewFileViewCtl::OpenIn)->text(), QStringLiteral("-"));
      },
      [](const Context&, const HostMenu& menu) {
          EXPECT_TRUE(storedKeys(QVMenuManager::kArrayNewFile).contains(QStringLiteral("New File From Window")));
          EXPECT_TRUE(menu.newFile.contains(qv::localized(QStringLiteral("New File From Window"))));
      } },
    // Row 1 dropped above row 4 lands at 3.
    { "DragDown",
      [](QVNewFileViewCtl& page, Context&) {
          std::unique_ptr<QMimeData> mime(page.page().mimeDataForRow(1));
          EXPECT_TRUE(page.tableView()->dropRow(mime.get(), 4));
      },
      [](const Context& context, const HostMenu& menu) {
          EXPECT_EQ(storedKeys(QVMenuManager::kArrayNewFile).indexOf(QStringLiteral("txt")), 3);
          EXPECT_EQ(menu.newFile.indexOf(context.txtTitle), 3);
      } },
    { "DisplayFileNames",
      [](QVNewFileViewCtl& page, Context&) { type(child<QComboBox>(page, "popUpButton"), QStringLiteral("S")); },
      [](const Context&, const HostMenu& menu) {
          EXPECT_EQ(shared().integerValue(QVMenuManager::kNewFileDisplayMode), 2);
          EXPECT_TRUE(menu.newFile.contains(qv::localized(QStringLiteral("Untitled")) + QStringLiteral(".txt")));
      } },
    { "Switches",
      [](QVNewFileViewCtl& page, Context&) {
          QTest::mouseClick(child<QCheckBox>(page, "openFileChecked"), Qt::LeftButton);
          QTest::mouseClick(child<QCheckBox>(page, "hideFileExtChecked"), Qt::LeftButton);
      },
      [](const Context&, const HostMenu&) {
          EXPECT_TRUE(shared().boolValue(QVMenuManager::kOpenNewFile));
          EXPECT_TRUE(shared().boolValue(QVMenuManager::kNewFileHideExtension));
      } },
    // The quick-add box shows the stored switch (on after the first start); off, a right-clicked
    // file is no longer offered as a template.
    { "QuickAddOff",
      [](QVNewFileViewCtl& page, Context& context) {
          auto* box = child<QCheckBox>(page, "quickAddCheck");
          ASSERT_TRUE(box->isChecked());
          QTest::mouseClick(box, Qt::LeftButton);
          context.selected = writeFile(inHome(QStringLiteral("work/a.txt")), "x");
      },
      [](const Context& context, const HostMenu&) {
          EXPECT_FALSE(QVMenuManager::isPrefCheckOn(QVSwitch::AddToFileTemplate));
          const QJsonArray items = hostMenu({ context.selected });
          EXPECT_FALSE(titles(submenu(items, qv::localized(QStringLiteral("New File"))))
                           .contains(qv::localized(QStringLiteral("Add to File Template"))));
      } },
    { "RecoverAfterOk",
      [](QVNewFileViewCtl& page, Context&) {
          clickCheck(page, QStringLiteral("txt"), QVNewFileViewCtl::AddToMainMenu);
          page.tableView()->selectRow(rowOfKey(page, QStringLiteral("rtf")));
          QTest::mouseClick(child<QPushButton>(page, "deleteButton"), Qt::LeftButton);
          AlertScript alerts({ platform::Alert::FirstButtonReturn });
          QTest::mouseClick(child<QPushButton>(page, "recoverBtn"), Qt::LeftButton);
          ASSERT_TRUE(QTest::qWaitFor([&] { return page.tableView()->rowCount() == 20; }));
      },
      [](const Context& context, const HostMenu& menu) {
          EXPECT_TRUE(storedKeys(QVMenuManager::kArrayNewFile).contains(QStringLiteral("rtf")));
          EXPECT_FALSE(storedKeys(QVMenuManager::kArrayRightMenu).contains(QStringLiteral("txt")));
          EXPECT_FALSE(menu.top.contains(context.txtTitle));
      } },
};

INSTANTIATE_TEST_SUITE_P(Edits, NewFilePageEditTest, ::testing::ValuesIn(kEdits), caseName<NewFileCase>);

TEST(NewFilePageLimitTest, SixtyRowsOpenNoDialog)
{
    QVDefaultData::setup();
    QVMenuManager::editList(QVMenuManager::kArrayNewFile, [](QVariantList& list) {
        while (list.size() < 59) {
            list << QVariantMap { { QStringLiteral("key"), QStringLiteral("k%1").arg(list.size()) },
                                  { QStringLiteral("ext"), QStringLiteral("x") } };
        }
    });
    QVNewFileViewCtl page;
    page.show();
    QVAddFileWinCtl* dialog = openAdd(page);
    ASSERT_NE(dialog, nullptr);
    type(child<QLineEdit>(*dialog, "inputFileType"), QStringLiteral("Sheet"));
    type(child<QLineEdit>(*dialog, "inputExtension"), QStringLiteral("ods"));
    QTest::mouseClick(child<QPushButton>(*dialog, "sureBtn"), Qt::LeftButton);
    EXPECT_EQ(page.tableView()->rowCount(), 60);
    AlertScript alerts;
    QTest::mouseClick(child<QPushButton>(page, "addButton"), Qt::LeftButton);
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().first().informativeText, qv::localized(QStringLiteral("Submenu Limit Tip")));
    EXPECT_EQ(page.addFileWinCtl(), dialog) << "no new dialog";
}

TEST(NewFilePageSettingsTest, StoredValuesShowAndZeroModeReadsAsOne)
{
    QVDefaultData::setup();
    shared().setValue(QVMenuManager::kNewFileDisplayMode, 0);
    shared().setValue(QVMenuManager::prefCheck(QVSwitch::AddToFileTemplate), false);
    QVNewFileViewCtl page;
    EXPECT_EQ(shared().integerValue(QVMenuManager::kNewFileDisplayMode), 1);
    EXPECT_EQ(child<QComboBox>(page, "popUpButton")->currentData().toInt(), 1);
    EXPECT_FALSE(child<QCheckBox>(page, "quickAddCheck")->isChecked());
}

// What OK does with the typed fields: the message names the field at fault, or the record is
// handed on.
struct Typed
{
    const char* name;
    bool special;
    QString fileType;
    QString defaultName;
    QString ext;
    QString fileName;
    QString message; ///< empty: accepted
};

class TemplateDialogCheckTest : public ::testing::TestWithParam<Typed>
{
};

QString missing(const char* field)
{
    return qv::localized(QLatin1String(field)) + QStringLiteral(" cannot be empty");
}

QString slash(const char* field)
{
    return qv::localized(QLatin1String(field)) + QStringLiteral(" cannot contain “/”");
}

TEST_P(TemplateDialogCheckTest, OkNamesTheFieldAtFault)
{
    const Typed& c = GetParam();
    QWidget window;
    window.resize(600, 400);
    window.show();
    QVAddFileWinCtl dialog(&window);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QVMenuItemPtr handed;
    dialog.addSuccessBlock = [&](const QVMenuItemPtr& item) { handed = item; };
    if (c.special) {
        // On the box itself: the row is wider than the box and its title.
        QTest::mouseClick(child<QCheckBox>(dialog, "checkedSpecialFile"), Qt::LeftButton, {}, QPoint(6, 8));
        ASSERT_FALSE(child<QWidget>(dialog, "specialFileView")->isHidden());
        ASSERT_TRUE(child<QWidget>(dialog, "commonFileView")->isHidden());
    }
    type(child<QLineEdit>(dialog, "inputFileType"), c.fileType);
    type(child<QLineEdit>(dialog, "inputDisplayName"), c.defaultName);
    type(child<QLineEdit>(dialog, "inputExtension"), c.ext);
    child<QLineEdit>(dialog, "inputFileName")->setText(c.fileName); // NUL cannot be typed
    QTest::mouseClick(child<QPushButton>(dialog, "sureBtn"), Qt::LeftButton);
    if (c.message.isEmpty()) {
        ASSERT_NE(handed, nullptr);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(handed->fileType(), c.fileType);
        EXPECT_EQ(handed->fileName(), c.special ? c.fileName : c.defaultName);
        return;
    }
    EXPECT_EQ(handed, nullptr);
    EXPECT_TRUE(dialog.isVisible());
    auto* hud = dialog.findChild<qv::HudView*>();
    ASSERT_NE(hud, nullptr);
    EXPECT_EQ(hud->label()->text(), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, TemplateDialogCheckTest,
    ::testing::Values(
        Typed { "Plain", false, QStringLiteral("Sheet"), QStringLiteral("Budget"), QStringLiteral("ods"), {}, {} },
        Typed { "LabelMayHoldASlash",
                false,
                QStringLiteral("Word/Excel"),
                QStringLiteral("a"),
                QStringLiteral("doc"),
                {},
                {} },
        Typed { "NoDefaultNameNorExtension", false, QStringLiteral("Sheet"), {}, {}, {}, missing("Default Name") },
        Typed { "NothingAtAll", false, {}, {}, {}, {}, missing("File Type") },
        Typed { "OnlyBlanks",
                false,
                QStringLiteral("Sheet"),
                QStringLiteral("  "),
                QStringLiteral("ods"),
                {},
                missing("Default Name") },
        Typed { "DefaultNameDot",
                false,
                QStringLiteral("Sheet"),
                QStringLiteral("."),
                QStringLiteral("ods"),
                {},
                missing("Default Name") },
        Typed { "DefaultNameDotDot",
                false,
                QStringLiteral("Sheet"),
                QStringLiteral(".."),
                QStringLiteral("ods"),
                {},
                missing("Default Name") },
        Typed { "ExtensionDotDot",
                false,
                QStringLiteral("Sheet"),
                QStringLiteral("a"),
                QStringLiteral(".."),
                {},
                missing("Extension") },
        Typed { "SlashInDefaultName",
                false,
                QStringLiteral("Sheet"),
                QStringLiteral("../x"),
                QStringLiteral("ods"),
                {},
                slash("Default Name") },
        Typed { "SlashInExtension",
                false,
                QStringLiteral("Sheet"),
                QStringLiteral("a"),
                QStringLiteral("tar/gz"),
                {},
                slash("Extension") },
        Typed { "SpecialDotsOnly", true, QStringLiteral("Dots"), {}, {}, QStringLiteral("..."), missing("File Name") },
        // Blanks around the dots do not make a name: the test is on the trimmed text.
        Typed { "SpecialBlanksAroundDots",
                true,
                QStringLiteral("Dots"),
                {},
                {},
                QStringLiteral(" .. "),
                missing("File Name") },
        Typed { "SpecialDotName", true, QStringLiteral("Git"), {}, {}, QStringLiteral(".gitignore"), {} },
        Typed { "SpecialSlash",
                true,
                QStringLiteral("Git"),
                {},
                {},
                QStringLiteral("conf/.gitignore"),
                slash("File Name") },
        Typed { "SpecialNul",
                true,
                QStringLiteral("Git"),
                {},
                {},
                QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b"),
                slash("File Name") }),
    caseName<Typed>);

// Removing the template and OK deletes the stored copy; Cancel keeps it.
TEST(TemplateDialogTest, RemovedTemplateIsDeletedOnlyOnOk)
{
    QVDefaultData::setup();
    const QString stored = writeFile(QVMenuManager::fileTemplateFolder() + QStringLiteral("/md"), "tpl");
    QVMenuManager::updateMenuKey(QVMenuManager::kArrayNewFile, QStringLiteral("md"), QStringLiteral("templatePath"),
                                 stored);
    QVNewFileViewCtl page;
    page.show();
    for (const char* button : { "cancelBtn", "sureBtn" }) {
        QVAddFileWinCtl* dialog = openEdit(page, QStringLiteral("md"));
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(child<QPushButton>(*dialog, "deleteTemplateBtn")->isVisible());
        QTest::mouseClick(child<QPushButton>(*dialog, "deleteTemplateBtn"), Qt::LeftButton);
        EXPECT_FALSE(child<QPushButton>(*dialog, "deleteTemplateBtn")->isVisible());
        QTest::mouseClick(child<QPushButton>(*dialog, button), Qt::LeftButton);
        EXPECT_EQ(QFileInfo::exists(stored), QLatin1String(button) == QLatin1String("cancelBtn")) << button;
    }
    EXPECT_EQ(storedEntry(QVMenuManager::kArrayNewFile, QStringLiteral("md"))
                  .value(QStringLiteral("templatePath"))
                  .toString(),
              QString());
}

} // namespace
