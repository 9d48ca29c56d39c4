#include "foundation/ColorExpand.h"

#include <QRgba64>

namespace qv {

double colorComponentFrom(const QString& string, qsizetype start, qsizetype length)
{
    if (start < 0 || length < 1 || length > 2 || start + length > string.size()) {
        return 0.0;
    }
    QString digits = string.mid(start, length);
    if (length == 1) {
        digits += digits;
    }
    // Like a hex scanner: the leading hex digits count, reading stops at the first other one.
    int value = 0;
    for (const QChar c : std::as_const(digits)) {
        const int digit = QStringView(u"0123456789ABCDEF").indexOf(c.toUpper());
        if (digit < 0) {
            break;
        }
        value = value * 16 + digit;
    }
    return value / 255.0;
}

QColor colorWithHexString(const QString& hex)
{
    const QString s = QString(hex).remove(QLatin1Char('#')).toUpper();
    const qsizetype length = s.size();
    if (length != 3 && length != 4 && length != 6 && length != 8) {
        return QColor();
    }
    // One digit per component up to four digits, two beyond; alpha leads when present.
    const qsizetype width = length <= 4 ? 1 : 2;
    qsizetype pos = 0;
    double alpha = 1.0;
    if (length == 4 || length == 8) {
        alpha = colorComponentFrom(s, 0, width);
        pos = width;
    }
    float rgb[3];
    for (float& component : rgb) {
        component = static_cast<float>(colorComponentFrom(s, pos, width));
        pos += width;
    }
    return QColor::fromRgbF(rgb[0], rgb[1], rgb[2], static_cast<float>(alpha));
}

QString hexString(const QColor& color)
{
    if (!color.isValid()) {
        return QString();
    }
    const QRgba64 rgb = color.toRgb().rgba64();
    // From the 16-bit components in double precision, so that a stored 254/255 reads back as
    // 254 and not as 253.99...
    const auto byte = [](quint16 component) { return static_cast<int>(component / 65535.0 * 255.0); };
    return QString::asprintf("#%02X%02X%02X", byte(rgb.red()), byte(rgb.green()), byte(rgb.blue()));
}

} // namespace qv
