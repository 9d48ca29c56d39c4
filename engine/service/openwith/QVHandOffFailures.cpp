#include "engine/service/openwith/QVHandOffFailures.h"

#include "engine/service/QVFailureLog.h"

namespace {

QVFailureLog& failures()
{
    static QVFailureLog log;
    return log;
}

} // namespace

QStringList QVHandOffFailures::all()
{
    return failures().all();
}

void QVHandOffFailures::note(const QString& text)
{
    // A fallback that fails the same way as the first try is one failure.
    failures().note(text.isEmpty() ? QStringLiteral("A command could not be handed on.") : text, true);
}
