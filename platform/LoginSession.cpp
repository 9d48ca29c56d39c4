#include "platform/LoginSession.h"

#include "platform/Paths.h"
#include "platform/Posix.h"

#include <QFile>
#include <QScopeGuard>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr qsizetype kMaxKeySize = 256;

// A folder of the user's own that nobody else may enter; made 0700 when missing.
bool ensurePrivateFolder(const QString& folder, QString* why)
{
    const QByteArray path = QFile::encodeName(folder);
    struct stat st
    {
    };
    if (::lstat(path.constData(), &st) != 0) {
        if (errno != ENOENT || !Paths::ensureFolder(folder) || ::chmod(path.constData(), 0700) != 0
            || ::lstat(path.constData(), &st) != 0) {
            *why = posix::errnoText(errno);
            return false;
        }
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077) != 0) {
        *why = QStringLiteral("the folder is not a private folder of this user");
        return false;
    }
    return true;
}

} // namespace

QByteArray LoginSession::sessionKey()
{
    QFile bootId(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    // Never empty: an empty marker is one that was only just made.
    QByteArray key
        = "boot " + (bootId.open(QIODevice::ReadOnly) ? bootId.read(kMaxKeySize / 2).trimmed() : QByteArray());
    if (!Paths::isSessionRuntimeFolder()) {
        // Several sessions of one user share a runtime folder; without one, each is told apart.
        key += " session " + qgetenv("XDG_SESSION_ID").left(kMaxKeySize / 4);
    }
    return key;
}

bool LoginSession::claimOnce(const QString& step, QString* error)
{
    const QString folder = Paths::runtimeFolder();
    const QString marker = folder + QStringLiteral("/tarsel-") + step;
    const auto fail = [&](const QString& why) {
        return posix::fail(error, QStringLiteral("keep the session marker"), marker, why);
    };
    QString why;
    if (!ensurePrivateFolder(folder, &why)) {
        return fail(why);
    }
    const int fd
        = ::open(QFile::encodeName(marker).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        return fail(posix::errnoText(errno));
    }
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) {
        return fail(QStringLiteral("the marker is not a file of this user"));
    }
    // Processes started at the same moment claim one after the other.
    if (::flock(fd, LOCK_EX) != 0) {
        return fail(posix::errnoText(errno));
    }
    QByteArray seen(kMaxKeySize, '\0');
    const ssize_t n = ::pread(fd, seen.data(), size_t(seen.size()), 0);
    seen.truncate(n > 0 ? qsizetype(n) : 0);
    const QByteArray key = sessionKey();
    if (seen == key) {
        return false;
    }
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, key.constData(), size_t(key.size()), 0) != ssize_t(key.size())) {
        return fail(posix::errnoText(errno));
    }
    return true;
}

} // namespace platform
