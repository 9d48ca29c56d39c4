#pragma once

// Helpers for tests of the menu model: seeding and reading the shared suite of the test's
// private HOME.

#include "engine/model/QVMenuManager.h"
#include "platform/Defaults.h"

#include <QVariantList>
#include <QVariantMap>

#include <initializer_list>
#include <utility>

namespace tarsel::test {

/// The suite the application and the extension share.
inline platform::Defaults& shared()
{
    return QVMenuManager::sharedDefaults();
}

inline QVariantMap entry(std::initializer_list<std::pair<QString, QVariant>> pairs)
{
    QVariantMap map;
    for (const auto& [key, value] : pairs) {
        map.insert(key, value);
    }
    return map;
}

inline QVariantMap keyed(const QString& key)
{
    return entry({ { QStringLiteral("key"), key } });
}

inline void storeList(const QString& listKey, const QVariantList& list)
{
    QVMenuManager::sharedDefaults().setValue(listKey, list);
}

/// The "key" of each stored entry, in order.
inline QStringList storedKeys(const QString& listKey)
{
    QStringList keys;
    for (const QVariant& v : QVMenuManager::storedList(listKey)) {
        keys << v.toMap().value(QStringLiteral("key")).toString();
    }
    return keys;
}

inline QStringList keysOf(const QVMenuItemList& items)
{
    QStringList keys;
    for (const QVMenuItemPtr& item : items) {
        keys << item->key();
    }
    return keys;
}

inline QVMenuItemPtr findKey(const QVMenuItemList& items, const QString& key)
{
    for (const QVMenuItemPtr& item : items) {
        if (item->key() == key) {
            return item;
        }
    }
    return nullptr;
}

} // namespace tarsel::test
