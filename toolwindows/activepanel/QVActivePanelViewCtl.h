#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QWidget;

namespace Ui {
class QVActivePanelViewCtl;
}

/// The accessory of the one-time activation panel that folder access shows inside the
/// extension: a tip and an "Activate" button that runs the opener's handler.
///
/// runActivePanel() is that opener: a save panel titled "Activate" whose accepting button is
/// "Don't click", above every other window, with a new controller's view as its accessory.
/// "Activate" records the activation (QVPermissions) and cancels the panel; the panel's own
/// answer is ignored. The extension installs it as folder access's activation panel.
class QVActivePanelViewCtl final : public QObject
{
    Q_OBJECT

public:
    explicit QVActivePanelViewCtl(QObject* parent = nullptr);
    ~QVActivePanelViewCtl() override;
    Q_DISABLE_COPY_MOVE(QVActivePanelViewCtl)

    /// Runs the activation panel modally; returns when it has closed.
    static void runActivePanel();

    QWidget* view() const { return m_view.get(); }
    void setActiveHandler(std::function<void()> handler) { m_activeHandler = std::move(handler); }

    QLabel* tipLabel() const;
    QPushButton* activeButton() const;

private Q_SLOTS:
    void onActive();

private:
    std::unique_ptr<QWidget> m_view;
    std::unique_ptr<Ui::QVActivePanelViewCtl> m_ui;
    std::function<void()> m_activeHandler;
};
