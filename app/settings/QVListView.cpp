#include "app/settings/QVListView.h"

#include <QIcon>
#include <QPalette>

namespace {
constexpr int kRowHeight = 35;
}

QVListItemView::QVListItemView(QWidget* parent)
    : QWidget(parent)
    , m_imgView(new QLabel(this))
    , m_label(new QLabel(this))
{
    setAutoFillBackground(true);
    m_imgView->setGeometry(10, 6, 23, 23);
    QFont font = m_label->font();
    font.setPointSize(13);
    m_label->setFont(font);
    setSelected(false);
}

void QVListItemView::setItem(const QVListItem& item)
{
    m_label->setText(item.text);
    m_imgView->setPixmap(QIcon::fromTheme(item.icon).pixmap(23, 23));
}

void QVListItemView::setSelected(bool selected)
{
    m_selected = selected;
    QPalette pal = palette();
    QColor shade = pal.color(QPalette::WindowText);
    shade.setAlphaF(0.1);
    pal.setColor(QPalette::Window, selected ? shade : QColor(Qt::transparent));
    setPalette(pal);
}

void QVListItemView::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    if (clickHandler) {
        clickHandler();
    }
}

void QVListItemView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int left = m_imgView->geometry().right() + 1 + 5;
    m_label->setGeometry(left, 9, qMax(0, width() - left - 5), 17);
}

QVListView::QVListView(QWidget* parent)
    : QWidget(parent)
{
}

void QVListView::setItems(const QList<QVListItem>& items)
{
    m_items = items;
    setFixedHeight(kRowHeight * int(m_items.size()));
    qDeleteAll(findChildren<QVListItemView*>(Qt::FindDirectChildrenOnly));
    for (int i = 0; i < m_items.size(); ++i) {
        auto* view = new QVListItemView(this);
        // Rows run from the top here: the y axis of this toolkit points down.
        view->setGeometry(10, kRowHeight * i, qMax(0, width() - 20), kRowHeight);
        view->setItem(m_items[i]);
        m_items[i].itemView = view;
        QPointer<QVListView> self(this);
        const QVListItem item = m_items[i];
        view->clickHandler = [self, item] {
            if (self) {
                self->selectItem(item);
            }
        };
        view->show();
    }
    if (!m_items.isEmpty()) {
        selectItem(m_items.first());
    }
}

void QVListView::selectItem(const QVListItem& item)
{
    for (const QVListItem& each : m_items) {
        if (each.itemView) {
            each.itemView->setSelected(each.tag == item.tag);
        }
    }
    if (selectItemHandler) {
        selectItemHandler(item);
    }
}
