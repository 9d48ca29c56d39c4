#include "toolwindows/editname/QVEditNameWinCtl.h"

#include "ui_QVEditNameWinCtl.h"

#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/StringExpandText.h"
#include "foundation/WindowExpand.h"

QVEditNameWinCtl::QVEditNameWinCtl(QObject* parent)
    : QObject(parent)
    , m_window(std::make_unique<QWidget>(nullptr, Qt::Dialog))
    , m_ui(std::make_unique<Ui::QVEditNameWinCtl>())
    , m_tipLabelString(qv::localized(QStringLiteral("Please enter a display name")))
    , m_tipPlaceholder(qv::localized(QStringLiteral("Without Display Name Tip")))
{
    m_ui->setupUi(m_window.get());
    m_ui->cancelBtn->setText(qv::localized(QStringLiteral("Cancel")));
    m_ui->okBtn->setText(qv::localized(QStringLiteral("OK")));
    m_ui->tipLabel->setText(m_tipLabelString);
    m_ui->aliasTextField->setPlaceholderText(m_tipPlaceholder);
    connect(m_ui->okBtn, &QPushButton::clicked, this, &QVEditNameWinCtl::onSure);
    connect(m_ui->aliasTextField, &QLineEdit::returnPressed, this, &QVEditNameWinCtl::onSure);
    connect(m_ui->cancelBtn, &QPushButton::clicked, this, &QVEditNameWinCtl::onCancel);
}

QVEditNameWinCtl::~QVEditNameWinCtl() = default;

QLineEdit* QVEditNameWinCtl::aliasTextField() const
{
    return m_ui->aliasTextField;
}

QLabel* QVEditNameWinCtl::tipLabel() const
{
    return m_ui->tipLabel;
}

QPushButton* QVEditNameWinCtl::okBtn() const
{
    return m_ui->okBtn;
}

QPushButton* QVEditNameWinCtl::cancelBtn() const
{
    return m_ui->cancelBtn;
}

void QVEditNameWinCtl::setDefaultAlias(const QString& alias)
{
    m_defaultAlias = alias;
    m_ui->aliasTextField->setText(qv::isValid(alias) ? alias : QString());
}

void QVEditNameWinCtl::openOnWindow(QWidget* parent)
{
    qv::openOnWindow(m_window.get(), parent);
}

void QVEditNameWinCtl::close()
{
    qv::shut(m_window.get());
}

void QVEditNameWinCtl::onSure()
{
    // Taken as typed: a display name may begin or end with blanks.
    const QString text = m_ui->aliasTextField->text();
    if (m_required && !qv::isValid(text)) {
        return;
    }
    if (text.size() > kMaxLength) {
        qv::alertWithMsg(qv::localized(QStringLiteral("The name cannot exceed 30 characters")));
        return;
    }
    if (m_editHandler) {
        m_editHandler(text);
    }
    close();
}

void QVEditNameWinCtl::onCancel()
{
    if (m_cancelHandler) {
        m_cancelHandler();
    }
    close();
}
