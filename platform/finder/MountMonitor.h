#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class QSocketNotifier;

namespace platform {

/// Mounted volumes and mount notifications, read from the kernel's mount table (MountTable).
///
/// A volume is a mount point below one of the desktop's volume roots (Paths::volumeRoots);
/// a hidden volume is one whose folder name begins with ".". The monitor re-reads the table
/// whenever the kernel reports a change and announces every mount point that was not there
/// before; unmounts are not announced.
class MountMonitor final : public QObject
{
    Q_OBJECT

public:
    explicit MountMonitor(QObject* parent = nullptr);
    ~MountMonitor() override;
    Q_DISABLE_COPY_MOVE(MountMonitor)

    /// The mount points of the volumes now mounted, in the table's order; hidden ones left out
    /// when skipHidden is true.
    static QStringList mountedVolumePaths(bool skipHidden);

public Q_SLOTS:
    /// Re-reads the table and announces the new mount points.
    void rescan();

Q_SIGNALS:
    void didMount(const QString& mountPoint);

private:
    QSet<QString> m_mountPoints;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace platform
