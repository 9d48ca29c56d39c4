#include "platform/DesktopStyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOption>

namespace platform {

DesktopStyle::DesktopStyle(QStyle* base)
    : QProxyStyle(base)
{
}

void DesktopStyle::install()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr
        || qobject_cast<DesktopStyle*>(QApplication::style()) != nullptr) {
        return;
    }
    // Made without a base, the proxy wraps the style the desktop chose for this application.
    QApplication::setStyle(new DesktopStyle);
}

bool DesktopStyle::isDark(const QPalette& palette)
{
    return palette.color(QPalette::WindowText).lightness() > palette.color(QPalette::Window).lightness();
}

void DesktopStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const
{
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    const bool box = element == PE_IndicatorCheckBox;
    if ((!box && element != PE_IndicatorRadioButton) || option == nullptr || !isDark(option->palette)) {
        return;
    }
    QColor edge = option->palette.color(QPalette::WindowText);
    edge.setAlphaF((option->state & State_Enabled) ? 0.55 : 0.3);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(edge, 1));
    painter->setBrush(Qt::NoBrush);
    const QRectF frame = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
    if (box) {
        painter->drawRoundedRect(frame, 1.5, 1.5);
    } else {
        painter->drawEllipse(frame.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    painter->restore();
}

} // namespace platform
