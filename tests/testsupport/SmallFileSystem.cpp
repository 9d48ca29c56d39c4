#include "testsupport/SmallFileSystem.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <sys/mount.h>

namespace tarsel::test {

SmallFileSystem::SmallFileSystem(const QString& name, qint64 bytes)
    : m_root(inHome(name))
{
    QDir().mkpath(m_root);
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
    m_mounted
        = ::mount("tmpfs", QFile::encodeName(m_root).constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData())
        == 0;
}

SmallFileSystem::~SmallFileSystem()
{
    if (m_mounted) {
        // Lazily: a file still open in the test must not keep the mount behind.
        ::umount2(QFile::encodeName(m_root).constData(), MNT_DETACH);
    }
}

QString SmallFileSystem::path(const QString& relative) const
{
    return relative.isEmpty() ? m_root : m_root + QLatin1Char('/') + relative;
}

} // namespace tarsel::test
