#include "platform/Ubiquity.h"

#include "platform/FileOps.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

namespace platform {

QString Ubiquity::containerPath()
{
    QString folder;
    if (qEnvironmentVariableIsSet("TARSEL_CLOUD_DIR")) {
        folder = qEnvironmentVariable("TARSEL_CLOUD_DIR");
    } else {
        folder = Paths::dataHome() + QStringLiteral("/tarsel/Cloud");
    }
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        return QString();
    }
    return folder;
}

QString Ubiquity::documentsPath()
{
    const QString container = containerPath();
    if (container.isEmpty()) {
        return QString();
    }
    const QString documents = container + QStringLiteral("/Documents");
    return QDir().mkpath(documents) ? documents : QString();
}

QList<Ubiquity::Item> Ubiquity::itemsNamed(const QString& fileName)
{
    QList<Item> items;
    const QString documents = documentsPath();
    if (documents.isEmpty() || fileName.isEmpty() || fileName.contains(QLatin1Char('/'))) {
        return items;
    }
    const QFileInfo info(documents + QLatin1Char('/') + fileName);
    if (info.isFile() && !info.isSymLink()) {
        items.append({ info.absoluteFilePath(), info.lastModified() });
    }
    return items;
}

bool Ubiquity::setUbiquitous(const QString& from, const QString& to, QString* error)
{
    const QFileInfo target(to);
    const QString staging = target.dir().filePath(QStringLiteral(".%1.uploading").arg(target.fileName()));
    FileOps::removeItem(staging);
    if (!FileOps::moveItem(from, staging, error)) {
        return false;
    }
    if (std::rename(QFile::encodeName(staging).constData(), QFile::encodeName(to).constData()) != 0) {
        if (error != nullptr) {
            *error = qt_error_string(errno);
        }
        // Put the file back where it was: the caller still has it.
        FileOps::moveItem(staging, from);
        return false;
    }
    return true;
}

std::optional<QByteArray> Ubiquity::read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll();
}

} // namespace platform
