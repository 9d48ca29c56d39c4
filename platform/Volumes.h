#pragma once

#include <QString>

namespace platform {

/// Mounted volumes: unmounting and ejecting through the desktop's tools, run from argument
/// vectors ("gio mount -e PATH", else "udisksctl unmount -b DEVICE" then "udisksctl power-off").
class Volumes final
{
public:
    Volumes() = delete;

    /// The source device of the volume mounted exactly at the path, from the mount table
    /// (MountTable); null when nothing is mounted there.
    static QString deviceForMountPoint(const QString& mountPoint);
    /// Unmounts the volume mounted at the path and ejects (powers off) its drive.
    static bool eject(const QString& mountPoint, QString* error = nullptr);
};

} // namespace platform
