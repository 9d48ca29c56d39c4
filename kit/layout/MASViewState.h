#pragma once

#include <QVariant>

#include <memory>
#include <vector>

class MASViewConstraint;
class QWidget;

/// What the kit keeps per view: its debugging key and the set of view constraints installed
/// with it as first view. Created on first use; it goes when the view is destroyed.
class MASViewState
{
public:
    static MASViewState& of(QWidget* view);
    static MASViewState* find(const QWidget* view);

    QVariant key;
    /// A set: each constraint at most once, in the order installed.
    std::vector<std::shared_ptr<MASViewConstraint>> installedConstraints;

    void insertInstalled(const std::shared_ptr<MASViewConstraint>& constraint);
    void removeInstalled(const MASViewConstraint* constraint);
};
