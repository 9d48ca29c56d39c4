#pragma once

#include <QMap>
#include <QString>

class QWidget;

namespace platform::layout {
class LayoutConstraint;
}

/// Compact descriptions of layout constraints that name views and kit constraints by their
/// debugging keys, attributes and relations by short words and priorities by name:
///     <MASLayoutConstraint:width QLabel:title.width == 200>
/// install() makes this the description of every platform layout constraint.
class MASDebugAdditions final
{
public:
    static const QMap<int, QString>& layoutRelationDescriptionsByValue();
    static const QMap<int, QString>& layoutAttributeDescriptionsByValue();
    static const QMap<float, QString>& layoutPriorityDescriptionsByValue();

    /// "Class:key" when the view has a key, else "Class:address".
    static QString descriptionForObject(const QWidget* view);
    /// The same for a constraint; only kit constraints carry keys.
    static QString descriptionForObject(const platform::layout::LayoutConstraint* constraint);
    static QString description(const platform::layout::LayoutConstraint& constraint);

    static void install();
};
