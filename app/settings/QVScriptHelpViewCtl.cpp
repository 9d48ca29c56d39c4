#include "app/settings/QVScriptHelpViewCtl.h"

#include "foundation/BundleExpand.h"

#include "ui_QVScriptHelpViewCtl.h"

QVScriptHelpViewCtl::QVScriptHelpViewCtl(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::QVScriptHelpViewCtl>())
{
    m_ui->setupUi(this);
    // A clear background: the popup's own shows through.
    m_ui->textView->viewport()->setAutoFillBackground(false);
    m_ui->textView->setAutoFillBackground(false);
    setContent(qv::localized(QStringLiteral("Script Content Tip")));
}

QVScriptHelpViewCtl::~QVScriptHelpViewCtl() = default;

void QVScriptHelpViewCtl::setContent(const QString& content)
{
    m_ui->textView->setPlainText(content);
}

QString QVScriptHelpViewCtl::content() const
{
    return m_ui->textView->toPlainText();
}
