#include "kit/layout/ViewMASAdditions.h"

#include "kit/layout/MASViewState.h"
#include "platform/layout/LayoutEngine.h"

#include <QWidget>

using platform::layout::Attribute;
using platform::layout::LayoutEngine;

namespace {

std::vector<std::shared_ptr<MASConstraint>> runMaker(QWidget* view, const MASConstraintBlock& block,
                                                     bool updateExisting, bool removeExisting)
{
    if (!view) {
        return {};
    }
    LayoutEngine::setTranslatesAutoresizingMaskIntoConstraints(view, false);
    auto maker = std::make_shared<MASConstraintMaker>(view);
    maker->setUpdateExisting(updateExisting);
    maker->setRemoveExisting(removeExisting);
    if (block) {
        block(maker.get());
    }
    return maker->install();
}

} // namespace

std::vector<std::shared_ptr<MASConstraint>> mas_makeConstraints(QWidget* view, const MASConstraintBlock& block)
{
    return runMaker(view, block, false, false);
}

std::vector<std::shared_ptr<MASConstraint>> mas_updateConstraints(QWidget* view, const MASConstraintBlock& block)
{
    return runMaker(view, block, true, false);
}

std::vector<std::shared_ptr<MASConstraint>> mas_remakeConstraints(QWidget* view, const MASConstraintBlock& block)
{
    return runMaker(view, block, false, true);
}

MASViewAttribute mas_attribute(QWidget* view, Attribute attribute)
{
    return MASViewAttribute(view, attribute);
}

MASViewAttribute mas_left(QWidget* view)
{
    return mas_attribute(view, Attribute::Left);
}

MASViewAttribute mas_top(QWidget* view)
{
    return mas_attribute(view, Attribute::Top);
}

MASViewAttribute mas_right(QWidget* view)
{
    return mas_attribute(view, Attribute::Right);
}

MASViewAttribute mas_bottom(QWidget* view)
{
    return mas_attribute(view, Attribute::Bottom);
}

MASViewAttribute mas_leading(QWidget* view)
{
    return mas_attribute(view, Attribute::Leading);
}

MASViewAttribute mas_trailing(QWidget* view)
{
    return mas_attribute(view, Attribute::Trailing);
}

MASViewAttribute mas_width(QWidget* view)
{
    return mas_attribute(view, Attribute::Width);
}

MASViewAttribute mas_height(QWidget* view)
{
    return mas_attribute(view, Attribute::Height);
}

MASViewAttribute mas_centerX(QWidget* view)
{
    return mas_attribute(view, Attribute::CenterX);
}

MASViewAttribute mas_centerY(QWidget* view)
{
    return mas_attribute(view, Attribute::CenterY);
}

MASViewAttribute mas_baseline(QWidget* view)
{
    return mas_attribute(view, Attribute::Baseline);
}

QVariant mas_key(const QWidget* view)
{
    const MASViewState* state = MASViewState::find(view);
    return state ? state->key : QVariant();
}

void setMas_key(QWidget* view, const QVariant& key)
{
    if (view) {
        MASViewState::of(view).key = key;
    }
}

QWidget* mas_closestCommonSuperview(QWidget* view, QWidget* other)
{
    return LayoutEngine::closestCommonAncestor(view, other);
}

std::vector<std::shared_ptr<MASViewConstraint>> mas_installedConstraints(QWidget* view)
{
    return MASViewConstraint::installedConstraintsForView(view);
}
