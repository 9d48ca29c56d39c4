#include "foundation/QVColorView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

QVColorView::QVColorView(QWidget* parent)
    : QWidget(parent)
{
}

QVColorView::~QVColorView() = default;

void QVColorView::setColor(const QColor& color)
{
    m_color = color;
    update();
}

void QVColorView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    painter.fillPath(clip, m_color);
}

void QVColorView::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    if (m_clickHandler) {
        m_clickHandler(m_color);
    }
}
