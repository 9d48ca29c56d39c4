#include "foundation/QVColorPickerHook.h"

#include "platform/Hook.h"

namespace qv {

namespace {

platform::Hook<ColorPickerStarter>& starter()
{
    static platform::Hook<ColorPickerStarter> hook;
    return hook;
}

} // namespace

void setColorPickerStarter(ColorPickerStarter fn)
{
    starter().set(std::move(fn));
}

bool startColorPicker()
{
    const ColorPickerStarter start = starter().get();
    if (!start) {
        return false;
    }
    start();
    return true;
}

} // namespace qv
