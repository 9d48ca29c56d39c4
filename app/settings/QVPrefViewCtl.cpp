#include "app/settings/QVPrefViewCtl.h"

#include "app/settings/QVCloudViewCtl.h"
#include "app/settings/QVHelpViewCtl.h"
#include "app/settings/QVMoreAppViewCtl.h"
#include "app/settings/QVSetViewCtl.h"
#include "engine/service/QVMenuService.h"
#include "foundation/BundleExpand.h"
#include "foundation/ColorExpand.h"
#include "foundation/QVTools.h"

#include "ui_QVPrefViewCtl.h"

#include "platform/Bundle.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTabBar>

namespace {
constexpr int kReviewIconSize = 20;
} // namespace

QVPrefViewCtl::QVPrefViewCtl(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::QVPrefViewCtl>())
{
    m_ui->setupUi(this);
    m_ui->versionLabel->setText(
        QStringLiteral("V%1").arg(platform::Bundle::infoValue(QStringLiteral("CFBundleShortVersionString"))));
    m_ui->tabView->tabBar()->hide();
    interfaceModeChanged();
    loadListItemView();
    setPageType(m_pageType);
    m_ui->reviewBtn->setIconSize(QSize(kReviewIconSize, kReviewIconSize));
    m_ui->reviewBtn->setText(qv::localized(QStringLiteral("Go Review")));
    m_ui->reviewBtn->setCursor(Qt::PointingHandCursor);
    connect(m_ui->reviewBtn, &QPushButton::clicked, this, &QVPrefViewCtl::onReview);
    refreshReviewButton();
}

QVPrefViewCtl::~QVPrefViewCtl() = default;

void QVPrefViewCtl::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refreshReviewButton();
}

void QVPrefViewCtl::refreshReviewButton()
{
    m_ui->reviewBtn->setIcon(
        platform::Bundle::iconNamed(QVTools::isReview() ? QStringLiteral("zaned") : QStringLiteral("zan")));
}

void QVPrefViewCtl::onReview()
{
    // There is no review request of the system here: the software centre's page of Tarsel is
    // where a review is written.
    QVMenuService::goReview();
    QVTools::goReview();
    refreshReviewButton();
}

void QVPrefViewCtl::loadListItemView()
{
    m_setViewCtl = new QVSetViewCtl;
    m_cloudViewCtl = new QVCloudViewCtl;
    auto* help = new QVHelpViewCtl;
    help->enableQuickAccess = [this] {
        if (enableQuickAccess) {
            enableQuickAccess();
        }
    };
    help->showConfiguration = [this] { setPageType(kCloudPage); };
    const QList<QPair<QVListItem, QWidget*>> entries = {
        { { QStringLiteral("pref"),
            qv::localized(QStringLiteral("Preferences")) + QStringLiteral("..."),
            QStringLiteral("pref"),
            0,
            {} },
          m_setViewCtl },
        { { QStringLiteral("icloud1"), qv::localized(QStringLiteral("iCloud")), QStringLiteral("icloud"), 1, {} },
          m_cloudViewCtl },
        { { QStringLiteral("app1"), qv::localized(QStringLiteral("More Apps")), QStringLiteral("moreapp"), 3, {} },
          new QVMoreAppViewCtl },
        { { QStringLiteral("help"), qv::localized(QStringLiteral("Help")), QStringLiteral("help"), 4, {} }, help },
    };
    QList<QVListItem> items;
    for (const auto& [item, page] : entries) {
        page->setObjectName(item.identifier);
        m_ui->tabView->addTab(page, item.text);
        items << item;
    }
    m_listView = new QVListView(m_ui->leftView);
    m_listView->resize(m_ui->leftView->minimumWidth(), 0);
    m_listView->selectItemHandler = [this](const QVListItem& chosen) {
        QWidget* page = m_ui->tabView->findChild<QWidget*>(chosen.identifier);
        if (page != nullptr) {
            m_ui->tabView->setCurrentWidget(page);
        }
    };
    m_listView->setItems(items);
    m_listView->move(0, 20);
}

void QVPrefViewCtl::setPageType(qint64 pageType)
{
    m_pageType = pageType;
    if (m_listView == nullptr) {
        return;
    }
    for (const QVListItem& item : m_listView->items()) {
        if (item.tag == pageType) {
            m_listView->selectItem(item);
            return;
        }
    }
}

QString QVPrefViewCtl::currentIdentifier() const
{
    QWidget* page = m_ui->tabView->currentWidget();
    return page != nullptr ? page->objectName() : QString();
}

void QVPrefViewCtl::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The desktop switched between light and dark: its platform theme hands the application a
    // new palette (or announces a new theme), and the pane follows at once.
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::ApplicationPaletteChange:
    case QEvent::ThemeChange:
        interfaceModeChanged();
        break;
    default:
        break;
    }
}

void QVPrefViewCtl::interfaceModeChanged()
{
    const QColor back
        = qv::colorWithHexString(QVTools::isDarkMode() ? QStringLiteral("#1E1E1E") : QStringLiteral("#FFFFFF"));
    QPalette pal = m_ui->rightView->palette();
    pal.setColor(QPalette::Window, back);
    m_ui->rightView->setPalette(pal);
    m_ui->rightView->setAutoFillBackground(true);
}
