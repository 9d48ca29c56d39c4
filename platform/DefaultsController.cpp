#include "platform/DefaultsController.h"

#include "platform/Defaults.h"

namespace platform {

DefaultsController& DefaultsController::shared()
{
    static DefaultsController* instance = new DefaultsController;
    return *instance;
}

QVariant DefaultsController::value(const QString& key) const
{
    const QVariant stored = Defaults::standard().value(key);
    return stored.isValid() ? stored : m_registered.value(key);
}

bool DefaultsController::setValue(const QString& key, const QVariant& value)
{
    const bool ok = Defaults::standard().setValue(key, value);
    Q_EMIT valueChanged(key);
    return ok;
}

void DefaultsController::registerDefaults(const QVariantMap& defaults)
{
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it) {
        const QVariant before = value(it.key());
        m_registered.insert(it.key(), it.value());
        if (value(it.key()) != before) {
            Q_EMIT valueChanged(it.key());
        }
    }
}

} // namespace platform
