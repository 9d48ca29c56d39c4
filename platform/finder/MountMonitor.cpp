#include "platform/finder/MountMonitor.h"

#include "platform/Paths.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutex>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcMount, "tarsel.platform.mount", QtWarningMsg)

namespace platform {

namespace {

const QString kKernelMountInfo = QStringLiteral("/proc/self/mountinfo");

QMutex& pathMutex()
{
    static QMutex m;
    return m;
}

QString& pathStorage()
{
    static QString path;
    return path;
}

// Undoes the kernel's octal escapes ("\040" for a blank) byte by byte.
QString decodeMountField(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = false;
            const int value = digits.toInt(&ok, 8);
            if (ok && digits.size() == 3 && value < 256) {
                out += char(value);
                i += 3;
                continue;
            }
        }
        out += c;
    }
    return QFile::decodeName(out);
}

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
    const QString path = mountInfoPath();
    if (path == kKernelMountInfo) {
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

void MountMonitor::setMountInfoPath(const QString& path)
{
    QMutexLocker lock(&pathMutex());
    pathStorage() = path;
}

QString MountMonitor::mountInfoPath()
{
    QMutexLocker lock(&pathMutex());
    return pathStorage().isEmpty() ? kKernelMountInfo : pathStorage();
}

QStringList MountMonitor::parseMountPoints(const QByteArray& mountInfo)
{
    QStringList points;
    for (const QByteArray& line : mountInfo.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 5) {
            continue;
        }
        points.append(decodeMountField(fields[4]));
    }
    return points;
}

QStringList MountMonitor::mountedVolumePaths(bool skipHidden)
{
    QFile file(mountInfoPath());
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcMount).noquote() << "cannot read the mount table" << file.fileName() << file.errorString();
        return {};
    }
    // The kernel's table reports size 0, so read to the end rather than by size.
    const QByteArray table = file.readAll();
    const QStringList roots = Paths::volumeRoots();
    QStringList volumes;
    for (const QString& point : parseMountPoints(table)) {
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
