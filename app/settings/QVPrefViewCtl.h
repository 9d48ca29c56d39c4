#pragma once

#include "app/settings/QVListView.h"

#include <QWidget>

#include <memory>

namespace Ui {
class QVPrefViewCtl;
}
class QVCloudViewCtl;
class QVSetViewCtl;

/// The "preferences" tab: a side list on the left selects one of its inner pages on the right.
class QVPrefViewCtl : public QWidget
{
    Q_OBJECT
public:
    explicit QVPrefViewCtl(QWidget* parent = nullptr);
    ~QVPrefViewCtl() override;

    /// The page number of the configuration (cloud folder) page.
    static constexpr qint64 kCloudPage = 1;

    qint64 pageType() const { return m_pageType; }
    /// Selects the side-list entry with this tag (and so its page); no such entry, no change.
    void setPageType(qint64 pageType);
    QVListView* listView() const { return m_listView; }
    /// The identifier of the inner page shown now.
    QString currentIdentifier() const;
    /// The right pane follows the system's light or dark mode; runs again whenever the desktop's
    /// palette or theme changes.
    void interfaceModeChanged();
    QVSetViewCtl* setViewCtl() const { return m_setViewCtl; }
    QVCloudViewCtl* cloudViewCtl() const { return m_cloudViewCtl; }
    /// Shown by the help page's "Enable Quick Access".
    std::function<void()> enableQuickAccess;
    /// The review button: opens Tarsel's page in the software centre and remembers that the
    /// user went there (the button then shows "zaned" instead of "zan").
    void onReview();

protected:
    void showEvent(QShowEvent* event) override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void refreshReviewButton();

    void loadListItemView();

    std::unique_ptr<Ui::QVPrefViewCtl> m_ui;
    QVListView* m_listView = nullptr;
    QVSetViewCtl* m_setViewCtl = nullptr;
    QVCloudViewCtl* m_cloudViewCtl = nullptr;
    qint64 m_pageType = 0;
};
