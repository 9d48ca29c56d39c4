#include "toolwindows/activepanel/QVActivePanelViewCtl.h"

#include "ui_QVActivePanelViewCtl.h"

#include "platform/Bundle.h"

QVActivePanelViewCtl::QVActivePanelViewCtl(QObject* parent)
    : QObject(parent)
    , m_view(std::make_unique<QWidget>())
    , m_ui(std::make_unique<Ui::QVActivePanelViewCtl>())
{
    m_ui->setupUi(m_view.get());
    m_ui->tipLabel->setText(platform::Bundle::localizedString(QStringLiteral("Activate the panel for the first time")));
    m_ui->activeButton->setText(platform::Bundle::localizedString(QStringLiteral("Activate")));
    connect(m_ui->activeButton, &QPushButton::clicked, this, &QVActivePanelViewCtl::onActive);
}

QVActivePanelViewCtl::~QVActivePanelViewCtl() = default;

QLabel* QVActivePanelViewCtl::tipLabel() const
{
    return m_ui->tipLabel;
}

QPushButton* QVActivePanelViewCtl::activeButton() const
{
    return m_ui->activeButton;
}

void QVActivePanelViewCtl::onActive()
{
    if (m_activeHandler) {
        m_activeHandler();
    }
}
