#include "foundation/QVTextView.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

TEST(QVTextViewTest, PlaceholderWhileTextIsBlank)
{
    QVTextView view;
    EXPECT_FALSE(view.showsPlaceholder()) << "no placeholder set";
    view.setPlaceholder(QStringLiteral("Enter the script"));
    EXPECT_TRUE(view.showsPlaceholder());
    view.setPlainText(QStringLiteral("  \n "));
    EXPECT_TRUE(view.showsPlaceholder()) << "blank text is not valid text";
    view.setPlainText(QStringLiteral("echo hi"));
    EXPECT_FALSE(view.showsPlaceholder());
    view.setPlainText(QString());
    view.setPlaceholder(QStringLiteral("   "));
    EXPECT_FALSE(view.showsPlaceholder()) << "a blank placeholder is not drawn";
}

TEST(QVTextViewTest, PlaceholderIsDrawnNearTheTextStart)
{
    QVTextView view;
    view.resize(240, 120);
    view.setPlaceholder(QStringLiteral("MMMMMMMM"));
    view.show();
    const QImage with = view.grab().toImage();
    view.setPlaceholder(QString());
    const QImage without = view.grab().toImage();
    // The placeholder's ink starts at (10, 8): nothing above or left of it differs.
    QRect ink;
    for (int y = 0; y < with.height(); ++y) {
        for (int x = 0; x < with.width(); ++x) {
            if (with.pixel(x, y) != without.pixel(x, y)) {
                ink |= QRect(x, y, 1, 1);
            }
        }
    }
    ASSERT_FALSE(ink.isNull());
    EXPECT_GE(ink.left(), 10);
    EXPECT_GE(ink.top(), 8);
    EXPECT_LT(ink.left(), 16) << "drawn where the text starts, not further in";
}

} // namespace
