#pragma once

#include <QString>

#include <functional>

/// What a user script left for the user to see: the script result window's title, its text
/// (the output, or what failed), whether the script succeeded, the command the window offers to
/// run in a terminal, and the folder to run it in (empty for none).
///
/// The window lives above the engine, so the process that shows windows installs it at start-up
/// (setWindow); the engine only calls show().
struct QVScriptResult
{
    QString title;
    QString text;
    bool success = false;
    QString cmd;
    QString folder;

    using Window = std::function<void(const QVScriptResult& result)>;
    /// Installs the window that shows results (an empty function removes it). Main thread only.
    static void setWindow(Window window);
    /// Shows the result in the installed window. Where nobody can see a window (no window
    /// installed, or no display: ModalPolicy) the result is written to standard error instead,
    /// so a script's output and failures are never lost and nothing waits for a window.
    static void show(const QVScriptResult& result);
};
