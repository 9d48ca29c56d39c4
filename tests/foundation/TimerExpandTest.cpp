#include "foundation/TimerExpand.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

TEST(TimerExpandTest, OneShotTimerFiresOnceAndGoesAway)
{
    int fired = 0;
    QTimer* seen = nullptr;
    const QPointer<QTimer> timer = qv::scheduled(
        0.01,
        [&](QTimer* t) {
            ++fired;
            seen = t;
        },
        false);
    ASSERT_TRUE(timer);
    ASSERT_TRUE(QTest::qWaitFor([&] { return timer.isNull(); }));
    EXPECT_EQ(fired, 1);
    EXPECT_NE(seen, nullptr);
}

TEST(TimerExpandTest, RepeatingTimerRunsUntilCancelledFromItsBlock)
{
    int fired = 0;
    const QPointer<QTimer> timer = qv::scheduled(
        0.005,
        [&](QTimer* t) {
            if (++fired == 3) {
                qv::cancelTimer(t);
            }
        },
        true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return timer.isNull(); }));
    EXPECT_EQ(fired, 3);
    qv::cancelTimer(timer); // already gone: nothing happens
    qv::cancelTimer(QPointer<QTimer>());
}

TEST(TimerExpandTest, DispatchTimerRunsOffTheMainThreadNeverOverlappingAndStopsWhenCancelled)
{
    struct State
    {
        std::atomic<int> runs { 0 };
        std::atomic<int> active { 0 };
        std::atomic<int> overlaps { 0 };
        std::atomic<int> startsAfterCancel { 0 };
        std::atomic<bool> cancelled { false };
        std::atomic<bool> onMain { false };
    };
    auto state = std::make_shared<State>();
    auto timer = qv::gcdScheduled(0.001, [state] {
        if (state->cancelled) {
            ++state->startsAfterCancel;
        }
        if (++state->active != 1) {
            ++state->overlaps;
        }
        if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
            state->onMain = true;
        }
        // Slower than the interval: ticks during a run must fold, not overlap.
        QThread::usleep(3000);
        --state->active;
        ++state->runs;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return state->runs >= 5; }));
    qv::cancelGCDTimer(timer);
    state->cancelled = true;
    // A run that began before the cancel may finish; none may start after it.
    EXPECT_FALSE(QTest::qWaitFor([&] { return state->startsAfterCancel > 0; }, 50));
    EXPECT_EQ(state->overlaps.load(), 0);
    EXPECT_FALSE(state->onMain.load());
    qv::cancelGCDTimer(nullptr);
}

TEST(TimerExpandTest, DroppingTheLastHandleStopsTheDispatchTimer)
{
    auto runs = std::make_shared<std::atomic<int>>(0);
    std::weak_ptr<std::atomic<int>> alive = runs;
    auto timer = qv::gcdScheduled(0.001, [runs] { ++*runs; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return *runs >= 2; }));
    const std::weak_ptr<qv::GCDTimer> source = timer;
    timer.reset();
    runs.reset();
    // The source (and with it the handler) goes away once a run under way has ended: nothing
    // keeps ticking behind a dropped handle.
    EXPECT_TRUE(QTest::qWaitFor([&] { return source.expired() && alive.expired(); }));
}
