#pragma once

#include "platform/layout/LayoutTypes.h"

#include <QPointer>
#include <QWidget>

#include <cstddef>

/// One end of a constraint: a view and one of its layout attributes. The item is what the
/// platform constraint names; the view itself when made from a view. Both are watched, not owned.
class MASViewAttribute
{
public:
    MASViewAttribute(QWidget* view, platform::layout::Attribute layoutAttribute);
    MASViewAttribute(QWidget* view, QObject* item, platform::layout::Attribute layoutAttribute);

    QWidget* view() const { return m_view; }
    QObject* item() const { return m_item; }
    platform::layout::Attribute layoutAttribute() const { return m_layoutAttribute; }

    /// Width or height.
    bool isSizeAttribute() const;
    /// The identical view and the same attribute.
    bool operator==(const MASViewAttribute& other) const;
    /// The view's address rotated by half a machine word, XOR the attribute.
    std::size_t hash() const;

private:
    QPointer<QWidget> m_view;
    QPointer<QObject> m_item;
    platform::layout::Attribute m_layoutAttribute;
};
