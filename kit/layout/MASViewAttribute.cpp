#include "kit/layout/MASViewAttribute.h"

#include <bit>

MASViewAttribute::MASViewAttribute(QWidget* view, platform::layout::Attribute layoutAttribute)
    : MASViewAttribute(view, view, layoutAttribute)
{
}

MASViewAttribute::MASViewAttribute(QWidget* view, QObject* item, platform::layout::Attribute layoutAttribute)
    : m_view(view)
    , m_item(item)
    , m_layoutAttribute(layoutAttribute)
{
}

bool MASViewAttribute::isSizeAttribute() const
{
    return platform::layout::isSizeAttribute(m_layoutAttribute);
}

bool MASViewAttribute::operator==(const MASViewAttribute& other) const
{
    return m_view == other.m_view && m_layoutAttribute == other.m_layoutAttribute;
}

std::size_t MASViewAttribute::hash() const
{
    const auto address = reinterpret_cast<quintptr>(m_view.data());
    return std::rotl(address, static_cast<int>(sizeof(quintptr) * 4)) ^ static_cast<quintptr>(m_layoutAttribute);
}
