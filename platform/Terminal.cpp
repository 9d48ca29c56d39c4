#include "platform/Terminal.h"

#include "platform/Hook.h"
#include "platform/Posix.h"
#include "platform/Workspace.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <utility>

namespace platform {

namespace {

platform::Hook<Terminal::Launcher>& launcherHook()
{
    static platform::Hook<Terminal::Launcher> hook;
    return hook;
}

struct KnownTerminal
{
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
      [](const QString& f) { return QStringList { QStringLiteral("--tab") } + eq("--working-directory=", f); } },
    { "konsole",
      [](const QString& f) {
          return QStringList { QStringLiteral("--workdir"), f };
      },
      [](const QString& f) {
          return QStringList { QStringLiteral("--new-tab"), QStringLiteral("--workdir"), f };
      } },
    { "xfce4-terminal", [](const QString& f) { return eq("--working-directory=", f); },
      [](const QString& f) { return QStringList { QStringLiteral("--tab") } + eq("--working-directory=", f); } },
    { "mate-terminal", [](const QString& f) { return eq("--working-directory=", f); },
      [](const QString& f) { return QStringList { QStringLiteral("--tab") } + eq("--working-directory=", f); } },
    { "tilix", [](const QString& f) { return eq("--working-directory=", f); }, nullptr },
    { "terminator", [](const QString& f) { return eq("--working-directory=", f); },
      [](const QString& f) { return QStringList { QStringLiteral("--new-tab") } + eq("--working-directory=", f); } },
    { "wezterm",
      [](const QString& f) {
          return QStringList { QStringLiteral("start"), QStringLiteral("--cwd"), f };
      },
      nullptr },
    { "kitty",
      [](const QString& f) {
          return QStringList { QStringLiteral("--directory"), f };
      },
      nullptr },
    { "alacritty",
      [](const QString& f) {
          return QStringList { QStringLiteral("--working-directory"), f };
      },
      nullptr },
    { "foot", [](const QString& f) { return eq("--working-directory=", f); }, nullptr },
    { "lxterminal", [](const QString& f) { return eq("--working-directory=", f); }, nullptr },
    { "qterminal",
      [](const QString& f) {
          return QStringList { QStringLiteral("-w"), f };
      },
      nullptr },
    { "warp-terminal", [](const QString&) { return QStringList {}; }, nullptr },
    { "urxvt",
      [](const QString& f) {
          return QStringList { QStringLiteral("-cd"), f };
      },
      nullptr },
    { "xterm", [](const QString&) { return QStringList {}; }, nullptr },
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
    QStringList candidates { QStringLiteral("x-terminal-emulator") };
    candidates += knownTerminals();
    for (const QString& program : candidates) {
        if (Workspace::hasProgram(program)) {
            return { program };
        }
    }
    return {};
}

QString Terminal::noTerminalError()
{
    return QStringLiteral("no terminal program was found (set $TERMINAL)");
}

QString Terminal::programForName(const QString& appName)
{
    const QString lower = appName.simplified().toLower();
    if (lower.isEmpty()) {
        return {};
    }
    // Names the macOS terminals go by, and the desktop names of terminals whose program is
    // spelled differently.
    static const std::pair<const char*, const char*> kAliases[] = {
        { "kitty", "kitty" },
        { "wezterm", "wezterm" },
        { "warp", "warp-terminal" },
        { "alacritty", "alacritty" },
        { "xfce terminal", "xfce4-terminal" },
        { "mate terminal", "mate-terminal" },
        { "gnome terminal", "gnome-terminal" },
    };
    for (const auto& [word, program] : kAliases) {
        if (lower.contains(QLatin1String(word))) {
            return QLatin1String(program);
        }
    }
    QString dashed = lower;
    dashed.replace(QLatin1Char(' '), QLatin1Char('-'));
    return known(dashed) ? dashed : QString();
}

bool Terminal::openAt(const QString& path, bool newTab, QString* error)
{
    const QStringList command = chooseTerminal();
    if (command.isEmpty()) {
        return posix::fail(error, QStringLiteral("open a terminal"), path, noTerminalError());
    }
    return openWith(command, path, newTab, error);
}

bool Terminal::openWith(const QStringList& terminal, const QString& path, bool newTab, QString* error)
{
    const auto fail
        = [&](const QString& why) { return posix::fail(error, QStringLiteral("open a terminal"), path, why); };
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        return fail(QStringLiteral("the folder does not exist"));
    }
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    QStringList command = terminal;
    if (command.isEmpty()) {
        return fail(noTerminalError());
    }
    QString program = command.takeFirst();
    if (!Workspace::hasProgram(program)) {
        return fail(QStringLiteral("the terminal %1 is not installed").arg(program));
    }
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
    const bool started = launcher ? launcher(program, args, folder) : QProcess::startDetached(program, args, folder);
    return started || fail(QStringLiteral("%1 could not be started").arg(program));
}

} // namespace platform
