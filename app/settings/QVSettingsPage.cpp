#include "app/settings/QVSettingsPage.h"

#include "foundation/NotificationCenter.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVDragView.h"

#include <QTimer>

#include <utility>

namespace {

// The page that set up the window's drop target last; only it may reset the target.
constexpr const char* kDropOwner = "tarselDropOwner";

// How many DeferFirstLoad scopes are open on this thread.
thread_local int t_deferFirstLoad = 0;

} // namespace

QVSettingsPage::QVSettingsPage(QString listKey, QVListPage::Builder builder, QWidget* parent)
    : QWidget(parent)
    , m_page(std::move(listKey), std::move(builder))
{
    qv::addNotification(this, qv::kConfigChangeNotification);
}

QVSettingsPage::~QVSettingsPage()
{
    qv::removeAllNotification(this);
}

void QVSettingsPage::handleSignal(const qv::Notification&)
{
    m_loadPending = false;
    refresh();
}

QVSettingsPage::DeferFirstLoad::DeferFirstLoad()
{
    ++t_deferFirstLoad;
}

QVSettingsPage::DeferFirstLoad::~DeferFirstLoad()
{
    --t_deferFirstLoad;
}

bool QVSettingsPage::DeferFirstLoad::active()
{
    return t_deferFirstLoad > 0;
}

void QVSettingsPage::firstLoad()
{
    if (DeferFirstLoad::active()) {
        m_loadPending = true;
        return;
    }
    refresh();
}

void QVSettingsPage::ensureLoaded() const
{
    if (m_loadPending) {
        auto* self = const_cast<QVSettingsPage*>(this);
        self->m_loadPending = false;
        self->refresh();
    }
}

void QVSettingsPage::takeDrops(std::function<void(QVDragView&)> filter, std::function<void(const QStringList&)> dropped)
{
    m_dropFilter = std::move(filter);
    m_dropped = std::move(dropped);
}

void QVSettingsPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_loadPending = false;
    refresh();
    if (!m_dropped) {
        return;
    }
    claimDropTarget();
    // A tab switch may show this page before the page it replaces is hidden, and that page lets
    // go of the drop target as it hides: take it again once the switch is over.
    QTimer::singleShot(0, this, [this] {
        if (isVisible()) {
            claimDropTarget();
        }
    });
}

void QVSettingsPage::hideEvent(QHideEvent* event)
{
    if (m_dropTarget && m_dropTarget->property(kDropOwner).value<QObject*>() == this) {
        m_dropTarget->disabled();
        m_dropTarget->setChooseFilesHandler({});
        m_dropTarget->setProperty(kDropOwner, QVariant());
    }
    QWidget::hideEvent(event);
}

void QVSettingsPage::claimDropTarget()
{
    m_dropTarget = QVListPage::dragView(this);
    if (!m_dropTarget) {
        return;
    }
    m_dropTarget->setProperty(kDropOwner, QVariant::fromValue<QObject*>(this));
    m_dropTarget->disabled();
    if (m_dropFilter) {
        m_dropFilter(*m_dropTarget);
    }
    QPointer<QVSettingsPage> self(this);
    m_dropTarget->setChooseFilesHandler([self](const QStringList& paths) {
        if (self && self->m_dropped) {
            self->m_dropped(paths);
        }
    });
}
