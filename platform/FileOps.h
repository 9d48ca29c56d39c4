#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace platform {

/// Copying and moving items without ever losing anything.
///
/// A move is a rename that refuses a taken destination (renameat2 with RENAME_NOREPLACE).
/// Across file systems it copies, and then removes from the source only what it copied: an
/// entry that appeared or changed in the source meanwhile stays there, with the folders that
/// hold it. A copy is built under a scratch name beside the destination and put into place at
/// the end, so the destination appears whole or not at all; a failed copy leaves nothing
/// behind. Replacing an item swaps the complete new one with the old one in one step
/// (RENAME_EXCHANGE) and only then removes the old one. Symbolic links are copied as links;
/// permissions, times and user extended attributes are kept; entries are copied in name order.
///
/// Free names: a writer that wants a free variant of a name ("report.txt", "report-1.txt",
/// "report-2.txt", ...) claims it atomically with claimFreeVariant and one of the exclusive
/// steps below (O_EXCL create, mkdir, symlink, no-replace rename), so that two writers never
/// end on one name and neither replaces what the other wrote.
class FileOps final
{
public:
    FileOps() = delete;

    /// Called after each item has been copied (its source path); answering false stops the copy,
    /// which then fails and is cleaned up like any other failed copy.
    using Progress = std::function<bool(const QString& copiedSource)>;

    /// How an item is put at its destination.
    enum class Placement {
        NoReplace, ///< fail when something is there
        FreeVariant, ///< take the first free variant of the destination (the name asked for first)
        Replace, ///< swap with what is there, then remove the old item
    };

    /// What a copy or move did.
    struct Outcome
    {
        QString placed; ///< where the item now is (the variant taken), empty when it failed
        QString error; ///< why it failed
        /// Set on a move that succeeded but left something at the source: entries that appeared
        /// or changed during the copy across file systems stay there. Names the folder.
        QString notice;
    };

    /// Renames from → to; false (EEXIST) when something is at `to`. No copying.
    static bool renameNoReplace(const QString& from, const QString& to, QString* error = nullptr);
    /// Renames the entry `name` of the folder `folder` to `newName` in that folder, all given as
    /// the bytes the file system names them by, so that a name that is no valid text in any
    /// encoding is renamed exactly. The folder is opened once and both names are taken relative
    /// to it; false (EEXIST) when something is at `newName`. Neither name may hold "/" or be
    /// "." or "..".
    static bool renameEntryNoReplace(const QByteArray& folder, const QByteArray& name, const QByteArray& newName,
                                     QString* error = nullptr);
    static bool copyItem(const QString& from, const QString& to, QString* error = nullptr,
                         const Progress& progress = {});
    /// A move with NoReplace; on success *error receives the outcome's notice, if any.
    static bool moveItem(const QString& from, const QString& to, QString* error = nullptr,
                         const Progress& progress = {});
    /// Copies or moves from → to as the placement says. A failure of any kind leaves the source,
    /// and whatever stood at the destination, exactly as they were.
    static bool transferItem(const QString& from, const QString& to, bool move, Placement placement, Outcome* outcome,
                             const Progress& progress = {});
    /// Puts `replacement` (a complete item in the same folder as `target`) at `target`: the two
    /// are exchanged in one step and the old item, now under the replacement's name, is then
    /// removed. With nothing at `target`, a no-replace rename. On failure both stay as they were.
    static bool replaceItem(const QString& replacement, const QString& target, QString* error = nullptr);
    /// True when the path is the item itself or lies inside it, compared as canonical paths
    /// (links resolved). Replacing such an item would destroy the path: callers refuse it.
    static bool containsPath(const QString& item, const QString& path);
    /// Removes the item (a folder with its contents; a link, not its target).
    static bool removeItem(const QString& path, QString* error = nullptr);

    // ----- free names ----------------------------------------------------------------------

    /// The n-th variant of a path: n = 0 is the path itself, else "base-n.ext" with the number
    /// in front of the last extension of the last component ("a.tar.gz" gives "a.tar-1.gz";
    /// "folder" gives "folder-1"; a leading or trailing dot starts no extension).
    static QString variantPath(const QString& path, qint64 n);
    /// One exclusive step that makes an item at the candidate: 0 when it did, EEXIST when the
    /// name was taken (the next variant is tried), another errno value on any other failure.
    using Claim = std::function<int(const QString& candidate)>;
    /// Claims the first free variant of the path with the step. The path claimed, or null (with
    /// *error) when the step failed other than on a taken name.
    static QString claimFreeVariant(const QString& path, const Claim& claim, QString* error = nullptr);
    /// Renames a complete item (same file system) to the first free variant of the path.
    static QString renameToFreeVariant(const QString& from, const QString& path, QString* error = nullptr);
    /// Creates an empty folder at the first free variant of the path.
    static QString makeFreeFolder(const QString& path, QString* error = nullptr);
    /// Writes a file at the first free variant of the path: `write` fills a scratch file beside
    /// it (hidden, same extension; it may replace that file), which is then renamed to the
    /// variant. The scratch is removed when anything fails. The path written, or null.
    using Writer = std::function<bool(const QString& scratch, QString* error)>;
    static QString writeFreeVariant(const QString& path, const Writer& write, QString* error = nullptr);
    /// Answers, as lstat does, whether anything (a link included, never followed) is at each
    /// path it is asked about. A run of paths in one folder looks each name up in that folder,
    /// opened once, instead of walking the whole path every time: meant for the thousands of
    /// destinations of one command, asked about one after another.
    class EntryProbe final
    {
    public:
        EntryProbe() = default;
        ~EntryProbe();
        EntryProbe(const EntryProbe&) = delete;
        EntryProbe& operator=(const EntryProbe&) = delete;
        bool exists(const QString& path);

    private:
        QByteArray m_folder;
        int m_fd = -1;
    };

    /// A hidden name in the folder of `path` where nothing is yet ("." + prefix + random + the
    /// path's extension). Only a name: the caller creates the item there exclusively.
    static QString scratchPathBeside(const QString& path, const QString& prefix);
    /// The same kind of name without looking whether anything is there: for a caller whose
    /// exclusive create tells it, and which then tries another name.
    static QString scratchNameBeside(const QString& path, const QString& prefix);
};

} // namespace platform
