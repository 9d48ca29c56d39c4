#include "foundation/FileToolWindows.h"

#include "platform/Hook.h"

namespace qv {

namespace {

platform::Hook<ToolWindowOpener>& fileHashOpener()
{
    static platform::Hook<ToolWindowOpener> hook;
    return hook;
}

platform::Hook<ToolWindowOpener>& fixNameOpener()
{
    static platform::Hook<ToolWindowOpener> hook;
    return hook;
}

bool openThrough(const platform::Hook<ToolWindowOpener>& hook, const QList<QUrl>& urls, std::function<void()> sure)
{
    const ToolWindowOpener opener = hook.get();
    if (!opener) {
        return false;
    }
    opener(urls, std::move(sure));
    return true;
}

} // namespace

void setFileHashWindowOpener(ToolWindowOpener opener)
{
    fileHashOpener().set(std::move(opener));
}

void setFixNameWindowOpener(ToolWindowOpener opener)
{
    fixNameOpener().set(std::move(opener));
}

bool openFileHashWindow(const QList<QUrl>& urls)
{
    return openThrough(fileHashOpener(), urls, {});
}

bool openFixNameWindow(const QList<QUrl>& urls, std::function<void()> sure)
{
    return openThrough(fixNameOpener(), urls, std::move(sure));
}

} // namespace qv
