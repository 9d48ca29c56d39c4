#include "engine/archive/SSZipDestination.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

QList<QByteArray> componentsOf(const QString& relative)
{
    QList<QByteArray> parts = QFile::encodeName(relative).split('/');
    parts.removeAll(QByteArray());
    return parts;
}

} // namespace

SSZipDestination::Parent::~Parent()
{
    if (fd >= 0) {
        ::close(fd);
    }
}

SSZipDestination::Parent::Parent(Parent&& other) noexcept
    : fd(other.fd)
    , error(other.error)
    , name(std::move(other.name))
{
    other.fd = -1;
}

SSZipDestination::SSZipDestination(const QString& folder)
    : m_folder(folder)
{
    QDir().mkpath(folder);
    // The destination itself is the caller's choice and may be reached through a link.
    m_root = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

SSZipDestination::~SSZipDestination()
{
    if (m_root >= 0) {
        ::close(m_root);
    }
}

SSZipDestination::Parent SSZipDestination::parentOf(const QString& relative, bool create) const
{
    Parent result;
    QList<QByteArray> parts = componentsOf(relative);
    if (parts.isEmpty() || m_root < 0) {
        result.error = EINVAL;
        return result;
    }
    result.name = parts.takeLast();
    int fd = ::dup(m_root);
    for (const QByteArray& part : parts) {
        int next = ::openat(fd, part.constData(), kFolderFlags);
        if (next < 0 && errno == ENOENT && create) {
            if (::mkdirat(fd, part.constData(), 0755) == 0 || errno == EEXIST) {
                next = ::openat(fd, part.constData(), kFolderFlags);
            }
        }
        const int openError = errno;
        ::close(fd);
        if (next < 0) {
            result.error = openError;
            return result;
        }
        fd = next;
    }
    result.fd = fd;
    return result;
}

int SSZipDestination::makeFolders(const QString& relative) const
{
    Parent parent = parentOf(relative, true);
    if (parent.fd < 0) {
        return parent.error;
    }
    if (::mkdirat(parent.fd, parent.name.constData(), 0755) != 0 && errno != EEXIST) {
        return errno;
    }
    // What is there must be a real folder, not a link to one.
    const int check = ::openat(parent.fd, parent.name.constData(), kFolderFlags);
    if (check < 0) {
        return errno;
    }
    ::close(check);
    return 0;
}

bool SSZipDestination::exists(const QString& relative) const
{
    Parent parent = parentOf(relative, false);
    struct stat st;
    return parent.fd >= 0 && ::fstatat(parent.fd, parent.name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

int SSZipDestination::openForWriting(const QString& relative, int* error) const
{
    Parent parent = parentOf(relative, true);
    if (parent.fd < 0) {
        *error = parent.error;
        return -1;
    }
    struct stat st;
    if (::fstatat(parent.fd, parent.name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
        ::unlinkat(parent.fd, parent.name.constData(), 0);
    }
    const int fd
        = ::openat(parent.fd, parent.name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    *error = fd < 0 ? errno : 0;
    return fd;
}

int SSZipDestination::makeLink(const QString& relative, const QByteArray& target, bool replace) const
{
    Parent parent = parentOf(relative, true);
    if (parent.fd < 0) {
        return parent.error;
    }
    struct stat st;
    if (replace && ::fstatat(parent.fd, parent.name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        const int flags = S_ISDIR(st.st_mode) ? AT_REMOVEDIR : 0;
        if (::unlinkat(parent.fd, parent.name.constData(), flags) != 0) {
            return errno;
        }
    }
    return ::symlinkat(target.constData(), parent.fd, parent.name.constData()) == 0 ? 0 : errno;
}

int SSZipDestination::setDate(const QString& relative, qint64 secondsSince1970) const
{
    Parent parent = parentOf(relative, false);
    if (parent.fd < 0) {
        return parent.error;
    }
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = secondsSince1970;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    return ::utimensat(parent.fd, parent.name.constData(), times, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

bool SSZipDestination::isInside(const QString& relative, const QByteArray& target)
{
    if (target.isEmpty() || target.startsWith('/') || target.contains('\0')) {
        return false;
    }
    // The link's own folder, then the target's components, resolved by name alone.
    QList<QByteArray> path = componentsOf(relative);
    if (!path.isEmpty()) {
        path.removeLast();
    }
    for (const QByteArray& part : target.split('/')) {
        if (part.isEmpty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (path.isEmpty()) {
                return false;
            }
            path.removeLast();
        } else {
            path << part;
        }
    }
    return true;
}
