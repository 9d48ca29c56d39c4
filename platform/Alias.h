#pragma once

#include <QString>

namespace platform {

/// This desktop's alias: a symbolic link holding the target's absolute path.
class Alias final
{
public:
    Alias() = delete;

    /// Makes an alias of the target at aliasPath. Never replaces anything: false with a message
    /// when something is already there or the target does not exist.
    static bool create(const QString& aliasPath, const QString& targetPath, QString* error = nullptr);
    static bool isAlias(const QString& path);
    /// The absolute path the alias points to (a relative link is read against its folder);
    /// null when the path is not an alias.
    static QString target(const QString& path);
};

} // namespace platform
