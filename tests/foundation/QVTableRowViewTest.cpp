#include "foundation/QVTableRowView.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Record
{
    bool sep = true;
    bool haveSepLine() const { return sep; }
};

// Paints the row into an image and answers whether its bottom line carries the separator.
bool bottomLinePainted(QVTableRowView& row, int height)
{
    row.resize(120, height);
    QImage image(row.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    row.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return qAlpha(image.pixel(60, height - 1)) != 0 && qAlpha(image.pixel(60, height - 2)) == 0;
}

TEST(QVTableRowViewTest, SeparatorOnlyOnRowsOfThirtyOrMore)
{
    auto record = std::make_shared<Record>();
    QVTableRowView row(record);
    EXPECT_FALSE(bottomLinePainted(row, 29));
    EXPECT_TRUE(bottomLinePainted(row, 30));
    EXPECT_TRUE(bottomLinePainted(row, 44));
}

TEST(QVTableRowViewTest, NoSeparatorWithoutTheFlagOrTheItem)
{
    auto record = std::make_shared<Record>();
    record->sep = false;
    QVTableRowView row(record);
    EXPECT_FALSE(row.drawsSeparator(40));
    record->sep = true;
    EXPECT_TRUE(row.drawsSeparator(40)) << "the flag is read when drawing";
    record.reset();
    EXPECT_FALSE(row.drawsSeparator(40)) << "the row holds its item weakly";
}

} // namespace
