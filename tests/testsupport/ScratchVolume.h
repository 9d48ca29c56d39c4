#pragma once

#include <QString>

namespace tarsel::test {

/// A file system of its own for the length of a scope: a small tmpfs mounted on a folder (made
/// when missing), so that a test can play a second disk, a volume whose top folder is not on the
/// home's file system. Mounting takes root (CAP_SYS_ADMIN), which CI has; where it is refused
/// ok() is false and why() says so, for the test to skip with.
class ScratchVolume final
{
public:
    explicit ScratchVolume(const QString& path);
    ~ScratchVolume();
    ScratchVolume(const ScratchVolume&) = delete;
    ScratchVolume& operator=(const ScratchVolume&) = delete;

    bool ok() const { return m_mounted; }
    QString why() const { return m_why; }
    /// The mounted folder: the volume's top folder.
    QString path() const { return m_path; }

private:
    QString m_path;
    QString m_why;
    bool m_mounted = false;
};

} // namespace tarsel::test
