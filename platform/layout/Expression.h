#pragma once

#include "platform/layout/Variable.h"

#include <vector>

namespace platform::layout {

struct Term
{
    Variable variable;
    double coefficient = 1.0;
};

/// A linear expression: a sum of coefficient × variable terms plus a constant.
class Expression
{
public:
    Expression(double constant = 0.0) // NOLINT: numbers are expressions
        : m_constant(constant)
    {
    }
    Expression(const Variable& variable) // NOLINT: variables are expressions
        : m_terms { Term { variable, 1.0 } }
    {
    }

    const std::vector<Term>& terms() const { return m_terms; }
    double constant() const { return m_constant; }
    void setConstant(double constant) { m_constant = constant; }

    /// Adds coefficient × other to this expression.
    Expression& add(const Expression& other, double coefficient = 1.0);
    /// The value with the variables' current values.
    double value() const;

private:
    std::vector<Term> m_terms;
    double m_constant = 0.0;
};

Expression operator+(const Expression& a, const Expression& b);
Expression operator-(const Expression& a, const Expression& b);
Expression operator-(const Expression& a);
Expression operator*(const Expression& a, double factor);
Expression operator*(double factor, const Expression& a);

} // namespace platform::layout
