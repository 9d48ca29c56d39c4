#include "foundation/ViewExpand.h"

#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// What the X server shows of the window: a real screenshot, not the widget's own rendering.
QImage screenshot(QWidget& window)
{
    return window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(HudScreenshotTest, SuccessHudShowsACentredDarkPanelOverTheWindow)
{
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::white);
    window.setPalette(palette);
    window.resize(600, 400);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    qv::showHudSuccessWithStatus(&window, QStringLiteral("Saved"));
    QImage shot;
    // Wait until the panel has reached the screen.
    ASSERT_TRUE(QTest::qWaitFor(
        [&]() {
            shot = screenshot(window);
            return qGray(shot.pixel(shot.width() / 2 - 45, shot.height() / 2 + 45)) < 120;
        },
        5000));
    ASSERT_EQ(shot.size(), QSize(600, 400) * window.devicePixelRatio());

    // The dimming overlay: white under black at 0.2.
    EXPECT_NEAR(qGray(shot.pixel(20, 20)), 204, 6);
    EXPECT_NEAR(qGray(shot.pixel(580, 380)), 204, 6);

    // The panel: the bounding box of the dark pixels, black at 0.6 over the overlay.
    QRect panel;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            if (qGray(shot.pixel(x, y)) < 120) {
                panel |= QRect(x, y, 1, 1);
            }
        }
    }
    ASSERT_FALSE(panel.isNull());
    EXPECT_NEAR(panel.width(), 100, 2);
    EXPECT_NEAR(panel.height(), 100, 2);
    EXPECT_NEAR(QRectF(panel).center().x(), 300, 1.5) << "centred horizontally";
    EXPECT_NEAR(QRectF(panel).center().y(), 200, 1.5) << "centred vertically";
    EXPECT_NEAR(qGray(shot.pixel(panel.left() + 10, panel.center().y())), 82, 8);

    // The white success image is drawn in the panel's upper part.
    int bright = 0;
    for (int y = panel.top() + 20; y < panel.top() + 55; ++y) {
        for (int x = panel.left() + 32; x < panel.left() + 68; ++x) {
            bright += qGray(shot.pixel(x, y)) > 200 ? 1 : 0;
        }
    }
    EXPECT_GT(bright, 50);

    qv::dismissHud(&window);
    ASSERT_TRUE(QTest::qWaitFor([&]() { return qGray(screenshot(window).pixel(300, 200)) > 240; }, 5000));
}

} // namespace
