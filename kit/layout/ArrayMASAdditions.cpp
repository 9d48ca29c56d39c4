#include "kit/layout/ArrayMASAdditions.h"

#include <QWidget>

namespace {

using MakerFunction = std::vector<std::shared_ptr<MASConstraint>> (*)(QWidget*, const MASConstraintBlock&);

std::vector<std::shared_ptr<MASConstraint>> forEachView(const QList<QWidget*>& views, const MASConstraintBlock& block,
                                                        MakerFunction make)
{
    std::vector<std::shared_ptr<MASConstraint>> all;
    for (QWidget* view : views) {
        const auto installed = make(view, block);
        all.insert(all.end(), installed.begin(), installed.end());
    }
    return all;
}

// The attributes of one axis: the leading edge, the trailing edge and the length.
struct AxisAttributes
{
    MASConstraint* (MASConstraintMaker::*start)();
    MASConstraint* (MASConstraintMaker::*end)();
    MASConstraint* (MASConstraintMaker::*length)();
    MASViewAttribute (*startOf)(QWidget*);
    MASViewAttribute (*endOf)(QWidget*);
    MASViewAttribute (*lengthOf)(QWidget*);
};

AxisAttributes axisAttributes(MASAxisType axis)
{
    if (axis == MASAxisTypeHorizontal) {
        return { &MASConstraintMaker::left,
                 &MASConstraintMaker::right,
                 &MASConstraintMaker::width,
                 mas_left,
                 mas_right,
                 mas_width };
    }
    return { &MASConstraintMaker::top,
             &MASConstraintMaker::bottom,
             &MASConstraintMaker::height,
             mas_top,
             mas_bottom,
             mas_height };
}

} // namespace

std::vector<std::shared_ptr<MASConstraint>> mas_makeConstraints(const QList<QWidget*>& views,
                                                                const MASConstraintBlock& block)
{
    return forEachView(views, block, &mas_makeConstraints);
}

std::vector<std::shared_ptr<MASConstraint>> mas_updateConstraints(const QList<QWidget*>& views,
                                                                  const MASConstraintBlock& block)
{
    return forEachView(views, block, &mas_updateConstraints);
}

std::vector<std::shared_ptr<MASConstraint>> mas_remakeConstraints(const QList<QWidget*>& views,
                                                                  const MASConstraintBlock& block)
{
    return forEachView(views, block, &mas_remakeConstraints);
}

void mas_distributeViewsAlongAxisWithFixedSpacing(const QList<QWidget*>& views, MASAxisType axis, double fixedSpacing,
                                                  double leadSpacing, double tailSpacing)
{
    if (views.size() < 2) {
        return;
    }
    QWidget* reference = mas_commonSuperviewOfViews(views);
    const AxisAttributes a = axisAttributes(axis);
    for (qsizetype i = 0; i < views.size(); ++i) {
        QWidget* previous = i > 0 ? views.at(i - 1) : nullptr;
        const bool last = i == views.size() - 1;
        mas_makeConstraints(views.at(i), [&](MASConstraintMaker* make) {
            if (!previous) {
                (make->*a.start)()->equalTo(a.startOf(reference))->offset(leadSpacing);
                return;
            }
            (make->*a.length)()->equalTo(a.lengthOf(previous));
            (make->*a.start)()->equalTo(a.endOf(previous))->offset(fixedSpacing);
            if (last) {
                (make->*a.end)()->equalTo(a.endOf(reference))->offset(-tailSpacing);
            }
        });
    }
}

void mas_distributeViewsAlongAxisWithFixedItemLength(const QList<QWidget*>& views, MASAxisType axis,
                                                     double fixedItemLength, double leadSpacing, double tailSpacing)
{
    if (views.size() < 2) {
        return;
    }
    QWidget* reference = mas_commonSuperviewOfViews(views);
    const AxisAttributes a = axisAttributes(axis);
    const double spans = static_cast<double>(views.size() - 1);
    for (qsizetype i = 0; i < views.size(); ++i) {
        mas_makeConstraints(views.at(i), [&](MASConstraintMaker* make) {
            (make->*a.length)()->equalTo(fixedItemLength);
            if (i == 0) {
                (make->*a.start)()->equalTo(a.startOf(reference))->offset(leadSpacing);
            } else if (i == views.size() - 1) {
                (make->*a.end)()->equalTo(a.endOf(reference))->offset(-tailSpacing);
            } else {
                const double m = static_cast<double>(i) / spans;
                const double c
                    = (1.0 - m) * (fixedItemLength + leadSpacing) - tailSpacing * static_cast<double>(i) / spans;
                (make->*a.end)()->equalTo(a.endOf(reference))->multipliedBy(m)->offset(c);
            }
        });
    }
}

QWidget* mas_commonSuperviewOfViews(const QList<QWidget*>& views)
{
    QWidget* common = nullptr;
    bool first = true;
    for (QWidget* view : views) {
        if (!view) {
            continue;
        }
        common = first ? view : mas_closestCommonSuperview(view, common);
        first = false;
    }
    return common;
}
