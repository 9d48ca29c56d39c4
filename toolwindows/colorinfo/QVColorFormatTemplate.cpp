#include "toolwindows/colorinfo/QVColorFormatTemplate.h"

#include "engine/model/QVMenuManager.h"
#include "foundation/StringExpand.h"
#include "platform/Defaults.h"

#include <QLoggingCategory>
#include <QRgba64>

Q_LOGGING_CATEGORY(lcColorFormat, "tarsel.toolwindows.colorformat", QtWarningMsg)

namespace {

// Within 0..1; not a number reads as 0.
float unit(float f)
{
    if (!(f > 0.0f)) {
        return 0.0f;
    }
    return f > 1.0f ? 1.0f : f;
}

// A 16-bit component times 255, truncated: exactly the 8-bit value of a colour that came from
// 8-bit pixels, and 127 for one half.
int to255(quint16 component)
{
    return int(quint32(component) * 255u / 65535u);
}

} // namespace

QVColorFormatTemplate::Components QVColorFormatTemplate::components(const QColor& color)
{
    if (!color.isValid()) {
        return {};
    }
    // Extended RGB may lie outside 0..1 (a wide-gamut colour); every other model converts to
    // sRGB within range.
    const QColor rgb = color.spec() == QColor::ExtendedRgb
        ? QColor::fromRgbF(unit(color.redF()), unit(color.greenF()), unit(color.blueF()))
        : color.toRgb();
    const QRgba64 wide = rgb.rgba64();
    return { to255(wide.red()), to255(wide.green()), to255(wide.blue()) };
}

QString QVColorFormatTemplate::hexText(const Components& c, bool withHash)
{
    return QStringLiteral("%1%2%3%4")
        .arg(withHash ? QStringLiteral("#") : QString())
        .arg(c.red, 2, 16, QLatin1Char('0'))
        .arg(c.green, 2, 16, QLatin1Char('0'))
        .arg(c.blue, 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString QVColorFormatTemplate::rgbText(const Components& c)
{
    return QStringLiteral("%1,%2,%3").arg(c.red).arg(c.green).arg(c.blue);
}

QString QVColorFormatTemplate::expand(QString format, const Components& c, const QString& hex)
{
    format.replace(QStringLiteral("$R"), QString::number(c.red));
    format.replace(QStringLiteral("$G"), QString::number(c.green));
    format.replace(QStringLiteral("$B"), QString::number(c.blue));
    format.replace(QStringLiteral("$H"), hex);
    return format;
}

QString QVColorFormatTemplate::keyForIndex(int index)
{
    return index == 1 ? kFormat1Key : kFormat2Key;
}

QString QVColorFormatTemplate::defaultForIndex(int index)
{
    return index == 1 ? kDefaultFormat1 : kDefaultFormat2;
}

QString QVColorFormatTemplate::storedTemplate(int index)
{
    const QString stored = QVMenuManager::sharedDefaults().stringValue(keyForIndex(index));
    return qv::isValid(stored) ? stored : defaultForIndex(index);
}

bool QVColorFormatTemplate::setStoredTemplate(int index, const QString& text)
{
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    if (!defaults.setValue(keyForIndex(index), text)) {
        qCWarning(lcColorFormat).noquote()
            << QStringLiteral("Failed to store the colour format. File: \"%1\". Error: \"%2\"")
                   .arg(defaults.filePath(), defaults.lastError());
        return false;
    }
    return true;
}
