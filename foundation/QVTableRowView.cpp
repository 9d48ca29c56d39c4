#include "foundation/QVTableRowView.h"

#include <QPainter>

QVTableRowView::QVTableRowView(std::function<bool()> haveSepLine, QWidget* parent)
    : QWidget(parent)
    , m_haveSepLine(std::move(haveSepLine))
{
}

QVTableRowView::~QVTableRowView() = default;

bool QVTableRowView::drawsSeparator(int rowHeight) const
{
    return rowHeight >= kMinSeparatorRowHeight && m_haveSepLine && m_haveSepLine();
}

void QVTableRowView::drawSeparatorInRect(QPainter& painter, const QRect& rect) const
{
    if (drawsSeparator(rect.height())) {
        painter.fillRect(QRect(rect.x(), rect.y() + rect.height() - 1, rect.width(), 1),
                         palette().color(QPalette::PlaceholderText));
    }
}

void QVTableRowView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawSeparatorInRect(painter, rect());
}
