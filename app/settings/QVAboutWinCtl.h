#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class QVAboutWinCtl;
}

/// The About window of the settings window's menu: the application's icon, display name and
/// version. One for the process; showing it again brings it forward.
class QVAboutWinCtl final : public QDialog
{
    Q_OBJECT
public:
    explicit QVAboutWinCtl(QWidget* parent = nullptr);
    ~QVAboutWinCtl() override;
    Q_DISABLE_COPY_MOVE(QVAboutWinCtl)

    /// Shows the window over the parent (made on first use, kept until it is closed).
    static QVAboutWinCtl* showAbout(QWidget* parent);

private:
    std::unique_ptr<Ui::QVAboutWinCtl> m_ui;
};
