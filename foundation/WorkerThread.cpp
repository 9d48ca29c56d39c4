#include "foundation/WorkerThread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QMutex>
#include <QObject>
#include <QThread>

#include <cstdlib>
#include <vector>

Q_LOGGING_CATEGORY(lcWorker, "tarsel.foundation.worker")

namespace qv {

namespace {

// How long tear-down waits for a job that is still running before it lets the process go on.
constexpr int kStopWaitMs = 3000;

struct Registry
{
    QMutex mutex;
    std::vector<QThread*> threads;
    bool stopped = false;
    bool hooksInstalled = false;
};

Registry& registry()
{
    // Leaked on purpose: the tear-down hooks may run after static destructors began.
    static auto* r = new Registry;
    return *r;
}

void stopAll()
{
    Registry& r = registry();
    std::vector<QThread*> threads;
    {
        QMutexLocker lock(&r.mutex);
        if (r.stopped) {
            return;
        }
        r.stopped = true;
        threads = r.threads;
    }
    for (QThread* t : threads) {
        t->quit();
    }
    for (QThread* t : threads) {
        if (t == QThread::currentThread()) {
            continue;
        }
        if (!t->wait(QDeadlineTimer(kStopWaitMs))) {
            qCWarning(lcWorker) << "Worker" << t->objectName() << "still busy at exit; leaving it running";
        }
    }
}

void installHooks(Registry& r)
{
    if (r.hooksInstalled) {
        return;
    }
    r.hooksInstalled = true;
    // The application object's destructor calls post routines; std::atexit covers a process
    // that never had one. Whichever comes first stops the workers.
    qAddPostRoutine(stopAll);
    std::atexit(stopAll);
}

} // namespace

WorkerThread::WorkerThread(const QString& name)
    : m_thread(new QThread)
    , m_context(new QObject)
{
    m_thread->setObjectName(name);
    m_context->setObjectName(name);
    m_context->moveToThread(m_thread);
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    installHooks(r);
    r.threads.push_back(m_thread);
    m_thread->start();
}

} // namespace qv
