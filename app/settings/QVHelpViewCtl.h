#pragma once

#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class QVHelpViewCtl;
}

/// The help page: how to reach the menu on this desktop and the folder access it needs.
class QVHelpViewCtl : public QWidget
{
    Q_OBJECT
public:
    explicit QVHelpViewCtl(QWidget* parent = nullptr);
    ~QVHelpViewCtl() override;
    /// "Enable Quick Access": switches the status item on and shows the preferences page.
    std::function<void()> enableQuickAccess;
    /// "Preferences": shows the configuration (cloud folder) page.
    std::function<void()> showConfiguration;
    /// "Full Disk Access": the user grants access to a folder now (the home folder or another);
    /// a grant made is confirmed with a heads-up message.
    void onFullDiskAccess();
    static constexpr int kImageSize = 64;

private:
    std::unique_ptr<Ui::QVHelpViewCtl> m_ui;
};
