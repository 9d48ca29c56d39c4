#include "toolwindows/resizeimage/QVResizeImageInput.h"

#include <cmath>

QString QVResizeImageInput::filtered(const QString& text)
{
    static const QString allowed = QStringLiteral("0123456789.");
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!allowed.contains(text.at(i))) {
            QString kept = text;
            return kept.remove(i, 1);
        }
    }
    return text;
}

double QVResizeImageInput::value(const QString& text)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok ? v : 0;
}

std::optional<QString> QVResizeImageInput::counterpart(const QString& edited, double fromOriginal, double toOriginal)
{
    if (!(fromOriginal > 0) || !(toOriginal > 0)) {
        return std::nullopt;
    }
    return QString::number(std::round(value(edited) * toOriginal / fromOriginal), 'f', 0);
}

bool QVResizeImageInput::isAcceptable(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) && v >= 1 && v <= 100000;
}

QString QVResizeImageInput::displayName(const QString& width, const QString& height)
{
    return width + QChar(0x00D7) + height;
}
