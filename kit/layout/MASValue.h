#pragma once

#include "kit/layout/MASViewAttribute.h"

#include <QList>
#include <QPointF>
#include <QSizeF>

#include <initializer_list>
#include <variant>
#include <vector>

class QWidget;

/// Edge insets: positive values move each edge inwards.
struct MASEdgeInsets
{
    double top = 0.0;
    double left = 0.0;
    double bottom = 0.0;
    double right = 0.0;
};

/// What a relation can name: a view, a view attribute, a number or geometry value (the
/// "boxed values"), or a list of them.
class MASValue
{
public:
    using List = std::vector<MASValue>;

    MASValue() = default;
    MASValue(QWidget* view); // NOLINT: the kit's relations take views as they are
    MASValue(const MASViewAttribute& attribute); // NOLINT
    MASValue(double number); // NOLINT
    MASValue(int number); // NOLINT
    MASValue(const QPointF& point); // NOLINT
    MASValue(const QSizeF& size); // NOLINT
    MASValue(const MASEdgeInsets& insets); // NOLINT
    MASValue(std::initializer_list<MASValue> list);
    MASValue(const List& list); // NOLINT
    MASValue(const QList<QWidget*>& views); // NOLINT

    bool isList() const { return std::holds_alternative<List>(m_value); }
    bool isView() const { return std::holds_alternative<QWidget*>(m_value); }
    bool isViewAttribute() const { return std::holds_alternative<MASViewAttribute>(m_value); }
    bool isNumber() const { return std::holds_alternative<double>(m_value); }
    bool isPoint() const { return std::holds_alternative<QPointF>(m_value); }
    bool isSize() const { return std::holds_alternative<QSizeF>(m_value); }
    bool isEdgeInsets() const { return std::holds_alternative<MASEdgeInsets>(m_value); }

    const List& list() const { return std::get<List>(m_value); }
    QWidget* view() const { return std::get<QWidget*>(m_value); }
    const MASViewAttribute& viewAttribute() const { return std::get<MASViewAttribute>(m_value); }
    double number() const { return std::get<double>(m_value); }
    QPointF point() const { return std::get<QPointF>(m_value); }
    QSizeF size() const { return std::get<QSizeF>(m_value); }
    MASEdgeInsets edgeInsets() const { return std::get<MASEdgeInsets>(m_value); }

private:
    std::variant<std::monostate, QWidget*, MASViewAttribute, double, QPointF, QSizeF, MASEdgeInsets, List> m_value;
};
