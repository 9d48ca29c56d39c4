#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>

/// A thread-safe list of failure messages, oldest first. The application lives long: only the
/// latest ones are kept.
class QVFailureLog final
{
public:
    QStringList all() const
    {
        QMutexLocker lock(&m_mutex);
        return m_messages;
    }

    /// Appends the message; with collapseRepeats, the same message twice in a row counts once.
    void note(const QString& message, bool collapseRepeats)
    {
        QMutexLocker lock(&m_mutex);
        if (collapseRepeats && !m_messages.isEmpty() && m_messages.last() == message) {
            return;
        }
        m_messages.append(message);
        if (m_messages.size() > kKept) {
            m_messages.removeFirst();
        }
    }

private:
    static constexpr qsizetype kKept = 100;
    mutable QMutex m_mutex;
    QStringList m_messages;
};
