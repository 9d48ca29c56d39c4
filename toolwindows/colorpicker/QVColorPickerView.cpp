#include "toolwindows/colorpicker/QVColorPickerView.h"

#include <QPainter>
#include <QPainterPath>

QVColorPickerView::QVColorPickerView(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QVColorPickerView::~QVColorPickerView() = default;

void QVColorPickerView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF bounds = rect();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(bounds, Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    QPainterPath round;
    round.addEllipse(bounds);
    painter.setClipPath(round);
    if (!m_imageRef.isNull()) {
        // Each screen pixel a sharp block: smoothing would blur the pixel being picked.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(bounds, m_imageRef);
    }
    painter.setClipping(false);
    const qreal w = bounds.width();
    const qreal h = bounds.height();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(kMarkColor, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(w * 0.5 - 3, h * 0.5 - 3, 6, 6));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(kMarkColor, 2));
    painter.drawEllipse(bounds.adjusted(1, 1, -1, -1));
}
