#pragma once
// How the engine reaches the screen colour picker, which lives in a layer above it: the process
// that owns the picker installs a starter at start-up.

#include <functional>

namespace qv {

/// Starts a pick with the screen colour picker; the picked colour opens the colour window.
using ColorPickerStarter = std::function<void()>;

void setColorPickerStarter(ColorPickerStarter starter);
/// Starts the picker through the installed starter; false when none is installed.
bool startColorPicker();

} // namespace qv
