#include "foundation/TimerExpand.h"

#include "foundation/WorkerThread.h"

#include <QMetaObject>
#include <QMutex>
#include <QRunnable>
#include <QThread>
#include <QThreadPool>

#include <cmath>

namespace qv {

namespace {

int toMilliseconds(double seconds)
{
    if (!(seconds > 0.0)) {
        return 0;
    }
    return static_cast<int>(std::min(std::llround(seconds * 1000.0), static_cast<long long>(INT32_MAX)));
}

QObject* timerQueue()
{
    static WorkerThread* worker = new WorkerThread(QStringLiteral("tarsel-timers"));
    return worker->context();
}

} // namespace

QPointer<QTimer> scheduled(double seconds, std::function<void(QTimer*)> block, bool repeats)
{
    auto* timer = new QTimer;
    timer->setInterval(toMilliseconds(seconds));
    timer->setSingleShot(!repeats);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, block = std::move(block), repeats] {
        QPointer<QTimer> guard(timer);
        if (block) {
            block(timer);
        }
        if (!repeats && guard) {
            timer->deleteLater();
        }
    });
    timer->start();
    return timer;
}

void cancelTimer(const QPointer<QTimer>& timer)
{
    if (timer) {
        timer->stop();
        timer->deleteLater();
    }
}

// The shared state between the timer thread, the pool and the handle's owner.
class GCDTimer final
{
public:
    explicit GCDTimer(std::function<void()> handler)
        : m_handler(std::move(handler))
    {
    }
    ~GCDTimer() { cancel(); }
    Q_DISABLE_COPY_MOVE(GCDTimer)

    void start(int intervalMs, const std::shared_ptr<GCDTimer>& self)
    {
        std::weak_ptr<GCDTimer> weak = self;
        QObject* queue = timerQueue();
        QMetaObject::invokeMethod(
            queue,
            [weak, intervalMs, queue] {
                const auto strong = weak.lock();
                if (!strong) {
                    return; // dropped before it started
                }
                QMutexLocker lock(&strong->m_mutex);
                if (strong->m_cancelled) {
                    return;
                }
                auto* timer = new QTimer(queue);
                timer->setTimerType(Qt::PreciseTimer);
                timer->setInterval(intervalMs);
                QObject::connect(timer, &QTimer::timeout, timer, [weak] {
                    if (const auto s = weak.lock()) {
                        s->tick(s);
                    }
                });
                timer->start();
                strong->m_timer = timer;
            },
            Qt::QueuedConnection);
    }

    void cancel()
    {
        QMutexLocker lock(&m_mutex);
        if (m_cancelled) {
            return;
        }
        m_cancelled = true;
        if (QTimer* timer = m_timer) {
            m_timer = nullptr;
            // The timer belongs to the timer thread: stop and delete it there.
            QMetaObject::invokeMethod(
                timer, [timer] { delete timer; }, Qt::QueuedConnection);
        }
    }

private:
    // On the timer thread: start a run unless one is going; then remember one more is due.
    void tick(const std::shared_ptr<GCDTimer>& self)
    {
        QMutexLocker lock(&m_mutex);
        if (m_cancelled) {
            return;
        }
        if (m_running) {
            m_pending = true;
            return;
        }
        m_running = true;
        QThreadPool::globalInstance()->start([self] { self->runLoop(); });
    }

    void runLoop()
    {
        for (;;) {
            m_handler();
            QMutexLocker lock(&m_mutex);
            if (!m_pending || m_cancelled) {
                m_running = false;
                m_pending = false;
                return;
            }
            m_pending = false;
        }
    }

    std::function<void()> m_handler;
    QMutex m_mutex;
    QTimer* m_timer = nullptr;
    bool m_cancelled = false;
    bool m_running = false;
    bool m_pending = false;
};

GCDTimerHandle gcdScheduled(double seconds, std::function<void()> handler)
{
    auto timer = std::make_shared<GCDTimer>(handler ? std::move(handler) : [] {});
    timer->start(std::max(1, toMilliseconds(seconds)), timer);
    return timer;
}

void cancelGCDTimer(const GCDTimerHandle& timer)
{
    if (timer) {
        timer->cancel();
    }
}

} // namespace qv
