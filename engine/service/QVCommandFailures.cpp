#include "engine/service/QVCommandFailures.h"

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

QStringList QVCommandFailures::all()
{
    QMutexLocker lock(&failuresMutex());
    return failures();
}

void QVCommandFailures::note(const QString& message)
{
    QMutexLocker lock(&failuresMutex());
    failures().append(message.isEmpty() ? QStringLiteral("A command failed.") : message);
    // The application lives long: only the latest are kept.
    constexpr qsizetype kKept = 100;
    if (failures().size() > kKept) {
        failures().removeFirst();
    }
}
