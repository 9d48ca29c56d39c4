#pragma once

#include "platform/layout/LayoutConstraint.h"
#include "platform/layout/Solver.h"

#include <QObject>
#include <QRect>

#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class QWidget;

namespace platform::layout {

/// Lays widgets out from constraints, on the main thread.
///
/// Every view that a constraint names has four solver variables: left, top, width and
/// height of its frame in its superview's coordinates. A view that translates its frame into
/// constraints (the default) keeps the frame it has: it enters the constraints as constants
/// and the engine never moves it. A view that does not (setTranslatesAutoresizingMaskIntoConstraints(false))
/// gets its frame from the solution; labels (text or image) press for their natural size
/// through content hugging (default 250) and compression resistance (default 750); for other
/// views each size nothing else fixes keeps its current value through a weak preference.
///
/// Changes schedule one layout pass on the event loop; layoutIfNeeded() runs it at once.
/// A pass refreshes the held frames and natural sizes, reads the solution and sets the
/// geometry of the views whose frame changed. A required constraint that conflicts with the
/// required ones already in place is logged and left out, never fatal.
class LayoutEngine final : public QObject
{
    Q_OBJECT

public:
    static LayoutEngine& instance();

    /// The view holds the constraint and it takes part in layout. False (logged, constraint
    /// left inactive) when the view is null or an item is neither the view nor inside it.
    static bool addConstraint(QWidget* view, const std::shared_ptr<LayoutConstraint>& constraint);
    static void removeConstraint(QWidget* view, const std::shared_ptr<LayoutConstraint>& constraint);
    /// The constraints the view holds, in the order they were added.
    static std::vector<std::shared_ptr<LayoutConstraint>> constraints(const QWidget* view);

    static void setTranslatesAutoresizingMaskIntoConstraints(QWidget* view, bool translates);
    static bool translatesAutoresizingMaskIntoConstraints(const QWidget* view);

    static void setContentHuggingPriority(QWidget* view, Qt::Orientation orientation, float priority);
    static float contentHuggingPriority(const QWidget* view, Qt::Orientation orientation);
    static void setContentCompressionResistancePriority(QWidget* view, Qt::Orientation orientation, float priority);
    static float contentCompressionResistancePriority(const QWidget* view, Qt::Orientation orientation);

    /// The closest view that is, or contains, both views; null when they share none.
    static QWidget* closestCommonAncestor(QWidget* a, QWidget* b);

    /// Schedules a layout pass (for example after a label's text changed).
    static void setNeedsLayout();
    /// Runs a layout pass now.
    static void layoutIfNeeded();

    // Called by LayoutConstraint.
    static void activate(const std::shared_ptr<LayoutConstraint>& constraint);
    static void constantChanged(LayoutConstraint& constraint, double oldConstant);
    static void priorityChanged(LayoutConstraint& constraint);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ViewRecord
    {
        QWidget* widget = nullptr;
        Variable left, top, width, height;
        bool translates = true;
        float hugging[2] = { Priority::Low, Priority::Low };
        float resistance[2] = { Priority::High, Priority::High };
        std::vector<std::shared_ptr<LayoutConstraint>> constraints;
        std::unordered_set<LayoutConstraint*> mentionedBy;
        // The engine's own constraints for the view: held frame, weak size, natural size.
        std::vector<LinearConstraint> own;
        std::vector<double> ownValues;
        QRect heldFrame;
    };

    LayoutEngine();

    ViewRecord& record(QWidget* view);
    const ViewRecord* findRecord(const QObject* view) const;
    void addOwnConstraints(ViewRecord& record);
    void removeOwnConstraints(ViewRecord& record);
    void refreshOwnConstraints(ViewRecord& record);
    std::vector<double> ownValues(const ViewRecord& record) const;

    bool attributeExpression(QWidget* holder, QWidget* item, Attribute attribute, Expression& out,
                             std::vector<const QWidget*>& mentions);
    bool constraintExpression(LayoutConstraint& constraint, QWidget* holder, Expression& out,
                              std::vector<const QWidget*>& mentions);
    bool buildSolverConstraint(LayoutConstraint& constraint, QWidget* holder);
    void refreshHeldFrame(ViewRecord& record);
    static void setContentPriority(QWidget* view, float (ViewRecord::*priorities)[2], Qt::Orientation orientation,
                                   float priority);
    void addToSolver(LayoutConstraint& constraint);
    void removeFromSolver(LayoutConstraint& constraint);
    void detach(LayoutConstraint& constraint);
    void viewDestroyed(QObject* view);
    void rebuild();
    void scheduleLayout();
    void runLayout();

    std::unique_ptr<Solver> m_solver;
    std::unordered_map<const QObject*, ViewRecord> m_views;
    bool m_needsLayout = false;
    bool m_needsRebuild = false;
    bool m_applying = false;
};

} // namespace platform::layout
