#include "toolwindows/colorinfo/QVSetColorFormatWinCtl.h"

#include "ui_QVSetColorFormatWinCtl.h"

#include "foundation/BundleExpand.h"
#include "foundation/StringExpand.h"
#include "foundation/WindowExpand.h"
#include "toolwindows/colorinfo/QVColorFormatTemplate.h"

QVSetColorFormatWinCtl::QVSetColorFormatWinCtl(QObject* parent)
    : QObject(parent)
    , m_window(std::make_unique<QWidget>(nullptr, Qt::Dialog))
    , m_ui(std::make_unique<Ui::QVSetColorFormatWinCtl>())
{
    m_ui->setupUi(m_window.get());
    m_window->setWindowTitle(qv::localized(QStringLiteral("Customize")));
    m_ui->okBtn->setText(qv::localized(QStringLiteral("OK")));
    m_ui->cancelBtn->setText(qv::localized(QStringLiteral("Cancel")));
    m_ui->colorFormatTipLabel->setText(qv::localized(QStringLiteral("Color Format Tip")));
    m_ui->colorFormatInput->setPlaceholderText(qv::localized(QStringLiteral("Without Display Name Tip")));
    connect(m_ui->okBtn, &QPushButton::clicked, this, &QVSetColorFormatWinCtl::onSure);
    connect(m_ui->colorFormatInput, &QLineEdit::returnPressed, this, &QVSetColorFormatWinCtl::onSure);
    connect(m_ui->cancelBtn, &QPushButton::clicked, this, &QVSetColorFormatWinCtl::onCancel);
}

QVSetColorFormatWinCtl::~QVSetColorFormatWinCtl() = default;

QLabel* QVSetColorFormatWinCtl::colorFormatLabel() const
{
    return m_ui->colorFormatLabel;
}

QLineEdit* QVSetColorFormatWinCtl::colorFormatInput() const
{
    return m_ui->colorFormatInput;
}

QLabel* QVSetColorFormatWinCtl::colorFormatTipLabel() const
{
    return m_ui->colorFormatTipLabel;
}

QPushButton* QVSetColorFormatWinCtl::cancelBtn() const
{
    return m_ui->cancelBtn;
}

QPushButton* QVSetColorFormatWinCtl::okBtn() const
{
    return m_ui->okBtn;
}

void QVSetColorFormatWinCtl::openOnWindow(QWidget* parent)
{
    qv::openOnWindow(m_window.get(), parent);
}

void QVSetColorFormatWinCtl::editColorFormatIndex(int index)
{
    m_formatIndex = index;
    m_ui->colorFormatLabel->setText(
        qv::stringWithFormat(qv::localized(QStringLiteral("Please enter the color code for Custom %@:")), index));
    m_ui->colorFormatInput->setText(QVColorFormatTemplate::storedTemplate(index));
}

void QVSetColorFormatWinCtl::onSure()
{
    QVColorFormatTemplate::setStoredTemplate(m_formatIndex, m_ui->colorFormatInput->text());
    qv::shut(m_window.get());
    if (m_successBlock) {
        m_successBlock();
    }
}

void QVSetColorFormatWinCtl::onCancel()
{
    qv::shut(m_window.get());
}
