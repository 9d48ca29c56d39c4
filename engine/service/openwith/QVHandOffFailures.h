#pragma once

#include <QString>
#include <QStringList>

/// The hand-offs of this process that reached nothing: an application, terminal, service or the
/// application itself that could not be started or handed the command, oldest first. The
/// file-manager host turns them into its exit status. Safe from any thread.
class QVHandOffFailures final
{
public:
    QVHandOffFailures() = delete;

    static QStringList all();
    /// Notes one failure; the same message twice in a row is one failure.
    static void note(const QString& message);
};
