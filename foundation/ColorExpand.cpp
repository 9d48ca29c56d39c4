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
    double a = 1.0;
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
    switch (s.size()) {
    case 3:
        r = colorComponentFrom(s, 0, 1);
        g = colorComponentFrom(s, 1, 1);
        b = colorComponentFrom(s, 2, 1);
        break;
    case 4:
        a = colorComponentFrom(s, 0, 1);
        r = colorComponentFrom(s, 1, 1);
        g = colorComponentFrom(s, 2, 1);
        b = colorComponentFrom(s, 3, 1);
        break;
    case 6:
        r = colorComponentFrom(s, 0, 2);
        g = colorComponentFrom(s, 2, 2);
        b = colorComponentFrom(s, 4, 2);
        break;
    case 8:
        a = colorComponentFrom(s, 0, 2);
        r = colorComponentFrom(s, 2, 2);
        g = colorComponentFrom(s, 4, 2);
        b = colorComponentFrom(s, 6, 2);
        break;
    default:
        return QColor();
    }
    return QColor::fromRgbF(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b),
                            static_cast<float>(a));
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
