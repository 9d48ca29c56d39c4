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

    /// What opened the application's own context menu last; the plain right click alone gets an
    /// entry that passes the click on to the file manager.
    enum EventType : int {
        MiddleOrModifierClick = 0,
        PlainRightClick = 1,
        HotKeyOrStatusItem = 2,
    };
    int eventType() const { return m_eventType.load(); }
    void setEventType(int type) { m_eventType.store(type); }

private:
    QVPermissions() = default;

    std::atomic<bool> m_isActive15 { false };
    std::atomic<int> m_eventType { MiddleOrModifierClick };
};
