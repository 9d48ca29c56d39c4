#pragma once

// Records for tests that open things: the launches the workspace would start, and records of
// entries that name an application.

#include "engine/model/QVMenuItem.h"

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

} // namespace tarsel::test
