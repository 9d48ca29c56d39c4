#include "foundation/WindowExpand.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <limits>

namespace qv {

namespace {

// Marks a window shown as a sheet, so that shut ends the sheet.
const char* const kSheetProperty = "qvSheet";

int distanceSquared(const QRect& rect, QPoint point)
{
    const int dx = point.x() < rect.left() ? rect.left() - point.x() : std::max(0, point.x() - rect.right());
    const int dy = point.y() < rect.top() ? rect.top() - point.y() : std::max(0, point.y() - rect.bottom());
    return dx * dx + dy * dy;
}

int clampAxis(int origin, int length, int low, int available)
{
    if (length >= available) {
        return low;
    }
    return std::clamp(origin, low, low + available - length);
}

} // namespace

void open(QWidget* window)
{
    if (window == nullptr) {
        return;
    }
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        window->setWindowFlag(Qt::WindowStaysOnTopHint, false);
    }
    window->show();
    window->raise();
    window->activateWindow();
    if (QWindow* handle = window->windowHandle()) {
        handle->requestActivate();
    }
}

void openOnWindow(QWidget* window, QWidget* parent)
{
    if (window == nullptr) {
        return;
    }
    if (parent == nullptr) {
        open(window);
        return;
    }
    shut(window);
    QWidget* host = parent->window();
    // A sheet is a dialog that blocks only its parent window. The parent is set as the
    // transient parent rather than the QObject parent, so that whoever owns the window
    // keeps owning it.
    window->setWindowFlag(Qt::Dialog, true);
    window->setWindowModality(Qt::WindowModal);
    window->winId();
    if (QWindow* handle = window->windowHandle()) {
        handle->setTransientParent(host->windowHandle());
    }
    window->setProperty(kSheetProperty, true);
    const QRect frame = host->geometry();
    const QSize size = window->size();
    window->move(frame.x() + (frame.width() - size.width()) / 2, frame.y());
    window->show();
    window->raise();
    window->activateWindow();
}

void shut(QWidget* window)
{
    if (window == nullptr) {
        return;
    }
    if (window->property(kSheetProperty).toBool()) {
        window->hide();
        window->setWindowModality(Qt::NonModal);
        if (QWindow* handle = window->windowHandle()) {
            handle->setTransientParent(nullptr);
        }
        window->setProperty(kSheetProperty, QVariant());
    }
    window->close();
}

QRect frameCenteredOnMouse(QSize size, QPoint mouse, const QList<QRect>& availableScreens)
{
    QRect frame(QPoint(mouse.x() - size.width() / 2, mouse.y() - size.height() / 2), size);
    if (availableScreens.isEmpty()) {
        return frame;
    }
    QRect screen;
    int best = std::numeric_limits<int>::max();
    for (const QRect& candidate : availableScreens) {
        const int distance = distanceSquared(candidate, mouse);
        if (distance < best) {
            best = distance;
            screen = candidate;
        }
    }
    frame.moveTo(clampAxis(frame.x(), size.width(), screen.x(), screen.width()),
                 clampAxis(frame.y(), size.height(), screen.y(), screen.height()));
    return frame;
}

void moveToMouse(QWidget* window)
{
    if (window == nullptr) {
        return;
    }
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens.append(screen->availableGeometry());
    }
    // The frame (title bar and borders included) must stay on the screen, so the frame's
    // size is placed and its corner becomes the window's position.
    const QSize frameSize = window->isVisible() ? window->frameGeometry().size() : window->size();
    const QRect frame = frameCenteredOnMouse(frameSize, QCursor::pos(), screens);
    window->move(frame.topLeft());
    window->update();
}

} // namespace qv
