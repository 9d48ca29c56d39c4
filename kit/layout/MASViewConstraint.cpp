#include "kit/layout/MASViewConstraint.h"

#include "kit/layout/MASCompositeConstraint.h"
#include "kit/layout/MASDebugAdditions.h"
#include "kit/layout/MASLayoutConstraint.h"
#include "kit/layout/MASViewState.h"
#include "platform/layout/LayoutEngine.h"

#include <QLoggingCategory>
#include <QWidget>

#include <algorithm>

using platform::layout::Attribute;
using platform::layout::LayoutEngine;
using platform::layout::Relation;

namespace {

Q_LOGGING_CATEGORY(lcLayoutKit, "tarsel.kit.layout")

} // namespace

MASViewConstraint::MASViewConstraint(const MASViewAttribute& firstViewAttribute)
    : m_firstViewAttribute(firstViewAttribute)
{
}

std::shared_ptr<MASViewConstraint> MASViewConstraint::copy() const
{
    auto constraint = std::make_shared<MASViewConstraint>(m_firstViewAttribute);
    constraint->m_layoutConstant = m_layoutConstant;
    constraint->m_layoutRelation = m_layoutRelation;
    constraint->m_hasLayoutRelation = m_hasLayoutRelation;
    constraint->m_layoutPriority = m_layoutPriority;
    constraint->m_layoutMultiplier = m_layoutMultiplier;
    constraint->setDelegate(delegate());
    return constraint;
}

std::vector<std::shared_ptr<MASViewConstraint>> MASViewConstraint::installedConstraintsForView(QWidget* view)
{
    const MASViewState* state = MASViewState::find(view);
    return state ? state->installedConstraints : std::vector<std::shared_ptr<MASViewConstraint>>();
}

void MASViewConstraint::setSecondViewAttribute(const MASValue& value)
{
    if (value.isNumber() || value.isPoint() || value.isSize() || value.isEdgeInsets()) {
        setLayoutConstantWithValue(value);
    } else if (value.isView()) {
        m_secondViewAttribute = MASViewAttribute(value.view(), m_firstViewAttribute.layoutAttribute());
    } else if (value.isViewAttribute()) {
        m_secondViewAttribute = value.viewAttribute();
    }
}

void MASViewConstraint::setLayoutRelation(Relation relation)
{
    m_layoutRelation = relation;
    m_hasLayoutRelation = true;
}

void MASViewConstraint::setLayoutConstant(double constant)
{
    m_layoutConstant = constant;
    // There is no animator here: the constant changes at once either way.
    if (m_layoutConstraint) {
        m_layoutConstraint->setConstant(constant);
    }
}

bool MASViewConstraint::supportsActiveProperty() const
{
    return m_layoutConstraint != nullptr;
}

bool MASViewConstraint::isActive() const
{
    return !supportsActiveProperty() || m_layoutConstraint->isActive();
}

bool MASViewConstraint::hasBeenInstalled() const
{
    return m_layoutConstraint && isActive();
}

MASConstraint* MASViewConstraint::addConstraintWithLayoutAttribute(Attribute attribute)
{
    auto owner = delegate();
    if (!owner) {
        qCWarning(lcLayoutKit) << "No maker to add an attribute to; the chain stays on the constraint";
        return this;
    }
    return owner->constraint(this, attribute).get();
}

MASConstraint* MASViewConstraint::multipliedBy(double multiplier)
{
    m_layoutMultiplier = multiplier;
    return this;
}

MASConstraint* MASViewConstraint::dividedBy(double divider)
{
    m_layoutMultiplier = 1.0 / divider;
    return this;
}

MASConstraint* MASViewConstraint::priority(float priority)
{
    m_layoutPriority = priority;
    return this;
}

MASConstraint* MASViewConstraint::equalToWithRelation(const MASValue& value, Relation relation)
{
    if (!value.isList()) {
        setLayoutRelation(relation);
        setSecondViewAttribute(value);
        return this;
    }
    // The receiver is replaced by a composite of copies, one per element; keep it alive
    // until the replacement is done.
    const std::shared_ptr<MASConstraint> self = shared_from_this();
    std::vector<std::shared_ptr<MASConstraint>> children;
    for (const MASValue& element : value.list()) {
        auto child = copy();
        child->setLayoutRelation(relation);
        child->setSecondViewAttribute(element);
        children.push_back(child);
    }
    auto composite = MASCompositeConstraint::create(children);
    composite->setDelegate(delegate());
    if (auto owner = delegate()) {
        owner->constraint(this, composite);
    }
    return composite.get();
}

MASConstraint* MASViewConstraint::key(const QVariant& key)
{
    m_key = key;
    return this;
}

void MASViewConstraint::setInsets(const MASEdgeInsets& insets)
{
    switch (m_firstViewAttribute.layoutAttribute()) {
    case Attribute::Left:
    case Attribute::Leading:
        setLayoutConstant(insets.left);
        break;
    case Attribute::Right:
    case Attribute::Trailing:
        setLayoutConstant(-insets.right);
        break;
    case Attribute::Top:
        setLayoutConstant(insets.top);
        break;
    case Attribute::Bottom:
        setLayoutConstant(-insets.bottom);
        break;
    default:
        break;
    }
}

void MASViewConstraint::setInset(double inset)
{
    setInsets(MASEdgeInsets { inset, inset, inset, inset });
}

void MASViewConstraint::setSizeOffset(const QSizeF& offset)
{
    switch (m_firstViewAttribute.layoutAttribute()) {
    case Attribute::Width:
        setLayoutConstant(offset.width());
        break;
    case Attribute::Height:
        setLayoutConstant(offset.height());
        break;
    default:
        break;
    }
}

void MASViewConstraint::setCenterOffset(const QPointF& offset)
{
    switch (m_firstViewAttribute.layoutAttribute()) {
    case Attribute::CenterX:
        setLayoutConstant(offset.x());
        break;
    case Attribute::CenterY:
        setLayoutConstant(offset.y());
        break;
    default:
        break;
    }
}

void MASViewConstraint::setOffset(double offset)
{
    setLayoutConstant(offset);
}

MASConstraint* MASViewConstraint::animator()
{
    m_useAnimator = true;
    return this;
}

void MASViewConstraint::activate()
{
    install();
}

void MASViewConstraint::deactivate()
{
    uninstall();
}

void MASViewConstraint::install()
{
    if (hasBeenInstalled()) {
        return;
    }
    MASDebugAdditions::install();
    const auto self = std::static_pointer_cast<MASViewConstraint>(shared_from_this());
    QWidget* firstView = m_firstViewAttribute.view();

    if (supportsActiveProperty()) {
        m_layoutConstraint->setActive(true);
        if (m_layoutConstraint->isActive() && firstView) {
            MASViewState::of(firstView).insertInstalled(self);
        }
        return;
    }

    const Attribute firstAttribute = m_firstViewAttribute.layoutAttribute();
    QObject* secondItem = nullptr;
    Attribute secondAttribute = Attribute::NotAnAttribute;
    if (m_secondViewAttribute) {
        secondItem = m_secondViewAttribute->item();
        secondAttribute = m_secondViewAttribute->layoutAttribute();
    } else if (!m_firstViewAttribute.isSizeAttribute() && firstView) {
        secondItem = firstView->parentWidget();
        secondAttribute = firstAttribute;
    }

    auto platformConstraint = std::make_shared<MASLayoutConstraint>(
        qobject_cast<QWidget*>(m_firstViewAttribute.item()), firstAttribute, m_layoutRelation,
        qobject_cast<QWidget*>(secondItem), secondAttribute, m_layoutMultiplier, m_layoutConstant);
    platformConstraint->setPriority(m_layoutPriority);
    platformConstraint->setMas_key(m_key);

    QWidget* installedView = nullptr;
    if (m_secondViewAttribute && m_secondViewAttribute->view()) {
        installedView = LayoutEngine::closestCommonAncestor(firstView, m_secondViewAttribute->view());
    } else if (m_firstViewAttribute.isSizeAttribute()) {
        installedView = firstView;
    } else if (firstView) {
        installedView = firstView->parentWidget();
    }
    m_installedView = installedView;

    if (!installedView) {
        // Nothing can hold it: report it as not installed instead of pretending.
        qCWarning(lcLayoutKit).noquote() << "Constraint not installed, its views share no superview:"
                                         << MASDebugAdditions::description(*platformConstraint);
        return;
    }

    if (updateExisting()) {
        if (auto existing = layoutConstraintSimilarTo(*platformConstraint)) {
            existing->setConstant(platformConstraint->constant());
            m_layoutConstraint = existing;
            return;
        }
    }

    if (!LayoutEngine::addConstraint(installedView, platformConstraint)) {
        return;
    }
    m_layoutConstraint = platformConstraint;
    MASViewState::of(firstView).insertInstalled(self);
}

std::shared_ptr<MASLayoutConstraint>
MASViewConstraint::layoutConstraintSimilarTo(const MASLayoutConstraint& constraint) const
{
    const auto held = LayoutEngine::constraints(m_installedView);
    for (auto it = held.rbegin(); it != held.rend(); ++it) {
        auto candidate = std::dynamic_pointer_cast<MASLayoutConstraint>(*it);
        if (candidate && candidate->firstItem() == constraint.firstItem()
            && candidate->secondItem() == constraint.secondItem()
            && candidate->firstAttribute() == constraint.firstAttribute()
            && candidate->secondAttribute() == constraint.secondAttribute()
            && candidate->relation() == constraint.relation() && candidate->multiplier() == constraint.multiplier()
            && candidate->priority() == constraint.priority()) {
            return candidate;
        }
    }
    return nullptr;
}

void MASViewConstraint::uninstall()
{
    if (supportsActiveProperty()) {
        // Kept, inactive, so that install() can bring it back.
        m_layoutConstraint->setActive(false);
    } else {
        m_installedView = nullptr;
    }
    if (MASViewState* state = MASViewState::find(m_firstViewAttribute.view())) {
        state->removeInstalled(this);
    }
}
