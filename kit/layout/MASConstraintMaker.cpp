#include "kit/layout/MASConstraintMaker.h"

#include "kit/layout/MASCompositeConstraint.h"
#include "kit/layout/MASViewConstraint.h"

#include <QWidget>

#include <algorithm>

using platform::layout::Attribute;

MASConstraintMaker::MASConstraintMaker(QWidget* view)
    : m_view(view)
{
}

MASConstraint* MASConstraintMaker::left()
{
    return addConstraintWithLayoutAttribute(Attribute::Left);
}

MASConstraint* MASConstraintMaker::top()
{
    return addConstraintWithLayoutAttribute(Attribute::Top);
}

MASConstraint* MASConstraintMaker::right()
{
    return addConstraintWithLayoutAttribute(Attribute::Right);
}

MASConstraint* MASConstraintMaker::bottom()
{
    return addConstraintWithLayoutAttribute(Attribute::Bottom);
}

MASConstraint* MASConstraintMaker::leading()
{
    return addConstraintWithLayoutAttribute(Attribute::Leading);
}

MASConstraint* MASConstraintMaker::trailing()
{
    return addConstraintWithLayoutAttribute(Attribute::Trailing);
}

MASConstraint* MASConstraintMaker::width()
{
    return addConstraintWithLayoutAttribute(Attribute::Width);
}

MASConstraint* MASConstraintMaker::height()
{
    return addConstraintWithLayoutAttribute(Attribute::Height);
}

MASConstraint* MASConstraintMaker::centerX()
{
    return addConstraintWithLayoutAttribute(Attribute::CenterX);
}

MASConstraint* MASConstraintMaker::centerY()
{
    return addConstraintWithLayoutAttribute(Attribute::CenterY);
}

MASConstraint* MASConstraintMaker::baseline()
{
    return addConstraintWithLayoutAttribute(Attribute::Baseline);
}

MASConstraint* MASConstraintMaker::addConstraintWithLayoutAttribute(Attribute attribute)
{
    return constraint(nullptr, attribute).get();
}

MASConstraint* MASConstraintMaker::addConstraintWithAttributes(unsigned mask)
{
    std::vector<std::shared_ptr<MASConstraint>> children;
    for (const Attribute attribute : { Attribute::Left, Attribute::Right, Attribute::Top, Attribute::Bottom,
                                       Attribute::Leading, Attribute::Trailing, Attribute::Width, Attribute::Height,
                                       Attribute::CenterX, Attribute::CenterY, Attribute::Baseline }) {
        if (mask & (1u << static_cast<int>(attribute))) {
            children.push_back(std::make_shared<MASViewConstraint>(MASViewAttribute(m_view, attribute)));
        }
    }
    auto composite = MASCompositeConstraint::create(children);
    composite->setDelegate(weak_from_this());
    m_constraints.push_back(composite);
    return composite.get();
}

MASConstraint* MASConstraintMaker::edges()
{
    return addConstraintWithAttributes(MASAttributeLeft | MASAttributeRight | MASAttributeTop | MASAttributeBottom);
}

MASConstraint* MASConstraintMaker::size()
{
    return addConstraintWithAttributes(MASAttributeWidth | MASAttributeHeight);
}

MASConstraint* MASConstraintMaker::center()
{
    return addConstraintWithAttributes(MASAttributeCenterX | MASAttributeCenterY);
}

MASConstraint* MASConstraintMaker::group(const std::function<void()>& block)
{
    const size_t before = m_constraints.size();
    if (block) {
        block();
    }
    std::vector<std::shared_ptr<MASConstraint>> added;
    if (m_constraints.size() > before) {
        added.assign(m_constraints.begin() + static_cast<std::ptrdiff_t>(before), m_constraints.end());
    }
    auto composite = MASCompositeConstraint::create(added);
    composite->setDelegate(weak_from_this());
    m_groups.push_back(composite);
    return composite.get();
}

std::vector<std::shared_ptr<MASConstraint>> MASConstraintMaker::install()
{
    if (m_removeExisting) {
        // Uninstalling takes each constraint out of the installed set: walk a copy.
        for (const auto& installed : MASViewConstraint::installedConstraintsForView(m_view)) {
            installed->uninstall();
        }
    }
    const auto constraints = m_constraints;
    for (const auto& c : constraints) {
        c->setUpdateExisting(m_updateExisting);
        c->install();
    }
    m_constraints.clear();
    return constraints;
}

void MASConstraintMaker::constraint(MASConstraint* constraint,
                                    const std::shared_ptr<MASConstraint>& shouldBeReplacedWithConstraint)
{
    auto it = std::find_if(m_constraints.begin(), m_constraints.end(),
                           [constraint](const auto& c) { return c.get() == constraint; });
    if (it != m_constraints.end()) {
        *it = shouldBeReplacedWithConstraint;
    }
}

std::shared_ptr<MASConstraint> MASConstraintMaker::constraint(MASConstraint* constraint,
                                                              Attribute addConstraintWithLayoutAttribute)
{
    auto added = std::make_shared<MASViewConstraint>(MASViewAttribute(m_view, addConstraintWithLayoutAttribute));
    if (dynamic_cast<MASViewConstraint*>(constraint)) {
        // An attribute chained onto another, as in left()->right(): both become one composite.
        auto composite = MASCompositeConstraint::create({ constraint->shared_from_this(), added });
        composite->setDelegate(weak_from_this());
        this->constraint(constraint, composite);
        return composite;
    }
    if (!constraint) {
        added->setDelegate(weak_from_this());
        m_constraints.push_back(added);
    }
    return added;
}
