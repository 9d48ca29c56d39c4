#include "platform/Posix.h"

#include <cstring>

namespace platform::posix {

QString failureMessage(const QString& action, const QString& file, const QString& why)
{
    return QStringLiteral("Failed to %1. File: \"%2\". Error: \"%3\"").arg(action, file, why);
}

bool fail(QString* error, const QString& action, const QString& file, const QString& why)
{
    if (error) {
        *error = failureMessage(action, file, why);
    }
    return false;
}

QString errnoText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

} // namespace platform::posix
