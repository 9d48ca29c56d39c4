#include "app/settings/QVAppViewCtl.h"

#include "foundation/BundleExpand.h"
#include "platform/Bundle.h"
#include "platform/Workspace.h"

#include "ui_QVAppViewCtl.h"

#include <QLoggingCategory>
#include <QUrl>

Q_DECLARE_LOGGING_CATEGORY(lcApp)

namespace {
constexpr int kIconSize = 56;
} // namespace

QVAppViewCtl::QVAppViewCtl(const QVAppInfo& app, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::QVAppViewCtl>())
    , m_app(app)
{
    m_ui->setupUi(this);
    // The desktop's own icon of the application when its theme has one, else ours.
    QIcon icon = platform::Bundle::iconNamed(m_app.appId);
    if (icon.isNull()) {
        icon = platform::Bundle::iconNamed(m_app.icon);
    }
    m_ui->iconImageView->setPixmap(icon.pixmap(QSize(kIconSize, kIconSize), devicePixelRatioF()));
    m_ui->titleLabel->setText(qv::localized(m_app.appName));
    m_ui->descLabel->setText(qv::localized(m_app.desc));
    m_ui->downloadBtn->setText(qv::localized(QStringLiteral("Free Download")));
    // The blue of the button is the same in light and dark: its white title stays readable.
    m_ui->downloadBtn->setStyleSheet(
        QStringLiteral("QPushButton#downloadBtn { color: white; background-color: rgb(71, 176, 255); "
                       "border: none; border-radius: 12px; padding: 4px 16px; }"
                       "QPushButton#downloadBtn:pressed { background-color: rgb(48, 140, 220); }"));
    m_ui->downloadBtn->setCursor(Qt::PointingHandCursor);
    connect(m_ui->downloadBtn, &QPushButton::clicked, this, &QVAppViewCtl::onDownload);
}

QVAppViewCtl::~QVAppViewCtl() = default;

QUrl QVAppViewCtl::storeAddress(const QString& appId)
{
    return QUrl(QStringLiteral("appstream://") + appId);
}

void QVAppViewCtl::onDownload()
{
    const QUrl address = storeAddress(m_app.appId);
    if (!platform::Workspace::openUrl(address)) {
        qCWarning(lcApp).noquote() << QStringLiteral("Failed to open the software centre. File: \"%1\". Error: \"%2\"")
                                          .arg(address.toString(), QStringLiteral("no program opens it"));
    }
}
