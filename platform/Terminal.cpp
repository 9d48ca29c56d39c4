#include "platform/Terminal.h"

#include "platform/Hook.h"
#include "platform/Posix.h"
#include "platform/Workspace.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace platform {

namespace {

platform::Hook<Terminal::Launcher>& launcherHook()
{
    static platform::Hook<Terminal::Launcher> hook;
    return hook;
}

struct KnownTerminal {
    const char* program;
    QStringList (*window)(const QString& folder);
    QStringList (*tab)(const QString& folder); ///< null when the terminal has no tab option
};

QStringList eq(const char* option, const QString& folder)
{
    return { QLatin1String(option) + folder };
}

const KnownTerminal kKnown[] = {
    { "gnome-terminal", [](const QString& f) { return eq("--working-directory=", f); },
      [](const QString& f) { return QStringList{ QStringLiteral("--tab") } + eq("--working-directory=", f); } },
    { "konsole", [](const QString& f) { return QStringList{ QStringLiteral("--workdir"), f }; },
      [](const QString& f) { return QStringList{ QStringLiteral("--new-tab"), QStringLiteral("--workdir"), f }; } },
    { "xfce4-terminal", [](const QString& f) { return eq("--working-directory=", f); },
      [](const QString& f) { return QStringList{ QStringLiteral("--tab") } + eq("--working-directory=", f); } },
    { "mate-terminal", [](const QString& f) { return eq("--working-directory=", f); },
      [](const QString& f) { return QStringList{ QStringLiteral("--tab") } + eq("--working-directory=", f); } },
    { "tilix", [](const QString& f) { return eq("--working-directory=", f); }, nullptr },
    { "terminator", [](const QString& f) { return eq("--working-directory=", f); },
      [](const QString& f) { return QStringList{ QStringLiteral("--new-tab") } + eq("--working-directory=", f); } },
    { "wezterm", [](const QString& f) { return QStringList{ QStringLiteral("start"), QStringLiteral("--cwd"), f }; },
      nullptr },
    { "kitty", [](const QString& f) { return QStringList{ QStringLiteral("--directory"), f }; }, nullptr },
    { "alacritty", [](const QString& f) { return QStringList{ QStringLiteral("--working-directory"), f }; }, nullptr },
    { "foot", [](const QString& f) { return eq("--working-directory=", f); }, nullptr },
    { "lxterminal", [](const QString& f) { return eq("--working-directory=", f); }, nullptr },
    { "qterminal", [](const QString& f) { return QStringList{ QStringLiteral("-w"), f }; }, nullptr },
    { "warp-terminal", [](const QString&) { return QStringList{}; }, nullptr },
    { "urxvt", [](const QString& f) { return QStringList{ QStringLiteral("-cd"), f }; }, nullptr },
    { "xterm", [](const QString&) { return QStringList{}; }, nullptr },
};

const KnownTerminal* known(const QString& program)
{
    const QString name = QFileInfo(program).fileName();
    for (const KnownTerminal& t : kKnown) {
        if (name == QLatin1String(t.program)) {
            return &t;
        }
    }
    return nullptr;
}

} // namespace

void Terminal::setLauncher(Launcher launcher)
{
    launcherHook().set(std::move(launcher));
}

QStringList Terminal::knownTerminals()
{
    QStringList names;
    for (const KnownTerminal& t : kKnown) {
        names.append(QLatin1String(t.program));
    }
    return names;
}

QStringList Terminal::argumentsForFolder(const QString& program, const QString& folder, bool newTab)
{
    const KnownTerminal* t = known(program);
    if (!t) {
        return {};
    }
    return (newTab && t->tab) ? t->tab(folder) : t->window(folder);
}

QStringList Terminal::chooseTerminal()
{
    const QStringList fromEnvironment = QProcess::splitCommand(QString::fromLocal8Bit(qgetenv("TERMINAL")));
    if (!fromEnvironment.isEmpty() && Workspace::hasProgram(fromEnvironment.first())) {
        return fromEnvironment;
    }
    QStringList candidates{ QStringLiteral("x-terminal-emulator") };
    candidates += knownTerminals();
    for (const QString& program : candidates) {
        if (Workspace::hasProgram(program)) {
            return { program };
        }
    }
    return {};
}

bool Terminal::openAt(const QString& path, bool newTab, QString* error)
{
    const auto fail = [&](const QString& why) {
        return posix::fail(error, QStringLiteral("open a terminal"), path, why);
    };
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        return fail(QStringLiteral("the folder does not exist"));
    }
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    QStringList command = chooseTerminal();
    if (command.isEmpty()) {
        return fail(QStringLiteral("no terminal program was found (set $TERMINAL)"));
    }
    QString program = command.takeFirst();
    // x-terminal-emulator is a link to the real terminal; its options are that terminal's. A
    // wrapper script is not known by name and gets the working directory alone.
    QString flavour = program;
    if (!known(program)) {
        const QString resolved = QFileInfo(QStandardPaths::findExecutable(program)).canonicalFilePath();
        if (!resolved.isEmpty()) {
            flavour = resolved;
        }
    }
    const QStringList args = command + argumentsForFolder(flavour, folder, newTab);
    const Launcher launcher = launcherHook().get();
    const bool started = launcher ? launcher(program, args, folder)
                                  : QProcess::startDetached(program, args, folder);
    return started || fail(QStringLiteral("%1 could not be started").arg(program));
}

} // namespace platform
