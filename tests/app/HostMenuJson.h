#pragma once

#include "tests/host/HostRun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <gtest/gtest.h>

namespace tarsel::test {

// The top-level entries of the menu the real host prints for these arguments.
inline QJsonArray hostMenu(const QStringList& args)
{
    const HostRun run = runHost(QStringList { QStringLiteral("menu"), QStringLiteral("--json") } + args);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    return QJsonDocument::fromJson(run.out).object().value(QStringLiteral("items")).toArray();
}

inline QStringList titles(const QJsonArray& items)
{
    QStringList out;
    for (const QJsonValue& item : items) {
        out << item.toObject().value(QStringLiteral("title")).toString();
    }
    return out;
}

// The submenu of the entry with that title; empty when there is none.
inline QJsonArray submenu(const QJsonArray& items, const QString& title)
{
    for (const QJsonValue& item : items) {
        if (item.toObject().value(QStringLiteral("title")).toString() == title) {
            return item.toObject().value(QStringLiteral("submenu")).toArray();
        }
    }
    return {};
}

} // namespace tarsel::test
