#include "platform/X11.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// A window of known pixels placed exactly (no window manager moves it): red on the left half,
// (1, 2, 3) on the right.
class KnownPixels final : public QWidget
{
public:
    KnownPixels()
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint)
    {
        setGeometry(10, 10, 60, 40);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(0, 0, 30, 40, QColor(255, 0, 0));
        painter.fillRect(30, 0, 30, 40, QColor(1, 2, 3));
    }
};

} // namespace

TEST(ScreenCaptureX11Test, ReadsTheScreensPixelsAndBlackOutsideIt)
{
    platform::X11& x11 = platform::X11::shared();
    ASSERT_TRUE(x11.isAvailable()) << x11.unavailableReason().toStdString();
    KnownPixels window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QImage shot;
    // Reaches 10 pixels past the top-left corner of the screen.
    const QRect rect(-10, -10, 100, 80);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        shot = x11.captureScreen(rect);
        return shot.pixel(20, 20) == qRgb(255, 0, 0);
    })) << std::hex
        << shot.pixel(20, 20);
    EXPECT_EQ(shot.size(), rect.size());
    EXPECT_EQ(shot.format(), QImage::Format_RGB32);
    EXPECT_EQ(shot.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(9, 50), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(49, 59), qRgb(255, 0, 0)); // (39, 49) on the screen
    EXPECT_EQ(shot.pixel(50, 20), qRgb(1, 2, 3));
    EXPECT_EQ(shot.pixel(79, 59), qRgb(1, 2, 3));

    // Past the right and bottom edges too; wholly off the screen is all black.
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const QImage edge = x11.captureScreen(QRect(screen.width() - 5, screen.height() - 5, 10, 10));
    ASSERT_EQ(edge.size(), QSize(10, 10));
    EXPECT_EQ(edge.pixel(5, 0), qRgb(0, 0, 0));
    EXPECT_EQ(edge.pixel(0, 9), qRgb(0, 0, 0));
    const QImage away = x11.captureScreen(QRect(-50, -50, 20, 20));
    EXPECT_EQ(away.pixel(19, 19), qRgb(0, 0, 0));

    QString error;
    EXPECT_TRUE(x11.captureScreen(QRect(0, 0, 0, 5), &error).isNull());
    EXPECT_FALSE(error.isEmpty());
}
