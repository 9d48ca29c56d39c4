#include "platform/Trash.h"

#include "platform/Paths.h"
#include "platform/Posix.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

using posix::errnoText;
using posix::parentOf;

bool fail(QString* error, const QString& path, const QString& why)
{
    return posix::fail(error, QStringLiteral("move the item to the Trash"), path, why);
}

bool statPath(const QString& path, struct stat* st, bool follow = true)
{
    const QByteArray name = QFile::encodeName(path);
    return follow ? ::stat(name.constData(), st) == 0 : ::lstat(name.constData(), st) == 0;
}

// The highest folder above the path on the same device: the file system's top folder.
QString topFolderOf(const QString& path, dev_t device)
{
    QString top = parentOf(path);
    while (top != QLatin1String("/")) {
        struct stat st
        {
        };
        const QString up = parentOf(top);
        if (!statPath(up, &st) || st.st_dev != device) {
            break;
        }
        top = up;
    }
    return top;
}

bool makeFolder(const QString& path, mode_t mode)
{
    struct stat st
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    return ::mkdir(QFile::encodeName(path).constData(), mode) == 0;
}

// A usable trash folder with its files/ and info/ folders, created when missing.
bool prepareTrash(const QString& trash)
{
    return makeFolder(trash, 0700) && makeFolder(trash + QStringLiteral("/files"), 0700)
        && makeFolder(trash + QStringLiteral("/info"), 0700);
}

// The trash of the top folder for items outside the home trash's file system, or null.
QString topTrash(const QString& top, dev_t device)
{
    const QString uid = QString::number(::getuid());
    const QString base = (top == QLatin1String("/") ? QString() : top);
    const QString shared = base + QStringLiteral("/.Trash");
    struct stat st
    {
    };
    if (statPath(shared, &st, false) && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const QString mine = shared + QLatin1Char('/') + uid;
        struct stat own
        {
        };
        if (prepareTrash(mine) && statPath(mine, &own) && own.st_dev == device) {
            return mine;
        }
    }
    const QString personal = base + QStringLiteral("/.Trash-") + uid;
    struct stat own
    {
    };
    if (prepareTrash(personal) && statPath(personal, &own, false) && S_ISDIR(own.st_mode) && own.st_dev == device) {
        return personal;
    }
    return {};
}

// Reserves a free name in the trash by creating its info file exclusively; -1 when none.
int reserveName(const QString& trash, const QString& name, QString* chosen)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString ext = dot > 0 ? name.mid(dot) : QString();
    for (int n = 1; n < 100000; ++n) {
        const QString candidate = n == 1 ? name : QStringLiteral("%1.%2%3").arg(stem).arg(n).arg(ext);
        struct stat st
        {
        };
        if (statPath(trash + QStringLiteral("/files/") + candidate, &st, false)) {
            continue;
        }
        const QByteArray info
            = QFile::encodeName(trash + QStringLiteral("/info/") + candidate + QStringLiteral(".trashinfo"));
        const int fd = ::open(info.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            *chosen = candidate;
            return fd;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}

} // namespace

QString Trash::homeTrash()
{
    return Paths::dataHome() + QStringLiteral("/Trash");
}

bool Trash::trashItem(const QString& path, QString* trashedPath, QString* error)
{
    const QString item = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    struct stat st
    {
    };
    if (path.isEmpty() || !statPath(item, &st, false)) {
        return fail(error, path, errnoText(ENOENT));
    }
    if (item == QLatin1String("/")) {
        return fail(error, item, QStringLiteral("the root folder cannot be trashed"));
    }
    const QString home = homeTrash();
    if (item == home || item.startsWith(home + QLatin1Char('/')) || home.startsWith(item + QLatin1Char('/'))) {
        return fail(error, item, QStringLiteral("the Trash itself, or a folder holding it, cannot be trashed"));
    }
    // The item's own folder decides the file system (a link is trashed as the link).
    struct stat folder
    {
    };
    if (!statPath(parentOf(item), &folder)) {
        return fail(error, item, errnoText(errno));
    }
    QString trash;
    QString recordedPath = item;
    struct stat homeStat
    {
    };
    Paths::ensureFolder(Paths::dataHome());
    if (statPath(Paths::dataHome(), &homeStat) && homeStat.st_dev == folder.st_dev) {
        if (!prepareTrash(home)) {
            return fail(error, item, QStringLiteral("the home Trash \"%1\" cannot be made").arg(home));
        }
        trash = home;
    } else {
        const QString top = topFolderOf(item, folder.st_dev);
        trash = topTrash(top, folder.st_dev);
        if (trash.isEmpty()) {
            return fail(error, item,
                        QStringLiteral("the volume \"%1\" has no Trash this user may use; the item was left in place")
                            .arg(top));
        }
        recordedPath = top == QLatin1String("/") ? item.mid(1) : item.mid(top.size() + 1);
    }
    QString name;
    const int fd = reserveName(trash, item.mid(item.lastIndexOf(QLatin1Char('/')) + 1), &name);
    if (fd < 0) {
        return fail(error, item, errnoText(errno));
    }
    const QString infoPath = trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo");
    const QByteArray record = "[Trash Info]\nPath=" + QUrl::toPercentEncoding(recordedPath, "/") + "\nDeletionDate="
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toUtf8() + "\n";
    const bool written = ::write(fd, record.constData(), static_cast<size_t>(record.size())) == record.size();
    const bool closed = ::close(fd) == 0;
    const QString target = trash + QStringLiteral("/files/") + name;
    if (!written || !closed) {
        const int code = errno;
        QFile::remove(infoPath);
        return fail(error, item, errnoText(code));
    }
    if (::renameat2(AT_FDCWD, QFile::encodeName(item).constData(), AT_FDCWD, QFile::encodeName(target).constData(),
                    RENAME_NOREPLACE)
        != 0) {
        const int code = errno;
        QFile::remove(infoPath);
        return fail(error, item, errnoText(code));
    }
    if (trashedPath) {
        *trashedPath = target;
    }
    return true;
}

} // namespace platform
