#include "foundation/QVCustomIconView.h"

#include <QPainter>

QVCustomIconView::QVCustomIconView(QWidget* parent)
    : QWidget(parent)
{
}

QVCustomIconView::~QVCustomIconView() = default;

void QVCustomIconView::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (m_selected) {
        QPainter(this).fillRect(rect(), palette().color(QPalette::Window));
    }
}
