#include "app/settings/QVGeneralViewCtl.h"
#include "app/settings/QVSettingsTable.h"
#include "engine/model/QVSwitch.h"
#include "kit/shortcut/MASShortcutView.h"
#include "platform/Defaults.h"
#include "engine/model/QVMenuManager.h"

#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestNames.h"
#include "tests/host/HostRun.h"
#include "tests/app/SettingsPageTesting.h"

#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

// The titles of the menu the real host builds for a folder: the top level, and every level.
struct HostMenu
{
    QStringList top;
    QStringList all;
};

void collect(const QJsonArray& items, QStringList& all)
{
    for (const QJsonValue& item : items) {
        all << item.toObject().value(QStringLiteral("title")).toString();
        collect(item.toObject().value(QStringLiteral("submenu")).toArray(), all);
    }
}

HostMenu hostMenu(const QString& folder)
{
    const HostRun run
        = runHost({ QStringLiteral("menu"), QStringLiteral("--json"), QStringLiteral("--target"), folder });
    const QJsonArray items = QJsonDocument::fromJson(run.out).object().value(QStringLiteral("items")).toArray();
    HostMenu menu;
    for (const QJsonValue& item : items) {
        menu.top << item.toObject().value(QStringLiteral("title")).toString();
    }
    collect(items, menu.all);
    return menu;
}

bool storedFlag(int index, const char* flag)
{
    return QVMenuManager::storedList(QVMenuManager::kArrayRightMenu)
        .at(index)
        .toMap()
        .value(QLatin1String(flag))
        .toBool();
}

struct EditCase
{
    const char* name;
    /// Edits the page through its widgets; row is a row the host shows at the top level.
    std::function<void(QVGeneralViewCtl& page, int row)> edit;
    /// Checks the stored list and the host's menu against the keys and titles from before.
    std::function<void(const QStringList& keysBefore, const QString& title, int row, const HostMenu& menu)> check;
};

class GeneralPageEditTest : public ::testing::TestWithParam<EditCase>
{
};

QTableWidgetItem* cell(QVGeneralViewCtl& page, int row, int column)
{
    return page.tableView()->item(row, column);
}

TEST_P(GeneralPageEditTest, EditIsStoredAndShowsInTheHostsMenu)
{
    QTemporaryDir folder;
    QVGeneralViewCtl page;
    const QStringList keysBefore = storedKeys();
    ASSERT_GE(keysBefore.size(), 4);
    const HostMenu before = hostMenu(folder.path());
    int row = 0;
    while (row < page.page().rows().size() && !before.top.contains(page.page().row(row)->menuTitle())) {
        ++row;
    }
    ASSERT_LT(row, page.page().rows().size() - 3) << before.top.join(u',').toStdString();
    const QString title = page.page().row(row)->menuTitle();
    GetParam().edit(page, row);
    GetParam().check(keysBefore, title, row, hostMenu(folder.path()));
}

QMimeData* plainText(const QString& text)
{
    auto* mime = new QMimeData;
    mime->setText(text);
    return mime;
}

const EditCase kEdits[] = {
    { "SwitchOff",
      [](QVGeneralViewCtl& page, int row) { cell(page, row, QVGeneralViewCtl::Enable)->setCheckState(Qt::Unchecked); },
      [](const QStringList&, const QString& title, int row, const HostMenu& menu) {
          EXPECT_TRUE(storedFlag(row, "disabled"));
          EXPECT_FALSE(menu.all.contains(title));
      } },
    { "FoldOne",
      [](QVGeneralViewCtl& page, int row) { cell(page, row, QVGeneralViewCtl::Fold)->setCheckState(Qt::Checked); },
      [](const QStringList&, const QString& title, int row, const HostMenu& menu) {
          EXPECT_TRUE(storedFlag(row, "foldUp"));
          EXPECT_FALSE(menu.top.contains(title));
          EXPECT_TRUE(menu.all.contains(title));
      } },
    { "FoldAll",
      [](QVGeneralViewCtl& page, int) { page.findChild<QCheckBox*>(QStringLiteral("foldAllCheckBtn"))->click(); },
      [](const QStringList& keys, const QString& title, int, const HostMenu& menu) {
          for (int i = 0; i < keys.size(); ++i) {
              EXPECT_TRUE(storedFlag(i, "foldUp")) << i;
          }
          EXPECT_FALSE(menu.top.contains(title));
      } },
    // Row r dropped above row r+3 lands at r+2: the removal shifts the rows below it up.
    { "DragDown",
      [](QVGeneralViewCtl& page, int row) {
          std::unique_ptr<QMimeData> mime(page.page().mimeDataForRow(row));
          EXPECT_TRUE(page.tableView()->dropRow(mime.get(), row + 3));
      },
      [](const QStringList& keys, const QString& title, int row, const HostMenu& menu) {
          EXPECT_EQ(storedKeys().indexOf(keys.at(row)), row + 2);
          EXPECT_TRUE(menu.all.contains(title));
      } },
    // A plain-text drag from another program must not move a row: its text is not a row of ours.
    { "ForeignDropRefused",
      [](QVGeneralViewCtl& page, int row) {
          std::unique_ptr<QMimeData> mime(plainText(QString::number(row)));
          EXPECT_FALSE(page.tableView()->dropRow(mime.get(), row + 3));
      },
      [](const QStringList& keys, const QString&, int, const HostMenu&) { EXPECT_EQ(storedKeys(), keys); } },
    // A from-index past the end would remove nothing and insert garbage; a to past the end too.
    { "OutOfRangeDropRefused",
      [](QVGeneralViewCtl& page, int) {
          auto* mime = new QMimeData;
          mime->setData(QVListPage::kRowMimeType, QByteArray::number(page.page().rows().size()));
          EXPECT_FALSE(page.tableView()->dropRow(mime, 0));
          mime->setData(QVListPage::kRowMimeType, "0");
          EXPECT_FALSE(page.tableView()->dropRow(mime, int(page.page().rows().size()) + 1));
          delete mime;
      },
      [](const QStringList& keys, const QString&, int, const HostMenu&) { EXPECT_EQ(storedKeys(), keys); } },
    { "Delete",
      [](QVGeneralViewCtl& page, int row) {
          page.tableView()->selectRow(row);
          page.findChild<QPushButton*>(QStringLiteral("deleteButton"))->click();
      },
      [](const QStringList& keys, const QString& title, int row, const HostMenu& menu) {
          EXPECT_FALSE(storedKeys().contains(keys.at(row)));
          EXPECT_FALSE(menu.all.contains(title));
      } },
    { "DeleteThenRecover",
      [](QVGeneralViewCtl& page, int row) {
          page.tableView()->selectRow(row);
          page.findChild<QPushButton*>(QStringLiteral("deleteButton"))->click();
          const QStringList afterDelete = storedKeys();
          // The sheet answers "Cancel" first (nothing changes), then "OK".
          AlertScript alerts({ 1001, 1000 });
          auto* recover = page.findChild<QPushButton*>(QStringLiteral("recoverBtn"));
          recover->click();
          QTest::qWait(10);
          EXPECT_EQ(storedKeys(), afterDelete);
          recover->click();
          EXPECT_TRUE(QTest::qWaitFor([&afterDelete] { return storedKeys() != afterDelete; }));
          ASSERT_EQ(alerts.shown().size(), 2);
          EXPECT_EQ(alerts.shown().first().window, page.window());
      },
      [](const QStringList& keys, const QString& title, int row, const HostMenu& menu) {
          // The factory list is back (without the copies the sub-lists had added).
          EXPECT_TRUE(storedKeys().contains(keys.at(row)));
          EXPECT_TRUE(menu.top.contains(title));
      } },
};

INSTANTIATE_TEST_SUITE_P(Edits, GeneralPageEditTest, ::testing::ValuesIn(kEdits), caseName<EditCase>);

struct MainCopyCase
{
    const char* name;
    /// Prepares the main menu before the copy of the first common application is offered.
    std::function<void(const QString& appKey)> prepare;
};

class ListPageMainCopyTest : public ::testing::TestWithParam<MainCopyCase>
{
};

// Without the cap a 100th entry would get a tag that decodes as another entry's child; an entry
// whose key the main menu holds already (the archive-utility editions share command keys) is not
// inserted again. Either way the sub-list's "toMainMenu" must stay off and the user is told.
TEST_P(ListPageMainCopyTest, RefusedCopyShowsTheTipAndLeavesTheFlagOff)
{
    QVGeneralViewCtl general; // writes the factory lists
    QVListPage apps(QVMenuManager::kArrayCommonApp, [] { return QVMenuManager::commonAppMenuArray(); });
    ASSERT_FALSE(apps.rows().isEmpty());
    const QString appKey = apps.row(0)->key();
    GetParam().prepare(appKey);
    const QVariantList mainBefore = QVMenuManager::storedList(QVMenuManager::kArrayRightMenu);
    AlertScript alerts;
    EXPECT_FALSE(apps.addToMainMenu(0, QVariantMap { { QStringLiteral("key"), appKey } }));
    EXPECT_EQ(QVMenuManager::storedList(QVMenuManager::kArrayRightMenu), mainBefore);
    EXPECT_FALSE(QVMenuManager::storedList(QVMenuManager::kArrayCommonApp)
                     .at(0)
                     .toMap()
                     .value(QStringLiteral("toMainMenu"))
                     .toBool());
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().first().informativeText, qv::localized(QStringLiteral("Submenu Limit Tip")));
    EXPECT_EQ(alerts.shown().first().window, nullptr);
}

const MainCopyCase kMainCopies[] = {
    { "MainMenuFull",
      [](const QString&) {
          QVMenuManager::editList(QVMenuManager::kArrayRightMenu, [](QVariantList& list) {
              while (list.size() < QVListPage::kMainMenuLimit) {
                  list << QVariantMap { { QStringLiteral("key"), QStringLiteral("filler%1").arg(list.size()) } };
              }
          });
      } },
    { "KeyAlreadyInMainMenu",
      [](const QString& appKey) {
          QVMenuManager::addMenuKey(QVMenuManager::kArrayRightMenu, { { QStringLiteral("key"), appKey } }, -1);
      } },
};

INSTANTIATE_TEST_SUITE_P(Refusals, ListPageMainCopyTest, ::testing::ValuesIn(kMainCopies), caseName<MainCopyCase>);

// The page fits a 1024-pixel screen; there and on a 1280-pixel one the name column shows its
// whole title, and the colour picker's recorder shows its prompt whole while recording.
TEST(GeneralPageLayoutTest, HeaderAndRecorderFitOnSmallAndLargeScreens)
{
    QVMenuManager::sharedDefaults().setValue(QVMenuManager::prefCheck(QVSwitch::StatusItem), true);
    QVGeneralViewCtl page;
    page.show();
    const int narrowest = page.minimumSizeHint().width();
    EXPECT_LE(narrowest, 1024 - 60);
    QVSettingsTable* table = page.tableView();
    QHeaderView* header = table->horizontalHeader();
    const QString title = table->horizontalHeaderItem(0)->text();
    auto* recorder = page.findChild<MASShortcutView*>(QStringLiteral("colorPickerShortcutView"));
    ASSERT_NE(recorder, nullptr);
    recorder->setShortcutValue(MASShortcut(14, MASShortcut::kControlFlag | MASShortcut::kCommandFlag));
    for (const int width : { narrowest, 1280 - 60 }) {
        page.resize(width, 700);
        QCoreApplication::processEvents();
        EXPECT_GE(header->sectionSize(0), header->fontMetrics().horizontalAdvance(title) + 8) << width;
        QWidget* cell = nullptr;
        for (int row = 0; row < table->rowCount() && cell == nullptr; ++row) {
            QWidget* candidate = table->cellWidget(row, 2);
            cell = candidate != nullptr && candidate->isAncestorOf(recorder) ? candidate : nullptr;
        }
        ASSERT_NE(cell, nullptr) << width;
        recorder->setRecording(true);
        QCoreApplication::processEvents();
        QRect shortcutRect, hintRect;
        recorder->getShortcutRect(&shortcutRect, &hintRect);
        EXPECT_EQ(recorder->titleText(), QStringLiteral("Type New Shortcut"));
        EXPECT_LE(recorder->fontMetrics().horizontalAdvance(recorder->titleText()), shortcutRect.width()) << width;
        EXPECT_LE(recorder->fontMetrics().horizontalAdvance(recorder->glyphText()), hintRect.width()) << width;
        EXPECT_LE(recorder->geometry().right(), cell->width()) << width;
        EXPECT_LE(cell->width(), table->columnWidth(2)) << width;
        recorder->setRecording(false);
    }
}

// The page reloads when a window becomes active (the list may have been changed by another
// process meanwhile) once the event loop turns, and at once when the settings code asks after an
// edit; either way the table shows the stored list.
TEST(GeneralPageReloadTest, ReloadsWhenAWindowBecomesActiveAndAtOnceAfterAnEdit)
{
    QVGeneralViewCtl page;
    const QString key = page.page().row(0)->key();
    const auto shownOn
        = [&page] { return page.tableView()->item(0, QVGeneralViewCtl::Enable)->checkState() == Qt::Checked; };
    const bool on = shownOn();

    QVMenuManager::updateMenuKey(QVMenuManager::kArrayRightMenu, key, QStringLiteral("disabled"), on);
    QWindow window;
    qv::postNotification(qv::kRefreshSignal, QVariant::fromValue<QObject*>(&window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownOn() == !on; }, 5000));

    QVMenuManager::updateMenuKey(QVMenuManager::kArrayRightMenu, key, QStringLiteral("disabled"), !on);
    qv::postNotification(qv::kRefreshSignal);
    EXPECT_EQ(shownOn(), on);
}

} // namespace
