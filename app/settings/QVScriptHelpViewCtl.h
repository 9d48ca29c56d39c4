#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class QVScriptHelpViewCtl;
}

/// The placeholder help of the script dialog, shown in a popup under its help button.
class QVScriptHelpViewCtl : public QWidget
{
    Q_OBJECT
public:
    explicit QVScriptHelpViewCtl(QWidget* parent = nullptr);
    ~QVScriptHelpViewCtl() override;

    void setContent(const QString& content);
    QString content() const;

private:
    std::unique_ptr<Ui::QVScriptHelpViewCtl> m_ui;
};
