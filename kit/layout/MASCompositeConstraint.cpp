#include "kit/layout/MASCompositeConstraint.h"

#include <algorithm>

using platform::layout::Attribute;
using platform::layout::Relation;

std::shared_ptr<MASCompositeConstraint>
MASCompositeConstraint::create(const std::vector<std::shared_ptr<MASConstraint>>& children)
{
    std::shared_ptr<MASCompositeConstraint> composite(new MASCompositeConstraint);
    composite->m_childConstraints = children;
    for (const auto& child : children) {
        child->setDelegate(composite->asDelegate());
    }
    return composite;
}

std::weak_ptr<MASConstraintDelegate> MASCompositeConstraint::asDelegate()
{
    return std::static_pointer_cast<MASCompositeConstraint>(shared_from_this());
}

void MASCompositeConstraint::constraint(MASConstraint* constraint,
                                        const std::shared_ptr<MASConstraint>& shouldBeReplacedWithConstraint)
{
    auto it = std::find_if(m_childConstraints.begin(), m_childConstraints.end(),
                           [constraint](const auto& child) { return child.get() == constraint; });
    if (it != m_childConstraints.end()) {
        *it = shouldBeReplacedWithConstraint;
    }
}

std::shared_ptr<MASConstraint> MASCompositeConstraint::constraint(MASConstraint*,
                                                                  Attribute addConstraintWithLayoutAttribute)
{
    auto owner = delegate();
    if (!owner) {
        return nullptr;
    }
    auto added = owner->constraint(this, addConstraintWithLayoutAttribute);
    if (added) {
        added->setDelegate(asDelegate());
        m_childConstraints.push_back(added);
    }
    return added;
}

MASConstraint* MASCompositeConstraint::addConstraintWithLayoutAttribute(Attribute attribute)
{
    constraint(this, attribute);
    return this;
}

MASConstraint* MASCompositeConstraint::multipliedBy(double multiplier)
{
    forEachChild([multiplier](MASConstraint& child) { child.multipliedBy(multiplier); });
    return this;
}

MASConstraint* MASCompositeConstraint::dividedBy(double divider)
{
    forEachChild([divider](MASConstraint& child) { child.dividedBy(divider); });
    return this;
}

MASConstraint* MASCompositeConstraint::priority(float priority)
{
    forEachChild([priority](MASConstraint& child) { child.priority(priority); });
    return this;
}

MASConstraint* MASCompositeConstraint::equalToWithRelation(const MASValue& value, Relation relation)
{
    forEachChild([&](MASConstraint& child) { child.equalToWithRelation(value, relation); });
    return this;
}

MASConstraint* MASCompositeConstraint::key(const QVariant& key)
{
    m_key = key;
    const QString text = key.toString();
    for (size_t i = 0; i < m_childConstraints.size(); ++i) {
        m_childConstraints[i]->key(QStringLiteral("%1[%2]").arg(text).arg(i));
    }
    return this;
}

void MASCompositeConstraint::setInsets(const MASEdgeInsets& insets)
{
    forEachChild([&](MASConstraint& child) { child.setInsets(insets); });
}

void MASCompositeConstraint::setInset(double inset)
{
    forEachChild([inset](MASConstraint& child) { child.setInset(inset); });
}

void MASCompositeConstraint::setSizeOffset(const QSizeF& offset)
{
    forEachChild([&](MASConstraint& child) { child.setSizeOffset(offset); });
}

void MASCompositeConstraint::setCenterOffset(const QPointF& offset)
{
    forEachChild([&](MASConstraint& child) { child.setCenterOffset(offset); });
}

void MASCompositeConstraint::setOffset(double offset)
{
    forEachChild([offset](MASConstraint& child) { child.setOffset(offset); });
}

MASConstraint* MASCompositeConstraint::animator()
{
    forEachChild([](MASConstraint& child) { child.animator(); });
    return this;
}

void MASCompositeConstraint::activate()
{
    forEachChild([](MASConstraint& child) { child.activate(); });
}

void MASCompositeConstraint::deactivate()
{
    forEachChild([](MASConstraint& child) { child.deactivate(); });
}

void MASCompositeConstraint::install()
{
    forEachChild([this](MASConstraint& child) {
        child.setUpdateExisting(updateExisting());
        child.install();
    });
}

void MASCompositeConstraint::uninstall()
{
    forEachChild([](MASConstraint& child) { child.uninstall(); });
}
