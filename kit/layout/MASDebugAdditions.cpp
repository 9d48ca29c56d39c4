#include "kit/layout/MASDebugAdditions.h"

#include "kit/layout/MASLayoutConstraint.h"
#include "kit/layout/ViewMASAdditions.h"
#include "platform/layout/LayoutConstraint.h"

#include <QWidget>

#include <cmath>

using platform::layout::LayoutConstraint;

namespace {

QString addressOf(const void* object)
{
    return QString::asprintf("%p", object);
}

QString keyed(const QString& className, const QVariant& key, const void* object)
{
    const QString text = key.isValid() ? key.toString() : QString();
    return className + QLatin1Char(':') + (text.isEmpty() ? addressOf(object) : text);
}

QString number(double value)
{
    return QString::asprintf("%g", value);
}

// Attribute numbers outside the table print as numbers, so nothing is hidden.
QString attributeText(platform::layout::Attribute attribute)
{
    const int value = static_cast<int>(attribute);
    return MASDebugAdditions::layoutAttributeDescriptionsByValue().value(value, QString::number(value));
}

// Every constraint the kit makes describes itself this way from the start.
const bool kInstalled = (MASDebugAdditions::install(), true);

} // namespace

const QMap<int, QString>& MASDebugAdditions::layoutRelationDescriptionsByValue()
{
    static const QMap<int, QString> table {
        { 0, QStringLiteral("==") },
        { 1, QStringLiteral(">=") },
        { -1, QStringLiteral("<=") },
    };
    return table;
}

const QMap<int, QString>& MASDebugAdditions::layoutAttributeDescriptionsByValue()
{
    static const QMap<int, QString> table {
        { 3, QStringLiteral("top") },      { 1, QStringLiteral("left") },      { 4, QStringLiteral("bottom") },
        { 2, QStringLiteral("right") },    { 5, QStringLiteral("leading") },   { 6, QStringLiteral("trailing") },
        { 7, QStringLiteral("width") },    { 8, QStringLiteral("height") },    { 9, QStringLiteral("centerX") },
        { 10, QStringLiteral("centerY") }, { 11, QStringLiteral("baseline") },
    };
    return table;
}

const QMap<float, QString>& MASDebugAdditions::layoutPriorityDescriptionsByValue()
{
    static const QMap<float, QString> table {
        { 750.0f, QStringLiteral("high") },
        { 510.0f, QStringLiteral("drag can resize window") },
        { 501.0f, QStringLiteral("medium") },
        { 500.0f, QStringLiteral("window size stay put") },
        { 490.0f, QStringLiteral("drag cannot resize window") },
        { 250.0f, QStringLiteral("low") },
        { 50.0f, QStringLiteral("fitting size") },
        { 1000.0f, QStringLiteral("required") },
    };
    return table;
}

QString MASDebugAdditions::descriptionForObject(const QWidget* view)
{
    return keyed(QLatin1String(view->metaObject()->className()), mas_key(view), view);
}

QString MASDebugAdditions::descriptionForObject(const LayoutConstraint* constraint)
{
    const auto* kitConstraint = dynamic_cast<const MASLayoutConstraint*>(constraint);
    return keyed(constraint->className(), kitConstraint ? kitConstraint->mas_key() : QVariant(), constraint);
}

QString MASDebugAdditions::description(const LayoutConstraint& constraint)
{
    using platform::layout::Attribute;
    QString text = QLatin1Char('<') + descriptionForObject(&constraint);
    if (constraint.firstItem()) {
        text += QLatin1Char(' ') + descriptionForObject(constraint.firstItem());
    }
    if (constraint.firstAttribute() != Attribute::NotAnAttribute) {
        text += QLatin1Char('.') + attributeText(constraint.firstAttribute());
    }
    const int relation = static_cast<int>(constraint.relation());
    text += QLatin1Char(' ') + layoutRelationDescriptionsByValue().value(relation, QString::number(relation));
    if (constraint.secondItem()) {
        text += QLatin1Char(' ') + descriptionForObject(constraint.secondItem());
    }
    if (constraint.secondAttribute() != Attribute::NotAnAttribute) {
        text += QLatin1Char('.') + attributeText(constraint.secondAttribute());
    }
    if (constraint.multiplier() != 1.0) {
        text += QStringLiteral(" * ") + number(constraint.multiplier());
    }
    const double constant = constraint.constant();
    if (constraint.secondAttribute() == Attribute::NotAnAttribute) {
        text += QLatin1Char(' ') + number(constant);
    } else if (constant != 0.0) {
        text += constant < 0.0 ? QStringLiteral(" - ") + number(std::abs(constant))
                               : QStringLiteral(" + ") + number(constant);
    }
    if (constraint.priority() != platform::layout::Priority::Required) {
        const float priority = constraint.priority();
        text += QStringLiteral(" ^")
            + layoutPriorityDescriptionsByValue().value(priority, number(static_cast<double>(priority)));
    }
    return text + QLatin1Char('>');
}

void MASDebugAdditions::install()
{
    static const bool once = [] {
        LayoutConstraint::setDescriptionFunction(&MASDebugAdditions::description);
        return true;
    }();
    Q_UNUSED(once);
}
