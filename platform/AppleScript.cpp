#include "platform/AppleScript.h"

namespace platform {

QString AppleScript::runFile(const QString& path)
{
    Q_UNUSED(path)
    return kUnavailableMessage;
}

QString AppleScript::runSource(const QString& source)
{
    Q_UNUSED(source)
    return kUnavailableMessage;
}

} // namespace platform
