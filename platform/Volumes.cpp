#include "platform/Volumes.h"

#include "platform/Task.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QFile>

namespace platform {

namespace {

// Mount points in mountinfo escape blanks, tabs, newlines and backslashes as octal.
QString unescapeMountField(const QByteArray& field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(static_cast<char>(code));
                i += 3;
                continue;
            }
        }
        out.append(field.at(i));
    }
    return QFile::decodeName(out);
}

QString message(const QString& mountPoint, const QString& why)
{
    return QStringLiteral("Failed to eject the volume. File: \"%1\". Error: \"%2\"").arg(mountPoint, why);
}

QString toolError(const Task::Result& result, const QString& tool)
{
    const QString text = QString::fromLocal8Bit(result.standardError).trimmed();
    if (!result.started) {
        return QStringLiteral("%1 could not be started").arg(tool);
    }
    return text.isEmpty() ? QStringLiteral("%1 exited with status %2").arg(tool).arg(result.exitStatus) : text;
}

} // namespace

QString Volumes::deviceForMountPoint(const QString& mountPoint)
{
    const QByteArray override = qgetenv("TARSEL_MOUNTINFO");
    QFile file(override.isEmpty() ? QStringLiteral("/proc/self/mountinfo") : QFile::decodeName(override));
    if (mountPoint.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QString wanted = QDir::cleanPath(mountPoint);
    QString device;
    // Later lines mount over earlier ones: the last match is the one in force.
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() < 5 || dash < 0 || dash + 2 >= fields.size()) {
            continue;
        }
        if (unescapeMountField(fields.at(4)) == wanted) {
            device = unescapeMountField(fields.at(dash + 2));
        }
    }
    return device;
}

bool Volumes::eject(const QString& mountPoint, QString* error)
{
    const auto fail = [&](const QString& why) {
        if (error) {
            *error = message(mountPoint, why);
        }
        return false;
    };
    const QString device = deviceForMountPoint(mountPoint);
    if (device.isEmpty()) {
        return fail(QStringLiteral("nothing is mounted there"));
    }
    if (Workspace::hasProgram(QStringLiteral("gio"))) {
        const Task::Result r = Task::run(QStringLiteral("gio"), { QStringLiteral("mount"), QStringLiteral("-e"), mountPoint });
        if (r.ok()) {
            return true;
        }
        if (!Workspace::hasProgram(QStringLiteral("udisksctl"))) {
            return fail(toolError(r, QStringLiteral("gio")));
        }
    }
    if (!device.startsWith(QLatin1String("/dev/"))) {
        return fail(QStringLiteral("the volume \"%1\" is not a disk that can be ejected").arg(device));
    }
    const QString udisks = QStringLiteral("udisksctl");
    const Task::Result unmount = Task::run(udisks, { QStringLiteral("unmount"), QStringLiteral("-b"), device });
    if (!unmount.ok()) {
        return fail(toolError(unmount, udisks));
    }
    // The volume is off the desktop now; a drive that cannot be powered off (an internal
    // disk, a loop device) is not an error.
    Task::run(udisks, { QStringLiteral("power-off"), QStringLiteral("-b"), device });
    return true;
}

} // namespace platform
