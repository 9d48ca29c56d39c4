#include "foundation/HudView.h"

#include "foundation/FillView.h"
#include "foundation/HudLabel.h"
#include "foundation/Spinner.h"
#include "platform/Bundle.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>

namespace qv {

namespace {
constexpr int kSpinnerSide = 25;
constexpr int kImageSide = 35;
constexpr int kImageTop = 20;
constexpr int kLabelHeight = 32;
constexpr int kLabelLeft = 10;
// The spinner sits this far above the panel's centre; the label this far below the spinner
// or the image.
constexpr int kSpinnerLift = 10;
constexpr int kLabelGap = 10;
const QColor kOverlayColor(0, 0, 0, 51);
const QColor kPanelColor(0, 0, 0, 153);
constexpr qreal kPanelRadius = 10;
} // namespace

HudView::HudView(QWidget* host)
    : QWidget(host)
    , m_panel(new FillView(kPanelColor, kPanelRadius, this))
    , m_spinner(new Spinner(m_panel))
    , m_label(new HudLabel(m_panel))
    , m_image(new QLabel(m_panel))
{
    setObjectName(QStringLiteral("hudOverlay"));
    m_panel->setObjectName(QStringLiteral("hudView"));
    m_spinner->setObjectName(QStringLiteral("hudSpinner"));
    m_label->setObjectName(QStringLiteral("hudLabel"));
    m_image->setObjectName(QStringLiteral("hudImage"));
    m_spinner->setColor(Qt::white);
    m_image->setScaledContents(true);
    setGeometry(host->rect());
    host->installEventFilter(this);
    layoutPanel();
    show();
    raise();
}

HudView::~HudView() = default;

void HudView::showLoading(const QString& text)
{
    m_loading = true;
    m_spinner->startAnimation();
    m_image->hide();
    m_label->setText(text);
    m_panelWidth = HudState::loadingPanelWidth(m_label->fittedWidth());
    layoutPanel();
}

void HudView::showText(const QString& text, HudState::Type type)
{
    m_loading = false;
    m_spinner->stopAnimation();
    m_image->setPixmap(QPixmap::fromImage(platform::Bundle::imageNamed(HudState::imageName(type))));
    m_image->show();
    m_label->setText(text);
    m_panelWidth = HudState::textPanelWidth(m_label->fittedWidth());
    layoutPanel();
}

bool HudView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
        layoutPanel();
    }
    return QWidget::eventFilter(watched, event);
}

void HudView::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), kOverlayColor);
}

void HudView::layoutPanel()
{
    const int panelHeight = kMinPanelHeight;
    m_panel->setGeometry((width() - m_panelWidth) / 2, (height() - panelHeight) / 2, m_panelWidth, panelHeight);
    const int spinnerCenterY = panelHeight / 2 - (m_loading ? kSpinnerLift : 0);
    m_spinner->setGeometry((m_panelWidth - kSpinnerSide) / 2, spinnerCenterY - kSpinnerSide / 2, kSpinnerSide,
                           kSpinnerSide);
    m_image->setGeometry((m_panelWidth - kImageSide) / 2, kImageTop, kImageSide, kImageSide);
    const int labelTop = (m_loading ? m_spinner->geometry().bottom() + 1 : m_image->geometry().bottom() + 1) + kLabelGap;
    m_label->setGeometry(kLabelLeft, labelTop, m_panelWidth - 2 * kLabelLeft, kLabelHeight);
}

} // namespace qv
