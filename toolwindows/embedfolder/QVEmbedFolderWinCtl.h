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
class QVEmbedFolderWinCtl;
}

/// The embed dialog: the name of the new folder the selected items go into, and whether they are
/// sorted into sub-folders by extension (mode 1) or not (mode 0).
///
/// The handler runs once: OK hands it the name and the mode, when the name is a folder name (not
/// blank, no "/", no NUL, neither "." nor ".."; otherwise the dialog stays open); Cancel and
/// closing the window hand it the empty name and mode 0.
class QVEmbedFolderWinCtl final : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void(const QString& name, int mode)>;

    explicit QVEmbedFolderWinCtl(QObject* parent = nullptr);
    ~QVEmbedFolderWinCtl() override;
    Q_DISABLE_COPY_MOVE(QVEmbedFolderWinCtl)

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    /// Opens the window at the mouse with the default name in the field.
    void openWithName(const QString& name);
    void close();

    QWidget* window() const { return m_window.get(); }
    QLineEdit* foldIntoInput() const;
    QComboBox* modePupUpButton() const;
    QPushButton* okButton() const;
    QPushButton* cancelButton() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    void onSure();
    void onCancel();

private:
    void answer(const QString& name, int mode);

    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<Ui::QVEmbedFolderWinCtl> m_ui;
    Handler m_handler;
};
