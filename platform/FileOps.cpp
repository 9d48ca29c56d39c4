#include "platform/FileOps.h"

#include "platform/Posix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

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

bool copyFileData(const QByteArray& from, const QByteArray& to, const struct stat& st, Failure* failure)
{
    const int in = ::open(from.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) {
        *failure = { QFile::decodeName(from), errnoText(errno) };
        return false;
    }
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) {
        *failure = { QFile::decodeName(to), errnoText(errno) };
        ::close(in);
        return false;
    }
    char buffer[1 << 16];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n == 0) {
            break;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            *failure = { QFile::decodeName(from), errnoText(errno) };
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) {
                continue;
            }
            if (w <= 0) {
                *failure = { QFile::decodeName(to), errnoText(w < 0 ? errno : EIO) };
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok) {
            break;
        }
    }
    if (ok) {
        const struct timespec times[2] = { st.st_atim, st.st_mtim };
        ::futimens(out, times);
        ::fchmod(out, st.st_mode & 07777);
    }
    ::close(in);
    if (::close(out) != 0 && ok) {
        *failure = { QFile::decodeName(to), errnoText(errno) };
        ok = false;
    }
    if (ok) {
        copyUserAttributes(from, to);
    }
    return ok;
}

bool copyTree(const QByteArray& from, const QByteArray& to, const FileOps::Progress& progress, Failure* failure)
{
    struct stat st
    {
    };
    if (::lstat(from.constData(), &st) != 0) {
        *failure = { QFile::decodeName(from), errnoText(errno) };
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
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
    } else if (S_ISREG(st.st_mode)) {
        if (!copyFileData(from, to, st, failure)) {
            return false;
        }
    } else if (S_ISDIR(st.st_mode)) {
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
            if (!copyTree(from + '/' + name, to + '/' + name, progress, failure)) {
                return false;
            }
        }
        ::chmod(to.constData(), st.st_mode & 07777);
        const struct timespec times[2] = { st.st_atim, st.st_mtim };
        ::utimensat(AT_FDCWD, to.constData(), times, 0);
        copyUserAttributes(from, to);
    } else {
        *failure
            = { QFile::decodeName(from), QStringLiteral("a special file (device, pipe or socket) cannot be copied") };
        return false;
    }
    if (progress && !progress(QFile::decodeName(from))) {
        *failure = { QFile::decodeName(from), QStringLiteral("the copy was stopped") };
        return false;
    }
    return true;
}

} // namespace

// 0, or the errno of the failed no-replace rename.
static int renameCode(const QString& from, const QString& to)
{
    const QByteArray src = enc(from);
    const QByteArray dst = enc(to);
    if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    const int code = errno;
    if (code != EINVAL || !exists(src)) {
        return code;
    }
    // A file system without the no-replace flag: test, then rename (a narrow window only).
    if (exists(dst)) {
        return EEXIST;
    }
    return std::rename(src.constData(), dst.constData()) == 0 ? 0 : errno;
}

bool FileOps::renameNoReplace(const QString& from, const QString& to, QString* error)
{
    const int code = renameCode(from, to);
    return code == 0 || fail(error, QStringLiteral("move the item"), from, errnoText(code));
}

bool FileOps::copyItem(const QString& from, const QString& to, QString* error, const Progress& progress)
{
    const QByteArray src = enc(from);
    const QByteArray dst = enc(to);
    if (from.isEmpty() || !exists(src)) {
        return fail(error, QStringLiteral("copy the item"), from, errnoText(ENOENT));
    }
    if (to.isEmpty() || exists(dst)) {
        return fail(error, QStringLiteral("copy the item"), to, errnoText(EEXIST));
    }
    if (QFileInfo(parentOf(to)).canonicalFilePath().isEmpty()) {
        return fail(error, QStringLiteral("copy the item"), to, errnoText(ENOENT));
    }
    if (containsPath(from, parentOf(to))) {
        return fail(error, QStringLiteral("copy the item"), from,
                    QStringLiteral("a folder cannot be copied into itself"));
    }
    // Build the copy under a hidden temporary name and rename it into place once complete.
    QString scratch;
    do {
        scratch = parentOf(to) + QStringLiteral("/.tarsel-copy-")
            + QString::number(QRandomGenerator::global()->generate64(), 36);
    } while (exists(enc(scratch)));
    Failure failure;
    if (!copyTree(src, enc(scratch), progress, &failure)) {
        removeItem(scratch);
        return fail(error, QStringLiteral("copy the item"), failure.file, failure.why);
    }
    if (const int code = renameCode(scratch, to)) {
        removeItem(scratch);
        return fail(error, QStringLiteral("copy the item"), to, errnoText(code));
    }
    return true;
}

bool FileOps::moveItem(const QString& from, const QString& to, QString* error, const Progress& progress)
{
    const int code = renameCode(from, to);
    if (code == 0) {
        return true;
    }
    if (code != EXDEV) {
        return fail(error, QStringLiteral("move the item"), from, errnoText(code));
    }
    // Another file system: copy, and remove the source only once the copy stands complete.
    if (!copyItem(from, to, error, progress)) {
        return false;
    }
    QString removeError;
    if (!removeItem(from, &removeError)) {
        return fail(error, QStringLiteral("move the item"), from,
                    QStringLiteral("the copy at \"%1\" is complete, but the original could not be removed: %2")
                        .arg(to, removeError));
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
