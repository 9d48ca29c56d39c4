#include "foundation/ArrayExpand.h"

#include <QStringList>

namespace qv {

bool sameObject(const QVariant& a, const QVariant& b)
{
    const bool sameKind = a.typeId() == b.typeId() || (isNumber(a) && isNumber(b));
    if (!sameKind || !a.isValid()) {
        return false;
    }
    return QVariant::compare(a, b) == QPartialOrdering::Equivalent;
}

int compareObjects(const QVariant& a, const QVariant& b)
{
    const QPartialOrdering order = QVariant::compare(a, b);
    if (order == QPartialOrdering::Less) {
        return -1;
    }
    return order == QPartialOrdering::Greater ? 1 : 0;
}

QString join(const QVariantList& list, const QString& separator)
{
    QStringList texts;
    texts.reserve(list.size());
    for (const QVariant& item : list) {
        texts << asNSString(item);
    }
    return texts.join(separator);
}

} // namespace qv
