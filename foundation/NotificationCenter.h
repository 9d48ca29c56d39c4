#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace qv {

/// What a handler receives.
struct Notification
{
    QString name;
    QVariant object;
    QVariantMap userInfo;
};

/// The process's notification centre. Observers are QObjects whose handler (a slot or
/// Q_INVOKABLE taking `const qv::Notification&`) is found by name through the meta-object
/// system; the name comes from the notification name (qv::selWithName).
///
/// Guarantees:
/// - Posting is synchronous on the posting thread; observers are called in registration order
///   over a snapshot, so a handler may add or remove observers (and post) freely.
/// - The registry is guarded by a mutex; adding, removing and posting may happen on any thread.
/// - When removeObserver returns, no handler of that observer runs on another thread and none
///   will start. An observer is removed automatically when it is destroyed; one that other
///   threads post to should call removeObserver(this) at the top of its own destructor, before
///   its members go away.
/// - A registered observer without a matching handler is skipped with a warning.
class NotificationCenter final
{
public:
    static NotificationCenter& defaultCenter();

    /// Registers the observer for the name, replacing an earlier registration for that name.
    void addObserver(QObject* observer, const QString& name, const QByteArray& handler);
    void removeObserver(QObject* observer, const QString& name);
    void removeObserver(QObject* observer);
    void post(const Notification& notification);

    /// The number of registrations of the observer (all names); for diagnostics and tests.
    int registrationCount(const QObject* observer) const;

    NotificationCenter() = default;
    Q_DISABLE_COPY_MOVE(NotificationCenter)

private:
    struct Entry;
    void removeWhere(QObject* observer, const QString* name);
    void waitForOtherThreads(QObject* observer, std::unique_lock<std::mutex>& lock);

    mutable std::mutex m_mutex;
    std::condition_variable m_deliveryDone;
    std::vector<std::shared_ptr<Entry>> m_entries;
    /// Observers currently being called, with the calling thread.
    std::vector<std::pair<const QObject*, std::thread::id>> m_inFlight;
    /// Observers whose destroyed() signal is already connected.
    std::vector<const QObject*> m_watched;
};

} // namespace qv

Q_DECLARE_METATYPE(qv::Notification)
