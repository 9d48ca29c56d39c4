#include "platform/DesktopStyle.h"

#include "testsupport/TestNames.h"

#include <QApplication>
#include <QCheckBox>
#include <QRadioButton>
#include <QStyleFactory>
#include <QStyleOptionButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// The palette a dark GTK theme hands a Qt application here: window, base, text.
QPalette darkPalette()
{
    QPalette pal(QColor(0x32, 0x32, 0x32));
    pal.setColor(QPalette::Window, QColor(0x32, 0x32, 0x32));
    pal.setColor(QPalette::Base, QColor(0x24, 0x24, 0x24));
    pal.setColor(QPalette::WindowText, QColor(0xf0, 0xf0, 0xf0));
    pal.setColor(QPalette::Text, QColor(0xf0, 0xf0, 0xf0));
    pal.setColor(QPalette::ButtonText, QColor(0xf0, 0xf0, 0xf0));
    return pal;
}

// How far the drawn indicator's frame stands out from the window: the largest lightness
// difference along the middle row of the indicator, from its left edge to near its centre.
int indicatorContrast(QAbstractButton& button, QStyle::SubElement indicator)
{
    button.setPalette(darkPalette());
    button.resize(button.sizeHint());
    const QImage image = button.grab().toImage();
    QStyleOptionButton option;
    option.initFrom(&button);
    const QRect rect = button.style()->subElementRect(indicator, &option, &button);
    const int window = button.palette().color(QPalette::Window).lightness();
    int edgeMost = 0;
    const QPoint c = rect.center();
    for (int x = rect.left(); x < c.x() - 1; ++x) {
        edgeMost = qMax(edgeMost, qAbs(image.pixelColor(x, c.y()).lightness() - window));
    }
    return edgeMost;
}

struct IndicatorCase
{
    const char* name;
    std::function<std::unique_ptr<QAbstractButton>()> make;
    QStyle::SubElement indicator;
};

using DesktopStyleIndicators = testing::TestWithParam<IndicatorCase>;

// On a dark palette an unchecked box or radio button shows its frame: the desktop's style
// alone draws it a shade darker than the window, where it all but vanishes.
TEST_P(DesktopStyleIndicators, UncheckedIndicatorIsVisibleOnADarkPalette)
{
    const IndicatorCase& c = GetParam();
    platform::DesktopStyle::install();
    ASSERT_NE(qobject_cast<platform::DesktopStyle*>(QApplication::style()), nullptr);
    QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    ASSERT_NE(fusion, nullptr);
    platform::DesktopStyle style(fusion);
    const std::unique_ptr<QAbstractButton> button = c.make();
    button->setStyle(&style);
    // The desktop's Fusion alone stands out by about 15 here.
    EXPECT_GE(indicatorContrast(*button, c.indicator), 40);
    EXPECT_TRUE(platform::DesktopStyle::isDark(darkPalette()));
    EXPECT_FALSE(platform::DesktopStyle::isDark(QPalette(Qt::white)));
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, DesktopStyleIndicators,
    testing::Values(IndicatorCase { "CheckBox", [] { return std::make_unique<QCheckBox>(QStringLiteral("Off")); },
                                    QStyle::SE_CheckBoxIndicator },
                    IndicatorCase { "RadioButton", [] { return std::make_unique<QRadioButton>(QStringLiteral("Off")); },
                                    QStyle::SE_RadioButtonIndicator }),
    tarsel::test::caseName<IndicatorCase>);

} // namespace
