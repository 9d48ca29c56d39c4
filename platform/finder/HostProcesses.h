#pragma once

#include <QList>
#include <QString>

#include <memory>

namespace platform {

/// The file-manager host processes of this user that have an extension loaded, as each host
/// recorded itself when it started: one file per process in a folder of the user's own
/// (runtimeFolder()/tarsel-hosts, mode 0700), named after the process id and holding the
/// process's start time and the extension's bundle identifier.
///
/// A record stands for a process only while a process of that id with that start time runs
/// under this account: a record left by a host that was killed, or whose id the system has since
/// given to another program, is dropped and never acted on. Processes are never looked up by name.
class HostProcesses final
{
public:
    HostProcesses() = delete;

    struct Process
    {
        qint64 pid = 0;
        quint64 startTime = 0; ///< in clock ticks after boot, as /proc/<pid>/stat has it
    };

    /// The record of this process, removed when the object ends.
    class Registration final
    {
    public:
        explicit Registration(QString file)
            : m_file(std::move(file))
        {
        }
        ~Registration();
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;

    private:
        QString m_file;
    };

    /// The records' folder; made (0700) when missing. Empty with a message when it cannot be
    /// made or is not a folder of this account's alone (a record there could name anyone's
    /// process).
    static QString folder(QString* error = nullptr);

    /// Records the running process as a host of the extension; null with a message on failure.
    /// The records of processes that have gone are removed first.
    static std::unique_ptr<Registration> record(const QString& extensionId, QString* error = nullptr);

    /// The recorded hosts of the extension that still run.
    static QList<Process> running(const QString& extensionId);

    /// Ends every recorded running host of the extension at once (SIGKILL, so a host stuck in a
    /// command ends too) and removes their records; answers how many were ended.
    static int killAll(const QString& extensionId, QString* error = nullptr);

    /// The start time of a process of this account; 0 when no such process runs.
    static quint64 startTimeOf(qint64 pid);
};

} // namespace platform
