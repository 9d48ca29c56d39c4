#include "kit/layout/MASConstraint.h"

using platform::layout::Attribute;
namespace Priority = platform::layout::Priority;
using platform::layout::Relation;

MASConstraint* MASConstraint::equalTo(const MASValue& value)
{
    return equalToWithRelation(value, Relation::Equal);
}

MASConstraint* MASConstraint::greaterThanOrEqualTo(const MASValue& value)
{
    return equalToWithRelation(value, Relation::GreaterThanOrEqual);
}

MASConstraint* MASConstraint::lessThanOrEqualTo(const MASValue& value)
{
    return equalToWithRelation(value, Relation::LessThanOrEqual);
}

MASConstraint* MASConstraint::priorityLow()
{
    return priority(Priority::Low);
}

MASConstraint* MASConstraint::priorityMedium()
{
    return priority(Priority::Medium);
}

MASConstraint* MASConstraint::priorityHigh()
{
    return priority(Priority::High);
}

MASConstraint* MASConstraint::insets(const MASEdgeInsets& insets)
{
    setInsets(insets);
    return this;
}

MASConstraint* MASConstraint::inset(double inset)
{
    setInset(inset);
    return this;
}

MASConstraint* MASConstraint::sizeOffset(const QSizeF& offset)
{
    setSizeOffset(offset);
    return this;
}

MASConstraint* MASConstraint::centerOffset(const QPointF& offset)
{
    setCenterOffset(offset);
    return this;
}

MASConstraint* MASConstraint::offset(double offset)
{
    setOffset(offset);
    return this;
}

MASConstraint* MASConstraint::valueOffset(const MASValue& value)
{
    setLayoutConstantWithValue(value);
    return this;
}

void MASConstraint::setLayoutConstantWithValue(const MASValue& value)
{
    if (value.isNumber()) {
        setOffset(value.number());
    } else if (value.isPoint()) {
        setCenterOffset(value.point());
    } else if (value.isSize()) {
        setSizeOffset(value.size());
    } else if (value.isEdgeInsets()) {
        setInsets(value.edgeInsets());
    }
}

MASConstraint* MASConstraint::left()
{
    return addConstraintWithLayoutAttribute(Attribute::Left);
}

MASConstraint* MASConstraint::top()
{
    return addConstraintWithLayoutAttribute(Attribute::Top);
}

MASConstraint* MASConstraint::right()
{
    return addConstraintWithLayoutAttribute(Attribute::Right);
}

MASConstraint* MASConstraint::bottom()
{
    return addConstraintWithLayoutAttribute(Attribute::Bottom);
}

MASConstraint* MASConstraint::leading()
{
    return addConstraintWithLayoutAttribute(Attribute::Leading);
}

MASConstraint* MASConstraint::trailing()
{
    return addConstraintWithLayoutAttribute(Attribute::Trailing);
}

MASConstraint* MASConstraint::width()
{
    return addConstraintWithLayoutAttribute(Attribute::Width);
}

MASConstraint* MASConstraint::height()
{
    return addConstraintWithLayoutAttribute(Attribute::Height);
}

MASConstraint* MASConstraint::centerX()
{
    return addConstraintWithLayoutAttribute(Attribute::CenterX);
}

MASConstraint* MASConstraint::centerY()
{
    return addConstraintWithLayoutAttribute(Attribute::CenterY);
}

MASConstraint* MASConstraint::baseline()
{
    return addConstraintWithLayoutAttribute(Attribute::Baseline);
}
