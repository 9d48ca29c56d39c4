#pragma once

#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class QVHelpViewCtl;
}

/// The help page: how to reach the menu on this desktop and the permissions it needs.
class QVHelpViewCtl : public QWidget
{
    Q_OBJECT
public:
    explicit QVHelpViewCtl(QWidget* parent = nullptr);
    ~QVHelpViewCtl() override;
    /// "Enable Quick Access": switches the status item on and shows the preferences page.
    std::function<void()> enableQuickAccess;

private:
    std::unique_ptr<Ui::QVHelpViewCtl> m_ui;
};
