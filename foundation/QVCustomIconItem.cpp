#include "foundation/QVCustomIconItem.h"

#include "foundation/QVCustomIconView.h"

#include <QLabel>
#include <QVBoxLayout>

QVCustomIconItem::QVCustomIconItem(QWidget* parent)
    : QObject(parent)
    , m_view(new QVCustomIconView(parent))
{
    m_view->setObjectName(QStringLiteral("customIconView"));
    m_view->setMouseTracking(true);
    m_view->setAttribute(Qt::WA_Hover);
    m_iconImageView = new QLabel(m_view);
    m_iconImageView->setObjectName(QStringLiteral("iconImageViewLabel"));
    // Scales to the label's size on each axis on its own.
    m_iconImageView->setScaledContents(true);
    auto* layout = new QVBoxLayout(m_view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_iconImageView);
}

QVCustomIconItem::~QVCustomIconItem() = default;

bool QVCustomIconItem::isSelected() const
{
    return m_view != nullptr && m_view->selected();
}

void QVCustomIconItem::setSelected(bool selected)
{
    if (m_view != nullptr) {
        m_view->setSelected(selected);
        m_view->update();
    }
}
