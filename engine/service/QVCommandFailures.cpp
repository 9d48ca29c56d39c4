#include "engine/service/QVCommandFailures.h"

#include "engine/service/QVFailureLog.h"

namespace {

QVFailureLog& failures()
{
    static QVFailureLog log;
    return log;
}

} // namespace

QStringList QVCommandFailures::all()
{
    return failures().all();
}

void QVCommandFailures::note(const QString& message)
{
    failures().note(message.isEmpty() ? QStringLiteral("A command failed.") : message, false);
}
