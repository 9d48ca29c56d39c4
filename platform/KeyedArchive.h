#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <optional>

namespace platform {

/// Keyed archives of one object: the binary property list a keyed archiver writes, with the
/// root object's class name and its integer entries ("$archiver" "NSKeyedArchiver", "$top"
/// {"root": UID 1}, "$objects" ["$null", the object, its class]).
class KeyedArchive final
{
public:
    KeyedArchive() = delete;

    using Integers = QMap<QString, qint64>;

    /// The archive of an object of that class holding those entries.
    static QByteArray archive(const QString& className, const Integers& entries);
    /// The entries of the archive's root object; nothing when the bytes are not a keyed archive
    /// or its root is not of that class.
    static std::optional<Integers> unarchive(const QByteArray& data, const QString& className);
};

} // namespace platform
