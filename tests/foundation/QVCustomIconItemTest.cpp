#include "foundation/QVCustomIconItem.h"

#include "foundation/QVCustomIconView.h"

#include <QImage>
#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// The view's own drawing, without the window background that a grab adds.
QColor centrePixel(QWidget* view)
{
    QImage image(view->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    view->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return QColor::fromRgba(image.pixel(view->width() / 2, view->height() / 2));
}

TEST(QVCustomIconItemTest, SelectionFillsTheViewAndImageScalesFreely)
{
    QWidget grid;
    QVCustomIconItem item(&grid);
    ASSERT_NE(item.view(), nullptr);
    EXPECT_EQ(item.view()->parentWidget(), &grid);
    EXPECT_TRUE(item.iconImageView()->hasScaledContents());

    item.view()->resize(40, 40);
    QPalette palette = item.view()->palette();
    palette.setColor(QPalette::Window, QColor(1, 2, 3));
    item.view()->setPalette(palette);
    item.iconImageView()->hide();
    EXPECT_NE(centrePixel(item.view()), QColor(1, 2, 3));
    item.setSelected(true);
    EXPECT_TRUE(item.isSelected());
    EXPECT_EQ(centrePixel(item.view()), QColor(1, 2, 3));
}

} // namespace
