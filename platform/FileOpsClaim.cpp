// Free names of FileOps: variants of a name, and claiming the first free one atomically.

#include "platform/FileOps.h"

#include "platform/Posix.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Gives up after this many candidates in a row were taken between the test and the claim:
// something keeps taking names faster than they can be tried.
constexpr int kTakenLimit = 10000;

bool exists(const QString& path)
{
    struct stat st
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// The position of the dot that starts the extension of the path's last component, or -1
// (none: no dot, a leading dot as in ".profile", or a trailing one as in "name.").
qsizetype extensionDot(const QString& path)
{
    const qsizetype start = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return (dot <= start || dot == path.size() - 1) ? -1 : dot;
}

} // namespace

QString FileOps::variantPath(const QString& path, qint64 n)
{
    if (n <= 0) {
        return path;
    }
    const qsizetype dot = extensionDot(path);
    const QString number = QLatin1Char('-') + QString::number(n);
    return dot < 0 ? path + number : path.left(dot) + number + path.mid(dot);
}

QString FileOps::claimFreeVariant(const QString& path, const Claim& claim, QString* error)
{
    if (path.isEmpty()) {
        posix::fail(error, QStringLiteral("claim a free name"), path, posix::errnoText(ENOENT));
        return {};
    }
    int taken = 0;
    for (qint64 n = 0;; ++n) {
        const QString candidate = variantPath(path, n);
        if (exists(candidate)) {
            continue;
        }
        // The test above only skips what is known to be taken; the claim itself decides.
        const int code = claim(candidate);
        if (code == 0) {
            return candidate;
        }
        if (code != EEXIST || ++taken > kTakenLimit) {
            posix::fail(error, QStringLiteral("claim a free name"), candidate, posix::errnoText(code));
            return {};
        }
    }
}

QString FileOps::renameToFreeVariant(const QString& from, const QString& path, QString* error)
{
    return claimFreeVariant(
        path, [&from](const QString& candidate) { return posix::renameNoReplace(from, candidate); }, error);
}

QString FileOps::makeFreeFolder(const QString& path, QString* error)
{
    return claimFreeVariant(
        path,
        [](const QString& candidate) {
            return ::mkdir(QFile::encodeName(candidate).constData(), 0777) == 0 ? 0 : errno;
        },
        error);
}

QString FileOps::scratchPathBeside(const QString& path, const QString& prefix)
{
    QString scratch;
    do {
        scratch = scratchNameBeside(path, prefix);
    } while (exists(scratch));
    return scratch;
}

QString FileOps::scratchNameBeside(const QString& path, const QString& prefix)
{
    const qsizetype dot = extensionDot(path);
    const QString folder = posix::parentOf(path);
    const QString start = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    return start + QLatin1Char('.') + prefix + QString::number(QRandomGenerator::global()->generate64(), 36)
        + (dot < 0 ? QString() : path.mid(dot));
}

QString FileOps::writeFreeVariant(const QString& path, const Writer& write, QString* error)
{
    const QString action = QStringLiteral("write the file");
    QString scratch;
    for (int attempt = 0;; ++attempt) {
        scratch = scratchPathBeside(path, QStringLiteral("tarsel-new-"));
        // The usual mode of a new file (the umask applies): a writer that keeps the modes of
        // the file it replaces hands them on to the result.
        const int fd = ::open(QFile::encodeName(scratch).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            break;
        }
        if (errno != EEXIST || attempt >= 100) {
            posix::fail(error, action, path, posix::errnoText(errno));
            return {};
        }
    }
    QString why;
    if (!write(scratch, &why)) {
        if (exists(scratch)) {
            removeItem(scratch);
        }
        posix::fail(error, action, path, why.isEmpty() ? QStringLiteral("not written") : why);
        return {};
    }
    const QString placed = renameToFreeVariant(scratch, path, error);
    if (placed.isEmpty()) {
        removeItem(scratch);
    }
    return placed;
}

} // namespace platform
