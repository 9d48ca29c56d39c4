// Times the colour picker's magnifier as the user sees it: the pointer is moved through XTest
// and each move counts once the magnifier has been moved under it and redrawn with the pixels
// there. The moves follow each other as fast as the frames come. Run it under Xvfb:
//
//     xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/color_picker_bench [moves]
//
// Beside it the same moves drive a bare frameless window of the same size that only follows
// the pointer and fills itself (the least a magnifier does), as the reference. Goal: 60 frames
// per second.

#include "platform/X11.h"
#include "toolwindows/colorpicker/QVColorPickerView.h"
#include "toolwindows/colorpicker/QVColorPickerWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr qint64 kTimeoutMs = 5000;

// Counts the paint events of a widget.
class PaintCounter final : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++count;
        }
        return false;
    }
};

// The reference: follows the pointer it holds and fills itself.
class BareFollower final : public QWidget
{
public:
    BareFollower()
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint)
    {
        resize(QVColorPickerWindow::kSize, QVColorPickerWindow::kSize);
        setMouseTracking(true);
    }

protected:
    void mouseMoveEvent(QMouseEvent* event) override
    {
        move(event->globalPosition().toPoint() - QPoint(width() / 2, height() / 2));
        update();
    }
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(233, 87, 71)); }
};

template <typename F> bool spinUntil(F done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > kTimeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// The points of the hand's path: a circle of radius 200 around (640, 512).
QPoint pathPoint(int i)
{
    const double angle = i * 0.05;
    return QPoint(640 + int(std::lround(200 * std::cos(angle))), 512 + int(std::lround(200 * std::sin(angle))));
}

struct Result
{
    double fps = 0;
    double medianMs = 0;
    bool ok = false;
};

// Moves the pointer `moves` times; each move waits until `window` sits centred on the new point
// and `view` has painted since.
Result run(Display* display, QWidget* window, QWidget* view, int moves)
{
    PaintCounter counter;
    view->installEventFilter(&counter);
    std::vector<double> frames;
    QElapsedTimer total;
    total.start();
    for (int i = 1; i <= moves; ++i) {
        const QPoint target = pathPoint(i);
        const int before = counter.count;
        QElapsedTimer frame;
        frame.start();
        XTestFakeMotionEvent(display, -1, target.x(), target.y(), CurrentTime);
        XFlush(display);
        const QPoint half(window->width() / 2, window->height() / 2);
        if (!spinUntil([&] { return window->pos() + half == target && counter.count > before; })) {
            std::fprintf(stderr, "color_picker_bench: move %d to (%d, %d) was not drawn\n", i, target.x(), target.y());
            return {};
        }
        frames.push_back(frame.nsecsElapsed() / 1e6);
    }
    view->removeEventFilter(&counter);
    return { moves / (total.nsecsElapsed() / 1e9), median(frames), true };
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int moves = argc > 1 ? std::max(10, std::atoi(argv[1])) : 600;
    if (!platform::X11::shared().isAvailable()) {
        std::fprintf(stderr, "color_picker_bench: %s\n", qPrintable(platform::X11::shared().unavailableReason()));
        return 1;
    }
    Display* display = XOpenDisplay(nullptr);
    int event = 0, error = 0, major = 0, minor = 0;
    if (display == nullptr || !XTestQueryExtension(display, &event, &error, &major, &minor)) {
        std::fprintf(stderr, "color_picker_bench: the X server has no XTest extension\n");
        return 1;
    }
    XTestFakeMotionEvent(display, -1, pathPoint(0).x(), pathPoint(0).y(), CurrentTime);
    XSync(display, False);

    QVColorPickerWindow picker;
    QElapsedTimer capture;
    capture.start();
    picker.startPicking();
    const double captureMs = capture.nsecsElapsed() / 1e6;
    spinUntil([&] { return picker.isVisible(); });
    const Result ours = run(display, &picker, picker.view(), moves);
    picker.cancelPicking();

    BareFollower bare;
    bare.move(pathPoint(0) - QPoint(40, 40));
    bare.show();
    spinUntil([&] { return bare.isVisible(); });
    bare.grabMouse();
    const Result reference = run(display, &bare, &bare, moves);
    bare.releaseMouse();
    XCloseDisplay(display);
    if (!ours.ok || !reference.ok) {
        return 1;
    }
    std::printf("magnifier, %d moves: %.1f frames/s (median %.2f ms a frame); screen read at the start %.1f ms\n",
                moves, ours.fps, ours.medianMs, captureMs);
    std::printf("bare follower (reference), %d moves: %.1f frames/s (median %.2f ms a frame)\n", moves, reference.fps,
                reference.medianMs);
    return 0;
}
