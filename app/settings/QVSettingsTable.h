#pragma once

#include <QTableWidget>

#include <functional>

/// A settings list table: rows are dragged as their own MIME type and dropped between rows.
class QVSettingsTable : public QTableWidget
{
    Q_OBJECT
public:
    explicit QVSettingsTable(QWidget* parent = nullptr);
    /// The row's drag data and the drop rule; set by the page that owns the table.
    std::function<QMimeData*(int row)> rowMime;
    std::function<bool(const QMimeData* mime, int to)> dropRow;

protected:
    QMimeData* mimeData(const QList<QTableWidgetItem*>& items) const override;
    QStringList mimeTypes() const override;
    void dropEvent(QDropEvent* event) override;
};
