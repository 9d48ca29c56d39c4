#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace platform {

/// The process's standard defaults as the windows and the hot-key binder see them: the stored
/// value of a key, else the default registered for it in memory (never written to the file),
/// and a signal after every change made through it, so two views of one key stay in step.
///
/// Main thread only.
class DefaultsController final : public QObject
{
    Q_OBJECT
public:
    static DefaultsController& shared();

    /// The stored value, else the registered default, else an invalid QVariant.
    QVariant value(const QString& key) const;
    /// Stores the value in the standard defaults (an invalid QVariant removes the key, and the
    /// registered default shows again); false when the file could not be written.
    bool setValue(const QString& key, const QVariant& value);
    /// Registers defaults for keys; a key's stored value always wins over them.
    void registerDefaults(const QVariantMap& defaults);
    bool hasRegisteredDefault(const QString& key) const { return m_registered.contains(key); }
    /// Forgets every registered default (a test's fresh start).
    void clearRegisteredDefaults() { m_registered.clear(); }

Q_SIGNALS:
    /// The value of the key may have changed.
    void valueChanged(const QString& key);

private:
    DefaultsController() = default;
    QVariantMap m_registered;
};

} // namespace platform
