#pragma once

#include <QString>
#include <QStringList>

namespace platform {

/// The hidden and locked states of files and folders on this desktop.
///
/// Hidden: a name that begins with "." is always hidden; any other item is hidden when its
/// name is a line of the `.hidden` file in its folder, which file managers honour. Changing
/// the state rewrites that file (a `LineFile`: locked, replaced by rename, never through a link
/// or another account's file) and keeps every other line.
///
/// Locked: the immutable flag (FS_IMMUTABLE_FL) where the file system and the process's
/// privileges permit it; elsewhere the write bits are removed and the extended attribute
/// "user.tarsel.locked" marks the item (its value remembers the write bits to give back).
/// `isLocked` and `isWritable` honour both forms, so a process that ignores file modes (root)
/// still treats a marked item as unwritable.
///
/// A symbolic link is never locked: its flag would be its target's, an item the user did not
/// select, so `setLocked` refuses a link (false with a message naming it) and `isLocked` answers
/// false for one.
class FileFlags final
{
public:
    FileFlags() = delete;

    static constexpr const char* kLockAttribute = "user.tarsel.locked";
    static inline const QString kHiddenFileName = QStringLiteral(".hidden");

    static bool isHidden(const QString& path);
    /// Adds the names to (hidden) or removes them from (visible) the `.hidden` files of their
    /// folders, one rewrite per folder. A dot name cannot be made visible this way and is left
    /// as it is, and a name with a line break cannot be listed: it fails alone, the others
    /// change. False with a message when any item could not be changed.
    static bool setHidden(const QStringList& paths, bool hidden, QString* error = nullptr);

    static bool isLocked(const QString& path);
    static bool setLocked(const QString& path, bool locked, QString* error = nullptr);
    /// The access test for writing, and not locked.
    static bool isWritable(const QString& path);
};

} // namespace platform
