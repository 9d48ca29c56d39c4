#pragma once

// Records for tests that open things: the launches the workspace would start, and records of
// entries that name an application.

#include "engine/model/QVMenuItem.h"
#include "platform/Workspace.h"

#include <QString>
#include <QStringList>

namespace tarsel::test {

struct Launch {
    QString program;
    QStringList args;
};

/// An entry with that key naming that application (the key itself when no key is given).
inline QVMenuItemPtr appRecord(const QString& appName, const QString& key = QString())
{
    auto item = QVMenuItem::create();
    item->setKey(key.isEmpty() ? appName : key);
    item->setAppName(appName);
    return item;
}

/// Replaces the workspace's launcher with a recorder: every launch is appended to launches and
/// fails when its first argument is listed in failing. Both lists must outlive the recorder; the
/// caller restores the real launcher with platform::Workspace::setLauncher({}).
inline void recordLaunches(QList<Launch>& launches, const QStringList& failing)
{
    platform::Workspace::setLauncher([&launches, &failing](const QString& program, const QStringList& args) {
        launches.append({ program, args });
        return !failing.contains(args.value(0));
    });
}

} // namespace tarsel::test
