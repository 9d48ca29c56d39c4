#include "platform/FileOps.h"

#include "platform/Posix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcFileOps, "tarsel.platform.fileops", QtWarningMsg)

// Carries the first failure out of the recursive copy.
struct Failure
{
    QString file;
    QString why;
};

using posix::errnoText;
using posix::fail;
using posix::parentOf;

QByteArray enc(const QString& path)
{
    return QFile::encodeName(path);
}

bool exists(const QByteArray& path)
{
    struct stat st
    {
    };
    return ::lstat(path.constData(), &st) == 0;
}

// Whether the path, links followed, names something.
bool leadsSomewhere(const QByteArray& path)
{
    struct stat st
    {
    };
    return ::stat(path.constData(), &st) == 0;
}

// The user's extended attributes (the lock mark among them) travel with the copy; others
// (security, trusted) belong to the file system and are left alone.
void copyUserAttributes(const QByteArray& from, const QByteArray& to)
{
    const ssize_t size = ::llistxattr(from.constData(), nullptr, 0);
    if (size <= 0) {
        return;
    }
    std::vector<char> names(static_cast<size_t>(size));
    const ssize_t got = ::llistxattr(from.constData(), names.data(), names.size());
    for (ssize_t i = 0; i < got;) {
        const char* name = names.data() + i;
        i += static_cast<ssize_t>(std::strlen(name)) + 1;
        if (std::strncmp(name, "user.", 5) != 0) {
            continue;
        }
        const ssize_t n = ::lgetxattr(from.constData(), name, nullptr, 0);
        if (n < 0) {
            continue;
        }
        std::vector<char> value(static_cast<size_t>(n) + 1);
        const ssize_t m = ::lgetxattr(from.constData(), name, value.data(), value.size());
        if (m >= 0) {
            ::lsetxattr(to.constData(), name, value.data(), static_cast<size_t>(m), 0);
        }
    }
}

// The same for a file, through descriptors open on both: no path is looked up again.
void copyUserAttributes(int from, int to)
{
    const ssize_t size = ::flistxattr(from, nullptr, 0);
    if (size <= 0) {
        return;
    }
    std::vector<char> names(static_cast<size_t>(size));
    const ssize_t got = ::flistxattr(from, names.data(), names.size());
    for (ssize_t i = 0; i < got;) {
        const char* name = names.data() + i;
        i += static_cast<ssize_t>(std::strlen(name)) + 1;
        if (std::strncmp(name, "user.", 5) != 0) {
            continue;
        }
        const ssize_t n = ::fgetxattr(from, name, nullptr, 0);
        if (n < 0) {
            continue;
        }
        std::vector<char> value(static_cast<size_t>(n) + 1);
        const ssize_t m = ::fgetxattr(from, name, value.data(), value.size());
        if (m >= 0) {
            ::fsetxattr(to, name, value.data(), static_cast<size_t>(m), 0);
        }
    }
}

// The most the kernel is asked to copy in one call.
constexpr size_t kKernelCopyChunk = size_t(1) << 30;

// Reads what is left of `in` and writes it to `out`.
bool copyRest(int in, int out, const QByteArray& from, const QByteArray& to, Failure* failure)
{
    char buffer[1 << 16];
    for (;;) {
        const qint64 n = posix::readFull(in, buffer, sizeof buffer);
        const int code = n < 0 ? errno : posix::writeAll(out, QByteArrayView(buffer, n));
        if (code != 0) {
            *failure = { QFile::decodeName(n < 0 ? from : to), errnoText(code) };
            return false;
        }
        if (n < qint64(sizeof buffer)) {
            return true;
        }
    }
}

// Copies up to the file's size with copy_file_range. True also where the kernel cannot copy
// between these files, having copied nothing: the caller then reads and writes the data. A file
// whose size says nothing of its contents (some system files say 0) is left to the caller too.
bool kernelCopy(int in, int out, const QByteArray& from, const QByteArray& to, const struct stat& st, Failure* failure)
{
    bool copiedAny = false;
    off_t copied = 0;
    // Up to the size the file had: what it grew by since is read by the caller, which also ends
    // the copy of a file that did not grow with one call less than asking the kernel again.
    while (copied < st.st_size) {
        const ssize_t n = posix::retryOnInterrupt(
            [&] { return ::copy_file_range(in, nullptr, out, nullptr, kKernelCopyChunk, 0); });
        if (n > 0) {
            copiedAny = true;
            copied += n;
            continue;
        }
        if (n == 0) {
            break;
        }
        if (!copiedAny
            && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL || errno == EPERM)) {
            break;
        }
        const bool full = errno == ENOSPC || errno == EDQUOT || errno == EFBIG;
        *failure = { QFile::decodeName(full ? to : from), errnoText(errno) };
        return false;
    }
    return true;
}

// Copies the file's data, mode, times and user attributes into a new file at `to`. When
// something is at `to` already, fails with *taken set (when given): the caller tries another
// name.
bool copyFileData(const QByteArray& from, const QByteArray& to, const struct stat& st, Failure* failure,
                  bool* taken = nullptr)
{
    const int in = ::open(from.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) {
        *failure = { QFile::decodeName(from), errnoText(errno) };
        return false;
    }
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) {
        if (taken) {
            *taken = errno == EEXIST;
        }
        *failure = { QFile::decodeName(to), errnoText(errno) };
        ::close(in);
        return false;
    }
    // The kernel copies the data itself (sharing the blocks where the file system can); where
    // it cannot here, before anything was copied, the data is read and written instead.
    bool ok = kernelCopy(in, out, from, to, st, failure);
    // What is left after the kernel's copy: what the file grew by meanwhile, or all of it where
    // the kernel could not be used.
    ok = ok && copyRest(in, out, from, to, failure);
    if (ok) {
        const struct timespec times[2] = { st.st_atim, st.st_mtim };
        ::futimens(out, times);
        ::fchmod(out, st.st_mode & 07777);
        copyUserAttributes(in, out);
    }
    ::close(in);
    if (::close(out) != 0 && ok) {
        *failure = { QFile::decodeName(to), errnoText(errno) };
        ok = false;
    }
    return ok;
}

// One entry a copy took from its source, as it was when it was read: a move across file systems
// removes it from the source only while it is still that same entry.
struct Copied
{
    QByteArray path;
    struct stat st;
};

bool copyTree(const QByteArray& from, const QByteArray& to, const FileOps::Progress& progress, Failure* failure,
              std::vector<Copied>* copied, const struct stat* known, bool* taken);

// A link is copied as a link to the same target, never followed.
bool copyLink(const QByteArray& from, const QByteArray& to, const struct stat& st, Failure* failure)
{
    std::vector<char> target(static_cast<size_t>(std::max<off_t>(st.st_size, 255)) + 1);
    const ssize_t n = ::readlink(from.constData(), target.data(), target.size() - 1);
    if (n < 0) {
        *failure = { QFile::decodeName(from), errnoText(errno) };
        return false;
    }
    target[static_cast<size_t>(n)] = '\0';
    if (::symlink(target.data(), to.constData()) != 0) {
        *failure = { QFile::decodeName(to), errnoText(errno) };
        return false;
    }
    return true;
}

// A folder is made private first, filled in name order, and given its own mode and times last.
bool copyFolder(const QByteArray& from, const QByteArray& to, const struct stat& st, const FileOps::Progress& progress,
                Failure* failure, std::vector<Copied>* copied)
{
    if (::mkdir(to.constData(), 0700) != 0) {
        *failure = { QFile::decodeName(to), errnoText(errno) };
        return false;
    }
    DIR* dir = ::opendir(from.constData());
    if (!dir) {
        *failure = { QFile::decodeName(from), errnoText(errno) };
        return false;
    }
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const QByteArray& name : names) {
        if (!copyTree(from + '/' + name, to + '/' + name, progress, failure, copied, nullptr, nullptr)) {
            return false;
        }
    }
    ::chmod(to.constData(), st.st_mode & 07777);
    const struct timespec times[2] = { st.st_atim, st.st_mtim };
    ::utimensat(AT_FDCWD, to.constData(), times, 0);
    copyUserAttributes(from, to);
    return true;
}

// `known`, when given, is the lstat of `from` the caller has just made. `taken` is set when the
// copy of a file failed because something was at `to` already.
bool copyTree(const QByteArray& from, const QByteArray& to, const FileOps::Progress& progress, Failure* failure,
              std::vector<Copied>* copied, const struct stat* known, bool* taken)
{
    struct stat st
    {
    };
    if (known) {
        st = *known; // the caller has just looked
    } else if (::lstat(from.constData(), &st) != 0) {
        *failure = { QFile::decodeName(from), errnoText(errno) };
        return false;
    }
    bool ok = false;
    if (S_ISLNK(st.st_mode)) {
        ok = copyLink(from, to, st, failure);
    } else if (S_ISREG(st.st_mode)) {
        ok = copyFileData(from, to, st, failure, taken);
    } else if (S_ISDIR(st.st_mode)) {
        ok = copyFolder(from, to, st, progress, failure, copied);
    } else {
        *failure
            = { QFile::decodeName(from), QStringLiteral("a special file (device, pipe or socket) cannot be copied") };
    }
    if (!ok) {
        return false;
    }
    // Children come before their folder: removing in this order empties each folder first.
    if (copied) {
        copied->push_back({ from, st });
    }
    if (progress && !progress(QFile::decodeName(from))) {
        *failure = { QFile::decodeName(from), QStringLiteral("the copy was stopped") };
        return false;
    }
    return true;
}

bool sameEntry(const struct stat& a, const struct stat& b)
{
    if ((a.st_mode & S_IFMT) != (b.st_mode & S_IFMT) || a.st_ino != b.st_ino || a.st_dev != b.st_dev) {
        return false;
    }
    if (S_ISDIR(a.st_mode)) {
        return true; // a folder's own times change with what is added to it; its contents decide
    }
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Removes from the source what the copy took, and only that. What appeared or changed meanwhile
// stays, with the folders that hold it. Answers the notice for the user, empty when the source
// is gone entirely.
QString removeCopied(const std::vector<Copied>& copied, const QString& source, const QString& placed)
{
    int kept = 0;
    QString removeError;
    for (const Copied& entry : copied) {
        struct stat now
        {
        };
        if (::lstat(entry.path.constData(), &now) != 0) {
            continue; // removed meanwhile by someone else
        }
        if (!sameEntry(now, entry.st)) {
            ++kept;
            continue;
        }
        const int rc = S_ISDIR(now.st_mode) ? ::rmdir(entry.path.constData()) : ::unlink(entry.path.constData());
        if (rc == 0) {
            continue;
        }
        if (errno == ENOTEMPTY || errno == EEXIST) {
            ++kept; // it holds an entry that appeared meanwhile, or one that stays
            continue;
        }
        if (removeError.isEmpty()) {
            removeError = QStringLiteral("\"%1\": %2").arg(QFile::decodeName(entry.path), errnoText(errno));
        }
    }
    if (!removeError.isEmpty()) {
        return QStringLiteral("Moved to \"%1\", but \"%2\" could not be removed completely: %3.")
            .arg(placed, source, removeError);
    }
    if (kept == 0) {
        return QString();
    }
    if (copied.size() == 1) {
        return QStringLiteral("Copied to \"%1\", but \"%2\" was kept: it changed while it was being moved.")
            .arg(placed, source);
    }
    return QStringLiteral("Moved to \"%1\", but the folder \"%2\" was kept: items in it appeared or changed "
                          "during the move, and they were not moved.")
        .arg(placed, source);
}

// The result of trying a move as a rename on one file system.
enum class RenameMove { Done, OtherFileSystem, Failed };

RenameMove moveByRename(const QString& from, const QString& to, FileOps::Placement placement, FileOps::Outcome* out)
{
    int code = 0;
    switch (placement) {
    case FileOps::Placement::NoReplace:
        code = posix::renameNoReplace(from, to);
        out->placed = code == 0 ? to : QString();
        break;
    case FileOps::Placement::FreeVariant:
        out->placed = FileOps::claimFreeVariant(
            to, [&](const QString& candidate) { return code = posix::renameNoReplace(from, candidate); }, &out->error);
        break;
    case FileOps::Placement::Replace: {
        // Into a scratch name beside the target first, so that the exchange below is the one
        // step that changes what the target holds.
        const QString scratch = FileOps::scratchPathBeside(to, QStringLiteral("tarsel-move-"));
        code = posix::renameNoReplace(from, scratch);
        if (code != 0) {
            break;
        }
        if (!FileOps::replaceItem(scratch, to, &out->error)) {
            posix::renameNoReplace(scratch, from);
            return RenameMove::Failed;
        }
        out->placed = to;
        break;
    }
    }
    if (code == EXDEV) {
        out->error.clear();
        return RenameMove::OtherFileSystem;
    }
    if (code != 0 || out->placed.isEmpty()) {
        if (out->error.isEmpty()) {
            fail(&out->error, QStringLiteral("move the item"), from, errnoText(code));
        }
        return RenameMove::Failed;
    }
    return RenameMove::Done;
}

bool placeScratch(const QString& scratch, const QString& to, FileOps::Placement placement, FileOps::Outcome* out,
                  const QString& action)
{
    switch (placement) {
    case FileOps::Placement::NoReplace:
        if (const int code = posix::renameNoReplace(scratch, to)) {
            return fail(&out->error, action, to, errnoText(code));
        }
        out->placed = to;
        return true;
    case FileOps::Placement::FreeVariant:
        out->placed = FileOps::renameToFreeVariant(scratch, to, &out->error);
        return !out->placed.isEmpty();
    case FileOps::Placement::Replace:
        if (!FileOps::replaceItem(scratch, to, &out->error)) {
            return false;
        }
        out->placed = to;
        return true;
    }
    return false;
}

} // namespace

bool FileOps::renameNoReplace(const QString& from, const QString& to, QString* error)
{
    const int code = posix::renameNoReplace(from, to);
    return code == 0 || fail(error, QStringLiteral("move the item"), from, errnoText(code));
}

bool FileOps::renameEntryNoReplace(const QByteArray& folder, const QByteArray& name, const QByteArray& newName,
                                   QString* error)
{
    const QString shown = QFile::decodeName(folder.endsWith('/') ? folder + name : folder + '/' + name);
    const QString action = QStringLiteral("rename the item");
    const auto isEntryName = [](const QByteArray& n) {
        return !n.isEmpty() && n != "." && n != ".." && !n.contains('/') && !n.contains('\0');
    };
    if (!isEntryName(name) || !isEntryName(newName)) {
        return fail(error, action, shown, errnoText(EINVAL));
    }
    const posix::Fd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.ok()) {
        return fail(error, action, shown, errnoText(errno));
    }
    if (::renameat2(dir.get(), name.constData(), dir.get(), newName.constData(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    int code = errno;
    struct stat st
    {
    };
    if (code == EINVAL && ::fstatat(dir.get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        // A file system without the no-replace flag: test, then rename (a narrow window only).
        if (::fstatat(dir.get(), newName.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            code = EEXIST;
        } else if (::renameat(dir.get(), name.constData(), dir.get(), newName.constData()) == 0) {
            return true;
        } else {
            code = errno;
        }
    }
    return fail(error, action, shown, errnoText(code));
}

bool FileOps::copyItem(const QString& from, const QString& to, QString* error, const Progress& progress)
{
    Outcome outcome;
    const bool ok = transferItem(from, to, false, Placement::NoReplace, &outcome, progress);
    if (!ok && error) {
        *error = outcome.error;
    }
    return ok;
}

bool FileOps::moveItem(const QString& from, const QString& to, QString* error, const Progress& progress)
{
    Outcome outcome;
    const bool ok = transferItem(from, to, true, Placement::NoReplace, &outcome, progress);
    if (error && (!ok || !outcome.notice.isEmpty())) {
        *error = ok ? outcome.notice : outcome.error;
    }
    return ok;
}

namespace {

// Refuses, before anything is copied, a transfer that cannot succeed: false with the message.
// A copy of a file needs no look first: its no-replace placement at the end refuses a taken
// destination with the same answer, and a missing folder fails the scratch file's creation. A
// folder is looked at first, not to copy a whole tree for nothing; a move, whose rename names the
// source when it fails.
bool transferAllowed(const QString& from, const QString& to, const struct stat& srcStat, bool plainFileCopy,
                     FileOps::Placement placement, const QString& action, QString* error)
{
    if (to.isEmpty() || (placement == FileOps::Placement::NoReplace && !plainFileCopy && exists(enc(to)))) {
        return fail(error, action, to, errnoText(to.isEmpty() ? ENOENT : EEXIST));
    }
    // The destination's folder must lead somewhere: one stat, following links as resolving the
    // path would, and failing where that would.
    const QString toFolder = parentOf(to);
    if (!plainFileCopy && !leadsSomewhere(enc(toFolder))) {
        return fail(error, action, to, errnoText(ENOENT));
    }
    // Only a folder, or a link that may lead to one, can hold the destination's folder: a file
    // is spared resolving both paths, which a selection of thousands would pay for each item.
    if ((S_ISDIR(srcStat.st_mode) || S_ISLNK(srcStat.st_mode)) && FileOps::containsPath(from, toFolder)) {
        return fail(error, action, from, QStringLiteral("a folder cannot be put into itself"));
    }
    if (placement == FileOps::Placement::Replace
        && (FileOps::containsPath(to, from) || FileOps::containsPath(from, to))) {
        return fail(error, action, to, QStringLiteral("the item cannot replace itself or the folder that holds it"));
    }
    return true;
}

// Copies a file to a scratch file named by `nextName`. The scratch is created exclusively, so a
// name already taken is simply passed over for another one; nothing is looked up first. What
// another failure left is removed.
bool copyFileToScratch(const QByteArray& src, const struct stat& srcStat, const std::function<QString()>& nextName,
                       const FileOps::Progress& progress, std::vector<Copied>* copied, QString* scratch,
                       Failure* failure)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *scratch = nextName();
        bool taken = false;
        *failure = {};
        if (copyTree(src, enc(*scratch), progress, failure, copied, &srcStat, &taken)) {
            return true;
        }
        if (!taken) {
            if (exists(enc(*scratch))) {
                FileOps::removeItem(*scratch);
            }
            return false;
        }
    }
    return false;
}

} // namespace

bool FileOps::transferItem(const QString& from, const QString& to, bool move, Placement placement, Outcome* outcome,
                           const Progress& progress)
{
    Outcome local;
    Outcome& out = outcome ? *outcome : local;
    out = {};
    const QString action = move ? QStringLiteral("move the item") : QStringLiteral("copy the item");
    const QByteArray src = enc(from);
    struct stat srcStat
    {
    };
    if (from.isEmpty() || ::lstat(src.constData(), &srcStat) != 0) {
        return fail(&out.error, action, from, errnoText(ENOENT));
    }
    const bool plainFileCopy = !move && S_ISREG(srcStat.st_mode);
    if (!transferAllowed(from, to, srcStat, plainFileCopy, placement, action, &out.error)) {
        return false;
    }
    if (move) {
        const RenameMove renamed = moveByRename(from, to, placement, &out);
        if (renamed != RenameMove::OtherFileSystem) {
            return renamed == RenameMove::Done;
        }
    }
    // Another file system, or a copy: the whole item is built under a scratch name beside the
    // destination, and put into place only once complete.
    const QString scratchPrefix = QStringLiteral("tarsel-copy-");
    Failure failure;
    std::vector<Copied> copied;
    QString scratch;
    if (S_ISREG(srcStat.st_mode)) {
        const auto nextName = [&] { return scratchNameBeside(to, scratchPrefix); };
        if (!copyFileToScratch(src, srcStat, nextName, progress, move ? &copied : nullptr, &scratch, &failure)) {
            // A plain copy looked at nothing first: a destination folder that is gone is told as such.
            const bool folderGone = plainFileCopy && !leadsSomewhere(enc(parentOf(to)));
            return folderGone ? fail(&out.error, action, to, errnoText(ENOENT))
                              : fail(&out.error, action, failure.file, failure.why);
        }
    } else {
        scratch = scratchPathBeside(to, scratchPrefix);
        if (!copyTree(src, enc(scratch), progress, &failure, move ? &copied : nullptr, &srcStat, nullptr)) {
            if (exists(enc(scratch))) {
                removeItem(scratch);
            }
            return fail(&out.error, action, failure.file, failure.why);
        }
    }
    if (!placeScratch(scratch, to, placement, &out, action)) {
        removeItem(scratch);
        out.placed.clear();
        return false;
    }
    if (move) {
        out.notice = removeCopied(copied, from, out.placed);
    }
    return true;
}

bool FileOps::replaceItem(const QString& replacement, const QString& target, QString* error)
{
    const QString action = QStringLiteral("replace the item");
    const QByteArray rep = enc(replacement);
    const QByteArray tgt = enc(target);
    if (::renameat2(AT_FDCWD, rep.constData(), AT_FDCWD, tgt.constData(), RENAME_EXCHANGE) == 0) {
        // The old item now carries the replacement's scratch name.
        QString removeError;
        if (!removeItem(replacement, &removeError)) {
            qCWarning(lcFileOps).noquote() << removeError;
        }
        return true;
    }
    const int code = errno;
    if (code == ENOENT && exists(rep) && !exists(tgt)) {
        const int renamed = posix::renameNoReplace(replacement, target);
        return renamed == 0 || fail(error, action, target, errnoText(renamed));
    }
    if (code != EINVAL || !exists(rep) || !exists(tgt)) {
        return fail(error, action, target, errnoText(code));
    }
    // A file system that cannot exchange: the old item steps aside under a scratch name, the
    // new one takes its place, and only then is the old one removed; it goes back on failure.
    const QString aside = scratchPathBeside(target, QStringLiteral("tarsel-old-"));
    if (const int c = posix::renameNoReplace(target, aside)) {
        return fail(error, action, target, errnoText(c));
    }
    if (const int c = posix::renameNoReplace(replacement, target)) {
        posix::renameNoReplace(aside, target);
        return fail(error, action, target, errnoText(c));
    }
    QString removeError;
    if (!removeItem(aside, &removeError)) {
        qCWarning(lcFileOps).noquote() << removeError;
    }
    return true;
}

bool FileOps::containsPath(const QString& item, const QString& path)
{
    const QString outer = QFileInfo(item).canonicalFilePath();
    const QString inner = QFileInfo(path).canonicalFilePath();
    if (outer.isEmpty() || inner.isEmpty()) {
        return false;
    }
    return inner == outer || outer == QLatin1String("/") || inner.startsWith(outer + QLatin1Char('/'));
}

FileOps::EntryProbe::~EntryProbe()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool FileOps::EntryProbe::exists(const QString& path)
{
    const QByteArray bytes = enc(path);
    const qsizetype slash = bytes.lastIndexOf('/');
    // The name is the tail of the path's own bytes (ended by their terminating NUL), and the
    // folder is compared in place: nothing is copied for each of thousands of paths.
    const QByteArrayView name = QByteArrayView(bytes).sliced(slash + 1);
    // A bare name, a path that ends in a slash, "." or "..": the whole path, as lstat takes it.
    if (slash < 0 || name.isEmpty() || name == "." || name == "..") {
        return platform::exists(bytes);
    }
    const QByteArrayView folder = slash == 0 ? QByteArrayView("/") : QByteArrayView(bytes).first(slash);
    if (folder != m_folder) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_folder = folder.toByteArray();
        m_fd = ::open(m_folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    if (m_fd < 0) {
        return platform::exists(bytes); // says why not, as the whole path would
    }
    struct stat st
    {
    };
    return ::fstatat(m_fd, name.data(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool FileOps::removeItem(const QString& path, QString* error)
{
    if (path.isEmpty() || !exists(enc(path))) {
        return fail(error, QStringLiteral("remove the item"), path, errnoText(ENOENT));
    }
    std::error_code code;
    std::filesystem::remove_all(std::filesystem::path(enc(path).toStdString()), code);
    if (code) {
        return fail(error, QStringLiteral("remove the item"), path, QString::fromStdString(code.message()));
    }
    return true;
}

} // namespace platform
