#pragma once

#include "platform/layout/LayoutTypes.h"
#include "platform/layout/LinearConstraint.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace platform::layout {

/// One layout constraint between views:
///     firstItem.firstAttribute  relation  secondItem.secondAttribute × multiplier + constant
/// With no second item (or second attribute NotAnAttribute) the right side is the constant.
///
/// A constraint is held by the view it was added to (LayoutEngine::addConstraint); both items
/// must be that view or views inside it, and the attributes are measured in that view's own
/// coordinates (its left and top are 0). Items are watched, not owned: when one is destroyed
/// the constraint is taken out of layout.
class LayoutConstraint : public std::enable_shared_from_this<LayoutConstraint>
{
public:
    LayoutConstraint(QWidget* firstItem, Attribute firstAttribute, Relation relation, QWidget* secondItem,
                     Attribute secondAttribute, double multiplier, double constant);
    virtual ~LayoutConstraint();
    Q_DISABLE_COPY_MOVE(LayoutConstraint)

    QWidget* firstItem() const { return m_firstItem; }
    Attribute firstAttribute() const { return m_firstAttribute; }
    Relation relation() const { return m_relation; }
    QWidget* secondItem() const { return m_secondItem; }
    Attribute secondAttribute() const { return m_secondAttribute; }
    double multiplier() const { return m_multiplier; }

    double constant() const { return m_constant; }
    /// Changes the constant; an active constraint is edited in place in the solver.
    void setConstant(double constant);

    float priority() const { return m_priority; }
    void setPriority(float priority);

    /// Active: held by a view and taking part in layout. Activating a constraint that no
    /// view holds adds it to the closest common ancestor of its items (the first item itself
    /// when there is no second); deactivating removes it from the view that holds it.
    bool isActive() const { return m_view != nullptr; }
    void setActive(bool active);
    /// The view holding the constraint, or null.
    QWidget* view() const { return m_view; }
    /// Held but left out of the solution: it conflicted with required constraints or its
    /// items were not inside the view holding it.
    bool isDropped() const { return m_dropped; }

    /// The class name shown in descriptions.
    virtual QString className() const;
    /// A readable one-line description for diagnostics.
    QString description() const;
    /// Replaces the description of every constraint (the layout kit installs its own).
    static void setDescriptionFunction(std::function<QString(const LayoutConstraint&)> describe);

private:
    friend class LayoutEngine;

    QPointer<QWidget> m_firstItem;
    QPointer<QWidget> m_secondItem;
    Attribute m_firstAttribute;
    Attribute m_secondAttribute;
    Relation m_relation;
    double m_multiplier;
    double m_constant;
    float m_priority = Priority::Required;

    // Kept by the layout engine.
    QWidget* m_view = nullptr;
    bool m_dropped = false;
    LinearConstraint m_solverConstraint;
    std::vector<const QWidget*> m_mentions;
};

} // namespace platform::layout
