#pragma once

#include <QString>

namespace platform {

/// There is no AppleScript engine on this desktop. Running a script answers the error text
/// every caller shows in place of the engine's message.
class AppleScript final
{
public:
    AppleScript() = delete;

    static inline const QString kUnavailableMessage = QStringLiteral("AppleScript is not available on this system");

    /// Answers the error message (never success): the file or source is not run.
    static QString runFile(const QString& path);
    static QString runSource(const QString& source);
};

} // namespace platform
