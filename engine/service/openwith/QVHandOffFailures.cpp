#include "engine/service/openwith/QVHandOffFailures.h"

#include <QMutex>

namespace {

QMutex& failuresMutex()
{
    static QMutex mutex;
    return mutex;
}

QStringList& failures()
{
    static QStringList list;
    return list;
}

} // namespace

QStringList QVHandOffFailures::all()
{
    QMutexLocker lock(&failuresMutex());
    return failures();
}

void QVHandOffFailures::note(const QString& text)
{
    const QString message = text.isEmpty() ? QStringLiteral("A command could not be handed on.") : text;
    QMutexLocker lock(&failuresMutex());
    // A fallback that fails the same way as the first try is one failure.
    if (failures().isEmpty() || failures().last() != message) {
        failures().append(message);
    }
    // The application lives long: only the latest are kept.
    constexpr qsizetype kKept = 100;
    if (failures().size() > kKept) {
        failures().removeFirst();
    }
}
