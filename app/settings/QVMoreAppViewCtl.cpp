#include "app/settings/QVMoreAppViewCtl.h"

#include "app/settings/QVAppViewCtl.h"

#include "ui_QVMoreAppViewCtl.h"

#include <QFrame>

QVMoreAppViewCtl::QVMoreAppViewCtl(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::QVMoreAppViewCtl>())
{
    m_ui->setupUi(this);
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
}

QVMoreAppViewCtl::~QVMoreAppViewCtl() = default;

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
