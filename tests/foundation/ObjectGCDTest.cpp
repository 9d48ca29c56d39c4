#include "foundation/ObjectGCD.h"

#include "testsupport/TestEnvironment.h"
#include "platform/System.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

// The names of this process's threads (Linux truncates them to 15 bytes).
QStringList threadNames()
{
    QStringList names;
    const QStringList tasks = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& task : tasks) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        if (comm.open(QIODevice::ReadOnly)) {
            names << QString::fromUtf8(comm.readAll()).trimmed();
        }
    }
    return names;
}

QString kernelThreadName(const QString& name)
{
    return QString::fromUtf8(name.toUtf8().left(15));
}

} // namespace

// First uses race on eight threads: exactly one worker thread comes to be.
TARSEL_TEST_CHILD(backQueueRace)
{
    constexpr int kThreads = 8;
    std::barrier start(kThreads);
    std::vector<QObject*> seen(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            seen[i] = qv::backQueue();
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    for (QObject* q : seen) {
        if (q != seen.front()) {
            return 2;
        }
    }
    // The new thread names itself once it runs, which may be a moment after backQueue() returns.
    const QString name = kernelThreadName(platform::System::bundleIdentifier());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (threadNames().count(name) == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return threadNames().count(name) == 1 ? 0 : 3;
}

// The process ends normally while a background job hangs and others wait behind it.
TARSEL_TEST_CHILD(exitWithBusyBackground)
{
    auto* never = new QSemaphore; // leaked: the hung job still waits on it while the process ends
    std::atomic<bool> started { false };
    qv::enterBackground([&started, never] {
        started = true;
        never->acquire();
    });
    qv::enterBackground([] {});
    qv::enterBackgroundWithDelay(1, [] {});
    while (!started) {
        std::this_thread::yield();
    }
    return 0;
}

TEST(ObjectGCDTest, BackgroundQueueIsCreatedOnceUnderRacesAndNamedAfterTheBundle)
{
    const auto r = tarsel::test::runChild(QStringLiteral("backQueueRace"));
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(qv::backQueue()->thread()->objectName(), platform::System::bundleIdentifier());
}

TEST(ObjectGCDTest, ProcessExitsWhileABackgroundJobHangs)
{
    const auto r = tarsel::test::runChild(QStringLiteral("exitWithBusyBackground"), {}, 30000);
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
}

TEST(ObjectGCDTest, BackgroundJobsRunSeriallyInOrderOnOneThread)
{
    constexpr int kJobs = 200;
    std::mutex mutex;
    std::vector<int> order;
    std::vector<QThread*> threads;
    std::atomic<int> active { 0 };
    std::atomic<int> overlaps { 0 };
    // Posted from several threads: each poster's jobs keep their order.
    std::vector<std::thread> posters;
    for (int p = 0; p < 2; ++p) {
        posters.emplace_back([&, p] {
            for (int i = 0; i < kJobs; ++i) {
                qv::enterBackground([&, p, i] {
                    if (++active != 1) {
                        ++overlaps;
                    }
                    std::this_thread::yield();
                    {
                        std::lock_guard lock(mutex);
                        order.push_back(p * kJobs + i);
                        threads.push_back(QThread::currentThread());
                    }
                    --active;
                });
            }
        });
    }
    for (auto& t : posters) {
        t.join();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] {
        std::lock_guard lock(mutex);
        return order.size() == 2 * kJobs;
    }));
    EXPECT_EQ(overlaps.load(), 0);
    int last[2] = { -1, -1 };
    for (int v : order) {
        const int poster = v / kJobs;
        EXPECT_GT(v % kJobs, last[poster]);
        last[poster] = v % kJobs;
    }
    for (QThread* t : threads) {
        EXPECT_EQ(t, qv::backQueue()->thread());
    }
    EXPECT_NE(threads.front(), QThread::currentThread());
}

TEST(ObjectGCDTest, ForegroundRunsLaterEvenWithoutDelay)
{
    std::vector<int> ran;
    qv::enterForeground([&] { ran.push_back(1); });
    qv::enterForegroundWithDelay(0, [&] { ran.push_back(2); });
    qv::enterForegroundWithDelay(0ms, [&] { ran.push_back(3); });
    EXPECT_TRUE(ran.empty()); // never inside the call
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran.size() == 3; }));
    EXPECT_EQ(ran, (std::vector<int> { 1, 2, 3 }));
}

TEST(ObjectGCDTest, DelayedJobsRunOnTheirQueueAfterEarlierOnes)
{
    std::vector<QString> ran;
    QThread* backThread = nullptr;
    std::atomic<bool> backDone { false };
    // A one-second job posted first still runs after an undelayed one posted later.
    qv::enterForegroundWithDelay(1, [&] { ran.push_back(QStringLiteral("1s")); });
    qv::enterForegroundWithDelay(20ms, [&] { ran.push_back(QStringLiteral("20ms")); });
    qv::enterForeground([&] { ran.push_back(QStringLiteral("now")); });
    // Posted from a thread with no event loop of its own.
    std::thread([&] {
        qv::enterBackgroundWithDelay(10ms, [&] {
            backThread = QThread::currentThread();
            backDone = true;
        });
        qv::enterForegroundWithDelay(10ms, [&] { ran.push_back(QStringLiteral("from thread")); });
    }).join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran.size() == 4 && backDone; }, 10000));
    EXPECT_EQ(ran.front(), QStringLiteral("now"));
    EXPECT_EQ(ran.back(), QStringLiteral("1s"));
    EXPECT_EQ(backThread, qv::backQueue()->thread());
}

TEST(ObjectGCDTest, SyncForegroundRunsInlineOnMainAndWaitsFromBackground)
{
    bool inline_ = false;
    qv::syncForeground([&] { inline_ = true; });
    EXPECT_TRUE(inline_);

    std::atomic<bool> done { false };
    std::atomic<bool> sawResult { false };
    QThread* ranOn = nullptr;
    qv::enterBackground([&] {
        int value = 0;
        qv::syncForeground([&] {
            ranOn = QThread::currentThread();
            value = 42;
        });
        sawResult = value == 42; // the hop has finished before syncForeground returns
        done = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.load(); }));
    EXPECT_TRUE(sawResult.load());
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());
    EXPECT_TRUE(qv::isForeground());
}

TEST(ObjectGCDTest, NumberAndStringConversions)
{
    EXPECT_EQ(qv::asNSNumber(QVariant(5)).toInt(), 5);
    EXPECT_EQ(qv::asNSNumber(QVariant(true)).toBool(), true);
    EXPECT_EQ(qv::asNSNumber(QStringLiteral("  -42abc")).toLongLong(), -42);
    EXPECT_EQ(qv::asNSNumber(QStringLiteral("x1")).toLongLong(), 0);
    EXPECT_EQ(qv::asNSNumber(QStringLiteral("99999999999999999999999")).toLongLong(),
              std::numeric_limits<qint64>::max());
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(1500, Qt::UTC);
    EXPECT_DOUBLE_EQ(qv::asNSNumber(t).toDouble(), 1.5);
    EXPECT_EQ(qv::asNSNumber(qv::nullObject()).toInt(), 0);
    EXPECT_TRUE(qv::asNSNumber(qv::nullObject()).isValid());
    EXPECT_FALSE(qv::asNSNumber(QVariantList { 1 }).isValid());
    EXPECT_FALSE(qv::asNSNumber(QVariant()).isValid());

    EXPECT_EQ(qv::asInteger(QStringLiteral("12.9")), 12);
    EXPECT_DOUBLE_EQ(qv::asFloat(QStringLiteral("2.5")), 2.0); // a string's integer value
    EXPECT_DOUBLE_EQ(qv::asFloat(2.5), 2.5);
    EXPECT_EQ(qv::asInteger(QVariantMap()), 0);
    EXPECT_TRUE(qv::asBool(QStringLiteral("3")));
    EXPECT_TRUE(qv::asBool(0.5));
    EXPECT_FALSE(qv::asBool(QStringLiteral("yes"))); // not a number: its integer value is 0

    EXPECT_TRUE(qv::asNSString(qv::nullObject()).isNull());
    EXPECT_TRUE(qv::asNSString(QVariant()).isNull());
    EXPECT_EQ(qv::asNSString(42), QStringLiteral("42"));
    EXPECT_EQ(qv::asNSString(qlonglong(9007199254740993LL)), QStringLiteral("9007199254740993"));
    EXPECT_EQ(qv::asNSString(2.5), QStringLiteral("2.5"));
    EXPECT_EQ(qv::asNSString(true), QStringLiteral("1"));
    EXPECT_EQ(qv::asNSString(QByteArray("caf\xc3\xa9")), QStringLiteral("café"));
    EXPECT_EQ(qv::asNSString(QByteArray("caf\xe9")), QStringLiteral("café")); // not UTF-8: byte by byte
    EXPECT_EQ(qv::asNSString(QByteArray("")), QStringLiteral(""));
    EXPECT_FALSE(qv::asNSString(QByteArray("")).isNull());
    EXPECT_EQ(qv::asNSString(QDateTime::fromSecsSinceEpoch(0, Qt::UTC)), QStringLiteral("1970-01-01 00:00:00 +0000"));
    EXPECT_EQ(qv::asNSString(QVariantList { 1, QStringLiteral("a") }), QStringLiteral("(1, a)"));
}

TEST(ObjectGCDTest, DateDataAndCollectionConversions)
{
    const QDateTime expected(QDate(2024, 3, 5), QTime(6, 7, 8), Qt::UTC);
    EXPECT_EQ(qv::asNSDate(QStringLiteral("2024-03-05 06:07:08")), expected);
    EXPECT_EQ(qv::asNSDate(QStringLiteral("2024/03/05 06:07:08")), expected);
    EXPECT_EQ(qv::asNSDate(QStringLiteral("2024-03-05")), QDateTime(QDate(2024, 3, 5), QTime(0, 0), Qt::UTC));
    EXPECT_FALSE(qv::asNSDate(QStringLiteral("5 March 2024")).isValid());
    EXPECT_EQ(qv::asNSDate(86400), QDateTime(QDate(1970, 1, 2), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(qv::asNSDate(expected), expected);
    // Not convertible to a number: no date (not the 1970 epoch).
    EXPECT_FALSE(qv::asNSDate(QVariantList { 1 }).isValid());
    EXPECT_FALSE(qv::asNSDate(QVariant()).isValid());

    EXPECT_EQ(qv::asNSData(QStringLiteral("é")), QByteArray("\xc3\xa9"));
    EXPECT_EQ(qv::asNSData(QByteArray("raw")), QByteArray("raw"));
    EXPECT_FALSE(qv::asNSData(5).has_value());

    EXPECT_EQ(qv::asNSArray(QVariantList { 1, 2 }), (QVariantList { 1, 2 }));
    EXPECT_EQ(qv::asNSArray(3), QVariantList { 3 });
    EXPECT_FALSE(qv::asNSArray(QVariant()).has_value());
    EXPECT_EQ(qv::asNSMutableArray(QStringList { QStringLiteral("a") }), QVariantList { QStringLiteral("a") });
    EXPECT_FALSE(qv::asNSMutableArray(3).has_value()); // never wraps, unlike asNSArray
    const QVariantMap map { { QStringLiteral("k"), 1 } };
    EXPECT_EQ(qv::asNSDictionary(map), map);
    EXPECT_EQ(qv::asNSMutableDictionary(map), map);
    EXPECT_FALSE(qv::asNSDictionary(QVariantList {}).has_value());
    EXPECT_FALSE(qv::asNSMutableDictionary(QStringLiteral("k")).has_value());
}

namespace {

class Base : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int inherited READ inherited CONSTANT)
public:
    int inherited() const { return 0; }
    Q_INVOKABLE void baseMethod() { }
};

class Derived : public Base
{
    Q_OBJECT
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(int count READ count CONSTANT)
public:
    QString title() const { return {}; }
    int count() const { return 0; }
    Q_INVOKABLE void reload() { }
Q_SIGNALS:
    void changed();
};

} // namespace

TEST(ObjectGCDTest, IntrospectionListsOnlyTheClassesOwnMembers)
{
    EXPECT_EQ(qv::propertyNames<Derived>(), (QStringList { QStringLiteral("title"), QStringLiteral("count") }));
    EXPECT_EQ(qv::methodNames<Derived>(), (QStringList { QStringLiteral("changed"), QStringLiteral("reload") }));
    EXPECT_EQ(qv::propertyNames<Base>(), QStringList { QStringLiteral("inherited") });
}

#include "ObjectGCDTest.moc"
