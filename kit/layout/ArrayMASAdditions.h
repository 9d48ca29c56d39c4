#pragma once

#include "kit/layout/ViewMASAdditions.h"

#include <QList>

/// Axis of distribution: horizontal, or (any other value) vertical.
enum MASAxisType : int {
    MASAxisTypeHorizontal = 0,
    MASAxisTypeVertical = 1,
};

/// The view operations for a list of views: each view in order, all installed
/// constraints concatenated.
std::vector<std::shared_ptr<MASConstraint>> mas_makeConstraints(const QList<QWidget*>& views,
                                                                const MASConstraintBlock& block);
std::vector<std::shared_ptr<MASConstraint>> mas_updateConstraints(const QList<QWidget*>& views,
                                                                  const MASConstraintBlock& block);
std::vector<std::shared_ptr<MASConstraint>> mas_remakeConstraints(const QList<QWidget*>& views,
                                                                  const MASConstraintBlock& block);

/// Lays the views (at least two) out along the axis inside their common superview, equally
/// long, with the fixed gap between them and the lead and tail spacing at the ends.
void mas_distributeViewsAlongAxisWithFixedSpacing(const QList<QWidget*>& views, MASAxisType axis, double fixedSpacing,
                                                  double leadSpacing, double tailSpacing);
/// Lays the views (at least two) out along the axis with the fixed length each; the gaps
/// between them stretch evenly.
void mas_distributeViewsAlongAxisWithFixedItemLength(const QList<QWidget*>& views, MASAxisType axis,
                                                     double fixedItemLength, double leadSpacing, double tailSpacing);

/// The closest common superview of all views in the list (null entries skipped); null for none.
QWidget* mas_commonSuperviewOfViews(const QList<QWidget*>& views);
