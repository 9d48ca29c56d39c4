#include "foundation/QVTapImageView.h"

#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

namespace {

TEST(QVTapImageViewTest, ClickCallsTheTapHandler)
{
    QVTapImageView view;
    int taps = 0;
    view.setTapHandler([&]() { ++taps; });
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    EXPECT_EQ(taps, 1);
    EXPECT_FALSE(view.animates()) << "nothing to animate without a movie";
}

} // namespace
