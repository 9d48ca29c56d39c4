#include "app/settings/QVSettingsTable.h"

#include "app/settings/QVListPage.h"

#include <QDropEvent>

QVSettingsTable::QVSettingsTable(QWidget* parent)
    : QTableWidget(parent)
{
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

QMimeData* QVSettingsTable::mimeData(const QList<QTableWidgetItem*>& items) const
{
    if (items.isEmpty() || !rowMime) {
        return nullptr;
    }
    return rowMime(items.first()->row());
}

QStringList QVSettingsTable::mimeTypes() const
{
    return { QVListPage::kRowMimeType };
}

void QVSettingsTable::dropEvent(QDropEvent* event)
{
    // Only between rows: a drop on a row's middle would mean "into", which a flat list has not.
    int to = rowCount();
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid()) {
        const QRect rect = visualRect(index);
        to = event->position().y() < rect.center().y() ? index.row() : index.row() + 1;
    }
    if (dropRow && dropRow(event->mimeData(), to)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}
