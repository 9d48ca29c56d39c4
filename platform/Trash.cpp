#include "platform/Trash.h"

#include "platform/Paths.h"
#include "platform/Posix.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <climits>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

using posix::errnoText;
using posix::parentOf;

// Every folder of a trash that is this user's alone: no other account may enter or change it.
constexpr mode_t kPrivateMode = 0700;
// The record of an item is "<name>.trashinfo", and it must fit in one file name too.
constexpr qsizetype kInfoSuffixSize = 10;
constexpr qsizetype kMaxTrashNameSize = NAME_MAX - kInfoSuffixSize;
// An "extension" longer than this is part of the name, not a type worth keeping when cutting.
constexpr qsizetype kMaxKeptExtensionSize = 32;

using posix::Fd;

// An opened trash: every step inside it goes through these descriptors, so a folder swapped
// for a link or another folder after it was checked cannot redirect an item or its record.
struct TrashFolder
{
    QString path;
    Fd files;
    Fd info;
};

bool fail(QString* error, const QString& path, const QString& why)
{
    return posix::fail(error, QStringLiteral("move the item to the Trash"), path, why);
}

bool statPath(const QString& path, struct stat* st)
{
    return ::stat(QFile::encodeName(path).constData(), st) == 0;
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

Fd openFolder(const QString& path)
{
    return Fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

// The folder `name` inside `at`, made with the private mode when missing; never a link.
// `made` tells whether it was made by this call.
Fd makeFolderAt(int at, const QByteArray& name, bool* made = nullptr, bool followLink = false)
{
    const bool created = ::mkdirat(at, name.constData(), kPrivateMode) == 0;
    if (!created && errno != EEXIST) {
        return Fd();
    }
    if (made) {
        *made = created;
    }
    return Fd(::openat(at, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW)));
}

// Why the entry `name` inside `at` did not open as a folder, said of it ("is a symbolic link").
QString openRefusal(int at, const QByteArray& name, int code)
{
    struct stat st
    {
    };
    if ((code == ELOOP || code == ENOTDIR) && ::fstatat(at, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        return S_ISLNK(st.st_mode) ? QStringLiteral("is a symbolic link") : QStringLiteral("is not a folder");
    }
    return QStringLiteral("cannot be opened: %1").arg(errnoText(code));
}

// Why an opened folder may not hold this user's trash; empty when it may.
QString privateRefusal(const struct stat& st, dev_t device)
{
    if (!S_ISDIR(st.st_mode)) {
        return QStringLiteral("is not a folder");
    }
    if (st.st_uid != ::geteuid()) {
        return QStringLiteral("belongs to another account");
    }
    if ((st.st_mode & 0777) != kPrivateMode) {
        return QStringLiteral("has permissions %1, not 700").arg(st.st_mode & 0777, 3, 8, QLatin1Char('0'));
    }
    if (st.st_dev != device) {
        return QStringLiteral("is on another file system");
    }
    return {};
}

// Opens (making when missing) the private folder `name` inside `at` as this user's trash;
// the reason it cannot be used otherwise.
Fd openPrivateFolder(int at, const QByteArray& name, dev_t device, QString* why)
{
    bool made = false;
    Fd folder = makeFolderAt(at, name, &made);
    struct stat st
    {
    };
    if (!folder.ok() || ::fstat(folder.get(), &st) != 0) {
        *why = openRefusal(at, name, errno);
        return Fd();
    }
    // A folder made just now may have lost bits to the umask; one that was there is taken as it is.
    if (made && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 0777) != kPrivateMode
        && (::fchmod(folder.get(), kPrivateMode) != 0 || ::fstat(folder.get(), &st) != 0)) {
        *why = QStringLiteral("cannot be made private: %1").arg(errnoText(errno));
        return Fd();
    }
    *why = privateRefusal(st, device);
    return why->isEmpty() ? std::move(folder) : Fd();
}

// Fills the trash's files/ and info/ folders (made when missing) from its opened root.
bool openInside(const Fd& root, const QString& path, TrashFolder* trash, QString* why)
{
    trash->path = path;
    trash->files = makeFolderAt(root.get(), "files");
    if (!trash->files.ok()) {
        *why = QStringLiteral("\"%1/files\" %2").arg(path, openRefusal(root.get(), "files", errno));
        return false;
    }
    trash->info = makeFolderAt(root.get(), "info");
    if (!trash->info.ok()) {
        *why = QStringLiteral("\"%1/info\" %2").arg(path, openRefusal(root.get(), "info", errno));
        return false;
    }
    return true;
}

bool openHomeTrash(TrashFolder* trash, QString* why)
{
    const QString data = Paths::dataHome();
    Paths::ensureFolder(data);
    const Fd dataFolder = openFolder(data);
    // The home trash lies in the user's own data folder, where nobody else writes: a link
    // that the user made there to keep the trash elsewhere is followed.
    const Fd root = dataFolder.ok() ? makeFolderAt(dataFolder.get(), "Trash", nullptr, true) : Fd();
    if (!root.ok()) {
        *why = QStringLiteral("the home Trash \"%1\" cannot be made: %2").arg(Trash::homeTrash(), errnoText(errno));
        return false;
    }
    return openInside(root, Trash::homeTrash(), trash, why);
}

// "$top/.Trash/$uid" when "$top/.Trash" is a real folder with the sticky bit (so nobody can
// remove or rename another account's entry in it) and that entry is a private folder of this
// user; else "$top/.Trash-$uid" when it is a private folder of this user. A folder that another
// account made, left open to others or replaced with a link is never used.
bool openTopTrash(const QString& top, dev_t device, TrashFolder* trash, QString* why)
{
    const Fd topFolder = openFolder(top);
    struct stat st
    {
    };
    if (!topFolder.ok() || ::fstat(topFolder.get(), &st) != 0 || st.st_dev != device) {
        *why = QStringLiteral("its top folder \"%1\" cannot be opened").arg(top);
        return false;
    }
    const QString base = top == QLatin1String("/") ? QString() : top;
    const QByteArray uid = QByteArray::number(::getuid());
    QStringList refusals;
    QString refusal;
    struct stat shared
    {
    };
    if (::fstatat(topFolder.get(), ".Trash", &shared, AT_SYMLINK_NOFOLLOW) == 0) {
        Fd sharedFolder(::openat(topFolder.get(), ".Trash", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!sharedFolder.ok()) {
            refusal = openRefusal(topFolder.get(), ".Trash", errno);
        } else if (::fstat(sharedFolder.get(), &shared) != 0 || !(shared.st_mode & S_ISVTX)
                   || shared.st_dev != device) {
            refusal = QStringLiteral("is not a sticky folder on this volume");
        } else {
            const Fd mine = openPrivateFolder(sharedFolder.get(), uid, device, &refusal);
            if (mine.ok()) {
                return openInside(mine, base + QStringLiteral("/.Trash/") + QString::fromLatin1(uid), trash, why);
            }
            refusals << QStringLiteral("\"%1/.Trash/%2\" %3").arg(base, QString::fromLatin1(uid), refusal);
            refusal.clear();
        }
        if (!refusal.isEmpty()) {
            refusals << QStringLiteral("\"%1/.Trash\" %2").arg(base, refusal);
        }
    }
    const QByteArray personal = ".Trash-" + uid;
    const Fd mine = openPrivateFolder(topFolder.get(), personal, device, &refusal);
    if (mine.ok()) {
        return openInside(mine, base + QLatin1Char('/') + QString::fromLatin1(personal), trash, why);
    }
    refusals << QStringLiteral("\"%1/%2\" %3").arg(base, QString::fromLatin1(personal), refusal);
    *why = refusals.join(QStringLiteral("; "));
    return false;
}

qsizetype encodedSize(const QString& name)
{
    return QFile::encodeName(name).size();
}

// The name to try the nth time: the item's own name, then "stem.n.ext". A name that would make
// its record's name too long is cut at a character boundary, keeping a short extension; the
// record holds the full original path, so nothing is lost by the cut.
QString candidateName(const QString& name, int n)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    QString stem = dot > 0 ? name.left(dot) : name;
    QString ext = dot > 0 ? name.mid(dot) : QString();
    const QString number = n == 1 ? QString() : QStringLiteral(".%1").arg(n);
    if (encodedSize(stem + number + ext) <= kMaxTrashNameSize) {
        return stem + number + ext;
    }
    if (encodedSize(ext) > kMaxKeptExtensionSize) {
        stem = name;
        ext.clear();
    }
    const qsizetype room = kMaxTrashNameSize - encodedSize(number + ext);
    while (!stem.isEmpty() && encodedSize(stem) > room) {
        stem.chop(stem.size() >= 2 && stem.back().isLowSurrogate() ? 2 : 1);
    }
    return stem + number + ext;
}

// Reserves a free name in the trash by creating its record exclusively; -1 when none.
int reserveName(const TrashFolder& trash, const QString& name, QString* chosen)
{
    for (int n = 1; n < 100000; ++n) {
        const QString candidate = candidateName(name, n);
        const QByteArray encoded = QFile::encodeName(candidate);
        struct stat st
        {
        };
        if (::fstatat(trash.files.get(), encoded.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            continue;
        }
        const int fd = ::openat(trash.info.get(), (encoded + ".trashinfo").constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
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

QByteArray record(const QString& recordedPath)
{
    return "[Trash Info]\nPath=" + QUrl::toPercentEncoding(recordedPath, "/") + "\nDeletionDate="
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toUtf8() + "\n";
}

// The trash an item on the device `dev` goes to: the user's own on the device of the user's
// data folder, else the one at the top of the item's volume. *recordedPath is the item's path as
// that trash records it.
bool openTrashFor(const QString& item, dev_t dev, TrashFolder* trash, QString* recordedPath, QString* why)
{
    struct stat homeStat
    {
    };
    Paths::ensureFolder(Paths::dataHome());
    if (statPath(Paths::dataHome(), &homeStat) && homeStat.st_dev == dev) {
        *recordedPath = item;
        return openHomeTrash(trash, why);
    }
    const QString top = topFolderOf(item, dev);
    if (!openTopTrash(top, dev, trash, why)) {
        *why = QStringLiteral("the volume \"%1\" has no Trash this user may use (%2); the item was left in place")
                   .arg(top, *why);
        return false;
    }
    *recordedPath = top == QLatin1String("/") ? item.mid(1) : item.mid(top.size() + 1);
    return true;
}

} // namespace

QString Trash::homeTrash()
{
    return Paths::dataHome() + QStringLiteral("/Trash");
}

bool Trash::trashItem(const QString& path, QString* trashedPath, QString* error)
{
    if (path.isEmpty()) {
        return fail(error, path, errnoText(ENOENT));
    }
    const QString item = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (item == QLatin1String("/")) {
        return fail(error, item, QStringLiteral("the root folder cannot be trashed"));
    }
    const QString home = homeTrash();
    if (item == home || item.startsWith(home + QLatin1Char('/')) || home.startsWith(item + QLatin1Char('/'))) {
        return fail(error, item, QStringLiteral("the Trash itself, or a folder holding it, cannot be trashed"));
    }
    // The item's own folder decides the file system (a link is trashed as the link), and the
    // item leaves that folder by a rename anchored at it.
    const Fd parent = openFolder(parentOf(item));
    const QByteArray itemName = QFile::encodeName(item.mid(item.lastIndexOf(QLatin1Char('/')) + 1));
    struct stat folder
    {
    };
    struct stat st
    {
    };
    if (!parent.ok() || ::fstat(parent.get(), &folder) != 0
        || ::fstatat(parent.get(), itemName.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return fail(error, path, errnoText(errno));
    }
    TrashFolder trash;
    QString why;
    QString recordedPath;
    if (!openTrashFor(item, folder.st_dev, &trash, &recordedPath, &why)) {
        return fail(error, item, why);
    }
    QString name;
    const int fd = reserveName(trash, item.mid(item.lastIndexOf(QLatin1Char('/')) + 1), &name);
    if (fd < 0) {
        return fail(error, item, errnoText(errno));
    }
    const QByteArray infoName = QFile::encodeName(name) + ".trashinfo";
    const QByteArray text = record(recordedPath);
    int code = posix::writeAll(fd, text);
    if (::close(fd) != 0 && code == 0) {
        code = errno;
    }
    if (code == 0
        && ::renameat2(parent.get(), itemName.constData(), trash.files.get(), QFile::encodeName(name).constData(),
                       RENAME_NOREPLACE)
            != 0) {
        code = errno;
    }
    if (code != 0) {
        ::unlinkat(trash.info.get(), infoName.constData(), 0);
        return fail(error, item, errnoText(code));
    }
    if (trashedPath) {
        *trashedPath = trash.path + QStringLiteral("/files/") + name;
    }
    return true;
}

} // namespace platform
