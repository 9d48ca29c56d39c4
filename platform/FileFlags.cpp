#include "platform/FileFlags.h"

#include "platform/LineFile.h"
#include "platform/Posix.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

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

// A descriptor of the item (following a final link); -1 with errno set otherwise.
int openItem(const QByteArray& name)
{
    return ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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

bool FileFlags::setHidden(const QStringList& paths, bool hidden, QString* error)
{
    // Group by folder so each folder's list is read and rewritten once.
    QHash<QString, QStringList> byFolder;
    QStringList order;
    bool ok = true;
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
        if (!byFolder.contains(folder)) {
            order.append(folder);
        }
        byFolder[folder].append(name);
    }
    for (const QString& folder : order) {
        const QStringList names = byFolder.value(folder);
        const auto edit = [&names, hidden](QStringList& lines, bool) {
            const QStringList before = lines;
            for (const QString& name : names) {
                if (hidden && !lines.contains(name)) {
                    lines.append(name);
                } else if (!hidden) {
                    lines.removeAll(name);
                }
            }
            if (lines == before) {
                return LineFile::Edit::Keep;
            }
            return lines.isEmpty() ? LineFile::Edit::Remove : LineFile::Edit::Write;
        };
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
    if (path.isEmpty() || ::stat(name.constData(), &st) != 0) {
        return fail(error, action, path, errnoText(path.isEmpty() ? ENOENT : errno));
    }
    const int fd = openItem(name);
    bool flagged = false;
    const bool hasFlags = fd >= 0 && immutableFlag(fd, &flagged);
    if (locked) {
        if (hasFlags && (flagged || changeImmutableFlag(fd, true))) {
            ::close(fd);
            return true;
        }
        if (fd >= 0) {
            ::close(fd);
        }
        // No permission for the flag: remove the write bits and mark the item, remembering
        // which write bits it had so that unlocking gives them back.
        if (::getxattr(name.constData(), kLockAttribute, nullptr, 0) >= 0) {
            return true;
        }
        const QByteArray saved = QByteArray::number(st.st_mode & kWriteBits, 8);
        if (::setxattr(name.constData(), kLockAttribute, saved.constData(), static_cast<size_t>(saved.size()), 0)
            != 0) {
            return fail(error, action, path, errnoText(errno));
        }
        if (::chmod(name.constData(), st.st_mode & 07777 & ~kWriteBits) != 0) {
            const int code = errno;
            ::removexattr(name.constData(), kLockAttribute);
            return fail(error, action, path, errnoText(code));
        }
        return true;
    }
    if (hasFlags && flagged && !changeImmutableFlag(fd, false)) {
        const int code = errno;
        ::close(fd);
        return fail(error, action, path, errnoText(code));
    }
    if (fd >= 0) {
        ::close(fd);
    }
    char buffer[16] = {};
    const ssize_t n = ::getxattr(name.constData(), kLockAttribute, buffer, sizeof(buffer) - 1);
    if (n < 0) {
        return true; // no mark: unlocked already, or the flag alone was cleared above
    }
    bool parsed = false;
    mode_t bits = static_cast<mode_t>(QByteArray(buffer, static_cast<int>(n)).toUInt(&parsed, 8)) & kWriteBits;
    if (!parsed) {
        bits = S_IWUSR;
    }
    if (::chmod(name.constData(), (st.st_mode & 07777) | bits) != 0
        || ::removexattr(name.constData(), kLockAttribute) != 0) {
        return fail(error, action, path, errnoText(errno));
    }
    return true;
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
