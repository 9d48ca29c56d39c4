#pragma once

#include "kit/layout/MASConstraint.h"
#include "kit/layout/MASViewAttribute.h"

#include <QPointer>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

class MASLayoutConstraint;

/// One constraint being described: the first view attribute, its relation to a second
/// attribute or a constant, multiplier, constant and priority. install() turns it into a
/// platform constraint held by the closest view containing both ends.
class MASViewConstraint final : public MASConstraint
{
public:
    explicit MASViewConstraint(const MASViewAttribute& firstViewAttribute);

    /// A new constraint on the same first attribute with the same constant, relation,
    /// priority, multiplier and delegate; not the second attribute, key or installed state.
    std::shared_ptr<MASViewConstraint> copy() const;
    /// The constraints installed with the view as first view.
    static std::vector<std::shared_ptr<MASViewConstraint>> installedConstraintsForView(QWidget* view);

    const MASViewAttribute& firstViewAttribute() const { return m_firstViewAttribute; }
    const std::optional<MASViewAttribute>& secondViewAttribute() const { return m_secondViewAttribute; }
    /// A boxed value sets the constant, a view becomes that view's attribute of the same kind
    /// as the first, a view attribute is stored; anything else is ignored.
    void setSecondViewAttribute(const MASValue& value);

    QWidget* installedView() const { return m_installedView; }
    std::shared_ptr<MASLayoutConstraint> layoutConstraint() const { return m_layoutConstraint; }

    platform::layout::Relation layoutRelation() const { return m_layoutRelation; }
    void setLayoutRelation(platform::layout::Relation relation);
    bool hasLayoutRelation() const { return m_hasLayoutRelation; }
    float layoutPriority() const { return m_layoutPriority; }
    double layoutMultiplier() const { return m_layoutMultiplier; }
    double layoutConstant() const { return m_layoutConstant; }
    /// Stores the constant and edits the platform constraint's in place when there is one.
    void setLayoutConstant(double constant);
    const QVariant& mas_key() const { return m_key; }
    bool useAnimator() const { return m_useAnimator; }

    bool supportsActiveProperty() const;
    bool isActive() const;
    bool hasBeenInstalled() const;
    /// The last installed kit constraint on the installed view with the same items,
    /// attributes, relation, multiplier and priority (the constant may differ).
    std::shared_ptr<MASLayoutConstraint> layoutConstraintSimilarTo(const MASLayoutConstraint& constraint) const;

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
    MASViewAttribute m_firstViewAttribute;
    std::optional<MASViewAttribute> m_secondViewAttribute;
    QPointer<QWidget> m_installedView;
    // Held, not only watched: a deactivated platform constraint belongs to no view, and
    // install() brings back this very one.
    std::shared_ptr<MASLayoutConstraint> m_layoutConstraint;
    platform::layout::Relation m_layoutRelation = platform::layout::Relation::Equal;
    float m_layoutPriority = platform::layout::Priority::Required;
    double m_layoutMultiplier = 1.0;
    double m_layoutConstant = 0.0;
    bool m_hasLayoutRelation = false;
    QVariant m_key;
    bool m_useAnimator = false;
};
