#pragma once

#include "app/settings/QVAppInfo.h"

#include <QWidget>

#include <memory>

namespace Ui {
class QVAppViewCtl;
}

/// One card of the More Apps page: the application's icon, name and description, and a
/// download button that opens its page in the desktop's software centre.
class QVAppViewCtl final : public QWidget
{
    Q_OBJECT
public:
    explicit QVAppViewCtl(const QVAppInfo& app, QWidget* parent = nullptr);
    ~QVAppViewCtl() override;
    Q_DISABLE_COPY_MOVE(QVAppViewCtl)

    const QVAppInfo& app() const { return m_app; }
    /// The software centre's address of the application: "appstream://" and its id.
    static QUrl storeAddress(const QString& appId);
    /// Opens the card's application in the software centre.
    void onDownload();

private:
    std::unique_ptr<Ui::QVAppViewCtl> m_ui;
    QVAppInfo m_app;
};
