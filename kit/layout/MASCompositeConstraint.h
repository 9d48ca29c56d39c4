#pragma once

#include "kit/layout/MASConstraint.h"

#include <QVariant>

#include <memory>
#include <vector>

/// A group of constraints edited as one: every chaining operation goes to each child.
/// The composite is each child's delegate, so attributes chained onto it join the group.
class MASCompositeConstraint final : public MASConstraint, public MASConstraintDelegate
{
public:
    /// A composite of the children (copied list), made their delegate.
    static std::shared_ptr<MASCompositeConstraint> create(const std::vector<std::shared_ptr<MASConstraint>>& children);

    const std::vector<std::shared_ptr<MASConstraint>>& childConstraints() const { return m_childConstraints; }
    const QVariant& mas_key() const { return m_key; }

    void constraint(MASConstraint* constraint,
                    const std::shared_ptr<MASConstraint>& shouldBeReplacedWithConstraint) override;
    std::shared_ptr<MASConstraint> constraint(MASConstraint* constraint,
                                              platform::layout::Attribute addConstraintWithLayoutAttribute) override;

    MASConstraint* addConstraintWithLayoutAttribute(platform::layout::Attribute attribute) override;
    MASConstraint* multipliedBy(double multiplier) override;
    MASConstraint* dividedBy(double divider) override;
    MASConstraint* priority(float priority) override;
    MASConstraint* equalToWithRelation(const MASValue& value, platform::layout::Relation relation) override;
    MASConstraint* key(const QVariant& key) override;
    void setInsets(const MASEdgeInsets& insets) override;
    void setInset(double inset) override;
    void setSizeOffset(const QSizeF& offset) override;
    void setCenterOffset(const QPointF& offset) override;
    void setOffset(double offset) override;
    MASConstraint* animator() override;
    void activate() override;
    void deactivate() override;
    void install() override;
    void uninstall() override;

private:
    MASCompositeConstraint() = default;
    std::weak_ptr<MASConstraintDelegate> asDelegate();
    template <typename Fn> void forEachChild(Fn fn)
    {
        // A child may be replaced while walking, so walk a copy.
        const auto children = m_childConstraints;
        for (const auto& child : children) {
            fn(*child);
        }
    }

    std::vector<std::shared_ptr<MASConstraint>> m_childConstraints;
    QVariant m_key;
};
