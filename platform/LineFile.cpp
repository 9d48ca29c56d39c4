#include "platform/LineFile.h"

#include "platform/Posix.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

using posix::errnoText;
using posix::fail;

using posix::Fd;

// Why a line file with these attributes is not used; empty when it may be.
QString refusal(const struct stat& st, bool forChange)
{
    if (S_ISLNK(st.st_mode)) {
        return QStringLiteral("it is a symbolic link, which is not followed");
    }
    if (!S_ISREG(st.st_mode)) {
        return QStringLiteral("it is not a regular file");
    }
    // Another account's file in a shared folder is theirs to change, not ours.
    if (forChange && st.st_uid != ::geteuid() && st.st_uid != 0) {
        return QStringLiteral("it belongs to another account");
    }
    if (st.st_size > LineFile::kMaxSize) {
        return QStringLiteral("it is larger than %1 bytes").arg(LineFile::kMaxSize);
    }
    return QString();
}

// The file named `name` in the folder `dirFd`, read without following a link and without
// waiting on a FIFO. Sets *exists; false with the reason when it is there but not usable.
bool readContents(int dirFd, const QByteArray& name, bool forChange, QByteArray* contents, bool* exists,
                  struct stat* attributes, QString* why)
{
    *exists = false;
    struct stat st
    {
    };
    // Looked at before opening, so that nothing but a regular file is ever opened.
    if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) {
            return true;
        }
        *why = errnoText(errno);
        return false;
    }
    *why = refusal(st, forChange);
    if (!why->isEmpty()) {
        return false;
    }
    Fd fd(::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.ok()) {
        if (errno == ENOENT) {
            return true;
        }
        *why = errno == ELOOP ? refusal(st, forChange) : errnoText(errno);
        return false;
    }
    // It may have been swapped between the look and the open: judge what was opened.
    if (::fstat(fd.get(), &st) != 0) {
        *why = errnoText(errno);
        return false;
    }
    *why = refusal(st, forChange);
    if (!why->isEmpty()) {
        return false;
    }
    *exists = true;
    *attributes = st;
    contents->clear();
    if (const int code = posix::readAll(fd.get(), contents, LineFile::kMaxSize)) {
        *why = code == EFBIG ? QStringLiteral("it is larger than %1 bytes").arg(LineFile::kMaxSize) : errnoText(code);
        return false;
    }
    return true;
}

QStringList splitLines(const QByteArray& contents)
{
    if (contents.isEmpty()) {
        return {};
    }
    QStringList lines = QString::fromUtf8(contents).split(QLatin1Char('\n'));
    if (lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

// The folder part and the name of a line file's path; false when the path names no file.
bool splitPath(const QString& path, QByteArray* folder, QByteArray* name)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString last = path.mid(slash + 1);
    if (last.isEmpty() || last == QLatin1String(".") || last == QLatin1String("..")) {
        return false;
    }
    *folder = QFile::encodeName(slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : path.left(slash));
    *name = QFile::encodeName(last);
    return true;
}

int openFolder(const QByteArray& folder, bool forLock)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder that may be searched but not listed still serves a plain read.
    if (fd < 0 && errno == EACCES && !forLock) {
        return ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    return fd;
}

// The folder's exclusive lock, waited for at most kLockWaitMs: another account can hold the
// lock of a shared folder for ever, and that must not hang us.
bool lockFolder(int dirFd, QString* why)
{
    const QDeadlineTimer deadline(LineFile::kLockWaitMs);
    unsigned long pauseMs = 1;
    for (;;) {
        if (posix::retryOnInterrupt([dirFd] { return ::flock(dirFd, LOCK_EX | LOCK_NB); }) == 0) {
            return true;
        }
        if (errno != EWOULDBLOCK) {
            *why = errnoText(errno);
            return false;
        }
        if (deadline.hasExpired()) {
            *why = QStringLiteral("another process has held the folder's lock for %1 ms").arg(LineFile::kLockWaitMs);
            return false;
        }
        QThread::msleep(pauseMs);
        pauseMs = qMin<unsigned long>(pauseMs * 2, 20);
    }
}

} // namespace

QStringList LineFile::read(const QString& path, QString* error)
{
    const QString action = QStringLiteral("read the line file");
    QByteArray folder;
    QByteArray name;
    if (!splitPath(path, &folder, &name)) {
        fail(error, action, path, QStringLiteral("the path names no file"));
        return {};
    }
    const Fd dir(openFolder(folder, false));
    if (!dir.ok()) {
        if (errno != ENOENT && errno != ENOTDIR) {
            fail(error, action, path, errnoText(errno));
        }
        return {};
    }
    QByteArray contents;
    bool exists = false;
    struct stat st
    {
    };
    QString why;
    if (!readContents(dir.get(), name, false, &contents, &exists, &st, &why)) {
        fail(error, action, path, why);
        return {};
    }
    return splitLines(contents);
}

bool LineFile::update(const QString& path, const QString& what, const Editor& edit, QString* error)
{
    QByteArray folder;
    QByteArray name;
    if (!splitPath(path, &folder, &name)) {
        return fail(error, QStringLiteral("change the ") + what, path, QStringLiteral("the path names no file"));
    }
    const Fd dir(openFolder(folder, true));
    QString why;
    if (!dir.ok()) {
        return fail(error, QStringLiteral("open the folder of the ") + what, path, errnoText(errno));
    }
    // The lock goes with the descriptor: closing it at the end of this scope releases it.
    if (!lockFolder(dir.get(), &why)) {
        return fail(error, QStringLiteral("lock the folder of the ") + what, path, why);
    }
    QByteArray contents;
    bool exists = false;
    struct stat st
    {
    };
    if (!readContents(dir.get(), name, true, &contents, &exists, &st, &why)) {
        return fail(error, QStringLiteral("read the ") + what, path, why);
    }
    QStringList lines = splitLines(contents);
    switch (edit(lines, exists)) {
    case Edit::Keep:
        return true;
    case Edit::Remove:
        if (exists && ::unlinkat(dir.get(), name.constData(), 0) != 0 && errno != ENOENT) {
            return fail(error, QStringLiteral("remove the ") + what, path, errnoText(errno));
        }
        return true;
    case Edit::Write:
        break;
    }
    const QByteArray data
        = lines.isEmpty() ? QByteArray() : (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    // A link or a file planted at the name is replaced, never written through; the mode stays.
    const std::optional<mode_t> mode = exists ? std::optional<mode_t>(st.st_mode & 0666) : std::nullopt;
    if (const int code = posix::replaceFile(dir.get(), name, data, mode)) {
        return fail(error, QStringLiteral("write the ") + what, path, errnoText(code));
    }
    return true;
}

bool LineFile::write(const QString& path, const QStringList& lines, QString* error)
{
    return update(
        path, QStringLiteral("line file"),
        [&lines](QStringList& current, bool) {
            current = lines;
            return Edit::Write;
        },
        error);
}

} // namespace platform
