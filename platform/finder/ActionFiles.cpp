#include "platform/finder/ActionFiles.h"

#include "platform/Posix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace platform {

namespace {

// An action file is a few lines; only this much is looked at for the marker.
constexpr qint64 kMaxLook = 64 * 1024;

const QString kMarkerPrefix = QStringLiteral("# tarsel-action-id: ");

using posix::failureMessage;

enum class Found { Missing, Ours, Foreign, Unreadable };

Found look(const QString& path, QByteArray* content = nullptr)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return Found::Missing;
    }
    // A link or a folder of our name was put there by someone else.
    if (info.isSymLink() || !info.isFile()) {
        return Found::Foreign;
    }
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        return Found::Unreadable;
    }
    const QByteArray bytes = in.read(kMaxLook);
    if (content != nullptr) {
        *content = bytes;
    }
    for (const QByteArray& line : bytes.split('\n')) {
        if (line.startsWith(kMarkerPrefix.toUtf8())) {
            return Found::Ours;
        }
    }
    return Found::Foreign;
}

} // namespace

QString ActionFiles::markerLine(const QString& id)
{
    return kMarkerPrefix + id;
}

FileChange ActionFiles::write(const QString& folder, const QList<File>& files)
{
    FileChange result;
    result.ok = true;
    if (!QDir().mkpath(folder)) {
        result.ok = false;
        result.error
            = failureMessage(QStringLiteral("make the actions folder"), folder, QStringLiteral("not a folder"));
        return result;
    }
    QStringList problems;
    for (const File& file : files) {
        const QString path = folder + QLatin1Char('/') + file.name;
        QByteArray current;
        const Found found = look(path, &current);
        if (found == Found::Foreign || found == Found::Unreadable) {
            result.ok = false;
            problems << QStringLiteral("Left alone: \"%1\" is not Tarsel's or cannot be read.").arg(path);
            continue;
        }
        const QByteArray bytes = file.content.toUtf8();
        const QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther
            | (file.executable ? QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther : QFile::Permissions());
        if (found == Found::Ours && current == bytes && QFileInfo(path).isExecutable() == file.executable) {
            continue;
        }
        QSaveFile out(path);
        // The mode is set once the file is in place: the temporary file's name is not ours to know.
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) < 0 || !out.commit()
            || !QFile::setPermissions(path, mode)) {
            result.ok = false;
            problems << failureMessage(QStringLiteral("write an action"), path, out.errorString());
            continue;
        }
        result.changed = true;
    }
    result.error = problems.join(QLatin1Char('\n'));
    return result;
}

FileChange ActionFiles::remove(const QString& folder, const QStringList& names)
{
    FileChange result;
    result.ok = true;
    QStringList problems;
    for (const QString& name : names) {
        const QString path = folder + QLatin1Char('/') + name;
        if (look(path) != Found::Ours) {
            continue;
        }
        QFile file(path);
        if (!file.remove()) {
            result.ok = false;
            problems << failureMessage(QStringLiteral("remove an action"), path, file.errorString());
            continue;
        }
        result.changed = true;
    }
    result.error = problems.join(QLatin1Char('\n'));
    return result;
}

int ActionFiles::oursInPlace(const QString& folder, const QStringList& names)
{
    int count = 0;
    for (const QString& name : names) {
        if (look(folder + QLatin1Char('/') + name) == Found::Ours) {
            ++count;
        }
    }
    return count;
}

} // namespace platform
