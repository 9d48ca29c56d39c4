#pragma once

#include "kit/shortcut/MASHotKey.h"
#include "kit/shortcut/MASShortcut.h"
#include "kit/shortcut/MASValueTransformer.h"

#include <QHash>
#include <QMap>
#include <QMetaObject>
#include <QObject>

#include <optional>

class MASShortcutMonitor;

/// Keeps global hot keys in step with shortcuts stored in the standard defaults, one defaults
/// key per hot key (the stored form is keyed-archive data of the shortcut): binding a key
/// registers its stored shortcut at once and every later change through the defaults
/// controller re-registers it, so a shortcut recorded in the settings window works at once
/// and a cleared one stops at once.
///
/// A combination is registered by one bound key at a time: a second key bound to the same
/// combination gets no hot key, and its changes never release the first key's hot key; when
/// the first key lets go, the second takes the combination over. Main thread only.
class MASShortcutBinder final : public QObject
{
    Q_OBJECT
public:
    static MASShortcutBinder& sharedBinder();

    MASShortcutMonitor& shortcutMonitor() const { return *m_monitor; }

    void bindShortcutWithDefaultsKey(const QString& defaultsKey, MASHotKey::Action action);
    void breakBindingWithDefaultsKey(const QString& defaultsKey);
    /// Registers each shortcut, in the stored form, as the default of its key (in memory only:
    /// a value the user stored always wins).
    void registerDefaultShortcuts(const QMap<QString, MASShortcut>& defaults);
    bool isRegisteredAction(const QString& defaultsKey) const { return m_actions.contains(defaultsKey); }

    /// The shortcut a bound key has now; none for a key without one or not bound.
    std::optional<MASShortcut> shortcutForKey(const QString& defaultsKey) const;
    /// Whether the key's shortcut has a hot key registered for it.
    bool hasHotKey(const QString& defaultsKey) const;
    /// A bound key's value changed to the shortcut (or to none).
    void setValueForKey(const std::optional<MASShortcut>& value, const QString& defaultsKey);

private:
    MASShortcutBinder();
    void readStoredValue(const QString& defaultsKey);
    void release(const QString& defaultsKey);
    bool registerFor(const QString& defaultsKey, const MASShortcut& shortcut);

    MASShortcutMonitor* m_monitor;
    MASValueTransformer m_transformer;
    QHash<QString, MASHotKey::Action> m_actions;
    QHash<QString, MASShortcut> m_shortcuts;
    QHash<MASShortcut, QString> m_registeredBy; // combination -> the key whose hot key it is
    QHash<QString, QMetaObject::Connection> m_bindings;
};
