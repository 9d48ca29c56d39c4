#include "platform/layout/LayoutEngine.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLoggingCategory>
#include <QMetaObject>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace platform::layout {

namespace {

Q_LOGGING_CATEGORY(lcLayout, "tarsel.platform.layout")

// Keeps sizes that nothing else fixes where they are.
constexpr float kCurrentSizePriority = 1.0f;

int axis(Qt::Orientation orientation)
{
    return orientation == Qt::Horizontal ? 0 : 1;
}

bool hasNaturalSize(const QWidget* widget)
{
    return qobject_cast<const QLabel*>(widget) != nullptr;
}

// The baseline's distance above the bottom edge: the text's descent inside a label.
double baselineOffsetFromBottom(const QWidget* widget)
{
    const auto* label = qobject_cast<const QLabel*>(widget);
    if (!label) {
        return 0.0;
    }
    return label->fontMetrics().descent() + label->contentsMargins().bottom() + label->margin();
}

QString viewName(const QWidget* widget)
{
    return widget->objectName().isEmpty() ? QLatin1String(widget->metaObject()->className()) : widget->objectName();
}

// The attribute of a frame at x, y of the size width by height that shows `item`; false for
// NotAnAttribute.
bool attributeOfFrame(Attribute attribute, const Expression& x, const Expression& y, const Expression& width,
                      const Expression& height, const QWidget* item, Expression& out)
{
    // Leading and trailing run against x in a right-to-left view, so that the same
    // constraints mirror the layout.
    const bool rightToLeft = item->layoutDirection() == Qt::RightToLeft;
    switch (attribute) {
    case Attribute::Left:
        out = x;
        break;
    case Attribute::Right:
        out = x + width;
        break;
    case Attribute::Top:
        out = y;
        break;
    case Attribute::Bottom:
        out = y + height;
        break;
    case Attribute::Leading:
        out = rightToLeft ? -(x + width) : x;
        break;
    case Attribute::Trailing:
        out = rightToLeft ? -x : x + width;
        break;
    case Attribute::Width:
        out = width;
        break;
    case Attribute::Height:
        out = height;
        break;
    case Attribute::CenterX:
        out = x + 0.5 * width;
        break;
    case Attribute::CenterY:
        out = y + 0.5 * height;
        break;
    case Attribute::Baseline:
        out = y + height - baselineOffsetFromBottom(item);
        break;
    case Attribute::NotAnAttribute:
        return false;
    }
    return true;
}

} // namespace

LayoutEngine::LayoutEngine()
    : m_solver(std::make_unique<Solver>())
{
}

LayoutEngine& LayoutEngine::instance()
{
    static LayoutEngine* engine = new LayoutEngine; // lives as long as the widgets it watches
    return *engine;
}

LayoutEngine::ViewRecord& LayoutEngine::record(QWidget* view)
{
    auto [it, inserted] = m_views.try_emplace(view);
    ViewRecord& rec = it->second;
    if (inserted) {
        const QString name = viewName(view);
        rec.widget = view;
        rec.left = Variable(name + QLatin1String(".left"));
        rec.top = Variable(name + QLatin1String(".top"));
        rec.width = Variable(name + QLatin1String(".width"));
        rec.height = Variable(name + QLatin1String(".height"));
        connect(view, &QObject::destroyed, this, &LayoutEngine::viewDestroyed);
        view->installEventFilter(this);
        addOwnConstraints(rec);
    }
    return rec;
}

const LayoutEngine::ViewRecord* LayoutEngine::findRecord(const QObject* view) const
{
    auto it = m_views.find(view);
    return it == m_views.end() ? nullptr : &it->second;
}

std::vector<double> LayoutEngine::ownValues(const ViewRecord& rec) const
{
    const QRect frame = rec.widget->geometry();
    if (rec.translates) {
        return {};
    }
    if (hasNaturalSize(rec.widget)) {
        // Hugging and compression resistance fix the size; no need to keep the current one.
        const QSize natural = rec.widget->sizeHint().expandedTo(QSize(0, 0));
        return { double(natural.width()), double(natural.width()), double(natural.height()), double(natural.height()) };
    }
    return { double(frame.width()), double(frame.height()) };
}

void LayoutEngine::addOwnConstraints(ViewRecord& rec)
{
    rec.ownValues = ownValues(rec);
    const auto& v = rec.ownValues;
    auto make = [](const Variable& variable, Relation relation, double value, float priority) {
        return LinearConstraint(Expression(variable) - value, relation, priority);
    };
    rec.heldFrame = rec.widget->geometry();
    if (rec.translates) {
        rec.own.clear(); // its frame enters the expressions as constants
    } else {
        if (hasNaturalSize(rec.widget)) {
            rec.own = { make(rec.width, Relation::LessThanOrEqual, v[0], rec.hugging[0]),
                        make(rec.width, Relation::GreaterThanOrEqual, v[1], rec.resistance[0]),
                        make(rec.height, Relation::LessThanOrEqual, v[2], rec.hugging[1]),
                        make(rec.height, Relation::GreaterThanOrEqual, v[3], rec.resistance[1]) };
        } else {
            rec.own = { make(rec.width, Relation::Equal, v[0], kCurrentSizePriority),
                        make(rec.height, Relation::Equal, v[1], kCurrentSizePriority) };
        }
    }
    for (const LinearConstraint& c : rec.own) {
        m_solver->addConstraint(c);
    }
}

void LayoutEngine::removeOwnConstraints(ViewRecord& rec)
{
    for (const LinearConstraint& c : rec.own) {
        m_solver->removeConstraint(c);
    }
    rec.own.clear();
}

void LayoutEngine::refreshOwnConstraints(ViewRecord& rec)
{
    const std::vector<double> values = ownValues(rec);
    for (size_t i = 0; i < values.size() && i < rec.own.size(); ++i) {
        if (values[i] != rec.ownValues[i]) {
            m_solver->setConstant(rec.own[i], -values[i]);
        }
    }
    rec.ownValues = values;
}

// A view that keeps its own frame moved or changed size: the constraints that mention it
// get new constants, in place.
void LayoutEngine::refreshHeldFrame(ViewRecord& rec)
{
    const auto mentioned = rec.mentionedBy;
    for (LayoutConstraint* c : mentioned) {
        std::vector<const QWidget*> mentions;
        Expression expression;
        if (c->m_dropped || !constraintExpression(*c, c->m_view, expression, mentions)) {
            removeFromSolver(*c);
            addToSolver(*c);
        } else if (!m_solver->setConstant(c->m_solverConstraint, expression.constant())) {
            c->m_dropped = true;
            qCWarning(lcLayout).noquote() << "Unable to satisfy a required constraint after a view changed its frame;"
                                          << "dropping it:" << c->description();
        }
    }
}

// The attribute of item in holder's own coordinates: holder's left and top are 0, a view
// inside it adds up the frame origins on the way up.
bool LayoutEngine::attributeExpression(QWidget* holder, QWidget* item, Attribute attribute, Expression& out,
                                       std::vector<const QWidget*>& mentions)
{
    if (!item || !holder) {
        return false;
    }
    // The frame of a view that translates it is a constant here; a change of that frame
    // edits the constants of the constraints that mention the view.
    Expression x;
    Expression y;
    for (QWidget* v = item; v != holder; v = v->parentWidget()) {
        if (!v || v->isWindow()) {
            return false;
        }
        const ViewRecord& rec = record(v);
        x.add(rec.translates ? Expression(v->x()) : Expression(rec.left));
        y.add(rec.translates ? Expression(v->y()) : Expression(rec.top));
        mentions.push_back(v);
    }
    const ViewRecord& rec = record(item);
    if (item == holder) {
        mentions.push_back(item);
    }
    const Expression width = rec.translates ? Expression(item->width()) : Expression(rec.width);
    const Expression height = rec.translates ? Expression(item->height()) : Expression(rec.height);
    return attributeOfFrame(attribute, x, y, width, height, item, out);
}

bool LayoutEngine::constraintExpression(LayoutConstraint& c, QWidget* holder, Expression& out,
                                        std::vector<const QWidget*>& mentions)
{
    Expression first;
    if (!attributeExpression(holder, c.m_firstItem, c.m_firstAttribute, first, mentions)) {
        return false;
    }
    Expression rhs(c.m_constant);
    if (c.m_secondAttribute != Attribute::NotAnAttribute || c.m_secondItem) {
        Expression second;
        if (!attributeExpression(holder, c.m_secondItem, c.m_secondAttribute, second, mentions)) {
            return false;
        }
        rhs.add(second, c.m_multiplier);
    }
    out = first - rhs;
    return true;
}

bool LayoutEngine::buildSolverConstraint(LayoutConstraint& c, QWidget* holder)
{
    std::vector<const QWidget*> mentions;
    Expression expression;
    if (!constraintExpression(c, holder, expression, mentions)) {
        return false;
    }
    c.m_solverConstraint = LinearConstraint(expression, c.m_relation, c.m_priority);
    c.m_mentions = std::move(mentions);
    for (const QWidget* v : c.m_mentions) {
        m_views[v].mentionedBy.insert(&c);
    }
    return true;
}

void LayoutEngine::addToSolver(LayoutConstraint& c)
{
    c.m_dropped = false;
    if (!buildSolverConstraint(c, c.m_view)) {
        c.m_dropped = true;
        qCWarning(lcLayout).noquote() << "Left out of layout, an item is not inside the view holding it:"
                                      << c.description();
        return;
    }
    if (!m_solver->addConstraint(c.m_solverConstraint)) {
        c.m_dropped = true;
        qCWarning(lcLayout).noquote() << "Unable to satisfy a required constraint together with the others;"
                                      << "dropping it:" << c.description();
    }
}

void LayoutEngine::removeFromSolver(LayoutConstraint& c)
{
    m_solver->removeConstraint(c.m_solverConstraint);
    for (const QWidget* v : c.m_mentions) {
        if (auto it = m_views.find(v); it != m_views.end()) {
            it->second.mentionedBy.erase(&c);
        }
    }
    c.m_mentions.clear();
    c.m_solverConstraint = LinearConstraint();
    c.m_dropped = false;
}

// Takes the constraint away from the view holding it.
void LayoutEngine::detach(LayoutConstraint& c)
{
    const std::shared_ptr<LayoutConstraint> keep = c.shared_from_this();
    if (auto it = m_views.find(c.m_view); it != m_views.end()) {
        auto& list = it->second.constraints;
        list.erase(std::remove(list.begin(), list.end(), keep), list.end());
    }
    removeFromSolver(c);
    c.m_view = nullptr;
}

bool LayoutEngine::addConstraint(QWidget* view, const std::shared_ptr<LayoutConstraint>& constraint)
{
    LayoutEngine& engine = instance();
    if (!constraint) {
        return false;
    }
    if (!view) {
        qCWarning(lcLayout).noquote() << "Left out of layout, no view to hold it:" << constraint->description();
        return false;
    }
    if (constraint->m_view == view) {
        return true;
    }
    if (constraint->m_view) {
        engine.detach(*constraint);
    }
    if (!engine.buildSolverConstraint(*constraint, view)) {
        qCWarning(lcLayout).noquote() << "Left out of layout, an item is not inside the view holding it:"
                                      << constraint->description();
        return false;
    }
    engine.record(view).constraints.push_back(constraint);
    constraint->m_view = view;
    constraint->m_dropped = false;
    if (!engine.m_solver->addConstraint(constraint->m_solverConstraint)) {
        constraint->m_dropped = true;
        qCWarning(lcLayout).noquote() << "Unable to satisfy a required constraint together with the others;"
                                      << "dropping it:" << constraint->description();
    }
    engine.scheduleLayout();
    return true;
}

void LayoutEngine::removeConstraint(QWidget* view, const std::shared_ptr<LayoutConstraint>& constraint)
{
    if (!constraint || !view || constraint->m_view != view) {
        return;
    }
    instance().detach(*constraint);
    instance().scheduleLayout();
}

std::vector<std::shared_ptr<LayoutConstraint>> LayoutEngine::constraints(const QWidget* view)
{
    const ViewRecord* rec = instance().findRecord(view);
    return rec ? rec->constraints : std::vector<std::shared_ptr<LayoutConstraint>>();
}

void LayoutEngine::activate(const std::shared_ptr<LayoutConstraint>& constraint)
{
    QWidget* holder = constraint->m_secondItem
        ? closestCommonAncestor(constraint->m_firstItem, constraint->m_secondItem)
        : constraint->m_firstItem.data();
    addConstraint(holder, constraint);
}

void LayoutEngine::constantChanged(LayoutConstraint& c, double oldConstant)
{
    LayoutEngine& engine = instance();
    if (!c.m_view) {
        return;
    }
    if (c.m_dropped) {
        // It may fit with its new constant.
        engine.removeFromSolver(c);
        engine.addToSolver(c);
    } else {
        const double constant = c.m_solverConstraint.expression().constant() - (c.m_constant - oldConstant);
        if (!engine.m_solver->setConstant(c.m_solverConstraint, constant)) {
            c.m_dropped = true;
            qCWarning(lcLayout).noquote() << "Unable to satisfy a required constraint with its new constant;"
                                          << "dropping it:" << c.description();
        }
    }
    engine.scheduleLayout();
}

void LayoutEngine::priorityChanged(LayoutConstraint& c)
{
    LayoutEngine& engine = instance();
    if (c.m_view) {
        engine.removeFromSolver(c);
        engine.addToSolver(c);
        engine.scheduleLayout();
    }
}

void LayoutEngine::setTranslatesAutoresizingMaskIntoConstraints(QWidget* view, bool translates)
{
    if (!view) {
        return;
    }
    LayoutEngine& engine = instance();
    ViewRecord& rec = engine.record(view);
    if (rec.translates != translates) {
        engine.removeOwnConstraints(rec);
        rec.translates = translates;
        engine.addOwnConstraints(rec);
        // Its frame turns from constants into variables (or back) in every expression.
        const auto mentioned = rec.mentionedBy;
        for (LayoutConstraint* c : mentioned) {
            engine.removeFromSolver(*c);
            engine.addToSolver(*c);
        }
        engine.scheduleLayout();
    }
}

bool LayoutEngine::translatesAutoresizingMaskIntoConstraints(const QWidget* view)
{
    const ViewRecord* rec = instance().findRecord(view);
    return !rec || rec->translates;
}

void LayoutEngine::setContentPriority(QWidget* view, float (ViewRecord::*priorities)[2], Qt::Orientation orientation,
                                      float priority)
{
    if (!view) {
        return;
    }
    LayoutEngine& engine = instance();
    ViewRecord& rec = engine.record(view);
    engine.removeOwnConstraints(rec);
    (rec.*priorities)[axis(orientation)] = priority;
    engine.addOwnConstraints(rec);
    engine.scheduleLayout();
}

void LayoutEngine::setContentHuggingPriority(QWidget* view, Qt::Orientation orientation, float priority)
{
    setContentPriority(view, &ViewRecord::hugging, orientation, priority);
}

float LayoutEngine::contentHuggingPriority(const QWidget* view, Qt::Orientation orientation)
{
    const ViewRecord* rec = instance().findRecord(view);
    return rec ? rec->hugging[axis(orientation)] : Priority::Low;
}

void LayoutEngine::setContentCompressionResistancePriority(QWidget* view, Qt::Orientation orientation, float priority)
{
    setContentPriority(view, &ViewRecord::resistance, orientation, priority);
}

float LayoutEngine::contentCompressionResistancePriority(const QWidget* view, Qt::Orientation orientation)
{
    const ViewRecord* rec = instance().findRecord(view);
    return rec ? rec->resistance[axis(orientation)] : Priority::High;
}

QWidget* LayoutEngine::closestCommonAncestor(QWidget* a, QWidget* b)
{
    for (QWidget* outer = b; outer; outer = outer->parentWidget()) {
        for (QWidget* inner = a; inner; inner = inner->parentWidget()) {
            if (inner == outer) {
                return outer;
            }
        }
    }
    return nullptr;
}

void LayoutEngine::viewDestroyed(QObject* view)
{
    auto it = m_views.find(view);
    if (it == m_views.end()) {
        return;
    }
    // Only the pointer is used from here on: the widget is being destroyed.
    removeOwnConstraints(it->second);
    const auto held = it->second.constraints;
    for (const auto& c : held) {
        detach(*c);
    }
    const auto mentioned = it->second.mentionedBy;
    for (LayoutConstraint* c : mentioned) {
        if (c->m_view) {
            detach(*c);
        }
    }
    m_views.erase(view);
    scheduleLayout();
}

// Starts the solver afresh from every held constraint, after the view tree changed shape.
void LayoutEngine::rebuild()
{
    m_needsRebuild = false;
    m_solver = std::make_unique<Solver>();
    std::vector<std::shared_ptr<LayoutConstraint>> held;
    for (auto& [view, rec] : m_views) {
        rec.mentionedBy.clear();
        held.insert(held.end(), rec.constraints.begin(), rec.constraints.end());
    }
    for (auto& [view, rec] : m_views) {
        addOwnConstraints(rec);
    }
    for (const auto& c : held) {
        c->m_mentions.clear();
        addToSolver(*c);
    }
}

void LayoutEngine::scheduleLayout()
{
    if (!m_needsLayout) {
        m_needsLayout = true;
        QMetaObject::invokeMethod(this, &LayoutEngine::runLayout, Qt::QueuedConnection);
    }
}

void LayoutEngine::setNeedsLayout()
{
    instance().scheduleLayout();
}

void LayoutEngine::layoutIfNeeded()
{
    // Hidden views change size without telling anyone, so an explicit request always
    // refreshes; the pass sets only the frames that changed.
    instance().m_needsLayout = true;
    instance().runLayout();
}

void LayoutEngine::runLayout()
{
    if (!m_needsLayout || m_applying) {
        return;
    }
    m_needsLayout = false;
    if (m_needsRebuild) {
        rebuild();
    }
    for (auto& [view, rec] : m_views) {
        refreshOwnConstraints(rec);
    }
    for (auto& [view, rec] : m_views) {
        if (rec.translates && rec.widget->geometry() != rec.heldFrame) {
            rec.heldFrame = rec.widget->geometry();
            refreshHeldFrame(rec);
        }
    }
    m_solver->updateVariables();

    m_applying = true;
    std::vector<std::pair<QWidget*, QRect>> frames;
    for (auto& [view, rec] : m_views) {
        if (rec.translates) {
            continue;
        }
        const int x = int(std::lround(rec.left.value()));
        const int y = int(std::lround(rec.top.value()));
        const int right = int(std::lround(rec.left.value() + rec.width.value()));
        const int bottom = int(std::lround(rec.top.value() + rec.height.value()));
        const QRect frame(x, y, std::max(0, right - x), std::max(0, bottom - y));
        if (frame != rec.widget->geometry()) {
            frames.emplace_back(rec.widget, frame);
        }
    }
    for (const auto& [widget, frame] : frames) {
        widget->setGeometry(frame);
    }
    m_applying = false;
    // The new frames are the current sizes now.
    for (auto& [widget, frame] : frames) {
        refreshOwnConstraints(m_views.at(widget));
    }
}

bool LayoutEngine::eventFilter(QObject* watched, QEvent* event)
{
    const ViewRecord* rec = findRecord(watched);
    if (!rec || m_applying) {
        return false;
    }
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Move:
        if (rec->translates) {
            scheduleLayout();
        }
        break;
    case QEvent::LayoutRequest:
    case QEvent::FontChange:
        scheduleLayout();
        break;
    case QEvent::ParentChange:
        m_needsRebuild = true;
        scheduleLayout();
        break;
    case QEvent::Show:
        runLayout();
        break;
    default:
        break;
    }
    return false;
}

} // namespace platform::layout
