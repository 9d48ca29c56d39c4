#include "platform/finder/MountMonitor.h"

#include "platform/MountTable.h"
#include "platform/Paths.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

Q_DECLARE_LOGGING_CATEGORY(lcMount)

namespace platform {

namespace {

bool isBelow(const QString& path, const QString& root)
{
    return path.startsWith(root + QLatin1Char('/')) && path.size() > root.size() + 1;
}

} // namespace

MountMonitor::MountMonitor(QObject* parent)
    : QObject(parent)
{
    const QStringList now = mountedVolumePaths(false);
    m_mountPoints = QSet<QString>(now.begin(), now.end());
    const QString path = MountTable::path();
    if (path == MountTable::kKernelPath) {
        // The kernel marks the table file exceptional (POLLPRI) whenever a mount changes.
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (m_fd >= 0) {
            m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Exception, this);
            connect(m_notifier, &QSocketNotifier::activated, this, &MountMonitor::rescan);
        } else {
            qCWarning(lcMount).noquote() << "cannot watch the mount table" << path;
        }
    }
}

MountMonitor::~MountMonitor()
{
    delete m_notifier;
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

QStringList MountMonitor::mountedVolumePaths(bool skipHidden)
{
    const QStringList roots = Paths::volumeRoots();
    QStringList volumes;
    for (const MountTable::Entry& entry : MountTable::read()) {
        const QString& point = entry.mountPoint;
        bool isVolume = false;
        for (const QString& root : roots) {
            if (isBelow(point, root)) {
                isVolume = true;
                break;
            }
        }
        if (!isVolume || volumes.contains(point)) {
            continue;
        }
        if (skipHidden && QFileInfo(point).fileName().startsWith(QLatin1Char('.'))) {
            continue;
        }
        volumes.append(point);
    }
    return volumes;
}

void MountMonitor::rescan()
{
    const QStringList now = mountedVolumePaths(false);
    QSet<QString> current(now.begin(), now.end());
    for (const QString& point : now) {
        if (!m_mountPoints.contains(point)) {
            Q_EMIT didMount(point);
        }
    }
    m_mountPoints = std::move(current);
}

} // namespace platform
