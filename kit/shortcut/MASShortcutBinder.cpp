#include "kit/shortcut/MASShortcutBinder.h"

#include "kit/shortcut/MASShortcutMonitor.h"
#include "platform/DefaultsController.h"

MASShortcutBinder& MASShortcutBinder::sharedBinder()
{
    static MASShortcutBinder* instance = new MASShortcutBinder;
    return *instance;
}

MASShortcutBinder::MASShortcutBinder()
    : m_monitor(&MASShortcutMonitor::sharedMonitor())
    , m_transformer(MASValueTransformer::keyedUnarchiveFromData())
{
}

void MASShortcutBinder::bindShortcutWithDefaultsKey(const QString& defaultsKey, MASHotKey::Action action)
{
    if (m_bindings.contains(defaultsKey)) {
        breakBindingWithDefaultsKey(defaultsKey);
    }
    m_actions.insert(defaultsKey, std::move(action));
    m_bindings.insert(defaultsKey,
                      connect(&platform::DefaultsController::shared(), &platform::DefaultsController::valueChanged,
                              this, [this, defaultsKey](const QString& key) {
                                  if (key == defaultsKey) {
                                      readStoredValue(key);
                                  }
                              }));
    readStoredValue(defaultsKey);
}

void MASShortcutBinder::breakBindingWithDefaultsKey(const QString& defaultsKey)
{
    release(defaultsKey);
    m_shortcuts.remove(defaultsKey);
    m_actions.remove(defaultsKey);
    disconnect(m_bindings.take(defaultsKey));
}

void MASShortcutBinder::registerDefaultShortcuts(const QMap<QString, MASShortcut>& defaults)
{
    QVariantMap stored;
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it) {
        stored.insert(it.key(), m_transformer.reverse(it.value()));
    }
    platform::DefaultsController::shared().registerDefaults(stored);
}

std::optional<MASShortcut> MASShortcutBinder::shortcutForKey(const QString& defaultsKey) const
{
    const auto it = m_shortcuts.constFind(defaultsKey);
    return it == m_shortcuts.cend() ? std::nullopt : std::optional<MASShortcut>(*it);
}

bool MASShortcutBinder::hasHotKey(const QString& defaultsKey) const
{
    const auto it = m_shortcuts.constFind(defaultsKey);
    return it != m_shortcuts.cend() && m_registeredBy.value(*it) == defaultsKey;
}

void MASShortcutBinder::readStoredValue(const QString& defaultsKey)
{
    setValueForKey(m_transformer.forward(platform::DefaultsController::shared().value(defaultsKey)), defaultsKey);
}

void MASShortcutBinder::setValueForKey(const std::optional<MASShortcut>& value, const QString& defaultsKey)
{
    if (!m_actions.contains(defaultsKey)) {
        return;
    }
    release(defaultsKey);
    if (!value) {
        m_shortcuts.remove(defaultsKey);
        return;
    }
    m_shortcuts.insert(defaultsKey, *value);
    // A refused registration keeps the shortcut stored and shown, without a hot key.
    registerFor(defaultsKey, *value);
}

void MASShortcutBinder::release(const QString& defaultsKey)
{
    const auto it = m_shortcuts.constFind(defaultsKey);
    if (it == m_shortcuts.cend() || m_registeredBy.value(*it) != defaultsKey) {
        // Another key's hot key, or none: unregistering the combination here would silently
        // switch off the key that does hold it.
        return;
    }
    const MASShortcut shortcut = *it;
    m_monitor->unregisterShortcut(shortcut);
    m_registeredBy.remove(shortcut);
    for (auto other = m_shortcuts.cbegin(); other != m_shortcuts.cend(); ++other) {
        if (other.key() != defaultsKey && other.value() == shortcut && registerFor(other.key(), shortcut)) {
            return;
        }
    }
}

bool MASShortcutBinder::registerFor(const QString& defaultsKey, const MASShortcut& shortcut)
{
    if (m_registeredBy.contains(shortcut) || !m_monitor->registerShortcut(shortcut, m_actions.value(defaultsKey))) {
        return false;
    }
    m_registeredBy.insert(shortcut, defaultsKey);
    return true;
}
