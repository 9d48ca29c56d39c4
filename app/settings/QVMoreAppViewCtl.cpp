#include "app/settings/QVMoreAppViewCtl.h"

#include "app/settings/QVAppViewCtl.h"

#include "ui_QVMoreAppViewCtl.h"

#include <QFrame>

QVMoreAppViewCtl::QVMoreAppViewCtl(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::QVMoreAppViewCtl>())
{
    m_ui->setupUi(this);
}

QVMoreAppViewCtl::~QVMoreAppViewCtl() = default;

const QList<QVAppViewCtl*>& QVMoreAppViewCtl::appViewCtlArray() const
{
    makeCards();
    return m_appViewCtlArray;
}

void QVMoreAppViewCtl::showEvent(QShowEvent* event)
{
    makeCards();
    QWidget::showEvent(event);
}

// The cards look their applications up in the icon theme, which is slow: a settings window
// whose page is never shown never pays for it.
void QVMoreAppViewCtl::makeCards() const
{
    if (m_cardsMade) {
        return;
    }
    m_cardsMade = true;
    const QList<QVAppInfo> apps = recommendedApps();
    for (qsizetype i = 0; i < apps.size(); ++i) {
        if (i > 0) {
            auto* line = new QFrame(m_ui->box);
            line->setFrameShape(QFrame::HLine);
            line->setFrameShadow(QFrame::Sunken);
            m_ui->box->layout()->addWidget(line);
        }
        auto* card = new QVAppViewCtl(apps.at(i), m_ui->box);
        card->setObjectName(apps.at(i).appId);
        m_ui->box->layout()->addWidget(card);
        m_appViewCtlArray << card;
    }
    // Made while the page shows: they show at once, laid out before the page is painted.
    if (m_ui->box->isVisible()) {
        for (QWidget* child : m_ui->box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            child->show();
        }
        layout()->activate();
    }
}

QList<QVAppInfo> QVMoreAppViewCtl::recommendedApps()
{
    // The archives Tarsel compresses open in an archive manager; a disk usage analyser shows
    // where the space of the folders it works on goes. The ids are all lower case: an address
    // carries the id as its host, which is compared without case.
    return {
        { QStringLiteral("More App Archive Manager"), QStringLiteral("org.kde.ark"),
          QStringLiteral("More App Archive Manager Desc"), QStringLiteral("compress") },
        { QStringLiteral("More App Disk Usage"), QStringLiteral("org.gnome.baobab"),
          QStringLiteral("More App Disk Usage Desc"), QStringLiteral("folder") },
    };
}
