#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QVFileHashWinCtl;
class QVFixNameWinCtl;

/// The file tool windows of one process (the file hash window and the garbled-name window):
/// made when a command opens them, installed as the foundation's openers while this object
/// lives, and dropped by clean(). The process lives on while one of them is open.
class QVFileToolWindows final : public QObject
{
    Q_OBJECT

public:
    /// What the windows need from the process: the system's sound types, and the count of work
    /// it must live for.
    struct Hooks
    {
        std::function<void(int type)> playSound;
        std::function<void()> beginPendingWork;
        std::function<void()> endPendingWork;
    };

    explicit QVFileToolWindows(Hooks hooks, QObject* parent = nullptr);
    ~QVFileToolWindows() override;
    Q_DISABLE_COPY_MOVE(QVFileToolWindows)

    QVFileHashWinCtl* fileHashWinCtl() const { return m_fileHashWinCtl.get(); }
    QVFixNameWinCtl* fixNameWinCtl() const { return m_fixNameWinCtl.get(); }
    /// Closes and drops both windows (safe inside a window's own callback).
    void clean();

private:
    template <typename WinCtl> void keepAliveWhileOpen(WinCtl& ctl);

    Hooks m_hooks;
    std::unique_ptr<QVFileHashWinCtl> m_fileHashWinCtl;
    std::unique_ptr<QVFixNameWinCtl> m_fixNameWinCtl;
};
