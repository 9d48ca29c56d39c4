#include "app/settings/QVSettingsWindow.h"

#include "app/AppDelegate.h"
#include "app/settings/QVFavoriteViewCtl.h"
#include "app/settings/QVFolderIconViewCtl.h"
#include "app/settings/QVGeneralViewCtl.h"
#include "app/settings/QVNewFileViewCtl.h"
#include "app/settings/QVOpenWithViewCtl.h"
#include "app/settings/QVPrefViewCtl.h"
#include "app/settings/QVScriptViewCtl.h"
#include "app/settings/QVSetViewCtl.h"
#include "app/settings/QVSettingsTable.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVDragView.h"
#include "platform/Defaults.h"

#include "ui_QVSettingsWindow.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {
QPointer<QVSettingsWindow> g_window;

// The page of a tab after the main menu page.
QWidget* makePage(const QString& identifier)
{
    if (identifier == QLatin1String("newfile")) {
        return new QVNewFileViewCtl;
    }
    if (identifier == QLatin1String("commonpath")) {
        return new QVFavoriteViewCtl;
    }
    if (identifier == QLatin1String("commonapp")) {
        return new QVOpenWithViewCtl;
    }
    if (identifier == QLatin1String("commonscript")) {
        return new QVScriptViewCtl;
    }
    if (identifier == QLatin1String("foldericon")) {
        return new QVFolderIconViewCtl;
    }
    if (identifier == QLatin1String("preferences")) {
        return new QVPrefViewCtl;
    }
    return new QWidget;
}

// The tab of a page that is made when the tab first shows or the page is asked for: the window
// opens on one tab of seven, and each page is a table and a dozen controls that would otherwise
// be made, polished and laid out unseen. The tab carries the page's name; the page fills it.
class DeferredPage : public QWidget
{
public:
    DeferredPage(const QString& identifier, std::function<void(QWidget*)> made)
        : m_made(std::move(made))
    {
        setObjectName(identifier);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
    }

    bool made() const { return m_page != nullptr; }

    QWidget* page()
    {
        if (m_page == nullptr) {
            // Made to be shown: the lists load as the page shows, or when its table is asked for.
            const QVSettingsPage::DeferFirstLoad deferred;
            m_page = makePage(objectName());
            m_page->setObjectName(objectName());
            layout()->addWidget(m_page);
            if (isVisible()) {
                m_page->show();
            } else if (QWidget* stack = parentWidget(); stack != nullptr && stack->layout() != nullptr) {
                // A hidden tab tells its stack nothing: the stack asks each page again.
                stack->layout()->invalidate();
            }
            if (m_made) {
                m_made(m_page);
            }
        }
        return m_page;
    }

    void setVisible(bool visible) override
    {
        if (visible) {
            page();
        }
        QWidget::setVisible(visible);
    }

private:
    std::function<void(QWidget*)> m_made;
    QWidget* m_page = nullptr;
};
} // namespace

QVSettingsWindow::QVSettingsWindow(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::QVSettingsWindow>())
{
    m_ui->setupUi(this);
    setUpMenus();
    // Pages and dialogs reload their lists when a window of the application becomes active.
    qv::installRefreshSignal();
    // The pages load their lists when first shown (the window opens on one of them).
    const QVSettingsPage::DeferFirstLoad deferred;
    QVGeneralViewCtl* general = nullptr;
    {
        // What a window opening on a new configuration stores is one write of the store: the
        // factory lists every page reads (which the main menu page stores when made), then the
        // factory values of the choices of pages made later, when first shown, as when every
        // page was made with the window. The main menu page, made in the same batch, reads the
        // store as the batch holds it instead of locking and reading the file again.
        platform::Defaults::Batch batch(QVMenuManager::sharedDefaults());
        QVDefaultData::setup();
        QVNewFileViewCtl::storeFactoryChoices();
        QVFavoriteViewCtl::storeFactoryChoices();
        general = new QVGeneralViewCtl;
    }
    // The main menu page comes first.
    general->setObjectName(QStringLiteral("general"));
    m_ui->tabView->addTab(general, qv::localized(QStringLiteral("General")));
    const QList<QPair<QString, QString>> tabs = {
        { QStringLiteral("newfile"), QStringLiteral("New File") },
        { QStringLiteral("commonpath"), QStringLiteral("Common Path") },
        { QStringLiteral("commonapp"), QStringLiteral("Common App") },
        { QStringLiteral("commonscript"), QStringLiteral("Common Script") },
        { QStringLiteral("foldericon"), QStringLiteral("Folder Icon") },
        { QStringLiteral("preferences"), QStringLiteral("Preferences") },
    };
    for (const auto& [identifier, key] : tabs) {
        std::function<void(QWidget*)> made;
        if (identifier == QLatin1String("preferences")) {
            made = [this](QWidget* page) {
                m_pref = static_cast<QVPrefViewCtl*>(page);
                connectPreferences();
            };
        }
        auto* tab = new DeferredPage(identifier, std::move(made));
        m_ui->tabView->addTab(tab, qv::localized(key));
        m_deferredTabs << tab;
        if (identifier == QLatin1String("preferences")) {
            m_prefTab = tab;
        }
    }
}

QVSettingsWindow::~QVSettingsWindow() = default;

bool QVSettingsWindow::event(QEvent* event)
{
    // Once the window has been drawn, the pages not yet shown are made one at a time while the
    // application idles: each then counts in the window's minimum size, as every page does.
    if (event->type() == QEvent::Paint && !m_restScheduled) {
        m_restScheduled = true;
        QTimer::singleShot(0, this, &QVSettingsWindow::makeNextPage);
    }
    return QWidget::event(event);
}

void QVSettingsWindow::makeNextPage()
{
    const auto next = std::find_if(m_deferredTabs.cbegin(), m_deferredTabs.cend(),
                                   [](QWidget* tab) { return !static_cast<DeferredPage*>(tab)->made(); });
    if (next == m_deferredTabs.cend()) {
        return;
    }
    static_cast<DeferredPage*>(*next)->page();
    QTimer::singleShot(0, this, &QVSettingsWindow::makeNextPage);
}

void QVSettingsWindow::showTab(const QString& identifier)
{
    // No tab, or one that names no page: the window stays on the tab last selected (the first
    // one in a window just made).
    QWidget* page
        = identifier.isEmpty() ? nullptr : m_ui->tabView->findChild<QWidget*>(identifier, Qt::FindChildrenRecursively);
    if (page != nullptr && m_ui->tabView->indexOf(page) >= 0) {
        m_ui->tabView->setCurrentWidget(page);
    }
    show();
    raise();
    activateWindow();
}

void QVSettingsWindow::showPreferences(qint64 pageType)
{
    showTab(QStringLiteral("preferences"));
    prefViewCtl()->setPageType(pageType);
}

QVPrefViewCtl* QVSettingsWindow::prefViewCtl() const
{
    if (m_pref == nullptr && m_prefTab != nullptr) {
        static_cast<DeferredPage*>(m_prefTab)->page();
    }
    return m_pref;
}

void QVSettingsWindow::connectPreferences()
{
    AppDelegate* app = m_delegate;
    if (m_pref == nullptr || app == nullptr) {
        return;
    }
    m_pref->setViewCtl()->setAppDelegate(app);
    m_pref->enableQuickAccess = [app, window = this] {
        platform::Defaults& defaults = QVMenuManager::sharedDefaults();
        if (!defaults.boolValue(QStringLiteral("pref check5"))) {
            defaults.setValue(QStringLiteral("pref check5"), true);
            app->createStatusBar();
        }
        QTimer::singleShot(0, window, [window] { window->showPreferences(0); });
    };
}

void QVSettingsWindow::refreshToolbarItemImage(const QVMenuItemList& items)
{
    for (const QVMenuItemPtr& item : items) {
        QString identifier;
        if (item->isCommonPath()) {
            identifier = QStringLiteral("commonpath");
        } else if (item->isCommonApp()) {
            identifier = QStringLiteral("commonapp");
        } else if (item->isNewFile()) {
            identifier = QStringLiteral("newfile");
        } else if (item->isCommonScript()) {
            identifier = QStringLiteral("commonscript");
        } else if (item->isFolderIcon()) {
            identifier = QStringLiteral("foldericon");
        } else {
            continue;
        }
        // The tabs' pages carry the identifiers (a deferred tab as well as the page it makes).
        int index = -1;
        for (int tab = 0; tab < m_ui->tabView->count() && index < 0; ++tab) {
            if (m_ui->tabView->widget(tab)->objectName() == identifier) {
                index = tab;
            }
        }
        if (index < 0) {
            continue;
        }
        // The same icon again changes nothing, and setting it would lay the tab bar out anew.
        if (const QIcon icon = QVSettingsTable::rowIcon(*item);
            !icon.isNull() && icon.cacheKey() != m_ui->tabView->tabIcon(index).cacheKey()) {
            m_ui->tabView->setTabIcon(index, icon);
        }
    }
}

QVDragView* QVSettingsWindow::contentView() const
{
    return m_ui->contentView;
}

QString QVSettingsWindow::currentIdentifier() const
{
    QWidget* page = m_ui->tabView->currentWidget();
    return page != nullptr ? page->objectName() : QString();
}

QVSettingsWindow* QVSettingsWindow::shared()
{
    if (!g_window) {
        g_window = new QVSettingsWindow;
        g_window->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    return g_window;
}

void QVSettingsWindow::install(AppDelegate& delegate)
{
    AppDelegate* app = &delegate;
    delegate.setSettingsWindow([app](const QString& tab) {
        QVSettingsWindow* window = shared();
        window->m_delegate = app;
        // The preferences page, once made, works for this delegate; made later, it is set up then.
        window->connectPreferences();
        window->showTab(tab);
    });
}
