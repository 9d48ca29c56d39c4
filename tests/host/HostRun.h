#pragma once

// Runs the real tarsel-finder as a file manager would: a separate process on the offscreen
// platform, with the test's environment plus the given "NAME=value" pairs.

#include "testsupport/ProgramRun.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QStringList>

#include <algorithm>

namespace tarsel::test {

using HostRun = ProgramRun;

/// The test's environment on the offscreen platform, without the variables named in unsetEnv
/// and with the "NAME=value" pairs of extraEnv.
inline QProcessEnvironment hostEnvironment(const QStringList& extraEnv = {}, const QStringList& unsetEnv = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const QString& name : unsetEnv) {
        env.remove(name);
    }
    for (const QString& pair : extraEnv) {
        env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    }
    return env;
}

inline HostRun runHost(const QStringList& args, const QStringList& extraEnv = {}, const QStringList& unsetEnv = {})
{
    return runProgram(QStringLiteral(TARSEL_FINDER_PROGRAM), args, { .env = hostEnvironment(extraEnv, unsetEnv) });
}

/// The tag of the entry reached by its titles, one a menu level, in a menu the host printed with
/// --json, or -1.
inline int tagInMenu(const QByteArray& json, const QStringList& titles)
{
    QJsonArray items = QJsonDocument::fromJson(json).object().value(QStringLiteral("items")).toArray();
    int tag = -1;
    for (const QString& title : titles) {
        const auto found = std::find_if(items.begin(), items.end(), [&title](const QJsonValue& item) {
            return item.toObject().value(QStringLiteral("title")).toString() == title;
        });
        if (found == items.end()) {
            return -1;
        }
        tag = found->toObject().value(QStringLiteral("tag")).toInt();
        items = found->toObject().value(QStringLiteral("submenu")).toArray();
    }
    return tag;
}

/// The tag of the top-level entry with that key in a menu the host printed with --json, or -1.
inline int tagOfKeyInMenu(const QByteArray& json, const QString& key)
{
    const QJsonArray items = QJsonDocument::fromJson(json).object().value(QStringLiteral("items")).toArray();
    for (const QJsonValue& item : items) {
        if (item.toObject().value(QStringLiteral("key")).toString() == key) {
            return item.toObject().value(QStringLiteral("tag")).toInt();
        }
    }
    return -1;
}

/// The tag of the child with that key under the top-level entry with that key, in a menu the host
/// printed with --json, or -1.
inline int childTagOfKeyInMenu(const QByteArray& json, const QString& topKey, const QString& childKey)
{
    for (const QJsonValue& top : QJsonDocument::fromJson(json).object().value(QStringLiteral("items")).toArray()) {
        if (top.toObject().value(QStringLiteral("key")).toString() != topKey) {
            continue;
        }
        for (const QJsonValue& child : top.toObject().value(QStringLiteral("submenu")).toArray()) {
            if (child.toObject().value(QStringLiteral("key")).toString() == childKey) {
                return child.toObject().value(QStringLiteral("tag")).toInt();
            }
        }
    }
    return -1;
}

/// The menu the host prints with --json for these arguments.
inline QByteArray menuJson(const QStringList& args, const QStringList& extraEnv = {}, const QStringList& unsetEnv = {})
{
    return runHost(QStringList { QStringLiteral("menu"), QStringLiteral("--json") } + args, extraEnv, unsetEnv).out;
}

/// The tag of the entry reached by its titles, one a menu level, in the menu the host prints for
/// these arguments, or -1.
inline int tagInHostMenu(const QStringList& args, const QStringList& titles, const QStringList& extraEnv = {},
                         const QStringList& unsetEnv = {})
{
    return tagInMenu(menuJson(args, extraEnv, unsetEnv), titles);
}

/// The entry with that tag chosen in the menu the host builds for these arguments ("pick").
inline HostRun pickInHost(int tag, const QStringList& args, const QStringList& extraEnv = {},
                          const QStringList& unsetEnv = {})
{
    return runHost(QStringList { QStringLiteral("pick"), QString::number(tag) } + args, extraEnv, unsetEnv);
}

} // namespace tarsel::test
