#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace Ui {
class QVSetColorFormatWinCtl;
}

/// The sheet in which the user edits one of the two colour templates of the colour window
/// (QVColorFormatTemplate). OK stores the text as typed (an empty text reads as the default
/// again) and runs the success block. Main thread only.
class QVSetColorFormatWinCtl final : public QObject
{
    Q_OBJECT

public:
    explicit QVSetColorFormatWinCtl(QObject* parent = nullptr);
    ~QVSetColorFormatWinCtl() override;
    Q_DISABLE_COPY_MOVE(QVSetColorFormatWinCtl)

    QWidget* window() const { return m_window.get(); }
    int formatIndex() const { return m_formatIndex; }
    void setSuccessBlock(std::function<void()> block) { m_successBlock = std::move(block); }

    /// Shows the sheet on the parent window (a window of its own without one).
    void openOnWindow(QWidget* parent);
    /// Fills the sheet for the template of the index (1, else 2): its label and the stored text.
    void editColorFormatIndex(int index);
    void onSure();
    void onCancel();

    QLabel* colorFormatLabel() const;
    QLineEdit* colorFormatInput() const;
    QLabel* colorFormatTipLabel() const;
    QPushButton* cancelBtn() const;
    QPushButton* okBtn() const;

private:
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<Ui::QVSetColorFormatWinCtl> m_ui;
    std::function<void()> m_successBlock;
    int m_formatIndex = 1;
};
