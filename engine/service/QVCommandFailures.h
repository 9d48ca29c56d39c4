#pragma once

#include <QString>
#include <QStringList>

/// The commands of this process that failed or refused a selected item, with the message the
/// user was shown, oldest first (hand-offs are kept apart, in QVHandOffFailures). The
/// file-manager host turns them into its exit status. Safe from any thread.
class QVCommandFailures final
{
public:
    QVCommandFailures() = delete;

    static QStringList all();
    static void note(const QString& message);
};
