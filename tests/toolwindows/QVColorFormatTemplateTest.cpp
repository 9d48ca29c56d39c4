#include "toolwindows/colorinfo/QVColorFormatTemplate.h"

#include "engine/model/QVMenuManager.h"
#include "platform/Defaults.h"
#include "testsupport/TestNames.h"

#include <gtest/gtest.h>

#include <limits>

using Template = QVColorFormatTemplate;

namespace {

struct ComponentCase
{
    const char* name;
    QColor color;
    int red;
    int green;
    int blue;
};

using QVColorFormatComponentsTest = testing::TestWithParam<ComponentCase>;

QColor extended(float r, float g, float b)
{
    QColor c = QColor::fromRgbF(0, 0, 0).toExtendedRgb();
    c.setRedF(r);
    c.setGreenF(g);
    c.setBlueF(b);
    return c;
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

} // namespace

TEST_P(QVColorFormatComponentsTest, ComponentsAreSrgbClampedAndTruncated)
{
    const ComponentCase& c = GetParam();
    const Template::Components got = Template::components(c.color);
    EXPECT_EQ(got.red, c.red);
    EXPECT_EQ(got.green, c.green);
    EXPECT_EQ(got.blue, c.blue);
}

INSTANTIATE_TEST_SUITE_P(
    Colours, QVColorFormatComponentsTest,
    testing::Values(ComponentCase { "half_truncates_to_127", QColor::fromRgbF(1.0f, 0.5f, 0.0f), 255, 127, 0 },
                    ComponentCase { "pixel_values_exact", QColor(200, 1, 254), 200, 1, 254 },
                    ComponentCase { "cmyk_converted", QColor::fromCmykF(0.0f, 1.0f, 1.0f, 0.0f), 255, 0, 0 },
                    ComponentCase { "hsv_converted", QColor::fromHsv(120, 255, 255), 0, 255, 0 },
                    ComponentCase { "grey_from_hsl", QColor::fromHsl(0, 0, 128), 128, 128, 128 },
                    ComponentCase { "wide_gamut_clamped", extended(1.7f, -0.4f, 0.5f), 255, 0, 127 },
                    ComponentCase { "not_a_number_is_zero", extended(kNaN, 1.0f, kNaN), 0, 255, 0 },
                    ComponentCase { "invalid_is_black", QColor(), 0, 0, 0 }),
    tarsel::test::caseName<ComponentCase>);

TEST(QVColorFormatTemplateTest, EveryEightBitValueComesBackExactly)
{
    for (int v = 0; v < 256; ++v) {
        const Template::Components got = Template::components(QColor(v, 255 - v, v / 2));
        ASSERT_EQ(got.red, v);
        ASSERT_EQ(got.green, 255 - v);
        ASSERT_EQ(got.blue, v / 2);
    }
}

TEST(QVColorFormatTemplateTest, TextsOfTheSystemsExample)
{
    const Template::Components c = Template::components(QColor::fromRgbF(1.0f, 0.5f, 0.0f));
    EXPECT_EQ(Template::hexText(c, false), QStringLiteral("FF7F00"));
    EXPECT_EQ(Template::hexText(c, true), QStringLiteral("#FF7F00"));
    EXPECT_EQ(Template::hexText({ 10, 11, 12 }, false), QStringLiteral("0A0B0C"));
    EXPECT_EQ(Template::rgbText(c), QStringLiteral("255,127,0"));
    EXPECT_EQ(Template::expand(Template::kDefaultFormat1, c, QStringLiteral("FF7F00")),
              QStringLiteral("UIColor(red: 255/255.0, green: 127/255.0, blue: 0/255.0, alpha: 1.0)"));
    EXPECT_EQ(Template::expand(Template::kDefaultFormat2, c, QStringLiteral("FF7F00")),
              QStringLiteral("Color.rgb(255, 127, 0)"));
    EXPECT_EQ(Template::expand(QStringLiteral("$H $H/$R"), c, QStringLiteral("#FF7F00")),
              QStringLiteral("#FF7F00 #FF7F00/255"));
    EXPECT_EQ(Template::expand(QStringLiteral("no placeholders"), c, QStringLiteral("FF7F00")),
              QStringLiteral("no placeholders"));
}

TEST(QVColorFormatTemplateTest, StoredTemplatesFallBackToTheirDefaultsWhenNotValid)
{
    platform::Defaults& shared = QVMenuManager::sharedDefaults();
    shared.remove(Template::kFormat1Key);
    shared.remove(Template::kFormat2Key);
    EXPECT_EQ(Template::storedTemplate(1), Template::kDefaultFormat1);
    EXPECT_EQ(Template::storedTemplate(2), Template::kDefaultFormat2);

    ASSERT_TRUE(Template::setStoredTemplate(1, QStringLiteral("rgb($R $G $B)")));
    ASSERT_TRUE(Template::setStoredTemplate(7, QStringLiteral("any other index is the second")));
    EXPECT_EQ(shared.stringValue(QStringLiteral("color picker format1")), QStringLiteral("rgb($R $G $B)"));
    EXPECT_EQ(Template::storedTemplate(2), QStringLiteral("any other index is the second"));

    ASSERT_TRUE(Template::setStoredTemplate(1, QString()));
    ASSERT_TRUE(Template::setStoredTemplate(2, QStringLiteral("  \n")));
    EXPECT_EQ(Template::storedTemplate(1), Template::kDefaultFormat1);
    EXPECT_EQ(Template::storedTemplate(2), Template::kDefaultFormat2);
}
