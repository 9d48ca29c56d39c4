#include "foundation/NotificationCenter.h"
#include "foundation/ObjectGCD.h"

#include <QGuiApplication>
#include <QPointer>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using qv::Notification;

class Recorder : public QObject
{
    Q_OBJECT
public:
    QStringList calls; ///< handler:name for every delivery
    std::function<void(const Notification&)> onSignal;

    Q_INVOKABLE void handleSignal(const Notification& n) { record("handleSignal", n); }
    Q_INVOKABLE void handleSignal_y_z(const qv::Notification& n) { record("handleSignal_y_z", n); }
    Q_INVOKABLE void handleSignal_a_b(const Notification& n) { record("handleSignal_a_b", n); }

private:
    void record(const char* handler, const Notification& n)
    {
        calls << QString::fromLatin1(handler) + QLatin1Char(':') + n.name;
        if (onSignal) {
            onSignal(n);
        }
    }
};

// An observer without any handler: delivery must skip it, not crash.
class Mute : public QObject
{
    Q_OBJECT
};

// Posted to from several threads, so it deregisters before its members go away.
class Counter : public QObject
{
    Q_OBJECT
public:
    ~Counter() override { qv::removeAllNotification(this); }
    std::atomic<int> count { 0 };
    Q_INVOKABLE void handleSignal(const qv::Notification&) { ++count; }
};

TEST(NotificationCenterTest, SignalSelectorRule)
{
    EXPECT_EQ(qv::selWithName(QStringLiteral("config change noti")), "handleSignal");
    EXPECT_EQ(qv::selWithName(qv::kRefreshSignal), "handleSignal");
    EXPECT_EQ(qv::selWithName(QStringLiteral("a.b")), "handleSignal_a_b");
    EXPECT_EQ(qv::selWithName(QStringLiteral("x.y.z")), "handleSignal_y_z");
    // Two three-part names that end alike reach the same handler.
    EXPECT_EQ(qv::selWithName(QStringLiteral("other.y.z")), qv::selWithName(QStringLiteral("x.y.z")));
    EXPECT_EQ(qv::selWithName(QStringLiteral("a.b.c.d")), "handleSignal");
    EXPECT_EQ(qv::selWithName(QString()), "handleSignal");
}

TEST(NotificationCenterTest, DeliversByNameWithObjectAndUserInfo)
{
    Recorder r;
    Notification got;
    r.onSignal = [&](const Notification& n) { got = n; };
    qv::addNotification(&r, QStringLiteral("x.y.z"));
    qv::addNotification(&r, QStringLiteral("a.b"));
    qv::addNotification(&r, qv::kConfigChangeNotification);

    qv::postNotification(QStringLiteral("x.y.z"), QStringLiteral("sender"), { { QStringLiteral("k"), 7 } });
    EXPECT_EQ(got.object.toString(), QStringLiteral("sender"));
    EXPECT_EQ(got.userInfo.value(QStringLiteral("k")).toInt(), 7);
    qv::postNotification(QStringLiteral("a.b"));
    qv::postNotification(qv::kConfigChangeNotification);
    qv::postNotification(QStringLiteral("not observed"));
    EXPECT_EQ(r.calls,
              (QStringList { QStringLiteral("handleSignal_y_z:x.y.z"), QStringLiteral("handleSignal_a_b:a.b"),
                             QStringLiteral("handleSignal:config change noti") }));
}

TEST(NotificationCenterTest, AddingTwiceDeliversOnceAndRemovalStops)
{
    Recorder r;
    qv::addNotification(&r, QStringLiteral("n1"));
    qv::addNotification(&r, QStringLiteral("n1"));
    qv::addNotification(&r, QStringLiteral("n2"));
    qv::postNotification(QStringLiteral("n1"));
    EXPECT_EQ(r.calls.size(), 1);

    qv::removeNotification(&r, QStringLiteral("n1"));
    qv::postNotification(QStringLiteral("n1"));
    qv::postNotification(QStringLiteral("n2"));
    EXPECT_EQ(r.calls, (QStringList { QStringLiteral("handleSignal:n1"), QStringLiteral("handleSignal:n2") }));

    qv::removeAllNotification(&r);
    qv::postNotification(QStringLiteral("n2"));
    EXPECT_EQ(r.calls.size(), 2);
    EXPECT_EQ(qv::NotificationCenter::defaultCenter().registrationCount(&r), 0);
}

TEST(NotificationCenterTest, DestroyedObserverIsNeverCalled)
{
    Recorder survivor;
    int doomedCalls = 0;
    auto* doomed = new Recorder;
    doomed->onSignal = [&](const Notification&) { ++doomedCalls; };
    qv::addNotification(doomed, QStringLiteral("late"));
    qv::addNotification(&survivor, QStringLiteral("late"));
    qv::postNotification(QStringLiteral("late"));
    delete doomed;
    qv::postNotification(QStringLiteral("late")); // would call freed memory if still registered
    EXPECT_EQ(doomedCalls, 1);
    EXPECT_EQ(survivor.calls.size(), 2);
}

TEST(NotificationCenterTest, HandlersMayChangeTheRegistryWhileDelivering)
{
    Recorder first;
    auto second = std::make_unique<Recorder>();
    Recorder added;
    // The first handler deletes the second observer and registers a third one: the deleted one
    // is not called; the new one only from the next post on (delivery runs over a snapshot).
    first.onSignal = [&](const Notification&) {
        second.reset();
        qv::addNotification(&added, QStringLiteral("edit"));
    };
    qv::addNotification(&first, QStringLiteral("edit"));
    qv::addNotification(second.get(), QStringLiteral("edit"));
    qv::postNotification(QStringLiteral("edit"));
    EXPECT_EQ(first.calls.size(), 1);
    EXPECT_TRUE(added.calls.isEmpty());
    first.onSignal = nullptr;
    qv::postNotification(QStringLiteral("edit"));
    EXPECT_EQ(added.calls.size(), 1);
    qv::removeAllNotification(&first);
    qv::removeAllNotification(&added);
}

TEST(NotificationCenterTest, ObserverWithoutHandlerIsSkipped)
{
    Mute mute;
    Recorder r;
    qv::addNotification(&mute, QStringLiteral("x.y.z"));
    qv::addNotification(&r, QStringLiteral("x.y.z"));
    qv::postNotification(QStringLiteral("x.y.z"));
    EXPECT_EQ(r.calls.size(), 1);
}

TEST(NotificationCenterTest, ConcurrentAddPostAndRemoveFromThreads)
{
    constexpr int kThreads = 6;
    constexpr int kRounds = 300;
    std::atomic<int> wrongCounts { 0 };
    Counter shared;
    qv::addNotification(&shared, QStringLiteral("everyone"));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &wrongCounts] {
            const QString mine = QStringLiteral("thread %1").arg(t);
            for (int i = 0; i < kRounds; ++i) {
                Counter c;
                qv::addNotification(&c, mine);
                qv::addNotification(&c, QStringLiteral("everyone"));
                qv::postNotification(mine);
                qv::postNotification(QStringLiteral("everyone"));
                if (c.count < 2) {
                    ++wrongCounts; // its own post must have reached it, synchronously
                }
                if (i % 2 == 0) {
                    qv::removeAllNotification(&c);
                } // else: removed by its destructor
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    EXPECT_EQ(wrongCounts.load(), 0);
    EXPECT_EQ(shared.count.load(), kThreads * kRounds);
    qv::removeAllNotification(&shared);
}

TEST(NotificationCenterTest, RemovalWaitsForAHandlerRunningOnAnotherThread)
{
    Recorder r;
    std::atomic<bool> entered { false };
    std::atomic<bool> release { false };
    std::atomic<bool> removed { false };
    std::atomic<bool> removedWhileRunning { false };
    r.onSignal = [&](const Notification&) {
        entered = true;
        while (!release) {
            std::this_thread::yield();
        }
        removedWhileRunning = removed.load();
    };
    qv::addNotification(&r, QStringLiteral("slow"));
    std::thread poster([] { qv::postNotification(QStringLiteral("slow")); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return entered.load(); }));
    std::thread remover([&] {
        qv::removeAllNotification(&r);
        removed = true;
    });
    // Give a broken removal the chance to return early; a correct one cannot.
    EXPECT_FALSE(QTest::qWaitFor([&] { return removed.load(); }, 100));
    release = true;
    poster.join();
    remover.join();
    EXPECT_FALSE(removedWhileRunning.load());
    EXPECT_TRUE(removed.load());
}

TEST(NotificationCenterTest, RefreshSignalFollowsTheActiveWindow)
{
    qv::installRefreshSignal();
    qv::installRefreshSignal(); // a second install must not double the posts
    Recorder r;
    qv::addNotification(&r, qv::kRefreshSignal);
    QWindow window;
    window.show();
    window.requestActivate();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !r.calls.isEmpty(); }));
    EXPECT_EQ(r.calls, QStringList { QStringLiteral("handleSignal:NSWindowDidBecomeKeyNotification") });
}

} // namespace

#include "NotificationCenterTest.moc"
