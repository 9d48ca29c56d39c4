#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace Ui {
class QVFolderNameWinCtl;
}

/// The dialog that asks for the name of a new folder: the new-folder dialog (the name alone) and
/// the embed dialog (the name, and whether the items are sorted into sub-folders by extension:
/// mode 1, or not: mode 0) are this one window, with or without the mode row.
///
/// The handler runs once: OK hands it the name and the mode, when the name is a folder name (not
/// blank, no "/", no NUL, neither "." nor ".."; otherwise the dialog stays open); Cancel and
/// closing the window hand it the empty name and mode 0.
class QVFolderNameWinCtl : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void(const QString& name, int mode)>;

    ~QVFolderNameWinCtl() override;
    Q_DISABLE_COPY_MOVE(QVFolderNameWinCtl)

    void close();

    QWidget* window() const { return m_window.get(); }
    QPushButton* okButton() const;
    QPushButton* cancelButton() const;

protected:
    /// `withMode`: the embed dialog, titled "Embed in Folder", with the labels and the mode
    /// pop-up; otherwise the new-folder dialog, titled "New Folder", with the name field only.
    QVFolderNameWinCtl(bool withMode, QObject* parent);

    void setNameHandler(Handler handler) { m_handler = std::move(handler); }
    /// Opens the window at the mouse with the default name in the field.
    void openWithDefault(const QString& name);
    QLineEdit* nameField() const;
    QComboBox* modeButton() const;

    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    void onSure();
    void onCancel();

private:
    void answer(const QString& name, int mode);

    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<Ui::QVFolderNameWinCtl> m_ui;
    Handler m_handler;
};
