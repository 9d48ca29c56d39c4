#include "toolwindows/encrypt/QVEncryptViewCtl.h"

#include "ui_QVEncryptViewCtl.h"

#include "foundation/BundleExpand.h"
#include "foundation/StringExpandText.h"
#include "platform/Bundle.h"

#include <QPalette>
#include <QSignalBlocker>

QVEncryptViewCtl::QVEncryptViewCtl(QObject* parent)
    : QObject(parent)
    , m_view(std::make_unique<QWidget>())
    , m_ui(std::make_unique<Ui::QVEncryptViewCtl>())
{
    m_ui->setupUi(m_view.get());
    m_ui->psdTextField->setEchoMode(QLineEdit::Password);
    m_ui->psdTextField->setPlaceholderText(qv::localized("Enter Password Tip"));
    m_ui->psdShowInput->setPlaceholderText(qv::localized("Enter Password Tip"));
    m_ui->skipJunkFilesCheck->setText(qv::localized("Skip .DS_Store, __MACOSX"));
    m_ui->borellaButton->setText(qv::localized("Better use with Borella"));
    m_ui->borellaButton->setFlat(true);
    QPalette link = m_ui->borellaButton->palette();
    link.setColor(QPalette::ButtonText, QColor(0x00, 0x7A, 0xFF));
    m_ui->borellaButton->setPalette(link);
    connect(m_ui->psdTextField, &QLineEdit::textChanged, this, &QVEncryptViewCtl::onPassswordChanged);
    connect(m_ui->psdShowInput, &QLineEdit::textChanged, this, &QVEncryptViewCtl::onPassswordChanged);
    connect(m_ui->showPsdButton, &QPushButton::clicked, this, &QVEncryptViewCtl::onShowPassword);
    connect(m_ui->borellaButton, &QPushButton::clicked, this, &QVEncryptViewCtl::onDownloadBorella);
    refresh();
}

QVEncryptViewCtl::~QVEncryptViewCtl() = default;

QString QVEncryptViewCtl::password() const
{
    return m_showPassword ? m_ui->psdShowInput->text() : m_ui->psdTextField->text();
}

QLineEdit* QVEncryptViewCtl::psdTextField() const
{
    return m_ui->psdTextField;
}

QLineEdit* QVEncryptViewCtl::psdShowInput() const
{
    return m_ui->psdShowInput;
}

QPushButton* QVEncryptViewCtl::showPsdButton() const
{
    return m_ui->showPsdButton;
}

QCheckBox* QVEncryptViewCtl::skipJunkFilesCheck() const
{
    return m_ui->skipJunkFilesCheck;
}

QPushButton* QVEncryptViewCtl::borellaButton() const
{
    return m_ui->borellaButton;
}

void QVEncryptViewCtl::refresh()
{
    m_ui->psdTextField->setVisible(!m_showPassword);
    m_ui->psdShowInput->setVisible(m_showPassword);
    m_ui->showPsdButton->setIcon(
        platform::Bundle::iconNamed(m_showPassword ? QStringLiteral("psdhide") : QStringLiteral("psdshow")));
}

void QVEncryptViewCtl::onShowPassword()
{
    m_showPassword = !m_showPassword;
    refresh();
}

void QVEncryptViewCtl::onPassswordChanged(const QString& text)
{
    // Copy into both fields without echoing the change back.
    for (QLineEdit* field : { m_ui->psdTextField, m_ui->psdShowInput }) {
        if (field->text() != text) {
            const QSignalBlocker block(field);
            field->setText(text);
        }
    }
}

void QVEncryptViewCtl::onDownloadBorella()
{
    qv::openURL(qv::appstoreUrlWithId(kBorellaStoreId));
}
