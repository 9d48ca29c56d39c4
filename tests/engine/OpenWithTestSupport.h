#pragma once

// Records for tests that open things: the launches the workspace would start, and records of
// entries that name an application.

#include "engine/model/QVMenuItem.h"
#include "platform/Terminal.h"
#include "platform/Workspace.h"

#include "testsupport/TestEnvironment.h"

#include <QFile>
#include <QString>
#include <QStringList>

namespace tarsel::test {

struct Launch
{
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

struct TerminalStart
{
    QString program;
    QStringList args;
    QString folder;
};

/// For its lifetime: PATH holds only stand-ins of the named programs (scripts that do nothing)
/// in the test's home, $TERMINAL is unset, and terminal starts are recorded instead of run.
class TerminalStandIns
{
public:
    explicit TerminalStandIns(const QStringList& programs = {})
        : m_bin(testHome() + QStringLiteral("/terminal-bin"))
    {
        for (const QString& name : programs) {
            install(name);
        }
        m_env.set("PATH", QFile::encodeName(m_bin)).unset("TERMINAL");
        platform::Terminal::setLauncher([this](const QString& program, const QStringList& args, const QString& folder) {
            m_starts.append({ program, args, folder });
            return true;
        });
    }
    ~TerminalStandIns() { platform::Terminal::setLauncher({}); }
    Q_DISABLE_COPY_MOVE(TerminalStandIns)

    /// Adds a stand-in; answers its path.
    QString install(const QString& name)
    {
        const QString path = writeFile(m_bin + QLatin1Char('/') + name, "#!/bin/sh\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
        return path;
    }
    const QList<TerminalStart>& starts() const { return m_starts; }
    void clear() { m_starts.clear(); }

private:
    QString m_bin;
    ScopedEnvironment m_env;
    QList<TerminalStart> m_starts;
};

} // namespace tarsel::test
