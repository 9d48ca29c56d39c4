// Screen capture on the X server: the root window's pixels through the shared-memory extension
// (MIT-SHM) where the server offers it, else through Xlib's XGetImage. Shared memory spares the
// copy of every pixel through the socket: a whole screen in about a millisecond instead of a few
// hundred on a busy machine.

#include "platform/X11.h"

#include <QPainter>

#include <bit>
#include <cstring>

#include <sys/ipc.h>
#include <sys/shm.h>

// Xlib last: its macros (None, Bool, Status) break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

namespace platform {

namespace {

// Xlib's default error handler ends the process; a refused capture is an answer instead.
bool g_captureFailed = false;

int noteCaptureError(Display*, XErrorEvent*)
{
    g_captureFailed = true;
    return 0;
}

// A colour channel of the visual as a value from 0 to 255.
struct Channel
{
    unsigned long mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(unsigned long m)
        : mask(m)
        , shift(m ? std::countr_zero(m) : 0)
        , bits(std::popcount(m))
    {
    }
    int value(unsigned long pixel) const
    {
        if (bits == 0) {
            return 0;
        }
        const unsigned long v = (pixel & mask) >> shift;
        return bits >= 8 ? int(v >> (bits - 8)) : int(v * 255 / ((1ul << bits) - 1));
    }
};

QImage toImage(XImage* xi)
{
    QImage image(xi->width, xi->height, QImage::Format_RGB32);
    const bool direct = xi->bits_per_pixel == 32 && xi->red_mask == 0xff0000 && xi->green_mask == 0xff00
        && xi->blue_mask == 0xff && xi->byte_order == LSBFirst && std::endian::native == std::endian::little;
    if (direct) {
        for (int y = 0; y < xi->height; ++y) {
            const auto* src = reinterpret_cast<const quint32*>(xi->data + qsizetype(y) * xi->bytes_per_line);
            auto* dst = reinterpret_cast<quint32*>(image.scanLine(y));
            for (int x = 0; x < xi->width; ++x) {
                dst[x] = src[x] | 0xff000000u;
            }
        }
        return image;
    }
    const Channel red(xi->red_mask), green(xi->green_mask), blue(xi->blue_mask);
    for (int y = 0; y < xi->height; ++y) {
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < xi->width; ++x) {
            const unsigned long pixel = XGetPixel(xi, x, y);
            dst[x] = qRgb(red.value(pixel), green.value(pixel), blue.value(pixel));
        }
    }
    return image;
}

// Reads the part of the root window through a shared-memory segment; null when the server offers
// no shared memory or refuses it (a display on another machine).
QImage sharedMemoryCapture(Display* display, Window root, const XWindowAttributes& attributes, const QRect& part)
{
    if (!XShmQueryExtension(display)) {
        return {};
    }
    XShmSegmentInfo segment {};
    XImage* xi = XShmCreateImage(display, attributes.visual, unsigned(attributes.depth), ZPixmap, nullptr, &segment,
                                 unsigned(part.width()), unsigned(part.height()));
    if (!xi) {
        return {};
    }
    QImage image;
    segment.shmid = shmget(IPC_PRIVATE, size_t(xi->bytes_per_line) * size_t(xi->height), IPC_CREAT | 0600);
    if (segment.shmid >= 0) {
        segment.shmaddr = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
        xi->data = segment.shmaddr;
        segment.readOnly = False;
        if (segment.shmaddr != reinterpret_cast<char*>(-1)) {
            g_captureFailed = false;
            XErrorHandler previous = XSetErrorHandler(&noteCaptureError);
            bool attached = XShmAttach(display, &segment);
            XSync(display, False);
            attached = attached && !g_captureFailed;
            if (attached) {
                const bool read = XShmGetImage(display, root, xi, part.x(), part.y(), AllPlanes);
                XSync(display, False);
                if (read && !g_captureFailed) {
                    image = toImage(xi);
                }
                XShmDetach(display, &segment);
                XSync(display, False);
            }
            XSetErrorHandler(previous);
            shmdt(segment.shmaddr);
        }
        shmctl(segment.shmid, IPC_RMID, nullptr);
    }
    xi->data = nullptr;
    XDestroyImage(xi);
    return image;
}

// Reads the part of the root window through the socket; null when the server refuses.
QImage socketCapture(Display* display, Window root, const QRect& part)
{
    g_captureFailed = false;
    XErrorHandler previous = XSetErrorHandler(&noteCaptureError);
    XImage* xi = XGetImage(display, root, part.x(), part.y(), unsigned(part.width()), unsigned(part.height()),
                           AllPlanes, ZPixmap);
    XSync(display, False);
    XSetErrorHandler(previous);
    QImage image;
    if (xi && !g_captureFailed) {
        image = toImage(xi);
    }
    if (xi) {
        XDestroyImage(xi);
    }
    return image;
}

} // namespace

QImage X11::captureScreen(const QRect& rect, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error) {
            *error = why;
        }
        return QImage();
    };
    if (!m_connection) {
        return fail(m_unavailable);
    }
    if (rect.isEmpty()) {
        return fail(QStringLiteral("Failed to capture the screen. Error: \"the rectangle is empty\""));
    }
    if (!m_captureDisplay) {
        m_captureDisplay = XOpenDisplay(nullptr);
        if (!m_captureDisplay) {
            return fail(QStringLiteral("Failed to capture the screen. Error: \"the X display cannot be reached\""));
        }
    }
    Display* display = m_captureDisplay;
    // Xlib's window id, not this class's Window.
    const ::Window root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, root, &attributes)) {
        return fail(QStringLiteral("Failed to capture the screen. Error: \"the root window cannot be read\""));
    }
    QImage result(rect.size(), QImage::Format_RGB32);
    result.fill(Qt::black);
    // XGetImage refuses a rectangle that reaches outside the window: only the part on the screen
    // is read, and the rest stays black.
    const QRect part = rect.intersected(QRect(0, 0, attributes.width, attributes.height));
    if (part.isEmpty()) {
        return result;
    }
    XSync(display, False);
    QImage pixels = sharedMemoryCapture(display, root, attributes, part);
    if (pixels.isNull()) {
        pixels = socketCapture(display, root, part);
        if (pixels.isNull()) {
            return fail(QStringLiteral("Failed to capture the screen. Error: \"the X server refused the capture\""));
        }
    }
    if (part == rect) {
        return pixels;
    }
    QPainter painter(&result);
    painter.drawImage(part.topLeft() - rect.topLeft(), pixels);
    painter.end();
    return result;
}

} // namespace platform
