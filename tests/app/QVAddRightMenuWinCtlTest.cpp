#include "app/settings/QVAddRightMenuWinCtl.h"
#include "app/settings/QVGeneralViewCtl.h"
#include "app/settings/QVSettingsTable.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/ViewExpand.h"
#include "platform/Defaults.h"

#include "testsupport/ModalScript.h"
#include "tests/app/SettingsPageTesting.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

using namespace tarsel::test;

namespace {

int tableRowOfKey(QVGeneralViewCtl& page, const QString& key)
{
    for (int row = 0; row < page.page().rows().size(); ++row) {
        if (page.page().row(row)->key() == key) {
            return row;
        }
    }
    return -1;
}

// Deleting an entry on the page offers it in the open add dialog (the refresh signal reaches
// both); adding it back from there puts it at the top of the page, switched on, and the dialog
// stays open without it. Once nothing is missing, the add button only tells so.
TEST(AddRightMenuTest, DeleteOffersTheEntryAndAddPutsItBackOnTop)
{
    QVGeneralViewCtl page;
    page.show();
    const QStringList before = storedKeys();
    ASSERT_TRUE(QVAddRightMenuWinCtl::diffData().isEmpty());
    auto* add = page.findChild<QPushButton*>(QStringLiteral("addButton"));
    add->click();
    EXPECT_EQ(page.addMenuWinCtl(), nullptr);
    EXPECT_TRUE(qv::hudVisible(&page));

    const int row = 3;
    const QString key = before.at(row);
    page.tableView()->selectRow(row);
    page.findChild<QPushButton*>(QStringLiteral("deleteButton"))->click();
    ASSERT_FALSE(storedKeys().contains(key));
    ASSERT_EQ(tableRowOfKey(page, key), -1);

    add->click();
    QVAddRightMenuWinCtl* dialog = page.addMenuWinCtl();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("tableView"));
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(dialog->tableData().first().toMap().value(QStringLiteral("key")).toString(), key);

    // The page deletes while the dialog is open: the dialog offers that entry too.
    const QString second = storedKeys().at(0);
    page.tableView()->selectRow(0);
    page.findChild<QPushButton*>(QStringLiteral("deleteButton"))->click();
    ASSERT_EQ(table->rowCount(), 2);

    auto* button = table->cellWidget(0, QVAddRightMenuWinCtl::Operate)->findChild<QPushButton*>();
    ASSERT_NE(button, nullptr);
    const QString added = dialog->tableData().first().toMap().value(QStringLiteral("key")).toString();
    button->click();
    EXPECT_EQ(storedKeys().first(), added);
    EXPECT_FALSE(QVMenuManager::storedList(QVMenuManager::kArrayRightMenu)
                     .first()
                     .toMap()
                     .value(QStringLiteral("disabled"))
                     .toBool());
    EXPECT_EQ(tableRowOfKey(page, added), 0);
    EXPECT_EQ(table->rowCount(), 1);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(QSet<QString>({ key, second }).contains(added), true);
}

// "Fold All Up" used to store one row at a time, each a locked read-modify-write of the whole
// list that the extension could read half done. Now the new list is computed once and stored
// in one write: the suite file is replaced exactly once.
TEST(FoldAllUpTest, FoldsEveryRowInOneWriteOfTheSuite)
{
    QVGeneralViewCtl page;
    const QString file = QVMenuManager::sharedDefaults().filePath();
    ASSERT_TRUE(QFileInfo::exists(file));
    const int fd = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_GE(inotify_add_watch(fd, QFileInfo(file).path().toLocal8Bit().constData(), IN_MOVED_TO | IN_CLOSE_WRITE), 0);
    page.findChild<QCheckBox*>(QStringLiteral("foldAllCheckBtn"))->click();

    int replaced = 0;
    alignas(inotify_event) char buffer[8192];
    ssize_t length = 0;
    while ((length = ::read(fd, buffer, sizeof buffer)) > 0) {
        for (char* at = buffer; at < buffer + length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            const bool suite = event->len > 0 && QFileInfo(file).fileName() == QString::fromLocal8Bit(event->name);
            // The suite is only ever written through a temporary file renamed over it.
            replaced += suite && (event->mask & IN_MOVED_TO) ? 1 : 0;
            EXPECT_FALSE(suite && (event->mask & IN_CLOSE_WRITE)) << "written in place";
            at += sizeof(inotify_event) + event->len;
        }
    }
    ::close(fd);
    EXPECT_EQ(replaced, 1);
    ASSERT_GE(page.page().rows().size(), 4);
    for (const QVariant& entry : QVMenuManager::storedList(QVMenuManager::kArrayRightMenu)) {
        EXPECT_TRUE(entry.toMap().value(QStringLiteral("foldUp")).toBool());
    }
    EXPECT_EQ(page.findChild<QCheckBox*>(QStringLiteral("foldAllCheckBtn"))->checkState(), Qt::Checked);
}

} // namespace
