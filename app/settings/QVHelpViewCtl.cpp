#include "app/settings/QVHelpViewCtl.h"

#include "foundation/BundleExpand.h"
#include "foundation/QVCheckPermit.h"
#include "foundation/ViewExpand.h"
#include "platform/Bundle.h"

#include "ui_QVHelpViewCtl.h"

namespace {

// How the menu is reached and what it may touch, in this desktop's words.
QString helpText()
{
    return QStringLiteral("Right-click a file or folder in the file manager to open the Tarsel menu; the same menu "
                          "also opens from the status item.\n\n")
        + QStringLiteral("Touchpad: in your desktop's settings (Mouse & Touchpad, or Input Devices -> Touchpad), set "
                         "the secondary click to a two-finger tap or click, or to a click in the bottom right "
                         "corner.\n\nMouse: the right button is the secondary click; for a left-handed mouse swap "
                         "the buttons in the same settings.\n\n")
        + QStringLiteral("Folder access: Tarsel works with every file your account may change. When it needs a "
                         "folder it may not write to, it asks you once to choose it; \"%1\" grants your home "
                         "folder, or another folder, now.\n\n")
              .arg(qv::localized(QStringLiteral("Full Disk Access")))
        + QStringLiteral("%1\n\n").arg(qv::localized(QStringLiteral("Restart Tip")))
        + QStringLiteral("You can also enable \"%1\"。")
              .arg(qv::localized(QStringLiteral("Check Cloud Folder Enable")));
}

} // namespace

QVHelpViewCtl::QVHelpViewCtl(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::QVHelpViewCtl>())
{
    m_ui->setupUi(this);
    m_ui->tipLabel->setTextInteractionFlags(Qt::NoTextInteraction);
    m_ui->fullDiskAccessButton->setText(qv::localized(QStringLiteral("Full Disk Access")));
    m_ui->cancelButton->setText(QStringLiteral("Enable Quick Access"));
    m_ui->okButton->setText(qv::localized(QStringLiteral("Preferences")));
    m_ui->tipLabel->setText(helpText());
    // The application's picture heads the page; the text and buttons follow it directly.
    const QImage image = platform::Bundle::imageNamed(QStringLiteral("icon"));
    if (image.isNull()) {
        m_ui->imageView->hide();
    } else {
        const qreal ratio = devicePixelRatioF();
        QPixmap pixmap = QPixmap::fromImage(
            image.scaled(QSize(kImageSize, kImageSize) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        pixmap.setDevicePixelRatio(ratio);
        m_ui->imageView->setPixmap(pixmap);
    }
    connect(m_ui->cancelButton, &QPushButton::clicked, this, [this] {
        if (enableQuickAccess) {
            enableQuickAccess();
        }
    });
    connect(m_ui->okButton, &QPushButton::clicked, this, [this] {
        if (showConfiguration) {
            showConfiguration();
        }
    });
    connect(m_ui->fullDiskAccessButton, &QPushButton::clicked, this, &QVHelpViewCtl::onFullDiskAccess);
}

QVHelpViewCtl::~QVHelpViewCtl() = default;

void QVHelpViewCtl::onFullDiskAccess()
{
    if (!QVCheckPermit::accessPrivacyAllFiles().isNull()) {
        qv::showHudSuccessWithStatus(this, qv::localized(QStringLiteral("Success Common Tip")));
    }
}
