#pragma once

// Additions to the platform's button: title colour and an underlined title.

#include <QColor>
#include <QString>

class QAbstractButton;

namespace qv {

/// The colour the button's title is drawn in.
QColor titleColor(const QAbstractButton* button);
/// Draws the whole title in the colour.
void setTitleColor(QAbstractButton* button, const QColor& color);
/// Replaces the title by the text, underlined over its whole length; the title's other
/// attributes (its colour included) are dropped.
void addUnderlineWithText(QAbstractButton* button, const QString& text);

} // namespace qv
