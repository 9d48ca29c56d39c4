#include "foundation/FillView.h"

#include <QPainter>

namespace qv {

FillView::FillView(const QColor& color, qreal cornerRadius, QWidget* parent)
    : QWidget(parent)
    , m_color(color)
    , m_cornerRadius(cornerRadius)
{
}

FillView::~FillView() = default;

void FillView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color);
    if (m_cornerRadius > 0) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    } else {
        painter.drawRect(rect());
    }
}

} // namespace qv
