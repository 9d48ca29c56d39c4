#pragma once

// Additions to the platform's dictionaries (QVariantMap): free functions, receiver first.
//
// A key path is a string of keys separated by the separator. With no separator given (a null
// QString), both "/" and "." separate, so a key that itself holds a dot ("config.plist", a
// bundle identifier) can only be reached by passing "/" explicitly. Empty parts are skipped.
//
// Qt maps are values: every map is editable and copies are deep, so there is no separate
// mutable kind, deep copy or non-retaining map.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <initializer_list>
#include <optional>

namespace qv {

/// A copy with the object set at the key path; the receiver unchanged when the path is empty,
/// the object nil, or a value on the way is not a dictionary.
QVariantMap append(const QVariantMap& map, const QString& keyPath, const QVariant& object);

/// The value of the first present key.
QVariant objectOfAny(const QVariantMap& map, const QStringList& keys);
/// The asNSString text of objectOfAny.
QString stringOfAny(const QVariantMap& map, const QStringList& keys);
/// The same, then, when removeAll is true, removes all the given keys.
QString stringOfAny(QVariantMap& map, const QStringList& keys, bool removeAll);

/// The value at the key path (nil when a key is missing or a value before the last key is not
/// a dictionary); `otherwise` replaces nil.
QVariant objectAtPath(const QVariantMap& map, const QString& path, const QVariant& otherwise = QVariant(),
                      const QString& separator = QString());
/// The null object false, a number true when its integer value is not 0, a string true when it
/// begins with "y", "Y", "t" or "T" or is "1"; anything else (and nothing) `otherwise`.
bool boolAtPath(const QVariantMap& map, const QString& path, bool otherwise = false,
                const QString& separator = QString());
/// A number itself, a string its leading floating-point value; else `otherwise`.
QVariant numberAtPath(const QVariantMap& map, const QString& path, const QVariant& otherwise = QVariant(),
                      const QString& separator = QString());
/// A string itself, a number its integer value in decimal (64-bit); else `otherwise`.
QString stringAtPath(const QVariantMap& map, const QString& path, const QString& otherwise = QString(),
                     const QString& separator = QString());
/// The value when it is a list / dictionary; else `otherwise`.
std::optional<QVariantList> arrayAtPath(const QVariantMap& map, const QString& path,
                                        const std::optional<QVariantList>& otherwise = std::nullopt,
                                        const QString& separator = QString());
std::optional<QVariantMap> dictAtPath(const QVariantMap& map, const QString& path,
                                      const std::optional<QVariantMap>& otherwise = std::nullopt,
                                      const QString& separator = QString());

/// Sets the object at the key path, creating an empty dictionary for each missing intermediate
/// key. A path of one key is a plain key. Refuses (false, map unchanged) a nil object, an
/// empty path, or an intermediate value that is not a dictionary, which is never overwritten.
bool setObject(QVariantMap& map, const QVariant& object, const QString& atPath, const QString& separator = QString());

/// A dictionary from alternating keys and values (a key without a value is dropped).
QVariantMap keyValues(std::initializer_list<QVariant> keysAndValues);
QVariantMap keyValues(const QVariantList& keysAndValues);

} // namespace qv
