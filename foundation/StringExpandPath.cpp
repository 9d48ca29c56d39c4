// Path tests, free names, scratch folders and the character-set guess of StringExpandText.h.

#include "foundation/StringExpandText.h"

#include "foundation/PathComponents.h"
#include "platform/FileFlags.h"
#include "platform/FileOps.h"
#include "platform/MountTable.h"
#include "platform/Paths.h"
#include "platform/Posix.h"
#include "platform/RealPath.h"
#include "platform/System.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QMimeDatabase>
#include <QSet>

#include <algorithm>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <fts.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <uchardet/uchardet.h>

#include "platform/LateLibrary.h"

// libuchardet is opened on first use: these names call through platform/LateLibrary.h.
#define uchardet_data_end TARSEL_LATE(platform::uchardetLibrary, uchardet_data_end)
#define uchardet_delete TARSEL_LATE(platform::uchardetLibrary, uchardet_delete)
#define uchardet_get_charset TARSEL_LATE(platform::uchardetLibrary, uchardet_get_charset)
#define uchardet_handle_data TARSEL_LATE(platform::uchardetLibrary, uchardet_handle_data)
#define uchardet_new TARSEL_LATE(platform::uchardetLibrary, uchardet_new)

namespace qv {

namespace {

bool lstatPath(const QString& path, struct stat* st)
{
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), st) == 0;
}

// The extension of the text after the last "/" (a trailing "/" leaves none): uniquePath puts
// its number in front of exactly these characters at the end of the path.
QString pathExtension(const QString& path)
{
    return detail::pathExtension(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
}

QString appendingComponent(const QString& folder, const QString& name)
{
    QString tail = name;
    while (tail.startsWith(QLatin1Char('/'))) {
        tail.remove(0, 1);
    }
    if (tail.isEmpty()) {
        return folder;
    }
    return folder.endsWith(QLatin1Char('/')) ? folder + tail : folder + QLatin1Char('/') + tail;
}

// The name joined to a user folder, created when missing.
QString inUserFolder(const QString& folder, const QString& name)
{
    const QString path = appendingComponent(folder, name);
    if (!isExist(path)) {
        QDir().mkpath(path);
    }
    return path;
}

QString privateSupportFolder()
{
    return platform::Paths::applicationSupport(platform::System::bundleIdentifier());
}

const QSet<QString>& readableImageSuffixes()
{
    static const QSet<QString> suffixes = [] {
        QSet<QString> set;
        for (const QByteArray& format : QImageReader::supportedImageFormats()) {
            set.insert(QString::fromLatin1(format).toLower());
        }
        return set;
    }();
    return suffixes;
}

bool isReadableImageContent(const QString& path)
{
    struct stat st
    {
    };
    // Only regular files are sniffed: opening a pipe or a device could block or have effects.
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchContent);
    const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    return std::any_of(readable.begin(), readable.end(),
                       [&type](const QByteArray& name) { return type.inherits(QString::fromLatin1(name)); });
}

} // namespace

// ----- sizes ---------------------------------------------------------------------------------

qint64 fileSize(const QString& path)
{
    struct stat st
    {
    };
    if (!lstatPath(path, &st)) {
        return 0;
    }
    if (!S_ISDIR(st.st_mode)) {
        return st.st_size;
    }
    QByteArray root = QFile::encodeName(path);
    char* roots[] = { root.data(), nullptr };
    FTS* fts = ::fts_open(roots, FTS_PHYSICAL | FTS_NOCHDIR, nullptr);
    if (!fts) {
        return 0;
    }
    qint64 total = 0;
    while (FTSENT* entry = ::fts_read(fts)) {
        // Every item below the folder once (folders in pre-order), not the folder itself.
        const bool hasStat = entry->fts_info != FTS_NS && entry->fts_info != FTS_ERR;
        if (entry->fts_level > 0 && entry->fts_info != FTS_DP && hasStat) {
            total += entry->fts_statp->st_size;
        }
    }
    ::fts_close(fts);
    return total;
}

// ----- path tests ----------------------------------------------------------------------------

bool isFolder(const QString& path)
{
    struct stat st
    {
    };
    return lstatPath(path, &st) && S_ISDIR(st.st_mode);
}

bool isPackage(const QString& path)
{
    return !pathExtension(path).isEmpty() && isFolder(path);
}

bool isImage(const QString& path)
{
    if (path.isEmpty()) {
        return false;
    }
    const QString ext = pathExtension(path).toLower();
    if (!ext.isEmpty()) {
        return readableImageSuffixes().contains(ext);
    }
    return isReadableImageContent(path);
}

bool isDesktop(const QString& path)
{
    return path == platform::Paths::desktop();
}

bool isSystemFolder(const QString& path)
{
    using platform::Paths;
    const QString home = Paths::home();
    QStringList folders = {
        QStringLiteral("/Users"),
        QStringLiteral("/home"),
        QStringLiteral("/"),
        home,
        home + QStringLiteral("/Desktop"),
        home + QStringLiteral("/Documents"),
        home + QStringLiteral("/Downloads"),
        home + QStringLiteral("/Pictures"),
        home + QStringLiteral("/Applications"),
        home + QStringLiteral("/Music"),
        home + QStringLiteral("/Library"),
        QStringLiteral("/Applications"),
        QStringLiteral("/System"),
        QStringLiteral("/Library"),
        QStringLiteral("/Volumes"),
        // The user's folders under their own (possibly translated) names.
        Paths::desktop(),
        Paths::documents(),
        Paths::downloads(),
        Paths::pictures(),
        Paths::music(),
    };
    folders += Paths::volumeRoots();
    if (folders.contains(path)) {
        return true;
    }
    static const QStringList kNames = {
        QStringLiteral("Desktop"),  QStringLiteral("Documents"),    QStringLiteral("Downloads"),
        QStringLiteral("Pictures"), QStringLiteral("Applications"),
    };
    return kNames.contains(path.section(QLatin1Char('/'), -1));
}

namespace {

// The names at the top of the root file system that hold the system itself; any "lib..." too.
const QStringList& topLevelSystemNames()
{
    static const QStringList names = {
        QStringLiteral("bin"),  QStringLiteral("boot"),  QStringLiteral("dev"),        QStringLiteral("etc"),
        QStringLiteral("home"), QStringLiteral("media"), QStringLiteral("mnt"),        QStringLiteral("opt"),
        QStringLiteral("proc"), QStringLiteral("root"),  QStringLiteral("run"),        QStringLiteral("sbin"),
        QStringLiteral("srv"),  QStringLiteral("sys"),   QStringLiteral("tmp"),        QStringLiteral("usr"),
        QStringLiteral("var"),  QStringLiteral("snap"),  QStringLiteral("lost+found"), QStringLiteral("cdrom"),
        QStringLiteral("efi"),  QStringLiteral("nix"),
    };
    return names;
}

// Canonical text of a path: links above the item resolved, the item itself followed only when
// asked; the lexically cleaned path when it cannot be resolved.
QString canonicalText(const QString& path, bool followLast)
{
    const std::optional<QByteArray> canonical
        = platform::realpath::canonicalPath(QFile::encodeName(path), followLast, nullptr);
    return canonical ? QFile::decodeName(*canonical) : QDir::cleanPath(path);
}

QString passwdHomeFolder()
{
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        return QFile::decodeName(pw->pw_dir);
    }
    return QString();
}

} // namespace

QString protectedFolderOf(const QString& path)
{
    if (path.isEmpty() || !path.startsWith(QLatin1Char('/'))) {
        return QString();
    }
    // Both spellings count: the lexical one guards a path that cannot be resolved (yet). The
    // item itself is not followed: a selected link is moved or removed, not what it leads to.
    // A trailing "/" is the exception: the system resolves "link/" to the folder it leads to.
    QStringList forms = { QDir::cleanPath(path), canonicalText(path, false) };
    if (path.endsWith(QLatin1Char('/'))) {
        forms << canonicalText(path, true);
    }
    QStringList folders = { QStringLiteral("/") };
    for (const QString& home : { platform::Paths::home(), passwdHomeFolder() }) {
        if (!home.isEmpty()) {
            folders << QDir::cleanPath(home) << canonicalText(home, true);
        }
    }
    for (const QString& name : topLevelSystemNames()) {
        // Where a top-level name is a link (/bin to usr/bin), the folder it leads to is as vital.
        folders << canonicalText(QLatin1Char('/') + name, true);
    }
    for (const QString& root : platform::Paths::volumeRoots()) {
        folders << QDir::cleanPath(root) << canonicalText(root, true);
    }
    // Every mount point: removing one would empty a whole file system, moving one fails midway.
    for (const platform::MountTable::Entry& mount : platform::MountTable::read()) {
        folders << QDir::cleanPath(mount.mountPoint);
    }
    for (const QString& form : forms) {
        if (folders.contains(form)) {
            return form;
        }
        const qsizetype slash = form.lastIndexOf(QLatin1Char('/'));
        if (slash == 0) {
            const QString name = form.mid(1);
            if (topLevelSystemNames().contains(name) || name.startsWith(QLatin1String("lib"))) {
                return form;
            }
        }
    }
    return QString();
}

bool isProtectedFolder(const QString& path)
{
    return !protectedFolderOf(path).isNull();
}

QString protectedFolderReason()
{
    return QStringLiteral("the root folder, the home folder, the system folders and mount points are never removed, "
                          "moved or renamed");
}

bool isWritable(const QString& path)
{
    return platform::FileFlags::isWritable(path);
}

bool isLocked(const QString& path)
{
    return platform::FileFlags::isLocked(path);
}

bool isExist(const QString& path)
{
    struct stat st
    {
    };
    return lstatPath(path, &st);
}

bool hasCustomIcon(const QString& path)
{
    // "Icon\r" is how folders copied from a Mac carry theirs; ours are named in `.directory`.
    return isExist(path + QStringLiteral("/Icon\r")) || !platform::Workspace::folderIcon(path).isEmpty();
}

// ----- making and finding paths --------------------------------------------------------------

QString uniquePath(const QString& path)
{
    for (qint64 n = 0;; ++n) {
        const QString candidate = platform::FileOps::variantPath(path, n);
        if (!isExist(candidate)) {
            return candidate;
        }
    }
}

bool remove(const QString& path)
{
    return platform::FileOps::removeItem(path);
}

bool createDir(const QString& path)
{
    if (path.isEmpty() || (isExist(path) && !remove(path))) {
        return false;
    }
    return QDir().mkpath(path);
}

QString toTempFolderPath(const QString& name, bool fresh)
{
    // One component only: a "/" or ".." would reach outside the private folder, whose
    // contents alone may be removed here.
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/'))
        || name.contains(QChar(0))) {
        return {};
    }
    const QString path = privateSupportFolder() + QLatin1Char('/') + name;
    if (fresh && isExist(path) && !remove(path)) {
        return {};
    }
    if (!isExist(path)) {
        QDir().mkpath(path);
    }
    return isFolder(path) ? path : QString();
}

void removeAllTempFolder()
{
    const QString root = privateSupportFolder();
    const QStringList names
        = QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (name.startsWith(QLatin1Char('.'))) {
            remove(root + QLatin1Char('/') + name);
        }
    }
}

QString toMoviesPath(const QString& name)
{
    return inUserFolder(platform::Paths::movies(), name);
}
QString toDocument(const QString& name)
{
    return inUserFolder(platform::Paths::documents(), name);
}
QString toDesktop(const QString& name)
{
    return inUserFolder(desktopPath(), name);
}
QString documentPath()
{
    return platform::Paths::documents();
}
QString homePath()
{
    return platform::Paths::home();
}
QString abbreviatingWithTildeInPath(const QString& path)
{
    const QString home = QDir::cleanPath(platform::Paths::home());
    // Only whole path components count: "/home/ann2" must not read as "~2".
    if (home.isEmpty() || home == QLatin1String("/")) {
        return path;
    }
    if (path == home) {
        return QStringLiteral("~");
    }
    if (path.startsWith(home + QLatin1Char('/'))) {
        return QLatin1Char('~') + path.mid(home.size());
    }
    return path;
}
QString desktopPath()
{
    return platform::Paths::desktop();
}

// ----- text encoding -------------------------------------------------------------------------

QString textEncodingName(const QString& path)
{
#ifdef QV_EXTENSION_BUILD
    Q_UNUSED(path)
    return QStringLiteral("UTF-8");
#else
    constexpr std::size_t kSampleSize = 2048;
    char sample[kSampleSize];
    ssize_t length = -1;
    struct stat st
    {
    };
    const QByteArray name = QFile::encodeName(path);
    // Regular files only: a pipe or a device would block or never end.
    const int fd = path.isEmpty() ? -1 : ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) {
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            length = static_cast<ssize_t>(platform::posix::readFull(fd, sample, kSampleSize));
        }
        ::close(fd);
    }
    if (length < 0) {
        std::fputs("文件打开失败！\n", stdout);
        std::fflush(stdout);
        return {};
    }
    uchardet_t detector = uchardet_new();
    if (uchardet_handle_data(detector, sample, static_cast<std::size_t>(length)) != 0) {
        uchardet_delete(detector);
        std::fputs("分析编码失败！\n", stdout);
        std::fflush(stdout);
        return {};
    }
    uchardet_data_end(detector);
    const QString charset = QString::fromLatin1(uchardet_get_charset(detector));
    uchardet_delete(detector);
    return charset;
#endif
}

QString charsetOfNameBytes(const QByteArray& name)
{
    if (name.isEmpty()) {
        return {};
    }
    // The detector holds back its confidence until it has seen enough text, and a name is a
    // few characters: it sees the name several times over, which keeps the name's own mix of
    // characters and gives the multi-byte readings the length they need.
    constexpr qsizetype kSampleBytes = 512;
    QByteArray sample;
    while (sample.size() < kSampleBytes) {
        sample += name;
        sample += '\n';
    }
    uchardet_t detector = uchardet_new();
    if (uchardet_handle_data(detector, sample.constData(), std::size_t(sample.size())) != 0) {
        uchardet_delete(detector);
        return {};
    }
    uchardet_data_end(detector);
    const QString charset = QString::fromLatin1(uchardet_get_charset(detector));
    uchardet_delete(detector);
    return charset;
}

} // namespace qv
