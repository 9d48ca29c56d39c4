#include "toolwindows/progress/QVLoadingWinCtl.h"

#include "ui_QVLoadingWinCtl.h"

#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/StringExpandText.h"
#include "foundation/WindowExpand.h"
#include "platform/Bundle.h"

#include <QPointer>

namespace {

constexpr int kBarSteps = 1000;

} // namespace

QVLoadingWinCtl::QVLoadingWinCtl(QObject* parent)
    : QObject(parent)
    , m_window(std::make_unique<QWidget>(nullptr, Qt::Tool))
    , m_ui(std::make_unique<Ui::QVLoadingWinCtl>())
{
    m_ui->setupUi(m_window.get());
    m_ui->cancelButton->setText(qv::localized("Cancel"));
    m_ui->tipLabel->setText(qv::localized("Please Wait Tip"));
    m_ui->imageView->setPixmap(platform::Bundle::iconNamed(QStringLiteral("success")).pixmap(32, 32));
    m_ui->imageView->hide();
    m_ui->cancelButton->hide();
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QVLoadingWinCtl::onCancel);
    startSpinner();
}

QVLoadingWinCtl::~QVLoadingWinCtl() = default;

QProgressBar* QVLoadingWinCtl::progressIndicator() const
{
    return m_ui->progressIndicator;
}

QLabel* QVLoadingWinCtl::tipLabel() const
{
    return m_ui->tipLabel;
}

QPushButton* QVLoadingWinCtl::cancelButton() const
{
    return m_ui->cancelButton;
}

QLabel* QVLoadingWinCtl::imageView() const
{
    return m_ui->imageView;
}

void QVLoadingWinCtl::startSpinner()
{
    // A bar without a range is Qt's busy indicator.
    m_ui->progressIndicator->setRange(0, 0);
    m_ui->progressIndicator->show();
}

void QVLoadingWinCtl::stopSpinner()
{
    m_ui->progressIndicator->setRange(0, kBarSteps);
    m_ui->progressIndicator->setValue(0);
    m_ui->progressIndicator->hide();
}

void QVLoadingWinCtl::open()
{
    m_ui->tipLabel->setText(qv::localized("Please Wait Tip"));
    m_ui->cancelButton->hide();
    m_ui->imageView->hide();
    startSpinner();
    qv::open(m_window.get());
}

void QVLoadingWinCtl::setPercent(double percent)
{
    m_percent = percent;
    m_ui->cancelButton->show();
    m_ui->progressIndicator->show();
    if (percent > 0) {
        m_ui->progressIndicator->setRange(0, kBarSteps);
        m_ui->progressIndicator->setValue(qBound(0, qRound(percent * kBarSteps), kBarSteps));
    } else {
        m_ui->progressIndicator->setRange(0, 0);
    }
    m_ui->tipLabel->setText(qv::stringWithFormat(QStringLiteral("%.1f%%"), percent * 100));
}

void QVLoadingWinCtl::setTip(const QString& tip)
{
    m_tip = tip;
    if (!(m_percent > 0)) {
        m_ui->tipLabel->setText(tip);
    }
}

void QVLoadingWinCtl::close()
{
    stopSpinner();
    qv::shut(m_window.get());
}

void QVLoadingWinCtl::showSuccess(const QString& text, std::function<void()> complete)
{
    open();
    stopSpinner();
    m_ui->imageView->show();
    m_ui->tipLabel->setText(text);
    QPointer<QVLoadingWinCtl> self(this);
    qv::enterForegroundWithDelay(1, [self, complete = std::move(complete)] {
        if (self) {
            self->m_ui->imageView->hide();
            self->close();
        }
        if (complete) {
            complete();
        }
    });
}

void QVLoadingWinCtl::onCancel()
{
    const std::function<void()> handler = std::move(m_cancelHandler);
    m_cancelHandler = nullptr;
    if (handler) {
        handler();
    }
    close();
}
