#pragma once

#include <QString>

#include <functional>

/// The progress window's part in a command: shown while jobs run, a success message at the end,
/// closed with the tool windows. The process that owns the window installs them; the engine calls
/// those that are set.
struct QVProgressHooks
{
    std::function<void()> open;
    /// The share of the work done, 0..1.
    std::function<void(double percent)> setPercent;
    std::function<void(const QString& message)> showSuccess;
    std::function<void()> clean;
    /// A fraction 0..1 and a line saying what is being done now.
    std::function<void(double percent, const QString& tip)> setProgress;
    /// What the window's Cancel button runs (an empty function: nothing).
    std::function<void(std::function<void()> cancel)> setCancelHandler;
};
