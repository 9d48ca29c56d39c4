#pragma once

#include "engine/model/QVMenuItem.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace Ui {
class QVSettingsWindow;
}
class AppDelegate;
class QVDragView;
class QVPrefViewCtl;

/// The settings window: one tab per page, in the toolbar's order.
class QVSettingsWindow : public QWidget
{
    Q_OBJECT
public:
    explicit QVSettingsWindow(QWidget* parent = nullptr);
    ~QVSettingsWindow() override;

    /// Shows the window on the tab with this identifier; when empty or unknown, on the tab last
    /// selected ("general" in a window just made).
    void showTab(const QString& identifier);
    /// Shows the "preferences" tab on the inner page with this number.
    void showPreferences(qint64 pageType);
    QString currentIdentifier() const;
    /// Gives the tabs of the sub-lists the icons their main-menu entries show.
    void refreshToolbarItemImage(const QVMenuItemList& items);
    /// The "preferences" page, made when first asked for if its tab has not shown yet.
    QVPrefViewCtl* prefViewCtl() const;
    /// The drop target covering the window's content; the shown page sets what it accepts.
    QVDragView* contentView() const;

    /// The delegate's window hook opens this window (one for the process, made on first use).
    static void install(AppDelegate& delegate);
    static QVSettingsWindow* shared();

    /// Where the menu's Feedback entry sends the user: the project's issue page.
    static inline const QString kFeedbackPageAddress = QStringLiteral("https://tarsel.valden.com/issues");

protected:
    bool event(QEvent* event) override;

private:
    /// Makes the page of the next tab not made yet, and again at the next idle pass until all are.
    void makeNextPage();
    /// The menu bar: "Menu Close" and "Menu Quit" (the delegate's exitApp()), the Edit menu on
    /// the focused text field, "Menu Feedback" and "Menu Abount", with the standard shortcuts.
    void setUpMenus();
    /// Gives the preferences page, when made, the delegate the window was installed for.
    void connectPreferences();

    std::unique_ptr<Ui::QVSettingsWindow> m_ui;
    QVPrefViewCtl* m_pref = nullptr;
    QWidget* m_prefTab = nullptr;
    /// The tabs whose pages are made when first shown or asked for (children of the tab view).
    QList<QWidget*> m_deferredTabs;
    bool m_restScheduled = false;
    QPointer<AppDelegate> m_delegate;
};
