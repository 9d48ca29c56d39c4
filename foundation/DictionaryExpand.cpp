#include "foundation/DictionaryExpand.h"

#include "foundation/ObjectGCD.h"

#include <QRegularExpression>

namespace qv {

namespace {

QStringList pathKeys(const QString& path, const QString& separator)
{
    if (separator.isNull()) {
        static const QRegularExpression both(QStringLiteral("[/.]"));
        return path.split(both, Qt::SkipEmptyParts);
    }
    if (separator.isEmpty()) {
        return path.isEmpty() ? QStringList() : QStringList { path };
    }
    return path.split(separator, Qt::SkipEmptyParts);
}

bool isMap(const QVariant& v)
{
    return v.typeId() == QMetaType::QVariantMap;
}

// Sets the value below the keys of `keys` from `index` on; false when a value on the way is
// not a dictionary.
bool setAt(QVariantMap& map, const QStringList& keys, qsizetype index, const QVariant& object)
{
    const QString& key = keys.at(index);
    if (index == keys.size() - 1) {
        map.insert(key, object);
        return true;
    }
    auto it = map.find(key);
    if (it == map.end()) {
        it = map.insert(key, QVariantMap());
    } else if (!isMap(*it)) {
        return false;
    }
    QVariantMap inner = it->toMap();
    if (!setAt(inner, keys, index + 1, object)) {
        return false;
    }
    *it = inner;
    return true;
}

} // namespace

QVariantMap append(const QVariantMap& map, const QString& keyPath, const QVariant& object)
{
    QVariantMap copy = map;
    return setObject(copy, object, keyPath) ? copy : map;
}

QVariant objectOfAny(const QVariantMap& map, const QStringList& keys)
{
    for (const QString& key : keys) {
        const auto it = map.constFind(key);
        if (it != map.cend()) {
            return *it;
        }
    }
    return QVariant();
}

QString stringOfAny(const QVariantMap& map, const QStringList& keys)
{
    return asNSString(objectOfAny(map, keys));
}

QString stringOfAny(QVariantMap& map, const QStringList& keys, bool removeAll)
{
    const QString text = stringOfAny(std::as_const(map), keys);
    if (removeAll) {
        for (const QString& key : keys) {
            map.remove(key);
        }
    }
    return text;
}

QVariant objectAtPath(const QVariantMap& map, const QString& path, const QVariant& otherwise, const QString& separator)
{
    const QStringList keys = pathKeys(path, separator);
    if (keys.isEmpty()) {
        return otherwise;
    }
    const QVariantMap* level = &map;
    QVariantMap holder;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const auto it = level->constFind(keys.at(i));
        if (it == level->cend()) {
            return otherwise;
        }
        if (i == keys.size() - 1) {
            return *it;
        }
        if (!isMap(*it)) {
            return otherwise;
        }
        holder = it->toMap();
        level = &holder;
    }
    return otherwise;
}

bool boolAtPath(const QVariantMap& map, const QString& path, bool otherwise, const QString& separator)
{
    const QVariant v = objectAtPath(map, path, QVariant(), separator);
    if (isNullObject(v)) {
        return false;
    }
    if (isNumber(v)) {
        return asInteger(v) != 0;
    }
    if (isString(v)) {
        const QString s = v.toString();
        return s == QLatin1String("1") || (!s.isEmpty() && QStringView(u"yYtT").contains(s.front()));
    }
    return otherwise;
}

QVariant numberAtPath(const QVariantMap& map, const QString& path, const QVariant& otherwise, const QString& separator)
{
    const QVariant v = objectAtPath(map, path, QVariant(), separator);
    if (isNumber(v)) {
        return v;
    }
    if (isString(v)) {
        return leadingDoubleValue(v.toString());
    }
    return otherwise;
}

QString stringAtPath(const QVariantMap& map, const QString& path, const QString& otherwise, const QString& separator)
{
    const QVariant v = objectAtPath(map, path, QVariant(), separator);
    if (isString(v)) {
        return v.toString();
    }
    if (isNumber(v)) {
        return QString::number(asInteger(v));
    }
    return otherwise;
}

std::optional<QVariantList> arrayAtPath(const QVariantMap& map, const QString& path,
                                        const std::optional<QVariantList>& otherwise, const QString& separator)
{
    const auto list = asNSMutableArray(objectAtPath(map, path, QVariant(), separator));
    return list ? list : otherwise;
}

std::optional<QVariantMap> dictAtPath(const QVariantMap& map, const QString& path,
                                      const std::optional<QVariantMap>& otherwise, const QString& separator)
{
    const auto dict = asNSDictionary(objectAtPath(map, path, QVariant(), separator));
    return dict ? dict : otherwise;
}

bool setObject(QVariantMap& map, const QVariant& object, const QString& atPath, const QString& separator)
{
    const QStringList keys = pathKeys(atPath, separator);
    if (!object.isValid() || keys.isEmpty()) {
        return false;
    }
    return setAt(map, keys, 0, object);
}

QVariantMap keyValues(std::initializer_list<QVariant> keysAndValues)
{
    return keyValues(QVariantList(keysAndValues));
}

QVariantMap keyValues(const QVariantList& keysAndValues)
{
    QVariantMap map;
    for (qsizetype i = 0; i + 1 < keysAndValues.size(); i += 2) {
        map.insert(asNSString(keysAndValues.at(i)), keysAndValues.at(i + 1));
    }
    return map;
}

} // namespace qv
