#include "kit/layout/MASLayoutConstraint.h"

QString MASLayoutConstraint::className() const
{
    return QStringLiteral("MASLayoutConstraint");
}
