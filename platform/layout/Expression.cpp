#include "platform/layout/Expression.h"

namespace platform::layout {

Expression& Expression::add(const Expression& other, double coefficient)
{
    for (const Term& term : other.m_terms) {
        m_terms.push_back(Term { term.variable, term.coefficient * coefficient });
    }
    m_constant += other.m_constant * coefficient;
    return *this;
}

double Expression::value() const
{
    double sum = m_constant;
    for (const Term& term : m_terms) {
        sum += term.coefficient * term.variable.value();
    }
    return sum;
}

Expression operator+(const Expression& a, const Expression& b)
{
    return Expression(a).add(b);
}

Expression operator-(const Expression& a, const Expression& b)
{
    return Expression(a).add(b, -1.0);
}

Expression operator-(const Expression& a)
{
    return Expression().add(a, -1.0);
}

Expression operator*(const Expression& a, double factor)
{
    return Expression().add(a, factor);
}

Expression operator*(double factor, const Expression& a)
{
    return Expression().add(a, factor);
}

} // namespace platform::layout
