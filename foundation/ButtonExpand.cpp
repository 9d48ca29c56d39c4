#include "foundation/ButtonExpand.h"

#include <QAbstractButton>
#include <QApplication>

namespace qv {

QColor titleColor(const QAbstractButton* button)
{
    return button->palette().color(QPalette::ButtonText);
}

void setTitleColor(QAbstractButton* button, const QColor& color)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, color);
    button->setPalette(palette);
}

void addUnderlineWithText(QAbstractButton* button, const QString& text)
{
    QPalette palette = button->palette();
    for (const QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        palette.setColor(group, QPalette::ButtonText, QApplication::palette(button).color(group, QPalette::ButtonText));
    }
    button->setPalette(palette);
    QFont font = QApplication::font(button);
    font.setUnderline(true);
    button->setFont(font);
    button->setText(text);
}

} // namespace qv
