#include "app/settings/QVSettingsTable.h"

#include "app/settings/QVListPage.h"
#include "foundation/QVTableRowView.h"

#include <QDropEvent>
#include <QHash>
#include <QHeaderView>
#include <QPainter>

QVSettingsTable::QVSettingsTable(QWidget* parent)
    : QTableWidget(parent)
{
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(false);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    verticalHeader()->setMinimumSectionSize(kRowHeight);
}

QVSettingsTable::~QVSettingsTable() = default;

QIcon QVSettingsTable::rowIcon(const QVMenuItem& item)
{
    const QVMenuItem::IconSource source = item.menuIconSource(item.icon());
    if (!source.draw) {
        return {};
    }
    // An image of the application's own, found by its name, is the same every time it is asked
    // for under one icon theme (a name the bundle lacks comes from the theme): the tables ask
    // for every row's image each time they reload, so each is decoded once. Icon files of the
    // configuration and images chosen by a file's kind are drawn every time.
    const bool byName = !source.name.isEmpty() && source.name == item.icon() && source.name != item.iconPath();
    if (!byName) {
        const QImage image = source.draw();
        return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
    }
    static QHash<QString, QIcon> decoded;
    static QString decodedUnder;
    const QString theme = QIcon::themeName() + QLatin1Char('\n') + QIcon::fallbackThemeName() + QLatin1Char('\n')
        + QIcon::themeSearchPaths().join(QLatin1Char('\n'));
    if (decodedUnder != theme) {
        decoded.clear();
        decodedUnder = theme;
    }
    const auto known = decoded.constFind(source.name);
    if (known != decoded.constEnd()) {
        return *known;
    }
    const QImage image = source.draw();
    const QIcon icon = image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
    decoded.insert(source.name, icon);
    return icon;
}

void QVSettingsTable::setRowItems(const QVMenuItemList& items)
{
    m_rowViews.clear();
    m_rowViews.reserve(size_t(items.size()));
    for (const QVMenuItemPtr& item : items) {
        // Never shown: the view only answers for its row and draws into the table's viewport.
        m_rowViews.push_back(std::make_unique<QVTableRowView>(item));
        m_rowViews.back()->setPalette(palette());
    }
    viewport()->update();
}

QVTableRowView* QVSettingsTable::rowView(int row) const
{
    return row >= 0 && size_t(row) < m_rowViews.size() ? m_rowViews[size_t(row)].get() : nullptr;
}

void QVSettingsTable::paintEvent(QPaintEvent* event)
{
    QTableWidget::paintEvent(event);
    QPainter painter(viewport());
    const int first = qMax(0, rowAt(0));
    const int last = rowAt(viewport()->height() - 1) < 0 ? rowCount() - 1 : rowAt(viewport()->height() - 1);
    for (int row = first; row <= last; ++row) {
        if (const QVTableRowView* view = rowView(row)) {
            view->drawSeparatorInRect(painter, QRect(0, rowViewportPosition(row), viewport()->width(), rowHeight(row)));
        }
    }
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
