#include "foundation/NotificationCenter.h"

#include <QLoggingCategory>
#include <QMetaMethod>

#include <algorithm>

Q_LOGGING_CATEGORY(lcNotification, "tarsel.foundation.notification")

namespace qv {

struct NotificationCenter::Entry
{
    QObject* observer = nullptr;
    QString name;
    QByteArray handler;
    bool removed = false; // guarded by the centre's mutex
};

namespace {

// The observer's method of that name taking one qv::Notification, or an invalid method.
QMetaMethod findHandler(const QObject* observer, const QByteArray& handler)
{
    const QMetaObject* meta = observer->metaObject();
    for (int i = meta->methodCount() - 1; i >= 0; --i) {
        const QMetaMethod m = meta->method(i);
        if (m.parameterCount() == 1 && m.name() == handler
            && m.parameterMetaType(0) == QMetaType::fromType<Notification>()) {
            return m;
        }
    }
    return QMetaMethod();
}

} // namespace

NotificationCenter& NotificationCenter::defaultCenter()
{
    // Leaked on purpose: observers may be destroyed (and deregister) during static destruction.
    static auto* center = new NotificationCenter;
    return *center;
}

void NotificationCenter::addObserver(QObject* observer, const QString& name, const QByteArray& handler)
{
    if (!observer || name.isEmpty()) {
        qCWarning(lcNotification) << "Ignored an observer without object or name:" << observer << name;
        return;
    }
    bool watch = false;
    {
        std::unique_lock lock(m_mutex);
        for (const auto& e : m_entries) {
            if (e->observer == observer && e->name == name) {
                e->removed = true;
            }
        }
        std::erase_if(m_entries, [](const auto& e) { return e->removed; });
        auto entry = std::make_shared<Entry>();
        entry->observer = observer;
        entry->name = name;
        entry->handler = handler;
        m_entries.push_back(std::move(entry));
        if (std::find(m_watched.begin(), m_watched.end(), observer) == m_watched.end()) {
            m_watched.push_back(observer);
            watch = true;
        }
    }
    if (watch) {
        // A destroyed observer is never called again, whichever thread posts later.
        QObject::connect(observer, &QObject::destroyed, [this, observer] {
            removeObserver(observer);
            std::unique_lock lock(m_mutex);
            std::erase(m_watched, observer);
        });
    }
}

void NotificationCenter::removeObserver(QObject* observer, const QString& name)
{
    removeWhere(observer, &name);
}

void NotificationCenter::removeObserver(QObject* observer)
{
    removeWhere(observer, nullptr);
}

void NotificationCenter::removeWhere(QObject* observer, const QString* name)
{
    if (!observer) {
        return;
    }
    std::unique_lock lock(m_mutex);
    for (const auto& e : m_entries) {
        if (e->observer == observer && (!name || e->name == *name)) {
            e->removed = true;
        }
    }
    std::erase_if(m_entries, [](const auto& e) { return e->removed; });
    waitForOtherThreads(observer, lock);
}

void NotificationCenter::waitForOtherThreads(QObject* observer, std::unique_lock<std::mutex>& lock)
{
    const auto self = std::this_thread::get_id();
    m_deliveryDone.wait(lock, [&] {
        return std::none_of(m_inFlight.begin(), m_inFlight.end(),
                            [&](const auto& f) { return f.first == observer && f.second != self; });
    });
}

void NotificationCenter::post(const Notification& notification)
{
    std::vector<std::shared_ptr<Entry>> snapshot;
    {
        std::unique_lock lock(m_mutex);
        for (const auto& e : m_entries) {
            if (e->name == notification.name) {
                snapshot.push_back(e);
            }
        }
    }
    const auto self = std::this_thread::get_id();
    for (const auto& e : snapshot) {
        {
            std::unique_lock lock(m_mutex);
            if (e->removed) {
                continue; // removed by an earlier handler or another thread meanwhile
            }
            m_inFlight.emplace_back(e->observer, self);
        }
        const QMetaMethod method = findHandler(e->observer, e->handler);
        if (method.isValid()) {
            method.invoke(e->observer, Qt::DirectConnection, Q_ARG(qv::Notification, notification));
        } else {
            qCWarning(lcNotification) << "Observer" << e->observer->metaObject()->className() << "has no handler"
                                      << e->handler << "for" << notification.name;
        }
        {
            std::unique_lock lock(m_mutex);
            const auto it = std::find(m_inFlight.begin(), m_inFlight.end(),
                                      std::make_pair(static_cast<const QObject*>(e->observer), self));
            if (it != m_inFlight.end()) {
                m_inFlight.erase(it);
            }
        }
        m_deliveryDone.notify_all();
    }
}

int NotificationCenter::registrationCount(const QObject* observer) const
{
    std::unique_lock lock(m_mutex);
    return static_cast<int>(
        std::count_if(m_entries.begin(), m_entries.end(), [&](const auto& e) { return e->observer == observer; }));
}

} // namespace qv
