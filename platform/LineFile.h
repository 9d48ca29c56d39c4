#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace platform {

/// Small text files of one entry a line that other programs read too (a folder's hidden list,
/// its settings). Such a file may sit in a folder other accounts can write (/tmp), so it is
/// treated as hostile:
/// - it is opened relative to its folder's descriptor without following a link, and refused
///   when it is a link, not a regular file (a FIFO never blocks the reader), larger than
///   kMaxSize, or, for a change, owned by an account other than the user's or root's;
/// - a change is a read-modify-write under an exclusive lock of the folder itself (flock on
///   the folder's descriptor: no lock file another account could plant, and it works in a
///   folder the user may read but not write); the wait for the lock is bounded;
/// - the new contents go to a temporary file in the same folder that is renamed over the old
///   one, so a reader never sees half a file and nothing is written through a link.
/// Failures are messages of the form `Failed to X. File: "..." Error: "..."`.
class LineFile final
{
public:
    LineFile() = delete;

    /// Larger files are refused: a hidden list or folder settings file is a few lines.
    static constexpr qint64 kMaxSize = 1024 * 1024;
    /// How long a change waits for another process's lock of the folder.
    static constexpr int kLockWaitMs = 5000;

    /// What an edit of the lines asks for.
    enum class Edit { Keep, Write, Remove };
    /// Edits the lines in place; `exists` tells whether the file was there.
    using Editor = std::function<Edit(QStringList& lines, bool exists)>;

    /// The lines, without the newline that ends the last one. Empty when the file is missing;
    /// empty with *error set when it is there but refused or unreadable.
    static QStringList read(const QString& path, QString* error = nullptr);
    /// One locked read-modify-write. `what` names the file in messages ("hidden list").
    /// False with the message when the file was refused or could not be changed.
    static bool update(const QString& path, const QString& what, const Editor& edit, QString* error = nullptr);
    /// Replaces the contents with the lines, each ended by a newline (a locked update).
    static bool write(const QString& path, const QStringList& lines, QString* error = nullptr);
};

} // namespace platform
