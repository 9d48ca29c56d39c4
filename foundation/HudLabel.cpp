#include "foundation/HudLabel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace qv {

namespace {
// Room a text field keeps around its text, so that a fitted text is not cut.
constexpr int kTextPadding = 4;
constexpr int kFontPixelSize = 12;
} // namespace

HudLabel::HudLabel(QWidget* parent)
    : QWidget(parent)
{
    QFont labelFont = font();
    labelFont.setPixelSize(kFontPixelSize);
    setFont(labelFont);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

HudLabel::~HudLabel() = default;

void HudLabel::setText(const QString& text)
{
    m_text = text;
    update();
}

int HudLabel::fittedWidth() const
{
    return static_cast<int>(std::ceil(QFontMetricsF(font()).horizontalAdvance(m_text))) + kTextPadding;
}

QStringList HudLabel::displayedLines() const
{
    QStringList lines;
    const qreal lineWidth = std::max(1, width() - kTextPadding);
    QTextLayout layout(m_text, font());
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(lineWidth);
        if (lines.size() == kMaxLines - 1) {
            // The last visible line takes the rest of the text, cut to fit.
            const QString rest = m_text.mid(line.textStart()).simplified();
            lines.append(QFontMetrics(font()).elidedText(rest, Qt::ElideRight, static_cast<int>(lineWidth)));
            break;
        }
        lines.append(m_text.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return lines;
}

void HudLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(Qt::white);
    painter.setFont(font());
    const QStringList lines = displayedLines();
    const int lineHeight = QFontMetrics(font()).lineSpacing();
    for (int i = 0; i < lines.size(); ++i) {
        painter.drawText(QRect(0, i * lineHeight, width(), lineHeight), Qt::AlignHCenter | Qt::AlignTop, lines.at(i));
    }
}

} // namespace qv
