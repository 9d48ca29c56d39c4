// Opening and reading: kept apart from the path rule, which the configuration archive's reader
// (and its fuzz target) uses without the shared folder's services.

#include "engine/model/QVAssetFile.h"

#include "engine/model/QVMenuManager.h"
#include "platform/Posix.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString whatOf(QVAssetFile::Kind kind)
{
    return kind == QVAssetFile::Kind::Template ? QStringLiteral("read the template") : QStringLiteral("read the icon");
}

int refuse(QString* error, QVAssetFile::Kind kind, const QString& path, const QString& why)
{
    if (error != nullptr) {
        *error = platform::posix::failureMessage(whatOf(kind), path, why);
    }
    return -1;
}

} // namespace

int QVAssetFile::open(const QString& path, Kind kind, qint64* size, QString* error)
{
    const QString shared = QVMenuManager::sharedFolder();
    const QString relative = relativePath(path, shared, kind);
    if (relative.isNull()) {
        return refuse(
            error, kind, path,
            QStringLiteral("not a file inside the shared %1 folder").arg(folders(kind).join(QLatin1String(", "))));
    }
    const QStringList parts = relative.split(QLatin1Char('/'));
    // The sub-folder is the user's own (it may be a link to a folder kept elsewhere); the file
    // is taken from it by name alone, so nothing leads out of it.
    const int folder = ::open(QFile::encodeName(shared + QLatin1Char('/') + parts.first()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        return refuse(error, kind, path, platform::posix::errnoText(errno));
    }
    const int fd = ::openat(folder, QFile::encodeName(parts.last()).constData(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    const int openError = errno;
    ::close(folder);
    if (fd < 0) {
        return refuse(error, kind, path,
                      openError == ELOOP ? QStringLiteral("a symbolic link") : platform::posix::errnoText(openError));
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return refuse(error, kind, path, QStringLiteral("not a regular file"));
    }
    if (st.st_size > maxSize(kind)) {
        ::close(fd);
        return refuse(error, kind, path, QStringLiteral("larger than %1 bytes").arg(maxSize(kind)));
    }
    // A regular file never blocks; reads from here on may wait for the disk as usual.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    *size = st.st_size;
    return fd;
}

bool QVAssetFile::read(const QString& path, Kind kind, QByteArray* bytes, QString* error)
{
    qint64 size = 0;
    const int fd = open(path, kind, &size, error);
    if (fd < 0) {
        return false;
    }
    bytes->clear();
    bytes->reserve(qsizetype(size));
    const int code = platform::posix::readAll(fd, bytes, maxSize(kind));
    if (code != 0) {
        ::close(fd);
        bytes->clear();
        refuse(error, kind, path,
               code == EFBIG ? QStringLiteral("larger than %1 bytes").arg(maxSize(kind))
                             : platform::posix::errnoText(code));
        return false;
    }
    ::close(fd);
    return true;
}
