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
class QVActivePanelViewCtl final : public QObject
{
    Q_OBJECT

public:
    explicit QVActivePanelViewCtl(QObject* parent = nullptr);
    ~QVActivePanelViewCtl() override;
    Q_DISABLE_COPY_MOVE(QVActivePanelViewCtl)

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
