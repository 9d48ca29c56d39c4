#include "foundation/QVColorView.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include <gtest/gtest.h>

namespace {

TEST(QVColorViewTest, FillsWithRoundedCornersAndReportsItsColourOnClick)
{
    QVColorView view;
    view.resize(40, 40);
    view.setColor(QColor(10, 200, 30));
    const QImage image = view.grab().toImage();
    EXPECT_EQ(QColor(image.pixel(20, 20)), QColor(10, 200, 30));
    EXPECT_NE(QColor(image.pixel(0, 0)), QColor(10, 200, 30)) << "the corner lies outside the radius";

    QColor clicked;
    view.setClickHandler([&](const QColor& color) { clicked = color; });
    view.setColor(Qt::blue);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    EXPECT_EQ(clicked, QColor(Qt::blue));
}

} // namespace
