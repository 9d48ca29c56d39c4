#pragma once

// Additions to the platform's window (a top-level QWidget): opening, closing, sheets and
// placement at the mouse.

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace qv {

/// Shows the window at the normal level (not staying on top), brings it to the front,
/// makes it the active window and activates the application.
void open(QWidget* window);
/// With a parent: shuts the window first (it may be shown elsewhere), then shows it as a
/// sheet on the parent (window-modal, centred over the parent's top edge). With a null
/// parent: open.
void openOnWindow(QWidget* window, QWidget* parent);
/// Ends the window's sheet when it is one, and closes it.
void shut(QWidget* window);
/// Centres the window on the mouse, keeping its size, and moves it as little as needed to
/// keep it whole on the screen under the mouse.
void moveToMouse(QWidget* window);

/// The frame of the given size centred on the mouse and then kept inside the available
/// area of the screen under the mouse (of the nearest screen when the mouse is on none).
/// A frame larger than that area keeps its top-left corner on it. With no screens the
/// centred frame is answered as it is.
QRect frameCenteredOnMouse(QSize size, QPoint mouse, const QList<QRect>& availableScreens);

} // namespace qv
