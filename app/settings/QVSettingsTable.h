#pragma once

#include "engine/model/QVMenuItem.h"

#include <QIcon>
#include <QTableWidget>

#include <functional>
#include <memory>
#include <vector>

class QVTableRowView;

/// A settings list table: rows are dragged as their own MIME type and dropped between rows.
/// Rows are 30 high; a row given its menu item draws the item's divider line along its bottom.
class QVSettingsTable : public QTableWidget
{
    Q_OBJECT
public:
    static constexpr int kRowHeight = 30;

    explicit QVSettingsTable(QWidget* parent = nullptr);
    ~QVSettingsTable() override;
    /// The row's drag data and the drop rule; set by the page that owns the table.
    std::function<QMimeData*(int row)> rowMime;
    std::function<bool(const QMimeData* mime, int to)> dropRow;

    /// One row view per item, in row order; the items are held weakly.
    void setRowItems(const QVMenuItemList& items);
    /// The row view of a row, null outside the rows given.
    QVTableRowView* rowView(int row) const;
    /// The item's menu image as an icon for a row or a tab; null when it has none.
    static QIcon rowIcon(const QVMenuItem& item);

protected:
    QMimeData* mimeData(const QList<QTableWidgetItem*>& items) const override;
    QStringList mimeTypes() const override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<std::unique_ptr<QVTableRowView>> m_rowViews;
};
