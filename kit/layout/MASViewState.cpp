#include "kit/layout/MASViewState.h"

#include <QHash>
#include <QObject>
#include <QWidget>

#include <algorithm>

namespace {

QHash<const QObject*, MASViewState>& states()
{
    static QHash<const QObject*, MASViewState> all;
    return all;
}

} // namespace

MASViewState& MASViewState::of(QWidget* view)
{
    auto it = states().find(view);
    if (it == states().end()) {
        const QObject* key = view;
        QObject::connect(view, &QObject::destroyed, [key] { states().remove(key); });
        it = states().insert(key, MASViewState());
    }
    return it.value();
}

MASViewState* MASViewState::find(const QWidget* view)
{
    auto it = states().find(view);
    return it == states().end() ? nullptr : &it.value();
}

void MASViewState::insertInstalled(const std::shared_ptr<MASViewConstraint>& constraint)
{
    if (std::find(installedConstraints.begin(), installedConstraints.end(), constraint) == installedConstraints.end()) {
        installedConstraints.push_back(constraint);
    }
}

void MASViewState::removeInstalled(const MASViewConstraint* constraint)
{
    installedConstraints.erase(std::remove_if(installedConstraints.begin(), installedConstraints.end(),
                                              [constraint](const auto& c) { return c.get() == constraint; }),
                               installedConstraints.end());
}
