#include "foundation/Spinner.h"

#include <QPainter>

#include <algorithm>

namespace qv {

namespace {
constexpr int kSpokes = 12;
constexpr int kStepMilliseconds = 80;
} // namespace

Spinner::Spinner(QWidget* parent)
    : QWidget(parent)
    , m_color(palette().color(QPalette::WindowText))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_timer.setInterval(kStepMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, [this]() {
        m_step = (m_step + 1) % kSpokes;
        update();
    });
    hide();
}

Spinner::~Spinner() = default;

void Spinner::startAnimation()
{
    m_timer.start();
    show();
}

void Spinner::stopAnimation()
{
    m_timer.stop();
    hide();
}

void Spinner::setColor(const QColor& color)
{
    m_color = color;
    update();
}

void Spinner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    const qreal outer = side / 2.0;
    const qreal inner = outer * 0.45;
    const qreal thickness = std::max<qreal>(1.5, side / 10.0);
    painter.translate(width() / 2.0, height() / 2.0);
    QPen pen(m_color, thickness, Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < kSpokes; ++i) {
        // The spoke at the current step is the brightest; the ones behind it fade out.
        const int age = (m_step - i + kSpokes) % kSpokes;
        QColor spoke = m_color;
        spoke.setAlphaF(spoke.alphaF() * (1.0 - 0.75 * age / kSpokes));
        pen.setColor(spoke);
        painter.setPen(pen);
        painter.drawLine(QPointF(0, -inner), QPointF(0, -outer + thickness / 2.0));
        painter.rotate(360.0 / kSpokes);
    }
}

} // namespace qv
