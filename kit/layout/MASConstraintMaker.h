#pragma once

#include "kit/layout/MASConstraint.h"
#include "kit/layout/MASConstraintDelegate.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

/// Attribute masks: one bit per layout attribute, 1 shifted left by its number.
enum MASAttribute : unsigned {
    MASAttributeLeft = 1u << 1,
    MASAttributeRight = 1u << 2,
    MASAttributeTop = 1u << 3,
    MASAttributeBottom = 1u << 4,
    MASAttributeLeading = 1u << 5,
    MASAttributeTrailing = 1u << 6,
    MASAttributeWidth = 1u << 7,
    MASAttributeHeight = 1u << 8,
    MASAttributeCenterX = 1u << 9,
    MASAttributeCenterY = 1u << 10,
    MASAttributeBaseline = 1u << 11,
};

/// Collects the constraints a block describes for one view, then installs them.
/// Own it through std::shared_ptr (the view additions do): constraints refer back to it weakly.
class MASConstraintMaker final : public MASConstraintDelegate, public std::enable_shared_from_this<MASConstraintMaker>
{
public:
    explicit MASConstraintMaker(QWidget* view);

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
    MASConstraint* addConstraintWithLayoutAttribute(platform::layout::Attribute attribute);

    /// One composite for every attribute in the mask, in the fixed attribute order.
    MASConstraint* attributes(unsigned mask) { return addConstraintWithAttributes(mask); }
    MASConstraint* addConstraintWithAttributes(unsigned mask);
    MASConstraint* edges();
    MASConstraint* size();
    MASConstraint* center();
    /// Runs the block and answers a composite of the constraints it added. The composite is
    /// not itself in the list (its children are); the maker keeps it alive for chaining.
    MASConstraint* group(const std::function<void()>& block);

    /// Installs every constraint made so far (after uninstalling the view's installed
    /// constraints when removeExisting is set), empties the list and answers what it held.
    std::vector<std::shared_ptr<MASConstraint>> install();

    void constraint(MASConstraint* constraint,
                    const std::shared_ptr<MASConstraint>& shouldBeReplacedWithConstraint) override;
    std::shared_ptr<MASConstraint> constraint(MASConstraint* constraint,
                                              platform::layout::Attribute addConstraintWithLayoutAttribute) override;

    bool updateExisting() const { return m_updateExisting; }
    void setUpdateExisting(bool updateExisting) { m_updateExisting = updateExisting; }
    bool removeExisting() const { return m_removeExisting; }
    void setRemoveExisting(bool removeExisting) { m_removeExisting = removeExisting; }
    QWidget* view() const { return m_view; }
    const std::vector<std::shared_ptr<MASConstraint>>& constraints() const { return m_constraints; }

private:
    bool m_updateExisting = false;
    bool m_removeExisting = false;
    QPointer<QWidget> m_view;
    std::vector<std::shared_ptr<MASConstraint>> m_constraints;
    std::vector<std::shared_ptr<MASConstraint>> m_groups;
};
