#pragma once

#include <QPoint>
#include <QRect>

#include <optional>

namespace tarsel::test {

/// Real pointer input through the X server (XTest), as a user's click arrives: the server picks
/// the window under the pointer, so a click reaches whatever is really on the screen there
/// (an embedded tray icon, a popup). False without an X display or the XTest extension.
bool x11Click(const QPoint& globalPosition, int button = 1);
/// Presses or releases the key of the X keysym name ("Super_L", "Control_L") through XTest,
/// so a test can hold a modifier while it clicks.
bool x11Key(const char* keysymName, bool press);
/// Moves the pointer through the X server, as a user's hand does.
bool x11MovePointer(const QPoint& globalPosition);
/// The screen rectangle of a shown top-level window of another process, found by its title
/// (WM_NAME) among the root window's children; nothing when no such window is mapped.
std::optional<QRect> x11ShownWindowNamed(const char* title);

} // namespace tarsel::test
