#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace Ui {
class QVScriptInfoWinCtl;
}

/// The script result window: what a user script printed (success) or, on failure, the text the
/// engine hands over (the script, or an AppleScript error) with a hint that the command may lack
/// permission and can be run in a terminal. The main button copies the command to the pasteboard
/// and opens a terminal: iTerm2 in the folder when "pref check10" is on (the check box beside
/// it), else the user's terminal at the Desktop. Main thread only.
class QVScriptInfoWinCtl final : public QObject
{
    Q_OBJECT

public:
    /// The shared switch: run commands in iTerm2 instead of the terminal.
    static inline const QString kITerm2Switch = QStringLiteral("pref check10");
    /// The height of the output view on success.
    static constexpr int kSuccessTextHeight = 137;

    explicit QVScriptInfoWinCtl(QObject* parent = nullptr);
    ~QVScriptInfoWinCtl() override;
    Q_DISABLE_COPY_MOVE(QVScriptInfoWinCtl)

    QWidget* window() const { return m_window.get(); }
    QString cmd() const { return m_cmd; }
    void setCmd(const QString& cmd) { m_cmd = cmd; }
    QString folder() const { return m_folder; }
    void setFolder(const QString& folder) { m_folder = folder; }
    bool success() const { return m_success; }

    /// Titles the window, shows the text in the success or failure presentation and opens it
    /// (above other windows on systems where tool windows float).
    void openWithTitle(const QString& title, const QString& text, bool success);
    /// Brings the check box, the hint, its colour and the main button's title in line with
    /// "pref check10" and the presentation.
    void refresh();
    void close();

    QLabel* tipLabel() const;
    QPlainTextEdit* scriptTextView() const;
    QCheckBox* iterm2CheckBox() const;
    QPushButton* okButton() const;
    QPushButton* cancelButton() const;

Q_SIGNALS:
    /// The window was closed: by its buttons, by close() or by the window manager.
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    void onCheckIterm2();
    void onPasteTo();
    void onCancel();

private:
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<Ui::QVScriptInfoWinCtl> m_ui;
    QString m_cmd;
    QString m_folder;
    bool m_success = false;
    int m_textMinimumHeight = 0;
    int m_textMaximumHeight = 0;
};
