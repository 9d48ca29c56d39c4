#pragma once

#include "kit/shortcut/MASHotKey.h"
#include "kit/shortcut/MASShortcut.h"

#include <QHash>

#include <memory>

/// The process's table of registered hot keys and the one handler that turns a pressed hot
/// key into a call of its action, posted to the main thread's event loop (never run inside the
/// handler). Main thread only.
class MASShortcutMonitor final
{
public:
    static MASShortcutMonitor& sharedMonitor();

    /// Whether hot keys can be registered at all (false on Wayland or without a display).
    bool isAvailable() const;
    /// Why hot keys cannot be registered, in words for the user (a Wayland session allows no
    /// global hot keys); empty when they can.
    QString unavailableReason() const;

    /// Registers the shortcut with the action; on success it replaces (and so unregisters) an
    /// entry for an equal shortcut. On failure the table stays as it was. Answers whether a
    /// hot key was created.
    bool registerShortcut(const MASShortcut& shortcut, MASHotKey::Action action);
    void unregisterShortcut(const MASShortcut& shortcut);
    void unregisterAllShortcuts();
    bool isShortcutRegistered(const MASShortcut& shortcut) const;

    /// A press delivered by the registry: runs the action of the hot key with that id later,
    /// when the signature is the kit's own.
    void handleEvent(quint32 signature, quint32 carbonID);

    Q_DISABLE_COPY_MOVE(MASShortcutMonitor)

private:
    MASShortcutMonitor();
    ~MASShortcutMonitor() = default;

    QHash<MASShortcut, std::shared_ptr<MASHotKey>> m_hotKeys;
};
