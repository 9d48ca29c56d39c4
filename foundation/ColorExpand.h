#pragma once

// Additions to the platform's colour (QColor): free functions. An invalid QColor is nil.

#include <QColor>
#include <QString>

namespace qv {

/// "#" signs removed, then by the number of hex digits: 3 RGB (each digit doubled), 4 ARGB,
/// 6 RRGGBB, 8 AARRGGBB; alpha 1 when not given. Any other length gives nil.
QColor colorWithHexString(const QString& hex);
/// One or two hex digits at the position as a value from 0 to 1 (one digit is doubled:
/// "A" reads as "AA"); reading stops at the first character that is no hex digit.
double colorComponentFrom(const QString& string, qsizetype start, qsizetype length);
/// "#RRGGBB" of the colour in RGB, each component times 255 truncated; nil for nil.
QString hexString(const QColor& color);

} // namespace qv
