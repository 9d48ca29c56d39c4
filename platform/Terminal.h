#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace platform {

/// Opening a terminal window (or tab) at a folder, always from an argument vector.
///
/// The terminal is the first that is found of: $TERMINAL (a program name, optionally with
/// options of its own, split without a shell), "x-terminal-emulator", then the known terminals
/// in a fixed order. Known terminals get their own working-directory option; every terminal is
/// also started with the folder as its working directory, so one without such an option opens
/// there too.
class Terminal final
{
public:
    Terminal() = delete;

    /// Starts a program detached; true when it started. Tests install a recorder.
    using Launcher
        = std::function<bool(const QString& program, const QStringList& args, const QString& workingDirectory)>;
    static void setLauncher(Launcher launcher);

    /// The known terminal programs, in the order they are tried.
    static QStringList knownTerminals();
    /// The arguments that open the program (by its file name) at the folder; a tab where the
    /// terminal has one, else a window.
    static QStringList argumentsForFolder(const QString& program, const QString& folder, bool newTab = false);
    /// The terminal program to use, with any options $TERMINAL gives; empty when none exists.
    static QStringList chooseTerminal();
    /// Opens the terminal at the folder (a file's own folder when a file is given).
    static bool openAt(const QString& path, bool newTab = false, QString* error = nullptr);
    /// Opens that terminal program (a name on PATH or a path, with options of its own) at the
    /// folder, with its own working-directory option when it is a known terminal.
    static bool openWith(const QStringList& command, const QString& path, bool newTab = false,
                         QString* error = nullptr);

    /// The program of this desktop that a terminal application's name stands for: "Kitty" is
    /// "kitty", "WezTerm" "wezterm", "Warp" "warp-terminal", "GNOME Terminal" "gnome-terminal"
    /// (any known terminal by its name). Empty for a name with no program of its own here
    /// ("iTerm2", "Terminal"): the user's own terminal stands in for those.
    static QString programForName(const QString& appName);
    /// The error text of openAt() and openWith() when no terminal program was found.
    static QString noTerminalError();
};

} // namespace platform
