#pragma once

#include <QString>

#include <functional>

namespace platform {

/// Copying and moving items without ever replacing anything.
///
/// A move is a rename that refuses a taken destination (renameat2 with RENAME_NOREPLACE).
/// Across file systems it copies, and removes the source only after the copy is complete.
/// A copy is built under a temporary name beside the destination and renamed into place at
/// the end, so the destination appears whole or not at all; a failed copy leaves nothing
/// behind. Symbolic links are copied as links; permissions, times and user extended
/// attributes are kept; entries are copied in name order.
class FileOps final
{
public:
    FileOps() = delete;

    /// Called after each item has been copied (its source path); answering false stops the copy,
    /// which then fails and is cleaned up like any other failed copy.
    using Progress = std::function<bool(const QString& copiedSource)>;

    /// Renames from → to; false (EEXIST) when something is at `to`. No copying.
    static bool renameNoReplace(const QString& from, const QString& to, QString* error = nullptr);
    static bool copyItem(const QString& from, const QString& to, QString* error = nullptr,
                         const Progress& progress = {});
    static bool moveItem(const QString& from, const QString& to, QString* error = nullptr,
                         const Progress& progress = {});
    /// True when the path is the item itself or lies inside it, compared as canonical paths
    /// (links resolved). Replacing such an item would destroy the path: callers refuse it.
    static bool containsPath(const QString& item, const QString& path);
    /// Removes the item (a folder with its contents; a link, not its target).
    static bool removeItem(const QString& path, QString* error = nullptr);
};

} // namespace platform
