#include "app/settings/QVEditAppConfigWinCtl.h"

#include "foundation/BundleExpand.h"
#include "foundation/QVFile.h"
#include "foundation/StringExpand.h"
#include "foundation/ViewExpand.h"
#include "foundation/WindowExpand.h"
#include "platform/Workspace.h"

#include "ui_QVEditAppConfigWinCtl.h"

QVEditAppConfigWinCtl::QVEditAppConfigWinCtl(QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::QVEditAppConfigWinCtl>())
{
    m_ui->setupUi(this);
    m_ui->fileCheck->setChecked(false);
    m_ui->folderCheck->setChecked(false);
    m_ui->nameInput->setPlaceholderText(qv::localized(QStringLiteral("Without Display Name Tip")));
    m_ui->nameLabel->setText(qv::localized(QStringLiteral("Display Name")) + QLatin1Char(':'));
    m_ui->fileCheck->setText(qv::localized(QStringLiteral("Need Select File Check")));
    m_ui->folderCheck->setText(qv::localized(QStringLiteral("Need Select Folder Check")));
    m_ui->formatLabel->setText(qv::localized(QStringLiteral("Formats")) + QLatin1Char(':'));
    m_ui->formatTipLabel->setText(qv::localized(QStringLiteral("Format Input Tip")));
    m_ui->formatInput->setPlaceholderText(qv::localized(QStringLiteral("Format Input Placeholder")));
    m_ui->okBtn->setText(qv::localized(QStringLiteral("OK")));
    m_ui->cancelBtn->setText(qv::localized(QStringLiteral("Cancel")));
    connect(m_ui->fileCheck, &QCheckBox::clicked, this, &QVEditAppConfigWinCtl::onFileCheckAction);
    connect(m_ui->okBtn, &QPushButton::clicked, this, &QVEditAppConfigWinCtl::onSure);
    connect(m_ui->cancelBtn, &QPushButton::clicked, this, &QVEditAppConfigWinCtl::onCancel);
}

QVEditAppConfigWinCtl::~QVEditAppConfigWinCtl() = default;

QString QVEditAppConfigWinCtl::defaultName(const QString& appName)
{
    if (appName.endsWith(QLatin1String(".desktop"))) {
        const QString name = platform::Workspace::readDesktopEntry(appName)
                                 .value_or(QHash<QString, QString>())
                                 .value(QStringLiteral("Name"));
        if (qv::isValid(name)) {
            return name;
        }
    }
    return QVFile(appName).name();
}

QString QVEditAppConfigWinCtl::storedFormats(const QString& typed)
{
    if (!qv::isValid(typed)) {
        return typed;
    }
    return typed.toLower().replace(QChar(0xFF0C), QLatin1Char(','));
}

void QVEditAppConfigWinCtl::editWithItem(const QVMenuItemPtr& item)
{
    m_key = qv::isValid(item->key()) ? item->key() : qv::uuid();
    m_defName = defaultName(item->appName());
    m_ui->fileCheck->setChecked(item->isNeedFile());
    m_ui->folderCheck->setChecked(item->isNeedFolder());
    m_ui->formatInput->setText(item->formats().join(QLatin1Char(',')));
    m_ui->formatInput->setEnabled(item->isNeedFile());
    m_ui->nameInput->setText(item->menuTitle());
}

void QVEditAppConfigWinCtl::onFileCheckAction()
{
    const bool on = m_ui->fileCheck->isChecked();
    m_ui->formatInput->setEnabled(on);
    if (!on) {
        m_ui->formatInput->clear();
    }
}

void QVEditAppConfigWinCtl::onCancel()
{
    qv::shut(this);
}

void QVEditAppConfigWinCtl::onSure()
{
    const QString name = m_ui->nameInput->text();
    if (name.size() > kNameLimit) {
        qv::showHudInfoWithStatus(this, qv::localized(QStringLiteral("The name cannot exceed 30 characters")));
        return;
    }
    const QVariantMap result { { QStringLiteral("key"), m_key },
                               { QStringLiteral("displayName"), name.isEmpty() ? m_defName : name },
                               { QStringLiteral("formats"), storedFormats(m_ui->formatInput->text()) },
                               { QStringLiteral("needFolder"), m_ui->folderCheck->isChecked() ? 1 : 0 },
                               { QStringLiteral("needFile"), m_ui->fileCheck->isChecked() ? 1 : 0 } };
    const auto block = editSuccessBlock;
    qv::shut(this);
    if (block) {
        block(result);
    }
}
