#include "foundation/QVResizeImageHook.h"

#include "platform/Hook.h"

namespace qv {

namespace {

platform::Hook<ResizeImageOpener>& opener()
{
    static platform::Hook<ResizeImageOpener> hook;
    return hook;
}

} // namespace

void setResizeImageOpener(ResizeImageOpener fn)
{
    opener().set(std::move(fn));
}

bool openResizeImageWindow(const QString& path, ResizeImageSure sure)
{
    const ResizeImageOpener open = opener().get();
    if (!open) {
        return false;
    }
    open(path, std::move(sure));
    return true;
}

} // namespace qv
