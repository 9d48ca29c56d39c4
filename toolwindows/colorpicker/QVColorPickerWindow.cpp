#include "toolwindows/colorpicker/QVColorPickerWindow.h"

#include "platform/X11.h"
#include "toolwindows/colorpicker/QVColorPickerView.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QRegion>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cmath>
#include <cstring>

Q_LOGGING_CATEGORY(lcColorPicker, "tarsel.toolwindows.colorpicker", QtWarningMsg)

namespace {

// How long the pointer grab is retried while the server answers that the window is not yet
// viewable.
constexpr int kGrabRetryMs = 20;
constexpr int kGrabTries = 50;

} // namespace

QVColorPickerWindow::QVColorPickerWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint)
    , m_view(new QVColorPickerView(this))
    , m_grabber([](const QRect& rect, QString* error) { return platform::X11::shared().captureScreen(rect, error); })
{
    setObjectName(QStringLiteral("colorPickerWindow"));
    resize(kSize, kSize);
    // Round without a compositor too: outside the circle the window is not there at all.
    setMask(QRegion(0, 0, kSize, kSize, QRegion::Ellipse));
    m_view->setGeometry(0, 0, kSize, kSize);
    m_view->setObjectName(QStringLiteral("colorPickerView"));
    setMouseTracking(true);
    m_view->setMouseTracking(true);
    setCursor(Qt::BlankCursor);
    m_view->setCursor(Qt::BlankCursor);
}

QVColorPickerWindow::~QVColorPickerWindow() = default;

QPoint QVColorPickerWindow::devicePoint(const QPoint& global) const
{
    return QPoint(int(std::floor(global.x() * m_scale)), int(std::floor(global.y() * m_scale)));
}

void QVColorPickerWindow::startPicking()
{
    if (m_picking) {
        return;
    }
    m_picking = true;
    m_imageRef = QImage();
    m_view->setImageRef(m_imageRef);
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->virtualGeometry() : QRect();
    m_scale = screen ? screen->devicePixelRatio() : 1.0;
    const QRect device(devicePoint(desktop.topLeft()),
                       QSize(int(std::ceil(desktop.width() * m_scale)), int(std::ceil(desktop.height() * m_scale))));
    QString error;
    m_screen = m_grabber ? m_grabber(device, &error) : QImage();
    m_screenOrigin = device.topLeft();
    if (m_screen.isNull()) {
        qCWarning(lcColorPicker).noquote()
            << (error.isEmpty() ? QStringLiteral("the screen could not be read") : error);
    } else if (m_screen.format() != QImage::Format_RGB32) {
        m_screen = m_screen.convertToFormat(QImage::Format_RGB32);
    }
    const QPoint pointer = QCursor::pos();
    move(pointer - QPoint(kSize / 2, kSize / 2));
    pointerMoved(pointer);
    show();
    raise();
    activateWindow();
    m_grabTries = 0;
    grabInput();
}

// The grab fails while the server does not show the window yet: it is tried again shortly. Only
// a display server can be grabbed; elsewhere (offscreen) events reach the window directly.
void QVColorPickerWindow::grabInput()
{
    QWindow* handle = windowHandle();
    if (!m_picking || handle == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) {
        return;
    }
    if (m_grabTries == 0) {
        grabMouse(Qt::BlankCursor);
        grabKeyboard();
    }
    const bool pointer = handle->setMouseGrabEnabled(true);
    const bool keyboard = handle->setKeyboardGrabEnabled(true);
    if ((!pointer || !keyboard) && ++m_grabTries < kGrabTries) {
        QTimer::singleShot(kGrabRetryMs, this, &QVColorPickerWindow::grabInput);
    }
}

void QVColorPickerWindow::cancelPicking()
{
    if (m_picking) {
        endPicking(QColor());
    }
}

void QVColorPickerWindow::endPicking(const QColor& color)
{
    m_picking = false;
    if (QWidget::mouseGrabber() == this) {
        releaseMouse();
    }
    if (QWidget::keyboardGrabber() == this) {
        releaseKeyboard();
    }
    hide();
    m_screen = QImage();
    if (color.isValid() && m_completeHandler) {
        m_completeHandler(color);
    }
    Q_EMIT pickEnded();
}

void QVColorPickerWindow::pointerMoved(const QPoint& global)
{
    if (!m_picking || m_screen.isNull()) {
        return;
    }
    m_imageRef = squareAround(m_screen, m_screenOrigin, devicePoint(global), kCaptureSide);
    move(global - QPoint(kSize / 2, kSize / 2));
    m_view->setImageRef(m_imageRef);
    m_view->update();
}

void QVColorPickerWindow::pointerPressed(const QPoint& global)
{
    if (!m_picking) {
        return;
    }
    // The click's own position decides, whatever moves were merged before it.
    pointerMoved(global);
    if (m_imageRef.isNull()) {
        qCInfo(lcColorPicker) << "click ignored: there is no image of the screen";
        return;
    }
    endPicking(centreColor(m_imageRef));
}

QImage QVColorPickerWindow::squareAround(const QImage& screen, const QPoint& origin, const QPoint& centre, int side)
{
    QImage square(side, side, QImage::Format_RGB32);
    square.fill(Qt::black);
    const QRect wanted(centre - origin - QPoint(side / 2, side / 2), QSize(side, side));
    const QRect part = wanted.intersected(screen.rect());
    if (part.isEmpty()) {
        return square;
    }
    const QImage source
        = screen.format() == QImage::Format_RGB32 ? screen : screen.convertToFormat(QImage::Format_RGB32);
    const int dx = part.x() - wanted.x();
    for (int y = part.top(); y <= part.bottom(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(source.constScanLine(y)) + part.x();
        auto* to = reinterpret_cast<QRgb*>(square.scanLine(y - wanted.y())) + dx;
        std::memcpy(to, from, sizeof(QRgb) * size_t(part.width()));
    }
    return square;
}

QColor QVColorPickerWindow::centreColor(const QImage& square)
{
    if (square.isNull()) {
        return {};
    }
    return QColor(square.pixel(int(square.width() * 0.5), int(square.height() * 0.5)));
}

void QVColorPickerWindow::mouseMoveEvent(QMouseEvent* event)
{
    pointerMoved(event->globalPosition().toPoint());
}

void QVColorPickerWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        pointerPressed(event->globalPosition().toPoint());
    }
}

void QVColorPickerWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        cancelPicking();
        return;
    }
    QWidget::keyPressEvent(event);
}

void QVColorPickerWindow::closeEvent(QCloseEvent* event)
{
    cancelPicking();
    QWidget::closeEvent(event);
}
