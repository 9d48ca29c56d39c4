#include "platform/layout/LayoutConstraint.h"

#include "platform/layout/LayoutEngine.h"

#include <QMetaObject>

namespace platform::layout {

namespace {

std::function<QString(const LayoutConstraint&)>& describer()
{
    static std::function<QString(const LayoutConstraint&)> describe;
    return describe;
}

QString itemText(const QWidget* item, Attribute attribute)
{
    QString text = item ? QStringLiteral("%1:%2").arg(QLatin1String(item->metaObject()->className()),
                                                      QString::asprintf("%p", static_cast<const void*>(item)))
                        : QString();
    if (attribute != Attribute::NotAnAttribute) {
        text += QStringLiteral(".%1").arg(static_cast<int>(attribute));
    }
    return text;
}

} // namespace

LayoutConstraint::LayoutConstraint(QWidget* firstItem, Attribute firstAttribute, Relation relation, QWidget* secondItem,
                                   Attribute secondAttribute, double multiplier, double constant)
    : m_firstItem(firstItem)
    , m_secondItem(secondItem)
    , m_firstAttribute(firstAttribute)
    , m_secondAttribute(secondAttribute)
    , m_relation(relation)
    , m_multiplier(multiplier)
    , m_constant(constant)
{
}

LayoutConstraint::~LayoutConstraint() = default;

void LayoutConstraint::setConstant(double constant)
{
    if (constant == m_constant) {
        return;
    }
    const double old = m_constant;
    m_constant = constant;
    LayoutEngine::constantChanged(*this, old);
}

void LayoutConstraint::setPriority(float priority)
{
    if (priority == m_priority) {
        return;
    }
    m_priority = priority;
    LayoutEngine::priorityChanged(*this);
}

void LayoutConstraint::setActive(bool active)
{
    if (active == isActive()) {
        return;
    }
    if (active) {
        LayoutEngine::activate(shared_from_this());
    } else {
        LayoutEngine::removeConstraint(m_view, shared_from_this());
    }
}

QString LayoutConstraint::className() const
{
    return QStringLiteral("LayoutConstraint");
}

QString LayoutConstraint::description() const
{
    if (describer()) {
        return describer()(*this);
    }
    static const char* const relations[] = { "<=", "==", ">=" };
    QString text
        = QStringLiteral("<%1:%2 %3 %4")
              .arg(className(), QString::asprintf("%p", static_cast<const void*>(this)),
                   itemText(m_firstItem, m_firstAttribute), QLatin1String(relations[static_cast<int>(m_relation) + 1]));
    if (m_secondItem && m_secondAttribute != Attribute::NotAnAttribute) {
        text += QLatin1Char(' ') + itemText(m_secondItem, m_secondAttribute);
        text += QStringLiteral(" * %1 +").arg(m_multiplier);
    }
    return text + QStringLiteral(" %1 ^%2>").arg(m_constant).arg(m_priority);
}

void LayoutConstraint::setDescriptionFunction(std::function<QString(const LayoutConstraint&)> describe)
{
    describer() = std::move(describe);
}

} // namespace platform::layout
