#pragma once

#include "kit/layout/MASConstraintDelegate.h"
#include "kit/layout/MASValue.h"
#include "platform/layout/LayoutTypes.h"

#include <QVariant>

#include <memory>

/// The common base of a single constraint (MASViewConstraint) and a group edited as one
/// (MASCompositeConstraint). Chaining operations apply their change and answer the
/// constraint, or the composite that took its place, so they can be chained:
///     make->left()->right()->equalTo(other)->offset(8)->priorityHigh();
/// Constraints are owned through std::shared_ptr by the maker, a composite or the view they
/// are installed with; the pointers chaining answers stay valid while the maker lives.
class MASConstraint : public std::enable_shared_from_this<MASConstraint>
{
public:
    virtual ~MASConstraint() = default;

    MASConstraint* equalTo(const MASValue& value);
    MASConstraint* mas_equalTo(const MASValue& value) { return equalTo(value); }
    MASConstraint* greaterThanOrEqualTo(const MASValue& value);
    MASConstraint* mas_greaterThanOrEqualTo(const MASValue& value) { return greaterThanOrEqualTo(value); }
    MASConstraint* lessThanOrEqualTo(const MASValue& value);
    MASConstraint* mas_lessThanOrEqualTo(const MASValue& value) { return lessThanOrEqualTo(value); }

    MASConstraint* priorityLow();
    MASConstraint* priorityMedium();
    MASConstraint* priorityHigh();

    MASConstraint* insets(const MASEdgeInsets& insets);
    MASConstraint* inset(double inset);
    MASConstraint* sizeOffset(const QSizeF& offset);
    MASConstraint* centerOffset(const QPointF& offset);
    MASConstraint* offset(double offset);
    MASConstraint* valueOffset(const MASValue& value);

    MASConstraint* with() { return this; }
    MASConstraint* and_() { return this; }

    MASConstraint* left();
    MASConstraint* top();
    MASConstraint* right();
    MASConstraint* bottom();
    MASConstraint* leading();
    MASConstraint* trailing();
    MASConstraint* width();
    MASConstraint* height();
    MASConstraint* centerX();
    MASConstraint* centerY();
    MASConstraint* baseline();

    /// A number sets the offset, a point the centre offset, a size the size offset, edge
    /// insets the insets; anything else is ignored.
    void setLayoutConstantWithValue(const MASValue& value);

    virtual MASConstraint* addConstraintWithLayoutAttribute(platform::layout::Attribute attribute) = 0;
    virtual MASConstraint* multipliedBy(double multiplier) = 0;
    virtual MASConstraint* dividedBy(double divider) = 0;
    virtual MASConstraint* priority(float priority) = 0;
    virtual MASConstraint* equalToWithRelation(const MASValue& value, platform::layout::Relation relation) = 0;
    virtual MASConstraint* key(const QVariant& key) = 0;
    virtual void setInsets(const MASEdgeInsets& insets) = 0;
    virtual void setInset(double inset) = 0;
    virtual void setSizeOffset(const QSizeF& offset) = 0;
    virtual void setCenterOffset(const QPointF& offset) = 0;
    virtual void setOffset(double offset) = 0;
    virtual MASConstraint* animator() = 0;
    virtual void activate() = 0;
    virtual void deactivate() = 0;
    virtual void install() = 0;
    virtual void uninstall() = 0;

    bool updateExisting() const { return m_updateExisting; }
    void setUpdateExisting(bool updateExisting) { m_updateExisting = updateExisting; }
    std::shared_ptr<MASConstraintDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::weak_ptr<MASConstraintDelegate>& delegate) { m_delegate = delegate; }

protected:
    MASConstraint() = default;

private:
    bool m_updateExisting = false;
    std::weak_ptr<MASConstraintDelegate> m_delegate;
};
