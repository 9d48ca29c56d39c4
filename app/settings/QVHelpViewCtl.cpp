#include "app/settings/QVHelpViewCtl.h"

#include "foundation/BundleExpand.h"

#include "ui_QVHelpViewCtl.h"

QVHelpViewCtl::QVHelpViewCtl(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::QVHelpViewCtl>())
{
    m_ui->setupUi(this);
    m_ui->tipLabel->setTextInteractionFlags(Qt::NoTextInteraction);
    m_ui->fullDiskAccessButton->setText(qv::localized(QStringLiteral("Full Disk Access")));
    m_ui->cancelButton->setText(QStringLiteral("Enable Quick Access"));
    m_ui->okButton->setText(qv::localized(QStringLiteral("Preferences")));
    const QString tip
        = QStringLiteral("Right-click a file or folder in the file manager to open the Tarsel menu; the same menu "
                         "also opens from the status item.\n\n")
        + QStringLiteral("%1\n\n").arg(qv::localized(QStringLiteral("Restart Tip")))
        + QStringLiteral("You can also enable \"%1\"。")
              .arg(qv::localized(QStringLiteral("Check Cloud Folder Enable")));
    m_ui->tipLabel->setText(tip);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, [this] {
        if (enableQuickAccess) {
            enableQuickAccess();
        }
    });
}

QVHelpViewCtl::~QVHelpViewCtl() = default;
