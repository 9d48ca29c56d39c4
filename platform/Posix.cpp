#include "platform/Posix.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
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

} // namespace platform::posix
