#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class QVMoreAppViewCtl;
}

/// The page of the maker's other applications, one card per application.
class QVMoreAppViewCtl : public QWidget
{
    Q_OBJECT
public:
    explicit QVMoreAppViewCtl(QWidget* parent = nullptr);
    ~QVMoreAppViewCtl() override;

private:
    std::unique_ptr<Ui::QVMoreAppViewCtl> m_ui;
};
