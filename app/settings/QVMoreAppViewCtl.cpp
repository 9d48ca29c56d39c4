#include "app/settings/QVMoreAppViewCtl.h"

#include "foundation/BundleExpand.h"

#include "ui_QVMoreAppViewCtl.h"

#include <QLabel>

QVMoreAppViewCtl::QVMoreAppViewCtl(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::QVMoreAppViewCtl>())
{
    m_ui->setupUi(this);
    auto* card = new QLabel(qv::localized(QStringLiteral("More Apps")), m_ui->box);
    m_ui->box->layout()->addWidget(card);
}

QVMoreAppViewCtl::~QVMoreAppViewCtl() = default;
