#include "platform/Posix.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::posix {

void Fd::reset()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

int openRegularFile(const QString& path, QString* error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (error) {
            *error = errnoText(errno);
        }
        return -1;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        if (error) {
            *error = QStringLiteral("not a regular file");
        }
        return -1;
    }
    return fd;
}

QString failureMessage(const QString& action, const QString& file, const QString& why)
{
    return QStringLiteral("Failed to %1. File: \"%2\". Error: \"%3\"").arg(action, file, why);
}

bool fail(QString* error, const QString& action, const QString& file, const QString& why)
{
    if (error) {
        *error = failureMessage(action, file, why);
    }
    return false;
}

QString errnoText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

int renameNoReplace(const QString& from, const QString& to)
{
    const QByteArray src = QFile::encodeName(from);
    const QByteArray dst = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    const int code = errno;
    struct stat st
    {
    };
    if (code != EINVAL || ::lstat(src.constData(), &st) != 0) {
        return code;
    }
    // A file system without the no-replace flag: test, then rename (a narrow window only).
    if (::lstat(dst.constData(), &st) == 0) {
        return EEXIST;
    }
    return std::rename(src.constData(), dst.constData()) == 0 ? 0 : errno;
}

qint64 readFull(int fd, char* buffer, qint64 size, qint64 offset)
{
    qint64 filled = 0;
    while (filled < size) {
        const auto left = static_cast<size_t>(size - filled);
        const ssize_t n = retryOnInterrupt([&] {
            return offset < 0 ? ::read(fd, buffer + filled, left)
                              : ::pread(fd, buffer + filled, left, static_cast<off_t>(offset + filled));
        });
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            break;
        }
        filled += n;
    }
    return filled;
}

int readAll(int fd, QByteArray* bytes, qint64 limit)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = retryOnInterrupt([&] { return ::read(fd, buffer, sizeof buffer); });
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            return 0;
        }
        // The file may grow while it is read: never take in more than the bound.
        if (bytes->size() + n > limit) {
            return EFBIG;
        }
        bytes->append(buffer, n);
    }
}

namespace {

template <typename Put> int putAll(QByteArrayView data, Put put)
{
    while (!data.isEmpty()) {
        const ssize_t n = retryOnInterrupt([&] { return put(data.data(), static_cast<size_t>(data.size())); });
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            return EIO;
        }
        data = data.sliced(n);
    }
    return 0;
}

// A new file beside `name` in the folder that nobody else has: its descriptor, with its name in
// *temporary, or -1 with errno.
int createTemporary(int dirFd, const QByteArray& name, mode_t mode, QByteArray* temporary)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporary = '.' + name + ".tarsel-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd
            = ::openat(dirFd, temporary->constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

} // namespace

int writeAll(int fd, QByteArrayView data)
{
    return putAll(data, [fd](const char* p, size_t n) { return ::write(fd, p, n); });
}

int sendAll(int fd, QByteArrayView data)
{
    return putAll(data, [fd](const char* p, size_t n) { return ::send(fd, p, n, MSG_NOSIGNAL); });
}

int replaceFile(int dirFd, const QByteArray& name, QByteArrayView data, std::optional<mode_t> mode)
{
    QByteArray temporary;
    const int fd = createTemporary(dirFd, name, mode.value_or(0666), &temporary);
    if (fd < 0) {
        return errno;
    }
    int code = writeAll(fd, data);
    if (code == 0 && mode && ::fchmod(fd, *mode) != 0) {
        code = errno;
    }
    // On the disk before the rename: a crash right after it must not leave an empty file.
    if (code == 0 && ::fdatasync(fd) != 0) {
        code = errno;
    }
    if (::close(fd) != 0 && code == 0) {
        code = errno;
    }
    if (code == 0 && ::renameat(dirFd, temporary.constData(), dirFd, name.constData()) != 0) {
        code = errno;
    }
    if (code != 0) {
        ::unlinkat(dirFd, temporary.constData(), 0);
    }
    return code;
}

int replaceFile(const QString& path, QByteArrayView data, std::optional<mode_t> mode)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QStringLiteral(".") : parentOf(path);
    const Fd dir(::open(QFile::encodeName(folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!dir.ok()) {
        return errno;
    }
    return replaceFile(dir.get(), QFile::encodeName(path.mid(slash + 1)), data, mode);
}

} // namespace platform::posix
