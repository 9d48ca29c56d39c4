#pragma once

// Additions to the platform's view (QWidget): heads-up messages over a view, frame
// accessors, a snapshot, and the replacement of a subview.
//
// Frame accessors work in the frame's coordinates, those of the superview: x and y are the
// top-left corner, right = x + width, bottom = y + height.

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

class QWidget;

namespace qv {

// Heads-up messages. The receiver is the host view; each host has at most one message and
// one pending timer. A text message goes away by itself after its length / 10 seconds, kept
// between 1.5 and 3.5 seconds; a loading message stays until dismissed or replaced.

/// Shows a loading message (a spinner and the text, "Loading..." when the text is not
/// valid) after the delay in seconds; with 0, on the next turn of the event loop.
void showHudWithStatus(QWidget* view, const QString& text, double delay = 0);
void showHudSuccessWithStatus(QWidget* view, const QString& text);
void showHudInfoWithStatus(QWidget* view, const QString& text);
void showHudErrorWithStatus(QWidget* view, const QString& text);
/// A text message with the info image.
void showHudTextWithStatus(QWidget* view, const QString& text);
/// Removes the message and forgets a pending timer; with none shown nothing changes.
void dismissHud(QWidget* view);
/// True when a message is attached to the view (a pending one is not yet attached).
bool hudVisible(const QWidget* view);
/// The message's panel, built (and attached) when there is none.
QWidget* hudView(QWidget* view);

QPoint origin(const QWidget* view);
void setOrigin(QWidget* view, QPoint origin);
QSize size(const QWidget* view);
void setSize(QWidget* view, QSize size);
int x(const QWidget* view);
void setX(QWidget* view, int x);
int y(const QWidget* view);
void setY(QWidget* view, int y);
int width(const QWidget* view);
void setWidth(QWidget* view, int width);
int height(const QWidget* view);
void setHeight(QWidget* view, int height);
int right(const QWidget* view);
/// Moves the view so that its right edge is at the value; the width stays.
void setRight(QWidget* view, int right);
int bottom(const QWidget* view);
/// Moves the view so that its bottom edge is at the value; the height stays.
void setBottom(QWidget* view, int bottom);
QPoint bottomLeft(const QWidget* view);
QPoint bottomRight(const QWidget* view);
QPoint topRight(const QWidget* view);

/// A snapshot of what the view shows in its bounds, of the bounds' size.
QImage toImage(QWidget* view);
/// The view's subviews: its child widgets that are not windows, back to front.
QList<QWidget*> subviews(const QWidget* view);
/// Puts the other view in place of the subview at the index, at the same place in the
/// order (and in the view's layout when the old one was in it). The old subview leaves the
/// view and is deleted later. An index outside the subviews, or a null view, does nothing.
void replaceSubviewIndex(QWidget* view, int index, QWidget* withView);

} // namespace qv
