#pragma once

#include "app/settings/QVAppInfo.h"

#include <QList>
#include <QWidget>

#include <memory>

namespace Ui {
class QVMoreAppViewCtl;
}
class QVAppViewCtl;

/// The More Apps page: one card (QVAppViewCtl) per recommended application, top to bottom.
class QVMoreAppViewCtl : public QWidget
{
    Q_OBJECT
public:
    explicit QVMoreAppViewCtl(QWidget* parent = nullptr);
    ~QVMoreAppViewCtl() override;

    /// The applications the page recommends, in card order: companions of a file-manager menu
    /// that every Linux software centre offers.
    static QList<QVAppInfo> recommendedApps();
    /// The cards, made on first use: when the page is first shown or asked for them.
    const QList<QVAppViewCtl*>& appViewCtlArray() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void makeCards() const;

    std::unique_ptr<Ui::QVMoreAppViewCtl> m_ui;
    mutable QList<QVAppViewCtl*> m_appViewCtlArray;
    mutable bool m_cardsMade = false;
};
