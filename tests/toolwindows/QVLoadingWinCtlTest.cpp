#include "toolwindows/progress/QVLoadingWinCtl.h"
#include "toolwindows/progress/QVLoadingHooks.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

bool indeterminate(const QProgressBar* bar)
{
    return bar->minimum() == 0 && bar->maximum() == 0;
}

} // namespace

TEST(QVLoadingWinCtlTest, OpenWaitsWithoutCancel)
{
    QVLoadingWinCtl ctl;
    ctl.open();
    EXPECT_TRUE(ctl.window()->isVisible());
    EXPECT_TRUE(indeterminate(ctl.progressIndicator()));
    EXPECT_FALSE(ctl.cancelButton()->isVisible());
    // The English text, not the raw key "Please Wait Tip" that the table once lacked.
    EXPECT_EQ(ctl.tipLabel()->text(), QStringLiteral("Please wait…"));
    ctl.close();
    EXPECT_FALSE(ctl.window()->isVisible());
}

TEST(QVLoadingWinCtlTest, PercentShowsBarTextAndCancelAndKeepsTheLabelFromTips)
{
    QVLoadingWinCtl ctl;
    ctl.open();
    ctl.setTip(QStringLiteral("Reading"));
    EXPECT_EQ(ctl.tipLabel()->text(), QStringLiteral("Reading"));
    ctl.setPercent(0.256);
    EXPECT_TRUE(ctl.cancelButton()->isVisible());
    EXPECT_FALSE(indeterminate(ctl.progressIndicator()));
    EXPECT_EQ(ctl.progressIndicator()->value(), 256);
    EXPECT_EQ(ctl.tipLabel()->text(), QStringLiteral("25.6%"));
    ctl.setTip(QStringLiteral("Writing"));
    EXPECT_EQ(ctl.tip(), QStringLiteral("Writing"));
    EXPECT_EQ(ctl.tipLabel()->text(), QStringLiteral("25.6%"));

    // Zero and negative values keep the bar busy but still show Cancel and the number.
    ctl.setPercent(0);
    EXPECT_TRUE(indeterminate(ctl.progressIndicator()));
    EXPECT_EQ(ctl.tipLabel()->text(), QStringLiteral("0.0%"));
    ctl.setPercent(-0.5);
    EXPECT_TRUE(ctl.cancelButton()->isVisible());
    EXPECT_EQ(ctl.tipLabel()->text(), QStringLiteral("-50.0%"));
    ctl.setTip(QStringLiteral("shown again"));
    EXPECT_EQ(ctl.tipLabel()->text(), QStringLiteral("shown again"));
}

TEST(QVLoadingWinCtlTest, CancelRunsTheHandlerOnceAndCloses)
{
    QVLoadingWinCtl ctl;
    int cancelled = 0;
    ctl.setCancelHandler([&] { ++cancelled; });
    ctl.open();
    ctl.setPercent(0.5);
    QTest::mouseClick(ctl.cancelButton(), Qt::LeftButton);
    EXPECT_EQ(cancelled, 1);
    EXPECT_FALSE(ctl.window()->isVisible());
    EXPECT_FALSE(ctl.hasCancelHandler());
    ctl.open();
    ctl.setPercent(0.6);
    QTest::mouseClick(ctl.cancelButton(), Qt::LeftButton);
    EXPECT_EQ(cancelled, 1);
    EXPECT_FALSE(ctl.window()->isVisible());
}

TEST(QVLoadingWinCtlTest, SuccessShowsTheTickThenClosesAndCompletes)
{
    QVLoadingWinCtl ctl;
    bool completed = false;
    ctl.showSuccess(QStringLiteral("Done"), [&] { completed = true; });
    EXPECT_TRUE(ctl.window()->isVisible());
    EXPECT_TRUE(ctl.imageView()->isVisible());
    EXPECT_FALSE(ctl.progressIndicator()->isVisible());
    EXPECT_EQ(ctl.tipLabel()->text(), QStringLiteral("Done"));
    EXPECT_FALSE(completed);
    ASSERT_TRUE(QTest::qWaitFor([&] { return completed; }, 3000));
    EXPECT_FALSE(ctl.window()->isVisible());
    EXPECT_FALSE(ctl.imageView()->isVisible());

    // Without a block it closes as well; a window released meanwhile is no fault.
    auto* shortLived = new QVLoadingWinCtl;
    shortLived->showSuccess(QStringLiteral("Done"));
    QWidget* window = shortLived->window();
    EXPECT_TRUE(window->isVisible());
    delete shortLived;
    bool later = false;
    ctl.showSuccess(QStringLiteral("Again"), [&] { later = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return later; }, 3000));
}

// The reports of a compression as the engine hands them to the window: each entry being added
// with 0, then 1.0 at the end. The tip used to be set before the percentage, which then wrote
// "0.0%" over every entry's name.
TEST(QVLoadingWinCtlTest, CompressionReportsShowEachEntryThenThePercentage)
{
    QObject owner;
    QVLoadingWinCtl ctl;
    const QVProgressHooks hooks = loadingWindowHooks(
        &owner, [&](bool) { return &ctl; }, [] {});
    struct Step
    {
        double percent;
        QString tip;
        QString label;
    };
    const Step steps[] = {
        { 0, QStringLiteral("src/a.txt"), QStringLiteral("src/a.txt") },
        { 0, QStringLiteral("src/docs/b.txt"), QStringLiteral("src/docs/b.txt") },
        { 0.5, QStringLiteral("src/c.txt"), QStringLiteral("50.0%") },
        { 1.0, QString(), QStringLiteral("100.0%") },
    };
    hooks.open();
    for (const Step& step : steps) {
        hooks.setProgress(step.percent, step.tip);
        EXPECT_EQ(ctl.tipLabel()->text(), step.label) << step.percent << " " << step.tip.toStdString();
        EXPECT_TRUE(ctl.cancelButton()->isVisible());
    }
}
