#include "ScratchVolume.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>

namespace tarsel::test {

ScratchVolume::ScratchVolume(const QString& path)
    : m_path(path)
{
    if (!QDir().mkpath(path)) {
        m_why = QStringLiteral("cannot make the mount folder \"%1\"").arg(path);
        return;
    }
    // Open to every account and not sticky, like a carelessly shared disk: anyone may plant or
    // rename entries in its top folder.
    if (::mount("tarsel-test", QFile::encodeName(path).constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=16m,mode=0777")
        != 0) {
        m_why = QStringLiteral("cannot mount a tmpfs on \"%1\": %2")
                    .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_mounted = true;
}

ScratchVolume::~ScratchVolume()
{
    if (m_mounted) {
        ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
    }
}

} // namespace tarsel::test
