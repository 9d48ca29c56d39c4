#include "kit/layout/MASValue.h"

MASValue::MASValue(QWidget* view)
    : m_value(view)
{
}

MASValue::MASValue(const MASViewAttribute& attribute)
    : m_value(attribute)
{
}

MASValue::MASValue(double number)
    : m_value(number)
{
}

MASValue::MASValue(int number)
    : m_value(static_cast<double>(number))
{
}

MASValue::MASValue(const QPointF& point)
    : m_value(point)
{
}

MASValue::MASValue(const QSizeF& size)
    : m_value(size)
{
}

MASValue::MASValue(const MASEdgeInsets& insets)
    : m_value(insets)
{
}

MASValue::MASValue(std::initializer_list<MASValue> list)
    : m_value(List(list))
{
}

MASValue::MASValue(const List& list)
    : m_value(list)
{
}

MASValue::MASValue(const QList<QWidget*>& views)
    : m_value(List(views.begin(), views.end()))
{
}
