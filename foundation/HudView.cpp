#include "foundation/HudView.h"

#include "foundation/FillView.h"
#include "foundation/HudLabel.h"
#include "foundation/Spinner.h"
#include "kit/layout/ViewMASAdditions.h"
#include "platform/Bundle.h"
#include "platform/layout/LayoutEngine.h"

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
    makeConstraints(host);
    show();
    raise();
}

HudView::~HudView() = default;

void HudView::showLoading(const QString& text)
{
    m_spinner->startAnimation();
    m_image->hide();
    m_label->setText(text);
    const int panelWidth = HudState::loadingPanelWidth(m_label->fittedWidth());
    mas_updateConstraints(m_panel, [&](MASConstraintMaker* make) { make->width()->equalTo(panelWidth); });
    mas_updateConstraints(m_spinner,
                          [&](MASConstraintMaker* make) { make->centerY()->equalTo(m_panel)->offset(-kSpinnerLift); });
    placeLabelBelow(m_spinner);
}

void HudView::showText(const QString& text, HudState::Type type)
{
    m_spinner->stopAnimation();
    m_image->setPixmap(QPixmap::fromImage(platform::Bundle::imageNamed(HudState::imageName(type))));
    m_image->show();
    m_label->setText(text);
    const int panelWidth = HudState::textPanelWidth(m_label->fittedWidth());
    mas_updateConstraints(m_panel, [&](MASConstraintMaker* make) { make->width()->equalTo(panelWidth); });
    placeLabelBelow(m_image);
}

void HudView::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), kOverlayColor);
}

void HudView::makeConstraints(QWidget* host)
{
    mas_makeConstraints(this, [&](MASConstraintMaker* make) { make->edges()->equalTo(host); });
    mas_makeConstraints(m_panel, [&](MASConstraintMaker* make) {
        make->center()->equalTo(this);
        make->width()->greaterThanOrEqualTo(HudState::kMinPanelWidth);
        make->height()->greaterThanOrEqualTo(kMinPanelHeight);
        make->width()->equalTo(HudState::kMinPanelWidth);
    });
    mas_makeConstraints(m_spinner, [&](MASConstraintMaker* make) {
        make->centerX()->equalTo(m_panel);
        make->centerY()->equalTo(m_panel);
        make->size()->equalTo(QSizeF(kSpinnerSide, kSpinnerSide));
    });
    mas_makeConstraints(m_image, [&](MASConstraintMaker* make) {
        make->centerX()->equalTo(m_panel);
        make->top()->equalTo(m_panel)->offset(kImageTop);
        make->size()->equalTo(QSizeF(kImageSide, kImageSide));
    });
    placeLabelBelow(m_image);
}

void HudView::placeLabelBelow(QWidget* above)
{
    // The label's top follows another view now, so its constraints are made anew.
    mas_remakeConstraints(m_label, [&](MASConstraintMaker* make) {
        make->height()->equalTo(kLabelHeight);
        make->left()->equalTo(m_panel)->offset(kLabelLeft);
        make->width()->equalTo(m_panel)->offset(-2 * kLabelLeft);
        make->centerX()->equalTo(m_panel);
        make->top()->equalTo(mas_bottom(above))->offset(kLabelGap);
    });
    // Shown at once with its final frames, not one turn of the event loop later.
    platform::layout::LayoutEngine::layoutIfNeeded();
}

} // namespace qv
