#include "app/settings/QVAboutWinCtl.h"

#include "foundation/BundleExpand.h"
#include "foundation/StringExpandText.h"
#include "platform/Bundle.h"

#include "ui_QVAboutWinCtl.h"

#include <QCoreApplication>
#include <QPointer>

namespace {
QPointer<QVAboutWinCtl> g_about;
// The application's picture at its own size.
constexpr int kIconSize = 64;
} // namespace

QVAboutWinCtl::QVAboutWinCtl(QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::QVAboutWinCtl>())
{
    m_ui->setupUi(this);
    const QString name = platform::Bundle::localizedString(QStringLiteral("CFBundleDisplayName"), QString(),
                                                           QStringLiteral("InfoPlist"));
    setWindowTitle(qv::stringWithFormat(qv::localized(QStringLiteral("Menu Abount")), name));
    const QImage icon = platform::Bundle::imageNamed(QStringLiteral("icon"));
    if (!icon.isNull()) {
        const qreal ratio = devicePixelRatioF();
        QPixmap pixmap = QPixmap::fromImage(
            icon.scaled(QSize(kIconSize, kIconSize) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        pixmap.setDevicePixelRatio(ratio);
        m_ui->iconImageView->setPixmap(pixmap);
    }
    m_ui->nameLabel->setText(name);
    m_ui->versionLabel->setText(QStringLiteral("V%1").arg(QCoreApplication::applicationVersion()));
    m_ui->okButton->setText(qv::localized(QStringLiteral("OK")));
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
}

QVAboutWinCtl::~QVAboutWinCtl() = default;

QVAboutWinCtl* QVAboutWinCtl::showAbout(QWidget* parent)
{
    if (!g_about) {
        g_about = new QVAboutWinCtl(parent);
        g_about->setAttribute(Qt::WA_DeleteOnClose);
    }
    g_about->show();
    g_about->raise();
    g_about->activateWindow();
    return g_about;
}
