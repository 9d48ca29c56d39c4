#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLineEdit;
class QPushButton;
class QWidget;

namespace Ui {
class QVNewFolderWinCtl;
}

/// The new-folder dialog: the name of one new folder.
///
/// The handler runs once: OK hands it the name when it is a folder name (not blank, no "/", no
/// NUL, neither "." nor ".."; otherwise the dialog stays open); Cancel and closing the window
/// hand it the empty name.
class QVNewFolderWinCtl final : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void(const QString& name)>;

    explicit QVNewFolderWinCtl(QObject* parent = nullptr);
    ~QVNewFolderWinCtl() override;
    Q_DISABLE_COPY_MOVE(QVNewFolderWinCtl)

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    /// Opens the window at the mouse with the default name in the field.
    void open(const QString& name);
    void close();

    QWidget* window() const { return m_window.get(); }
    QLineEdit* nameInput() const;
    QPushButton* okButton() const;
    QPushButton* cancelButton() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    void onSure();
    void onCancel();

private:
    void answer(const QString& name);

    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<Ui::QVNewFolderWinCtl> m_ui;
    Handler m_handler;
};
