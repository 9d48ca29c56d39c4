#include "platform/FileFlags.h"

#include "platform/LineFile.h"
#include "platform/Posix.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <cerrno>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

using posix::errnoText;
using posix::fail;
using posix::parentOf;

QString nameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString cleanPath(const QString& path)
{
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) {
        p.chop(1);
    }
    return p;
}

bool immutableFlag(int fd, bool* set)
{
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        return false;
    }
    *set = (flags & FS_IMMUTABLE_FL) != 0;
    return true;
}

bool changeImmutableFlag(int fd, bool on)
{
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        return false;
    }
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    return ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
}

// Whether a descriptor opened as a path is a link (O_PATH with O_NOFOLLOW opens the link itself).
bool isLink(int fd)
{
    struct stat st
    {
    };
    return ::fstat(fd, &st) == 0 && S_ISLNK(st.st_mode);
}

// The item behind a descriptor. One opened for reading takes every call; one opened only as a
// path (an item the user may not read) is reached through its /proc name, which leads to the
// same item and never to a link, and cannot carry the immutable flag.
struct OpenItem
{
    int fd = -1;
    bool pathOnly = false;

    QByteArray procName() const { return "/proc/self/fd/" + QByteArray::number(fd); }
    bool flags(bool* set) const { return !pathOnly && immutableFlag(fd, set); }
    bool setFlag(bool on) const { return !pathOnly && changeImmutableFlag(fd, on); }
    ssize_t getMark(char* buffer, size_t size) const
    {
        return pathOnly ? ::getxattr(procName().constData(), FileFlags::kLockAttribute, buffer, size)
                        : ::fgetxattr(fd, FileFlags::kLockAttribute, buffer, size);
    }
    bool setMark(const QByteArray& value) const
    {
        const auto size = static_cast<size_t>(value.size());
        return (pathOnly ? ::setxattr(procName().constData(), FileFlags::kLockAttribute, value.constData(), size, 0)
                         : ::fsetxattr(fd, FileFlags::kLockAttribute, value.constData(), size, 0))
            == 0;
    }
    bool removeMark() const
    {
        return (pathOnly ? ::removexattr(procName().constData(), FileFlags::kLockAttribute)
                         : ::fremovexattr(fd, FileFlags::kLockAttribute))
            == 0;
    }
    bool setMode(mode_t mode) const
    {
        return (pathOnly ? ::chmod(procName().constData(), mode) : ::fchmod(fd, mode)) == 0;
    }
};

// Locks or unlocks the open item: the immutable flag where permitted, else the write bits
// removed and the item marked, remembering which write bits it had so that unlocking gives
// them back. False with errno set.
bool changeLock(const OpenItem& item, bool locked)
{
    struct stat st
    {
    };
    if (::fstat(item.fd, &st) != 0) {
        return false;
    }
    bool flagged = false;
    const bool hasFlags = item.flags(&flagged);
    if (locked) {
        if (hasFlags && (flagged || item.setFlag(true))) {
            return true;
        }
        if (item.getMark(nullptr, 0) >= 0) {
            return true;
        }
        if (!item.setMark(QByteArray::number(st.st_mode & kWriteBits, 8))) {
            return false;
        }
        if (!item.setMode(st.st_mode & 07777 & ~kWriteBits)) {
            const int code = errno;
            item.removeMark();
            errno = code;
            return false;
        }
        return true;
    }
    if (hasFlags && flagged && !item.setFlag(false)) {
        return false;
    }
    char buffer[16] = {};
    const ssize_t n = item.getMark(buffer, sizeof(buffer) - 1);
    if (n < 0) {
        return true; // no mark: unlocked already, or the flag alone was cleared above
    }
    bool parsed = false;
    mode_t bits = static_cast<mode_t>(QByteArray(buffer, static_cast<int>(n)).toUInt(&parsed, 8)) & kWriteBits;
    if (!parsed) {
        bits = S_IWUSR;
    }
    return item.setMode((st.st_mode & 07777) | bits) && item.removeMark();
}

} // namespace

bool FileFlags::isHidden(const QString& path)
{
    const QString p = cleanPath(path);
    const QString name = nameOf(p);
    if (name.isEmpty()) {
        return false;
    }
    return name.startsWith(QLatin1Char('.'))
        || LineFile::read(parentOf(p) + QLatin1Char('/') + kHiddenFileName).contains(name);
}

namespace {

// The hidden list's edit for one folder's names. Sets, so that a selection of thousands against a
// list of thousands stays linear: a Hide appends each name not listed yet (once, in the
// selection's order); a Show drops every line that is one of the names.
LineFile::Edit editHiddenList(QStringList& lines, const QStringList& names, bool hidden)
{
    const qsizetype before = lines.size();
    if (hidden) {
        QSet<QString> listed(lines.cbegin(), lines.cend());
        listed.reserve(lines.size() + names.size());
        lines.reserve(lines.size() + names.size());
        for (const QString& name : names) {
            if (!listed.contains(name)) {
                listed.insert(name);
                lines.append(name);
            }
        }
    } else {
        const QSet<QString> dropped(names.cbegin(), names.cend());
        lines.removeIf([&dropped](const QString& line) { return dropped.contains(line); });
    }
    if (lines.size() == before) {
        return LineFile::Edit::Keep;
    }
    return lines.isEmpty() ? LineFile::Edit::Remove : LineFile::Edit::Write;
}

} // namespace

bool FileFlags::setHidden(const QStringList& paths, bool hidden, QString* error)
{
    // Group by folder so each folder's list is read and rewritten once.
    QHash<QString, QStringList> byFolder;
    QStringList order;
    bool ok = true;
    // A selection is mostly one folder's items: the last folder's list is kept at hand.
    QString lastFolder;
    QStringList* lastNames = nullptr;
    for (const QString& path : paths) {
        const QString p = cleanPath(path);
        const QString name = nameOf(p);
        if (name.isEmpty() || name.startsWith(QLatin1Char('.'))) {
            continue;
        }
        // Such a name fails on its own; the other items still change.
        if (name.contains(QLatin1Char('\n'))) {
            fail(error, QStringLiteral("change the hidden state"), p,
                 QStringLiteral("the name holds a line break, which the hidden list cannot hold"));
            ok = false;
            continue;
        }
        const QString folder = parentOf(p);
        if (!lastNames || folder != lastFolder) {
            if (!byFolder.contains(folder)) {
                order.append(folder);
            }
            lastFolder = folder;
            lastNames = &byFolder[folder];
        }
        lastNames->append(name);
    }
    for (const QString& folder : order) {
        const QStringList& names = byFolder[folder];
        const auto edit = [&names, hidden](QStringList& lines, bool) { return editHiddenList(lines, names, hidden); };
        // Locked per folder: a Hide in another process between our read and our write would
        // otherwise be lost.
        if (!LineFile::update(folder + QLatin1Char('/') + kHiddenFileName, QStringLiteral("hidden list"), edit,
                              error)) {
            ok = false;
        }
    }
    return ok;
}

bool FileFlags::isLocked(const QString& path)
{
    struct stat st
    {
    };
    const QByteArray name = QFile::encodeName(path);
    if (path.isEmpty() || ::lstat(name.constData(), &st) != 0) {
        return false;
    }
    if (::lgetxattr(name.constData(), kLockAttribute, nullptr, 0) >= 0) {
        return true;
    }
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        return false;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool set = false;
    const bool ok = immutableFlag(fd, &set);
    ::close(fd);
    return ok && set;
}

bool FileFlags::setLocked(const QString& path, bool locked, QString* error)
{
    const QString action = locked ? QStringLiteral("lock the item") : QStringLiteral("unlock the item");
    const QByteArray name = QFile::encodeName(path);
    struct stat st
    {
    };
    if (path.isEmpty() || ::lstat(name.constData(), &st) != 0) {
        return fail(error, action, path, errnoText(path.isEmpty() ? ENOENT : errno));
    }
    // The flag of a link is its target's, a file the user did not select; a link itself
    // cannot be made immutable here.
    const QString linkRefused = QStringLiteral("it is a symbolic link; locking it would change the item it points to");
    if (S_ISLNK(st.st_mode)) {
        return fail(error, action, path, linkRefused);
    }
    // From here on the item is reached through one descriptor that never follows a link, so a
    // link put in its place meanwhile changes nothing either.
    OpenItem item;
    item.fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (item.fd < 0 && errno == EACCES) {
        item.fd = ::open(name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        item.pathOnly = true;
    }
    if (item.fd < 0 || (item.pathOnly && isLink(item.fd))) {
        const int code = errno;
        if (item.fd >= 0) {
            ::close(item.fd);
        }
        return fail(error, action, path, item.fd >= 0 || code == ELOOP ? linkRefused : errnoText(code));
    }
    const bool done = changeLock(item, locked);
    const int code = errno;
    ::close(item.fd);
    return done || fail(error, action, path, errnoText(code));
}

bool FileFlags::isWritable(const QString& path)
{
    if (path.isEmpty() || ::access(QFile::encodeName(path).constData(), W_OK) != 0 || isLocked(path)) {
        return false;
    }
    // The access test follows a final link; so must the lock test.
    const QFileInfo info(path);
    return !info.isSymLink() || !isLocked(info.canonicalFilePath());
}

} // namespace platform
