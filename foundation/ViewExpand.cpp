#include "foundation/ViewExpand.h"

#include "foundation/HudState.h"
#include "foundation/FillView.h"
#include "foundation/HudView.h"
#include "foundation/StringExpand.h"
#include "platform/Bundle.h"

#include <QLayout>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace qv {

namespace {

const QString kHudHostName = QStringLiteral("qvHudHost");

// The heads-up state of one host view: its message (the overlay, when shown), its one
// pending timer and the state that decides both. It is a child object of the host, so it
// goes with the host.
class HudHost final : public QObject
{
public:
    explicit HudHost(QWidget* host)
        : QObject(host)
        , m_host(host)
        , m_timer(new QTimer(this))
    {
        setObjectName(kHudHostName);
        m_timer->setObjectName(QStringLiteral("hudTimer"));
        m_timer->setSingleShot(true);
        QObject::connect(m_timer, &QTimer::timeout, this, [this]() { fire(); });
    }

    static HudHost* find(const QWidget* host)
    {
        for (QObject* child : host->children()) {
            if (auto* hud = dynamic_cast<HudHost*>(child)) {
                return hud;
            }
        }
        return nullptr;
    }

    static HudHost* obtain(QWidget* host)
    {
        HudHost* hud = find(host);
        return hud != nullptr ? hud : new HudHost(host);
    }

    bool hasView() const { return !m_view.isNull(); }

    HudView* view()
    {
        if (m_view.isNull()) {
            m_view = new HudView(m_host);
        }
        return m_view;
    }

    void requestLoading(const QString& text, double delay)
    {
        m_loadingText = text;
        schedule(m_state.requestLoading(delay));
    }

    void showText(const QString& text, HudState::Type type)
    {
        view()->showText(text, type);
        schedule(m_state.textShown(text));
    }

    void dismiss()
    {
        m_timer->stop();
        m_state.dismissed();
        if (HudView* overlay = m_view.data()) {
            m_view = nullptr;
            overlay->hide();
            overlay->setParent(nullptr);
            overlay->deleteLater();
        }
    }

private:
    void schedule(HudState::Schedule next)
    {
        m_timer->stop();
        if (next.timer != HudState::Timer::None) {
            m_timer->start(next.milliseconds);
        }
    }

    void fire()
    {
        if (m_state.timer() == HudState::Timer::Dismiss) {
            dismiss();
            return;
        }
        const QString text
            = isValid(m_loadingText) ? m_loadingText : platform::Bundle::localizedString(QStringLiteral("Loading..."));
        view()->showLoading(text);
        m_state.loadingShown();
    }

    QWidget* m_host;
    QTimer* m_timer;
    QPointer<HudView> m_view;
    HudState m_state;
    QString m_loadingText;
};

void showText(QWidget* view, const QString& text, HudState::Type type)
{
    if (view != nullptr) {
        HudHost::obtain(view)->showText(text, type);
    }
}

} // namespace

void showHudWithStatus(QWidget* view, const QString& text, double delay)
{
    if (view != nullptr) {
        HudHost::obtain(view)->requestLoading(text, delay);
    }
}

void showHudSuccessWithStatus(QWidget* view, const QString& text)
{
    showText(view, text, HudState::Type::Success);
}

void showHudInfoWithStatus(QWidget* view, const QString& text)
{
    showText(view, text, HudState::Type::Info);
}

void showHudErrorWithStatus(QWidget* view, const QString& text)
{
    showText(view, text, HudState::Type::Error);
}

void showHudTextWithStatus(QWidget* view, const QString& text)
{
    showText(view, text, HudState::Type::Text);
}

void dismissHud(QWidget* view)
{
    if (HudHost* hud = view != nullptr ? HudHost::find(view) : nullptr) {
        hud->dismiss();
    }
}

bool hudVisible(const QWidget* view)
{
    const HudHost* hud = view != nullptr ? HudHost::find(view) : nullptr;
    return hud != nullptr && hud->hasView();
}

QWidget* hudView(QWidget* view)
{
    return view != nullptr ? HudHost::obtain(view)->view()->panel() : nullptr;
}

QPoint origin(const QWidget* view)
{
    return view->geometry().topLeft();
}

void setOrigin(QWidget* view, QPoint origin)
{
    view->setGeometry(QRect(origin, view->size()));
}

QSize size(const QWidget* view)
{
    return view->size();
}

void setSize(QWidget* view, QSize size)
{
    view->setGeometry(QRect(view->geometry().topLeft(), size));
}

int x(const QWidget* view)
{
    return view->geometry().x();
}

void setX(QWidget* view, int x)
{
    setOrigin(view, QPoint(x, view->geometry().y()));
}

int y(const QWidget* view)
{
    return view->geometry().y();
}

void setY(QWidget* view, int y)
{
    setOrigin(view, QPoint(view->geometry().x(), y));
}

int width(const QWidget* view)
{
    return view->width();
}

void setWidth(QWidget* view, int width)
{
    setSize(view, QSize(width, view->height()));
}

int height(const QWidget* view)
{
    return view->height();
}

void setHeight(QWidget* view, int height)
{
    setSize(view, QSize(view->width(), height));
}

int right(const QWidget* view)
{
    return x(view) + view->width();
}

void setRight(QWidget* view, int right)
{
    setX(view, right - view->width());
}

int bottom(const QWidget* view)
{
    return y(view) + view->height();
}

void setBottom(QWidget* view, int bottom)
{
    setY(view, bottom - view->height());
}

QPoint bottomLeft(const QWidget* view)
{
    return QPoint(x(view), bottom(view));
}

QPoint bottomRight(const QWidget* view)
{
    return QPoint(right(view), bottom(view));
}

QPoint topRight(const QWidget* view)
{
    return QPoint(right(view), y(view));
}

QImage toImage(QWidget* view)
{
    return view != nullptr ? view->grab(view->rect()).toImage() : QImage();
}

QList<QWidget*> subviews(const QWidget* view)
{
    QList<QWidget*> views;
    if (view == nullptr) {
        return views;
    }
    for (QObject* child : view->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget != nullptr && !widget->isWindow()) {
            views.append(widget);
        }
    }
    return views;
}

void replaceSubviewIndex(QWidget* view, int index, QWidget* withView)
{
    const QList<QWidget*> views = subviews(view);
    if (withView == nullptr || index < 0 || index >= views.size()) {
        return;
    }
    QWidget* old = views.at(index);
    if (old == withView) {
        return;
    }
    QLayout* layout = view->layout();
    const bool wasInLayout = layout != nullptr && layout->indexOf(old) >= 0;
    const bool shown = !old->isHidden();
    if (withView->parentWidget() != view) {
        withView->setParent(view);
    }
    withView->stackUnder(old);
    if (wasInLayout) {
        delete layout->replaceWidget(old, withView);
    }
    withView->setVisible(shown);
    old->hide();
    old->setParent(nullptr);
    old->deleteLater();
}

} // namespace qv
