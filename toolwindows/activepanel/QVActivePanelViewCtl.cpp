#include "toolwindows/activepanel/QVActivePanelViewCtl.h"

#include "ui_QVActivePanelViewCtl.h"

#include "foundation/QVPermissions.h"
#include "platform/Bundle.h"
#include "platform/Panels.h"

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

void QVActivePanelViewCtl::runActivePanel()
{
    QVActivePanelViewCtl ctl;
    QWidget* view = ctl.view();
    ctl.setActiveHandler([view] {
        QVPermissions::sharedInstance().setIsActive15(true);
        platform::Panels::cancelPanelOf(view);
    });
    platform::PanelOptions options;
    options.title = platform::Bundle::localizedString(QStringLiteral("Activate"));
    options.prompt = platform::Bundle::localizedString(QStringLiteral("Don't click"));
    options.level = platform::Panels::ShieldingLevel;
    options.accessoryView = view;
    platform::Panels::runSavePanel(options);
}

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
