#pragma once

// The menu the real tarsel-finder builds for a selection, flattened: what a settings page's edit
// must show (or hide) at the top level or in a submenu the next time the user right-clicks.

#include "tests/host/HostRun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QStringList>

namespace tarsel::test {

struct HostEntry
{
    QString title;
    QString key;
    int tag = 0;
    bool top = false;
};

struct HostMenu
{
    QList<HostEntry> entries;

    /// The entry with that title, at the top level or anywhere; null when there is none.
    const HostEntry* find(const QString& title, bool topOnly) const
    {
        for (const HostEntry& entry : entries) {
            if (entry.title == title && (entry.top || !topOnly)) {
                return &entry;
            }
        }
        return nullptr;
    }
    bool hasTop(const QString& title) const { return find(title, true) != nullptr; }
    bool has(const QString& title) const { return find(title, false) != nullptr; }
    qsizetype count(const QString& title) const
    {
        return std::count_if(entries.cbegin(), entries.cend(), [&](const HostEntry& e) { return e.title == title; });
    }
};

inline void collectHostEntries(const QJsonArray& items, bool top, QList<HostEntry>& into)
{
    for (const QJsonValue& value : items) {
        const QJsonObject item = value.toObject();
        into << HostEntry { item.value(QStringLiteral("title")).toString(),
                            item.value(QStringLiteral("key")).toString(), item.value(QStringLiteral("tag")).toInt(),
                            top };
        collectHostEntries(item.value(QStringLiteral("submenu")).toArray(), false, into);
    }
}

/// The menu for the selected paths (one path that is a folder and --target: its background).
inline HostMenu hostMenuFor(const QStringList& paths)
{
    const HostRun run = runHost(QStringList { QStringLiteral("menu"), QStringLiteral("--json") } + paths);
    HostMenu menu;
    collectHostEntries(QJsonDocument::fromJson(run.out).object().value(QStringLiteral("items")).toArray(), true,
                       menu.entries);
    return menu;
}

} // namespace tarsel::test
