#include "platform/Alias.h"

#include "platform/Posix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool Alias::create(const QString& aliasPath, const QString& targetPath, QString* error)
{
    const auto fail
        = [&](const QString& why) { return posix::fail(error, QStringLiteral("create the alias"), aliasPath, why); };
    struct stat st
    {
    };
    if (targetPath.isEmpty() || ::lstat(QFile::encodeName(targetPath).constData(), &st) != 0) {
        return fail(QStringLiteral("the original \"%1\" does not exist").arg(targetPath));
    }
    const QString absolute = QDir::cleanPath(QFileInfo(targetPath).absoluteFilePath());
    // symlink() never replaces an existing item: EEXIST answers a taken name.
    if (aliasPath.isEmpty()
        || ::symlink(QFile::encodeName(absolute).constData(), QFile::encodeName(aliasPath).constData()) != 0) {
        return fail(posix::errnoText(aliasPath.isEmpty() ? ENOENT : errno));
    }
    return true;
}

bool Alias::isAlias(const QString& path)
{
    struct stat st
    {
    };
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

QString Alias::target(const QString& path)
{
    if (!isAlias(path)) {
        return {};
    }
    const QString link = QFile::symLinkTarget(path); // absolute, made against the link's folder
    return link.isEmpty() ? QString() : QDir::cleanPath(link);
}

} // namespace platform
