#pragma once

#include "platform/layout/Expression.h"
#include "platform/layout/LayoutTypes.h"

#include <memory>

namespace platform::layout {

/// "expression relation 0" with a priority (1000 = required). Copies are the same
/// constraint; the solver knows it by identity.
class LinearConstraint
{
public:
    LinearConstraint() = default;
    LinearConstraint(const Expression& expression, Relation relation, double priority = Priority::Required)
        : m_data(std::make_shared<Data>(Data { expression, relation, priority }))
    {
    }

    bool isNull() const { return !m_data; }
    const Expression& expression() const { return m_data->expression; }
    Relation relation() const { return m_data->relation; }
    double priority() const { return m_data->priority; }
    bool isRequired() const { return m_data->priority >= Priority::Required; }

    const void* id() const { return m_data.get(); }
    bool operator==(const LinearConstraint& other) const { return m_data == other.m_data; }

private:
    friend class Solver;
    struct Data
    {
        Expression expression;
        Relation relation;
        double priority;
    };
    std::shared_ptr<Data> m_data;
};

} // namespace platform::layout
