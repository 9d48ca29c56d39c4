#pragma once

#include <QString>

class QObject;
class QThread;

namespace qv {

/// A thread with its own event loop and a context object living in it: posting a job to the
/// context runs it on that thread, one job at a time, in the order posted.
///
/// A worker is created once and never destroyed while the process runs; when the application
/// object is torn down (or, without one, when the process exits) its loop is asked to stop and
/// the worker is waited for a short while, so no job runs after the application is gone and the
/// process can always exit, even while a job hangs.
class WorkerThread final
{
public:
    explicit WorkerThread(const QString& name);
    ~WorkerThread() = delete; // lives until the process ends
    Q_DISABLE_COPY_MOVE(WorkerThread)

    QObject* context() const { return m_context; }
    QThread* thread() const { return m_thread; }

private:
    QThread* m_thread = nullptr;
    QObject* m_context = nullptr;
};

} // namespace qv
