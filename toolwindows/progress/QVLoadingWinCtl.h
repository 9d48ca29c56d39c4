#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace Ui {
class QVLoadingWinCtl;
}

/// The small wait window shown while background work runs: a spinner or a progress bar, a
/// tip, a Cancel button shown once a percentage is known, and a success state with a tick
/// that closes itself one second later. Main thread only.
///
/// States: closed → waiting (spinner, "Please Wait Tip", no Cancel) → progress after the first
/// percentage above 0 (bar, "25.6%", Cancel) → closed by close() or Cancel; or success (tick
/// and text for one second, then closed and the completion run).
class QVLoadingWinCtl final : public QObject
{
    Q_OBJECT

public:
    explicit QVLoadingWinCtl(QObject* parent = nullptr);
    ~QVLoadingWinCtl() override;
    Q_DISABLE_COPY_MOVE(QVLoadingWinCtl)

    QWidget* window() const { return m_window.get(); }
    double percent() const { return m_percent; }
    QString tip() const { return m_tip; }
    void setCancelHandler(std::function<void()> handler) { m_cancelHandler = std::move(handler); }
    bool hasCancelHandler() const { return bool(m_cancelHandler); }

    void open();
    /// A fraction 0..1; shows Cancel, the bar (indeterminate when not above 0) and "%.1f%%".
    void setPercent(double percent);
    /// Kept always; shown only while no percentage above 0 is known.
    void setTip(const QString& tip);
    void close();
    /// Opens in the success state with the text, and one second later closes and runs the block.
    void showSuccess(const QString& text, std::function<void()> complete = {});

    QProgressBar* progressIndicator() const;
    QLabel* tipLabel() const;
    QPushButton* cancelButton() const;
    QLabel* imageView() const;

private Q_SLOTS:
    void onCancel();

private:
    void startSpinner();
    void stopSpinner();

    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<Ui::QVLoadingWinCtl> m_ui;
    double m_percent = 0;
    QString m_tip;
    std::function<void()> m_cancelHandler;
};
