#include "foundation/HudState.h"

#include <gtest/gtest.h>

#include <string>

using qv::HudState;

namespace {

struct DurationCase
{
    int length;
    double seconds;
};

using HudDurationTest = testing::TestWithParam<DurationCase>;

TEST_P(HudDurationTest, GrowsWithLengthBetweenBounds)
{
    const DurationCase c = GetParam();
    EXPECT_DOUBLE_EQ(HudState::duration(QString(c.length, QLatin1Char('x'))), c.seconds) << c.length;
}

INSTANTIATE_TEST_SUITE_P(Lengths, HudDurationTest,
                         testing::Values(DurationCase { 0, 1.5 }, DurationCase { 10, 1.5 }, DurationCase { 15, 1.5 },
                                         DurationCase { 16, 1.6 }, DurationCase { 25, 2.5 }, DurationCase { 34, 3.4 },
                                         DurationCase { 35, 3.5 }, DurationCase { 500, 3.5 }),
                         [](const testing::TestParamInfo<DurationCase>& info) {
                             return "Length" + std::to_string(info.param.length);
                         });

TEST(HudStateTest, DurationCountsUtf16Units)
{
    // 20 characters outside the basic plane are 40 UTF-16 units: the longest stay.
    QString emoji;
    for (int i = 0; i < 20; ++i) {
        emoji += QString::fromUcs4(U"\U0001F600");
    }
    EXPECT_DOUBLE_EQ(HudState::duration(emoji), 3.5);
}

TEST(HudStateTest, PanelWidthsAreClamped)
{
    EXPECT_EQ(HudState::loadingPanelWidth(0), 100);
    EXPECT_EQ(HudState::loadingPanelWidth(150), 150);
    EXPECT_EQ(HudState::loadingPanelWidth(301), 300);
    // A text panel adds the label's margins before clamping.
    EXPECT_EQ(HudState::textPanelWidth(0), 100);
    EXPECT_EQ(HudState::textPanelWidth(80), 100);
    EXPECT_EQ(HudState::textPanelWidth(81), 101);
    EXPECT_EQ(HudState::textPanelWidth(280), 300);
    EXPECT_EQ(HudState::textPanelWidth(1000), 300);
}

TEST(HudStateTest, ImagesByType)
{
    EXPECT_EQ(HudState::imageName(HudState::Type::Success), QStringLiteral("hud_success"));
    EXPECT_EQ(HudState::imageName(HudState::Type::Info), QStringLiteral("hud_info"));
    EXPECT_EQ(HudState::imageName(HudState::Type::Error), QStringLiteral("hud_error"));
    EXPECT_EQ(HudState::imageName(HudState::Type::Text), QStringLiteral("hud_info"));
    EXPECT_EQ(HudState::typeFromCode(2), HudState::Type::Error);
    EXPECT_EQ(HudState::typeFromCode(-1), HudState::Type::Text);
    EXPECT_EQ(HudState::typeFromCode(9), HudState::Type::Text);
}

TEST(HudStateTest, LoadingThenTextThenDismissed)
{
    HudState state;
    EXPECT_EQ(state.panel(), HudState::Panel::None);
    EXPECT_EQ(state.timer(), HudState::Timer::None);

    const HudState::Schedule loading = state.requestLoading(0.25);
    EXPECT_EQ(loading.timer, HudState::Timer::ShowLoading);
    EXPECT_EQ(loading.milliseconds, 250);
    EXPECT_EQ(state.panel(), HudState::Panel::None) << "nothing is shown before the delay";

    state.loadingShown();
    EXPECT_EQ(state.panel(), HudState::Panel::Loading);
    EXPECT_EQ(state.timer(), HudState::Timer::None) << "a loading panel stays until replaced";

    const HudState::Schedule text = state.textShown(QStringLiteral("Twenty-five characters!!!"));
    EXPECT_EQ(state.panel(), HudState::Panel::Text);
    EXPECT_EQ(text.timer, HudState::Timer::Dismiss);
    EXPECT_EQ(text.milliseconds, 2500);

    state.dismissed();
    EXPECT_EQ(state.panel(), HudState::Panel::None);
    EXPECT_EQ(state.timer(), HudState::Timer::None);
}

TEST(HudStateTest, LoadingRequestReplacesDismissTimerOfText)
{
    HudState state;
    state.textShown(QStringLiteral("Done"));
    const HudState::Schedule next = state.requestLoading(0);
    EXPECT_EQ(next.timer, HudState::Timer::ShowLoading);
    EXPECT_EQ(next.milliseconds, 0);
    EXPECT_EQ(state.timer(), HudState::Timer::ShowLoading) << "the text no longer goes away by itself";
    EXPECT_EQ(state.panel(), HudState::Panel::Text) << "the text stays until the loading panel replaces it";
}

TEST(HudStateTest, NegativeDelayShowsOnNextTurn)
{
    HudState state;
    EXPECT_EQ(state.requestLoading(-3).milliseconds, 0);
}

} // namespace
