#pragma once

#include <QString>

namespace platform {

/// The outcome of an operation of the platform layer that can fail. A result that says more
/// (what it changed, which way it went) extends this one.
struct Status
{
    bool ok = false;
    QString error; ///< what failed, on which file and why (posix::failureMessage); empty on success
};

/// The outcome of an operation that writes or removes files.
struct FileChange : Status
{
    bool changed = false; ///< a file was written or removed
};

} // namespace platform
