#include "platform/layout/Solver.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace platform::layout {

namespace {

constexpr double kEpsilon = 1.0e-8;

bool nearZero(double value)
{
    return std::abs(value) < kEpsilon;
}

// External symbols stand for the user's variables and are unrestricted. Slack and error
// symbols are restricted to values >= 0. Dummy symbols mark required equalities and stay 0.
enum class SymbolType : quint8 { Invalid, External, Slack, Error, Dummy };

struct Symbol
{
    quint32 id = 0;
    SymbolType type = SymbolType::Invalid;

    bool isValid() const { return type != SymbolType::Invalid; }
    bool isRestricted() const { return type == SymbolType::Slack || type == SymbolType::Error; }
    bool operator==(const Symbol& other) const { return id == other.id; }
};

struct SymbolHash
{
    size_t operator()(const Symbol& s) const { return std::hash<quint32>()(s.id); }
};

// One row of the tableau: basic = constant + sum(coefficient × parameter), the cells kept
// sorted by symbol so that adding one row to another is a single merge.
class Row
{
public:
    using Cell = std::pair<Symbol, double>;
    double constant = 0.0;
    std::vector<Cell> cells;

    double coefficientFor(Symbol s) const
    {
        auto it = find(s);
        return it != cells.end() && it->first == s ? it->second : 0.0;
    }

    void insert(Symbol s, double coefficient)
    {
        auto it = find(s);
        if (it != cells.end() && it->first == s) {
            it->second += coefficient;
            if (nearZero(it->second)) {
                cells.erase(it);
            }
        } else if (!nearZero(coefficient)) {
            cells.insert(it, Cell(s, coefficient));
        }
    }

    // Adds coefficient × other. The callbacks hear of symbols that enter or leave this row.
    template <typename Added, typename Removed>
    void insert(const Row& other, double coefficient, Added added, Removed removed)
    {
        constant += other.constant * coefficient;
        // Merging into a kept buffer and swapping saves an allocation per merge.
        thread_local std::vector<Cell> merged;
        merged.clear();
        merged.reserve(cells.size() + other.cells.size());
        auto mine = cells.begin();
        auto theirs = other.cells.begin();
        while (mine != cells.end() || theirs != other.cells.end()) {
            if (theirs == other.cells.end() || (mine != cells.end() && mine->first.id < theirs->first.id)) {
                merged.push_back(*mine++);
            } else if (mine == cells.end() || theirs->first.id < mine->first.id) {
                const double value = theirs->second * coefficient;
                if (!nearZero(value)) {
                    merged.emplace_back(theirs->first, value);
                    added(theirs->first);
                }
                ++theirs;
            } else {
                const double value = mine->second + theirs->second * coefficient;
                if (nearZero(value)) {
                    removed(mine->first);
                } else {
                    merged.emplace_back(mine->first, value);
                }
                ++mine;
                ++theirs;
            }
        }
        cells.swap(merged);
    }

    void insert(const Row& other, double coefficient)
    {
        insert(
            other, coefficient, [](Symbol) {}, [](Symbol) {});
    }

    void remove(Symbol s)
    {
        auto it = find(s);
        if (it != cells.end() && it->first == s) {
            cells.erase(it);
        }
    }

    void scale(double factor)
    {
        constant *= factor;
        for (auto& cell : cells) {
            cell.second *= factor;
        }
    }

    // Rewrites "0 = row" as "s = ...".
    void solveFor(Symbol s)
    {
        const double coefficient = -1.0 / coefficientFor(s);
        remove(s);
        scale(coefficient);
    }

    // Rewrites "lhs = row" (row containing rhs) as "rhs = ...".
    void solveFor(Symbol lhs, Symbol rhs)
    {
        insert(lhs, -1.0);
        solveFor(rhs);
    }

    // Replaces s by the expression of row.
    template <typename Added, typename Removed> void substitute(Symbol s, const Row& row, Added added, Removed removed)
    {
        const double coefficient = coefficientFor(s);
        if (coefficient != 0.0) {
            remove(s);
            insert(row, coefficient, added, removed);
        }
    }

    void substitute(Symbol s, const Row& row)
    {
        substitute(
            s, row, [](Symbol) {}, [](Symbol) {});
    }

private:
    std::vector<Cell>::iterator find(Symbol s)
    {
        return std::lower_bound(cells.begin(), cells.end(), s,
                                [](const Cell& cell, Symbol key) { return cell.first.id < key.id; });
    }
    std::vector<Cell>::const_iterator find(Symbol s) const
    {
        return std::lower_bound(cells.begin(), cells.end(), s,
                                [](const Cell& cell, Symbol key) { return cell.first.id < key.id; });
    }
};

// The symbols that carry a constraint in the tableau. markerSign is the marker's
// coefficient in the constraint's own equation, before any sign change of the row.
struct Tag
{
    Symbol marker;
    Symbol other;
    double markerSign = 1.0;
};

struct ConstraintInfo
{
    LinearConstraint constraint;
    Tag tag;
    double strength = 0.0;
};

struct VariableInfo
{
    Variable variable;
    Symbol symbol;
    int useCount = 0;
};

} // namespace

class Solver::Tableau
{
public:
    bool add(const LinearConstraint& constraint);
    void remove(const LinearConstraint& constraint);
    bool setConstant(const LinearConstraint& constraint, double constant);
    void updateVariables();

    std::unordered_map<const void*, ConstraintInfo> constraints;

private:
    Symbol newSymbol(SymbolType type) { return Symbol { ++m_lastId, type }; }
    Symbol symbolFor(const Variable& variable);
    void releaseVariables(const Expression& expression);

    Row createRow(const LinearConstraint& constraint, double strength, Tag& tag);
    static Symbol chooseSubject(const Row& row, const Tag& tag);
    static bool allDummies(const Row& row);
    bool addWithArtificialVariable(const Row& row);

    void insertRow(Symbol basic, Row row);
    Row takeRow(Symbol basic);
    void substitute(Symbol symbol, const Row& row);
    void pivot(Symbol leaving, Symbol entering);
    void optimize(Row& objective);
    bool dualOptimize();
    Symbol enteringSymbol(const Row& objective) const;
    Symbol leavingSymbol(Symbol entering) const;
    Symbol dualEnteringSymbol(const Row& row) const;
    Symbol markerLeavingSymbol(Symbol marker) const;
    void removeMarkerEffects(Symbol marker, double strength);
    bool shiftConstant(const Tag& tag, double delta);
    void collectInfeasibleRows();

    std::unordered_map<Symbol, Row, SymbolHash> m_rows;
    // For every parametric symbol, the basic symbols whose rows contain it: substitution
    // then touches only the rows concerned instead of the whole tableau.
    std::unordered_map<Symbol, std::unordered_set<Symbol, SymbolHash>, SymbolHash> m_columns;
    std::unordered_map<const void*, VariableInfo> m_variables;
    std::vector<Symbol> m_infeasibleRows;
    Row m_objective;
    std::unique_ptr<Row> m_artificial;
    quint32 m_lastId = 0;
};

Symbol Solver::Tableau::symbolFor(const Variable& variable)
{
    VariableInfo& info = m_variables[variable.id()];
    if (!info.symbol.isValid()) {
        info.variable = variable;
        info.symbol = newSymbol(SymbolType::External);
    }
    ++info.useCount;
    return info.symbol;
}

void Solver::Tableau::releaseVariables(const Expression& expression)
{
    for (const Term& term : expression.terms()) {
        auto it = m_variables.find(term.variable.id());
        if (it == m_variables.end() || --it->second.useCount > 0) {
            continue;
        }
        // No constraint names the variable any more. Its row, if basic, only defines it;
        // as a parameter it can still tie other rows together, so it stays then.
        const Symbol symbol = it->second.symbol;
        if (m_rows.count(symbol) != 0) {
            takeRow(symbol);
        } else if (m_columns.count(symbol) != 0) {
            continue;
        }
        m_variables.erase(it);
    }
}

Row Solver::Tableau::createRow(const LinearConstraint& constraint, double strength, Tag& tag)
{
    const Expression& expression = constraint.expression();
    Row row;
    row.constant = expression.constant();
    for (const Term& term : expression.terms()) {
        const Symbol symbol = symbolFor(term.variable);
        if (nearZero(term.coefficient)) {
            continue;
        }
        auto basic = m_rows.find(symbol);
        if (basic != m_rows.end()) {
            row.insert(basic->second, term.coefficient);
        } else {
            row.insert(symbol, term.coefficient);
        }
    }

    const bool required = strength <= 0.0;
    if (constraint.relation() == Relation::Equal) {
        if (required) {
            tag.marker = newSymbol(SymbolType::Dummy);
            tag.markerSign = 1.0;
            row.insert(tag.marker, 1.0);
        } else {
            tag.marker = newSymbol(SymbolType::Error);
            tag.other = newSymbol(SymbolType::Error);
            tag.markerSign = -1.0;
            row.insert(tag.marker, -1.0);
            row.insert(tag.other, 1.0);
            m_objective.insert(tag.marker, strength);
            m_objective.insert(tag.other, strength);
        }
    } else {
        // expression <= 0 becomes expression + slack = 0; >= 0 becomes expression - slack = 0.
        const double sign = constraint.relation() == Relation::LessThanOrEqual ? 1.0 : -1.0;
        tag.marker = newSymbol(SymbolType::Slack);
        tag.markerSign = sign;
        row.insert(tag.marker, sign);
        if (!required) {
            tag.other = newSymbol(SymbolType::Error);
            row.insert(tag.other, -sign);
            m_objective.insert(tag.other, strength);
        }
    }

    if (row.constant < 0.0) {
        row.scale(-1.0);
    }
    return row;
}

Symbol Solver::Tableau::chooseSubject(const Row& row, const Tag& tag)
{
    for (const auto& cell : row.cells) {
        if (cell.first.type == SymbolType::External) {
            return cell.first;
        }
    }
    for (const Symbol s : { tag.marker, tag.other }) {
        if (s.isRestricted() && row.coefficientFor(s) < 0.0) {
            return s;
        }
    }
    return Symbol();
}

bool Solver::Tableau::allDummies(const Row& row)
{
    return std::all_of(row.cells.begin(), row.cells.end(),
                       [](const auto& c) { return c.first.type == SymbolType::Dummy; });
}

bool Solver::Tableau::add(const LinearConstraint& constraint)
{
    if (constraints.count(constraint.id()) != 0) {
        return true;
    }
    ConstraintInfo info { constraint, Tag(), constraint.isRequired() ? 0.0 : strengthOf(constraint.priority()) };
    Row row = createRow(constraint, info.strength, info.tag);

    Symbol subject = chooseSubject(row, info.tag);
    bool satisfiable = true;
    if (!subject.isValid() && allDummies(row)) {
        // Only required equalities in the row: it is redundant when its constant is 0.
        if (nearZero(row.constant)) {
            subject = info.tag.marker;
        } else {
            satisfiable = false;
        }
    }
    if (satisfiable && !subject.isValid()) {
        satisfiable = addWithArtificialVariable(row);
    } else if (satisfiable) {
        row.solveFor(subject);
        substitute(subject, row);
        insertRow(subject, std::move(row));
    }
    if (!satisfiable) {
        // Only a required constraint gets here, and its new symbols appear nowhere else.
        releaseVariables(constraint.expression());
        optimize(m_objective);
        return false;
    }
    constraints.emplace(constraint.id(), info);
    optimize(m_objective);
    return true;
}

// Adds the row through an artificial variable, minimising it with a simplex of its own:
// the constraint can be satisfied exactly when the artificial variable can reach 0.
bool Solver::Tableau::addWithArtificialVariable(const Row& row)
{
    const Symbol artificial = newSymbol(SymbolType::Slack);
    insertRow(artificial, row);
    m_artificial = std::make_unique<Row>(row);
    optimize(*m_artificial);
    const bool success = nearZero(m_artificial->constant);
    m_artificial.reset();

    if (m_rows.count(artificial) != 0) {
        Row artificialRow = takeRow(artificial);
        if (!success) {
            // The artificial variable stayed basic, so no other row uses it: dropping its row
            // restores the tableau without the refused constraint.
            return false;
        }
        if (artificialRow.cells.empty()) {
            return true;
        }
        auto pivotable = std::find_if(artificialRow.cells.begin(), artificialRow.cells.end(),
                                      [](const auto& c) { return c.first.isRestricted(); });
        if (pivotable == artificialRow.cells.end()) {
            return false;
        }
        const Symbol entering = pivotable->first;
        artificialRow.solveFor(artificial, entering);
        substitute(entering, artificialRow);
        insertRow(entering, std::move(artificialRow));
    }

    auto column = m_columns.find(artificial);
    if (column != m_columns.end()) {
        for (const Symbol basic : column->second) {
            m_rows[basic].remove(artificial);
        }
        m_columns.erase(column);
    }
    m_objective.remove(artificial);
    return success;
}

void Solver::Tableau::insertRow(Symbol basic, Row row)
{
    for (const auto& cell : row.cells) {
        m_columns[cell.first].insert(basic);
    }
    m_rows[basic] = std::move(row);
}

Row Solver::Tableau::takeRow(Symbol basic)
{
    auto it = m_rows.find(basic);
    Row row = std::move(it->second);
    m_rows.erase(it);
    for (const auto& cell : row.cells) {
        auto column = m_columns.find(cell.first);
        if (column != m_columns.end()) {
            column->second.erase(basic);
            if (column->second.empty()) {
                m_columns.erase(column);
            }
        }
    }
    return row;
}

void Solver::Tableau::substitute(Symbol symbol, const Row& row)
{
    auto column = m_columns.find(symbol);
    if (column != m_columns.end()) {
        const std::unordered_set<Symbol, SymbolHash> basics = std::move(column->second);
        m_columns.erase(column);
        for (const Symbol basic : basics) {
            Row& target = m_rows[basic];
            target.substitute(
                symbol, row, [&](Symbol added) { m_columns[added].insert(basic); },
                [&](Symbol removed) {
                    if (auto c = m_columns.find(removed); c != m_columns.end()) {
                        c->second.erase(basic);
                        if (c->second.empty()) {
                            m_columns.erase(c);
                        }
                    }
                });
            if (basic.type != SymbolType::External && target.constant < 0.0) {
                m_infeasibleRows.push_back(basic);
            }
        }
    }
    m_objective.substitute(symbol, row);
    if (m_artificial) {
        m_artificial->substitute(symbol, row);
    }
}

void Solver::Tableau::pivot(Symbol leaving, Symbol entering)
{
    Row row = takeRow(leaving);
    row.solveFor(leaving, entering);
    substitute(entering, row);
    insertRow(entering, std::move(row));
}

// Primal simplex: pivots until no parameter can lower the objective.
void Solver::Tableau::optimize(Row& objective)
{
    for (;;) {
        const Symbol entering = enteringSymbol(objective);
        if (!entering.isValid()) {
            return;
        }
        const Symbol leaving = leavingSymbol(entering);
        if (!leaving.isValid()) {
            // The objective is a weighted sum of errors and cannot fall below 0, so a symbol
            // that could grow without bound only carries rounding noise from removed weights.
            objective.remove(entering);
            continue;
        }
        pivot(leaving, entering);
    }
}

// Dual simplex: restores feasibility after constants changed, keeping optimality.
bool Solver::Tableau::dualOptimize()
{
    while (!m_infeasibleRows.empty()) {
        const Symbol leaving = m_infeasibleRows.back();
        m_infeasibleRows.pop_back();
        auto it = m_rows.find(leaving);
        if (it == m_rows.end() || nearZero(it->second.constant) || it->second.constant >= 0.0) {
            continue;
        }
        const Symbol entering = dualEnteringSymbol(it->second);
        if (!entering.isValid()) {
            m_infeasibleRows.push_back(leaving);
            return false;
        }
        pivot(leaving, entering);
    }
    return true;
}

// The lowest-numbered symbol with a negative objective coefficient (Bland's rule: no cycling).
Symbol Solver::Tableau::enteringSymbol(const Row& objective) const
{
    Symbol best;
    for (const auto& cell : objective.cells) {
        if (cell.first.type != SymbolType::Dummy && cell.second < -kEpsilon
            && (!best.isValid() || cell.first.id < best.id)) {
            best = cell.first;
        }
    }
    return best;
}

// The restricted row that limits how far the entering symbol may grow.
Symbol Solver::Tableau::leavingSymbol(Symbol entering) const
{
    Symbol best;
    double bestRatio = std::numeric_limits<double>::max();
    auto column = m_columns.find(entering);
    if (column == m_columns.end()) {
        return best;
    }
    for (const Symbol basic : column->second) {
        if (basic.type == SymbolType::External) {
            continue;
        }
        const Row& row = m_rows.at(basic);
        const double coefficient = row.coefficientFor(entering);
        if (coefficient >= 0.0) {
            continue;
        }
        const double ratio = -row.constant / coefficient;
        if (ratio < bestRatio || (ratio == bestRatio && basic.id < best.id)) {
            bestRatio = ratio;
            best = basic;
        }
    }
    return best;
}

Symbol Solver::Tableau::dualEnteringSymbol(const Row& row) const
{
    Symbol best;
    double bestRatio = std::numeric_limits<double>::max();
    for (const auto& cell : row.cells) {
        if (cell.second <= 0.0 || cell.first.type == SymbolType::Dummy) {
            continue;
        }
        const double ratio = m_objective.coefficientFor(cell.first) / cell.second;
        if (ratio < bestRatio || (ratio == bestRatio && cell.first.id < best.id)) {
            bestRatio = ratio;
            best = cell.first;
        }
    }
    return best;
}

// The row to pivot a removed constraint's marker into the basis with, keeping the
// restricted rows feasible.
Symbol Solver::Tableau::markerLeavingSymbol(Symbol marker) const
{
    Symbol first;
    Symbol second;
    Symbol third;
    double firstRatio = std::numeric_limits<double>::max();
    double secondRatio = std::numeric_limits<double>::max();
    auto column = m_columns.find(marker);
    if (column == m_columns.end()) {
        return Symbol();
    }
    for (const Symbol basic : column->second) {
        const Row& row = m_rows.at(basic);
        const double coefficient = row.coefficientFor(marker);
        if (basic.type == SymbolType::External) {
            third = basic;
        } else if (coefficient < 0.0) {
            const double ratio = -row.constant / coefficient;
            if (ratio < firstRatio) {
                firstRatio = ratio;
                first = basic;
            }
        } else {
            const double ratio = row.constant / coefficient;
            if (ratio < secondRatio) {
                secondRatio = ratio;
                second = basic;
            }
        }
    }
    return first.isValid() ? first : (second.isValid() ? second : third);
}

void Solver::Tableau::removeMarkerEffects(Symbol marker, double strength)
{
    auto row = m_rows.find(marker);
    if (row != m_rows.end()) {
        m_objective.insert(row->second, -strength);
    } else {
        m_objective.insert(marker, -strength);
    }
}

void Solver::Tableau::remove(const LinearConstraint& constraint)
{
    auto it = constraints.find(constraint.id());
    if (it == constraints.end()) {
        return;
    }
    const ConstraintInfo info = it->second;
    constraints.erase(it);

    for (const Symbol s : { info.tag.marker, info.tag.other }) {
        if (s.type == SymbolType::Error) {
            removeMarkerEffects(s, info.strength);
        }
    }
    if (m_rows.count(info.tag.marker) != 0) {
        takeRow(info.tag.marker);
    } else {
        const Symbol leaving = markerLeavingSymbol(info.tag.marker);
        if (leaving.isValid()) {
            Row row = takeRow(leaving);
            row.solveFor(leaving, info.tag.marker);
            substitute(info.tag.marker, row);
        }
    }
    optimize(m_objective);
    releaseVariables(info.constraint.expression());
}

// Moves the constraint's constant by delta: the change is absorbed by its marker (or its
// other error symbol), so only constants change and the basis stays. Answers false when a
// required equality's dummy would leave 0, which no pivot can mend.
bool Solver::Tableau::shiftConstant(const Tag& tag, double delta)
{
    const double shift = tag.markerSign * delta;
    if (auto row = m_rows.find(tag.marker); row != m_rows.end()) {
        row->second.constant -= shift;
        if (tag.marker.type == SymbolType::Dummy) {
            return nearZero(row->second.constant);
        }
        if (row->second.constant < 0.0) {
            m_infeasibleRows.push_back(tag.marker);
        }
        return true;
    }
    if (auto row = m_rows.find(tag.other); tag.other.isValid() && row != m_rows.end()) {
        row->second.constant += shift;
        if (row->second.constant < 0.0) {
            m_infeasibleRows.push_back(tag.other);
        }
        return true;
    }
    bool consistent = true;
    if (auto column = m_columns.find(tag.marker); column != m_columns.end()) {
        for (const Symbol basic : column->second) {
            Row& row = m_rows.at(basic);
            row.constant += row.coefficientFor(tag.marker) * shift;
            if (basic.type == SymbolType::Dummy && !nearZero(row.constant)) {
                consistent = false;
            } else if (basic.type != SymbolType::External && row.constant < 0.0) {
                m_infeasibleRows.push_back(basic);
            }
        }
    }
    return consistent;
}

void Solver::Tableau::collectInfeasibleRows()
{
    m_infeasibleRows.clear();
    for (const auto& [basic, row] : m_rows) {
        if (basic.isRestricted() && row.constant < 0.0 && !nearZero(row.constant)) {
            m_infeasibleRows.push_back(basic);
        }
    }
}

bool Solver::Tableau::setConstant(const LinearConstraint& constraint, double constant)
{
    auto it = constraints.find(constraint.id());
    if (it == constraints.end()) {
        return false;
    }
    const double delta = constant - constraint.expression().constant();
    if (delta == 0.0) {
        return true;
    }
    const Tag tag = it->second.tag;
    const bool shifted = shiftConstant(tag, delta);
    if (shifted && dualOptimize()) {
        return true;
    }
    // The new constant cannot hold with the other required constraints: undo the shift,
    // which brings back a feasible system, and let the caller drop the constraint.
    shiftConstant(tag, -delta);
    collectInfeasibleRows();
    dualOptimize();
    return false;
}

void Solver::Tableau::updateVariables()
{
    for (auto& [id, info] : m_variables) {
        auto row = m_rows.find(info.symbol);
        info.variable.setValue(row == m_rows.end() ? 0.0 : row->second.constant);
    }
}

Solver::Solver()
    : m_tableau(std::make_unique<Tableau>())
{
}

Solver::~Solver() = default;

bool Solver::addConstraint(const LinearConstraint& constraint)
{
    return !constraint.isNull() && m_tableau->add(constraint);
}

void Solver::removeConstraint(const LinearConstraint& constraint)
{
    if (!constraint.isNull()) {
        m_tableau->remove(constraint);
    }
}

bool Solver::hasConstraint(const LinearConstraint& constraint) const
{
    return !constraint.isNull() && m_tableau->constraints.count(constraint.id()) != 0;
}

int Solver::constraintCount() const
{
    return static_cast<int>(m_tableau->constraints.size());
}

bool Solver::setConstant(const LinearConstraint& constraint, double constant)
{
    if (constraint.isNull()) {
        return false;
    }
    if (!hasConstraint(constraint)) {
        constraint.m_data->expression.setConstant(constant);
        return true;
    }
    const bool held = m_tableau->setConstant(constraint, constant);
    constraint.m_data->expression.setConstant(constant);
    if (!held) {
        m_tableau->remove(constraint);
    }
    return held;
}

void Solver::updateVariables()
{
    m_tableau->updateVariables();
}

double Solver::strengthOf(double priority)
{
    // Each 125 steps of priority weigh ten times more, so a preference gives way to a
    // higher one unless very many lower ones pull the other way. The top weight stays
    // near 1e8, where rounding in the objective is still far below a pixel.
    return std::pow(10.0, std::clamp(priority, 1.0, 999.99) / 125.0);
}

} // namespace platform::layout
