#include "toolwindows/progress/QVLoadingWinCtl.h"

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
