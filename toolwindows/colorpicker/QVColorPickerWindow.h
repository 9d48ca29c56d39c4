#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <functional>

class QVColorPickerView;

/// The screen colour picker's magnifier: a round, frameless 80 by 80 window that follows the
/// pointer and shows the pixels around it enlarged; a click picks the pixel under the pointer.
///
/// The screen is read once, when a pick starts and before the magnifier is shown: on a desktop
/// without a compositor every later read of the screen would contain the magnifier itself.
/// Each pointer move cuts the square of kCaptureSide pixels centred on the pointer out of that
/// image (black where it reaches past the screen), so its centre pixel is exactly the pixel
/// under the pointer; that pixel is the picked colour.
///
/// While picking, the window holds the pointer and the keyboard. A click hands the colour to
/// the complete handler and ends the pick; Escape ends it without a colour. A click while there
/// is no image (the screen could not be read) is ignored and the pick goes on: no colour that
/// was never seen is passed on. pickEnded() follows every end. Main thread only.
class QVColorPickerWindow final : public QWidget
{
    Q_OBJECT

public:
    /// The window's side in points.
    static constexpr int kSize = 80;
    /// The side of the captured square in pixels: odd, so that one pixel is the centre.
    static constexpr int kCaptureSide = 11;

    using CompleteHandler = std::function<void(const QColor& color)>;
    /// Reads the screen in a rectangle of device pixels (see platform::X11::captureScreen).
    using ScreenGrabber = std::function<QImage(const QRect& rect, QString* error)>;

    explicit QVColorPickerWindow(QWidget* parent = nullptr);
    ~QVColorPickerWindow() override;
    Q_DISABLE_COPY_MOVE(QVColorPickerWindow)

    void setCompleteHandler(CompleteHandler handler) { m_completeHandler = std::move(handler); }
    /// Replaces the X server as the source of the screen's pixels.
    void setScreenGrabber(ScreenGrabber grabber) { m_grabber = std::move(grabber); }

    /// Reads the screen, then shows the magnifier at the pointer and takes the pointer and the
    /// keyboard. Nothing when a pick is already going on.
    void startPicking();
    bool isPicking() const { return m_picking; }
    /// Ends the pick without a colour.
    void cancelPicking();

    /// The pointer is at the global position: the square around it is cut from the screen's
    /// image, the window is centred on it and redrawn. Nothing while there is no image.
    void pointerMoved(const QPoint& global);
    /// A click at the global position picks the pixel there; ignored while there is no image.
    void pointerPressed(const QPoint& global);

    /// The square shown now; null before the first cut.
    const QImage& imageRef() const { return m_imageRef; }
    QVColorPickerView* view() const { return m_view; }

    /// The side by side square of the screen's image centred on the pixel `centre` (both in
    /// the image's coordinates shifted by `origin`, the screen position of its top-left pixel),
    /// black where it lies outside the image.
    static QImage squareAround(const QImage& screen, const QPoint& origin, const QPoint& centre, int side);
    /// The colour of the centre pixel of a square: at (width × 0.5, height × 0.5), truncated.
    static QColor centreColor(const QImage& square);

Q_SIGNALS:
    /// The pick ended, with or without a colour.
    void pickEnded();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void grabInput();
    void endPicking(const QColor& color);
    QPoint devicePoint(const QPoint& global) const;

    QVColorPickerView* m_view = nullptr;
    CompleteHandler m_completeHandler;
    ScreenGrabber m_grabber;
    QImage m_screen; ///< the whole screen as read when the pick started
    QPoint m_screenOrigin;
    QImage m_imageRef;
    qreal m_scale = 1.0;
    bool m_picking = false;
    int m_grabTries = 0;
};
