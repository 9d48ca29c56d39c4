#include "kit/shortcut/MASShortcutMonitor.h"

#include "platform/X11.h"

#include <QCoreApplication>
#include <QTimer>

MASShortcutMonitor& MASShortcutMonitor::sharedMonitor()
{
    static MASShortcutMonitor* instance = new MASShortcutMonitor;
    return *instance;
}

MASShortcutMonitor::MASShortcutMonitor()
{
    platform::X11::shared().setHotKeyHandler([this](quint32 signature, quint32 id) { handleEvent(signature, id); });
}

bool MASShortcutMonitor::isAvailable() const
{
    return platform::X11::shared().isAvailable();
}

QString MASShortcutMonitor::unavailableReason() const
{
    return platform::X11::shared().unavailableReason();
}

bool MASShortcutMonitor::registerShortcut(const MASShortcut& shortcut, MASHotKey::Action action)
{
    std::shared_ptr<MASHotKey> hotKey = MASHotKey::registeredHotKeyWithShortcut(shortcut);
    if (!hotKey) {
        return false;
    }
    hotKey->setAction(std::move(action));
    m_hotKeys.insert(shortcut, std::move(hotKey));
    return true;
}

void MASShortcutMonitor::unregisterShortcut(const MASShortcut& shortcut)
{
    m_hotKeys.remove(shortcut);
}

void MASShortcutMonitor::unregisterAllShortcuts()
{
    m_hotKeys.clear();
}

bool MASShortcutMonitor::isShortcutRegistered(const MASShortcut& shortcut) const
{
    return m_hotKeys.contains(shortcut);
}

void MASShortcutMonitor::handleEvent(quint32 signature, quint32 carbonID)
{
    if (signature != MASHotKey::kSignature) {
        return;
    }
    for (const std::shared_ptr<MASHotKey>& hotKey : std::as_const(m_hotKeys)) {
        if (hotKey->carbonID() != carbonID) {
            continue;
        }
        if (MASHotKey::Action action = hotKey->action()) {
            QTimer::singleShot(0, QCoreApplication::instance(), std::move(action));
        }
        return;
    }
}
