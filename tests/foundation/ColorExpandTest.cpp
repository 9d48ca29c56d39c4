#include "foundation/ColorExpand.h"

#include <gtest/gtest.h>

TEST(ColorExpandTest, HexTextByLength)
{
    EXPECT_EQ(qv::colorWithHexString(QStringLiteral("#FFF")).rgba(), QColor(Qt::white).rgba());
    EXPECT_EQ(qv::colorWithHexString(QStringLiteral("##fff")).rgba(), QColor(Qt::white).rgba());
    const QColor red = qv::colorWithHexString(QStringLiteral("80FF0000"));
    EXPECT_EQ(red.red(), 255);
    EXPECT_EQ(red.green(), 0);
    EXPECT_EQ(red.alpha(), 128);
    const QColor argb = qv::colorWithHexString(QStringLiteral("8F0A"));
    EXPECT_EQ(argb.alpha(), 0x88);
    EXPECT_EQ(argb.red(), 0xFF);
    EXPECT_EQ(argb.blue(), 0xAA);
    EXPECT_EQ(qv::colorWithHexString(QStringLiteral("12ab56")).rgb(), QColor(0x12, 0xAB, 0x56).rgb());
    EXPECT_EQ(qv::colorWithHexString(QStringLiteral("12ab56")).alpha(), 255);
    EXPECT_FALSE(qv::colorWithHexString(QStringLiteral("#12345")).isValid());
    EXPECT_FALSE(qv::colorWithHexString(QStringLiteral("#")).isValid());
    EXPECT_FALSE(qv::colorWithHexString(QString()).isValid());
}

TEST(ColorExpandTest, ComponentsReadOneOrTwoDigits)
{
    EXPECT_DOUBLE_EQ(qv::colorComponentFrom(QStringLiteral("A0"), 0, 1), 170 / 255.0);
    EXPECT_DOUBLE_EQ(qv::colorComponentFrom(QStringLiteral("A0"), 0, 2), 160 / 255.0);
    EXPECT_DOUBLE_EQ(qv::colorComponentFrom(QStringLiteral("ZZ"), 0, 2), 0.0);
    EXPECT_DOUBLE_EQ(qv::colorComponentFrom(QStringLiteral("A"), 1, 2), 0.0); // out of range
}

TEST(ColorExpandTest, HexStringTruncatesAndRoundTrips)
{
    EXPECT_EQ(qv::hexString(QColor::fromRgbF(0.999f, 0.0f, 1.0f)), QStringLiteral("#FE00FF"));
    EXPECT_EQ(qv::hexString(QColor::fromHsv(0, 255, 255)), QStringLiteral("#FF0000"));
    EXPECT_TRUE(qv::hexString(QColor()).isNull());
    for (int v = 0; v < 256; ++v) {
        const QString hex = QString::asprintf("#%02X%02X%02X", v, 255 - v, v / 2);
        ASSERT_EQ(qv::hexString(qv::colorWithHexString(hex)), hex);
    }
}
