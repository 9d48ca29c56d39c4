#include "app/settings/QVSettingsTable.h"

#include <QImage>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace {

// A row whose entry has a divider line shows it along the row's bottom edge, in the rows' own
// place even when the table is scrolled; a row without one shows nothing there.
TEST(SettingsTableTest, RowsDrawTheirEntriesDividerLines)
{
    QVSettingsTable table;
    table.setColumnCount(1);
    table.resize(300, 200);
    QVMenuItemList items;
    for (int i = 0; i < 12; ++i) {
        QVMenuItemPtr item = QVMenuItem::create();
        item->setKey(QStringLiteral("entry%1").arg(i));
        item->setHaveSepLine(i % 2 == 1);
        items << item;
    }
    table.setRowCount(int(items.size()));
    table.setRowItems(items);
    table.show();
    table.verticalScrollBar()->setValue(3);
    const QImage shot = table.viewport()->grab().toImage();
    int checked = 0;
    for (int row = 0; row < items.size(); ++row) {
        const int bottom = table.rowViewportPosition(row) + table.rowHeight(row) - 1;
        if (bottom < 0 || bottom >= shot.height()) {
            continue;
        }
        // The line colour may be translucent: compare the bottom pixel with the row above it.
        EXPECT_EQ(shot.pixelColor(10, bottom) != shot.pixelColor(10, bottom - 3), items.at(row)->haveSepLine()) << row;
        ++checked;
    }
    EXPECT_GE(checked, 4);
}

} // namespace
