#pragma once

#include "kit/layout/MASConstraint.h"
#include "kit/layout/MASConstraintMaker.h"
#include "kit/layout/MASViewAttribute.h"
#include "kit/layout/MASViewConstraint.h"

#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

/// The layout kit's additions to views. A block gets a maker for the view, describes
/// constraints on it, and the maker installs them:
///     mas_makeConstraints(label, [&](MASConstraintMaker* make) {
///         make->top()->equalTo(mas_bottom(image))->offset(10);
///         make->left()->right()->equalTo(panel)->insets({ 0, 10, 0, 10 });
///     });
using MASConstraintBlock = std::function<void(MASConstraintMaker* make)>;

/// Stops the view translating its frame into constraints, runs the block with a maker and
/// answers every constraint the maker installed (or tried to).
std::vector<std::shared_ptr<MASConstraint>> mas_makeConstraints(QWidget* view, const MASConstraintBlock& block);
/// The same, updating the constant of a similar installed constraint instead of adding one.
std::vector<std::shared_ptr<MASConstraint>> mas_updateConstraints(QWidget* view, const MASConstraintBlock& block);
/// The same, after uninstalling every constraint installed with the view as first view.
std::vector<std::shared_ptr<MASConstraint>> mas_remakeConstraints(QWidget* view, const MASConstraintBlock& block);

MASViewAttribute mas_left(QWidget* view);
MASViewAttribute mas_top(QWidget* view);
MASViewAttribute mas_right(QWidget* view);
MASViewAttribute mas_bottom(QWidget* view);
MASViewAttribute mas_leading(QWidget* view);
MASViewAttribute mas_trailing(QWidget* view);
MASViewAttribute mas_width(QWidget* view);
MASViewAttribute mas_height(QWidget* view);
MASViewAttribute mas_centerX(QWidget* view);
MASViewAttribute mas_centerY(QWidget* view);
MASViewAttribute mas_baseline(QWidget* view);
MASViewAttribute mas_attribute(QWidget* view, platform::layout::Attribute attribute);

/// The view's debugging key, shown in constraint descriptions.
QVariant mas_key(const QWidget* view);
void setMas_key(QWidget* view, const QVariant& key);

/// The nearest view that is, or contains, both views; null when none.
QWidget* mas_closestCommonSuperview(QWidget* view, QWidget* other);
/// The constraints installed with the view as first view.
std::vector<std::shared_ptr<MASViewConstraint>> mas_installedConstraints(QWidget* view);
