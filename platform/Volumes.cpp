#include "platform/Volumes.h"

#include "platform/MountTable.h"
#include "platform/Posix.h"
#include "platform/Task.h"
#include "platform/Workspace.h"

#include <QDir>

namespace platform {

namespace {

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
    if (mountPoint.isEmpty()) {
        return {};
    }
    const QString wanted = QDir::cleanPath(mountPoint);
    QString device;
    // Later lines mount over earlier ones: the last match is the one in force.
    for (const MountTable::Entry& entry : MountTable::read()) {
        if (entry.mountPoint == wanted && !entry.source.isEmpty()) {
            device = entry.source;
        }
    }
    return device;
}

bool Volumes::eject(const QString& mountPoint, QString* error)
{
    const auto fail
        = [&](const QString& why) { return posix::fail(error, QStringLiteral("eject the volume"), mountPoint, why); };
    const QString device = deviceForMountPoint(mountPoint);
    if (device.isEmpty()) {
        return fail(QStringLiteral("nothing is mounted there"));
    }
    if (Workspace::hasProgram(QStringLiteral("gio"))) {
        const Task::Result r
            = Task::run(QStringLiteral("gio"), { QStringLiteral("mount"), QStringLiteral("-e"), mountPoint });
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
