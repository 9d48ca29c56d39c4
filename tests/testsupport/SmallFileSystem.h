#pragma once

#include <QString>
#include <QtGlobal>

namespace tarsel::test {

/// A file system of its own, with a fixed small size, mounted (tmpfs) on a folder in the test's
/// home for the life of the object: a full disk, or a second file system for moves across
/// devices. Mounting needs root (CI runs as root); usable() is false where it is refused, and
/// the test skips.
class SmallFileSystem
{
public:
    explicit SmallFileSystem(const QString& name, qint64 bytes = 1024 * 1024);
    ~SmallFileSystem();
    Q_DISABLE_COPY_MOVE(SmallFileSystem)

    bool usable() const { return m_mounted; }
    /// The mount point, or a path in it.
    QString path(const QString& relative = QString()) const;

private:
    QString m_root;
    bool m_mounted = false;
};

} // namespace tarsel::test
