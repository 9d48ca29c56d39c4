#pragma once

// Chaining steps on a mutable text: each changes the receiver itself and answers it, so steps
// can be nested: qv::LINE(qv::APPEND(text, "%@ = %d", key, value)).

#include "foundation/StringExpandText.h"

namespace qv {

/// Appends the formatted text (see stringWithFormat) to the receiver.
template <typename... Args> QString& APPEND(QString& s, const QString& format, const Args&... args)
{
    return s += stringWithFormat(format, args...);
}

/// Appends the formatted text (unless the format is null) and "\n" to the receiver.
template <typename... Args> QString& LINE(QString& s, const QString& format = QString(), const Args&... args)
{
    if (!format.isNull()) {
        s += stringWithFormat(format, args...);
    }
    return s += QLatin1Char('\n');
}

/// Replaces every occurrence of target in the receiver, ignoring case. An empty target
/// replaces nothing.
QString& REPLACE(QString& s, const QString& target, const QString& replacement);

} // namespace qv
