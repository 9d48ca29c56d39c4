#pragma once

#include <QtGlobal>

#include <atomic>

/// The process-wide hook object, one per process in both deliverables. Folder access reads
/// its first-activation flag: whether the one-time activation panel has been answered with
/// "Activate". The flag lives in memory only, so every new process starts with NO.
class QVPermissions final
{
public:
    static QVPermissions& sharedInstance();
    Q_DISABLE_COPY_MOVE(QVPermissions)

    bool isActive15() const { return m_isActive15.load(); }
    void setIsActive15(bool active) { m_isActive15.store(active); }

private:
    QVPermissions() = default;

    std::atomic<bool> m_isActive15 { false };
};
