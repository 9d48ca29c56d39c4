#pragma once

#include "platform/layout/LinearConstraint.h"

#include <QtGlobal>

#include <memory>

namespace platform::layout {

/// An incremental Cassowary solver: a simplex tableau kept optimal while constraints are
/// added, removed and have their constants changed.
///
/// Required constraints (priority 1000) hold exactly. Every other constraint gets error
/// variables weighted by its priority, and the solver minimises the weighted errors, so a
/// constraint of higher priority wins over lower ones. A required constraint that cannot
/// hold together with the required constraints already present is refused, never half added.
class Solver final
{
public:
    Solver();
    ~Solver();
    Q_DISABLE_COPY_MOVE(Solver)

    /// Adds a constraint. False when it is required and unsatisfiable together with the
    /// required ones already present; the solver is then unchanged. Adding one twice does nothing.
    bool addConstraint(const LinearConstraint& constraint);
    /// Removes a constraint; one that was never added is ignored.
    void removeConstraint(const LinearConstraint& constraint);
    bool hasConstraint(const LinearConstraint& constraint) const;
    int constraintCount() const;

    /// Gives an added constraint's expression a new constant, in place (no removal and re-add).
    /// False when the new constant makes the required constraints unsatisfiable: the
    /// constraint is then removed and the rest of the solution stays as it was.
    bool setConstant(const LinearConstraint& constraint, double constant);

    /// Writes the current solution into the variables of the added constraints.
    void updateVariables();

    /// The weight a priority below 1000 gets in the objective.
    static double strengthOf(double priority);

private:
    class Tableau;
    std::unique_ptr<Tableau> m_tableau;
};

} // namespace platform::layout
