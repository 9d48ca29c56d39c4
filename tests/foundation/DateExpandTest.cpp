#include "foundation/DateExpand.h"

#include <gtest/gtest.h>

namespace {

const QDateTime kNow(QDate(2024, 6, 15), QTime(12, 0, 0));

QDateTime ago(qint64 seconds)
{
    return kNow.addSecs(-seconds);
}

} // namespace

TEST(DateExpandTest, RelativeTimeAtEveryBoundary)
{
    const struct
    {
        qint64 seconds;
        const char* text;
    } cases[] = {
        { 0, "Just now" },           { 59, "Just now" },
        { 60, "1 minute ago" },      { 119, "1 minute ago" },
        { 120, "2 minutes ago" },    { 2699, "44 minutes ago" },
        { 2700, "1 hour ago" }, // 45 minutes
        { 5399, "1 hour ago" },      { 5400, "1 hours ago" }, // 90 minutes: the plural format filled with 1
        { 86399, "23 hours ago" },   { 86400, "Yesterday" },
        { 172799, "Yesterday" },     { 172800, "2 days ago" },
        { 2591999, "29 days ago" },  { 2592000, "A month ago" },
        { 5184000, "2 months ago" }, { 31103999, "11 months ago" },
        { 31104000, "A year ago" },  { 62208000, "2 years ago" },
        { -3600, "Just now" }, // a date in the future
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qv::timeAgo(ago(c.seconds), kNow), QString::fromLatin1(c.text)) << c.seconds;
    }
}

TEST(DateExpandTest, CountsAreFilledIntoLookedUpFormatsWithoutPrintf)
{
    EXPECT_EQ(qv::fillCount(QStringLiteral("vor %d Minuten"), 5), QStringLiteral("vor 5 Minuten"));
    EXPECT_EQ(qv::fillCount(QStringLiteral("il y a %ld jours"), 3), QStringLiteral("il y a 3 jours"));
    EXPECT_EQ(qv::fillCount(QStringLiteral("%1$d 分钟前"), 7), QStringLiteral("7 分钟前"));
    EXPECT_EQ(qv::fillCount(QStringLiteral("%@ ago"), 2), QStringLiteral("2 ago"));
    EXPECT_EQ(qv::fillCount(QStringLiteral("100%% %d"), 4), QStringLiteral("100% 4"));
    // A broken translation with other conversions stays text: nothing is read from the stack.
    EXPECT_EQ(qv::fillCount(QStringLiteral("%s%n %d %d %"), 9), QStringLiteral("%s%n 9 %d %"));
}

TEST(DateExpandTest, TimeLeftUsesTheTwoLargestUnits)
{
    const auto in = [](qint64 seconds) { return qv::timeLeft(kNow.addSecs(seconds), kNow); };
    EXPECT_EQ(in(3 * 86400 + 2 * 3600 + 5 * 60), QStringLiteral("3天2小时"));
    EXPECT_EQ(in(3600 + 5), QStringLiteral("1小时5秒"));
    EXPECT_EQ(in(90), QStringLiteral("1分钟30秒"));
    EXPECT_EQ(in(400 * 86400), QStringLiteral("1年1月"));
    EXPECT_EQ(in(0), QStringLiteral("0秒"));
    EXPECT_EQ(in(-50), QStringLiteral("0秒"));
}

TEST(DateExpandTest, IntervalsAsText)
{
    const QDateTime start = kNow;
    EXPECT_EQ(qv::shortTimeToDate(start, start.addSecs(86400 + 2 * 3600 + 5 * 60)), QStringLiteral("26:05"));
    EXPECT_EQ(qv::shortTimeToDate(start, start.addSecs(59)), QStringLiteral("00:00"));
    EXPECT_EQ(qv::diffEndDate(start, start.addSecs(86400 + 2 * 3600 + 3 * 60)), QStringLiteral("1 d 2 h 3 min"));
    EXPECT_EQ(qv::diffEndDate(start, start.addSecs(2 * 3600 + 3 * 60)), QStringLiteral("2 h 3 min"));
    EXPECT_TRUE(qv::diffEndDate(start, start).isNull());
    EXPECT_TRUE(qv::diffEndDate(start, start.addSecs(-60)).isNull());

    EXPECT_EQ(qv::dayToDate(start, start.addSecs(86400 * 19 / 10)), 1);
    EXPECT_EQ(qv::dayToDate(start, start.addSecs(-86400 * 3 / 2)), -1);
    EXPECT_EQ(qv::getAge(start.addDays(-366), start), 1);
    EXPECT_EQ(qv::getAge(start.addDays(-364), start), 0);
    EXPECT_EQ(qv::getAge(QDateTime(), start), 0);
}

TEST(DateExpandTest, CalendarComponentsAndComparisons)
{
    const QDateTime d(QDate(2024, 3, 3), QTime(15, 4, 5)); // a Sunday
    EXPECT_EQ(qv::year(d), 2024);
    EXPECT_EQ(qv::month(d), 3);
    EXPECT_EQ(qv::day(d), 3);
    EXPECT_EQ(qv::hour(d), 15);
    EXPECT_EQ(qv::minute(d), 4);
    EXPECT_EQ(qv::second(d), 5);
    EXPECT_EQ(qv::weekday(d), 1);
    EXPECT_EQ(qv::weekday(d.addDays(6)), 7);
    EXPECT_EQ(qv::addDay(d, 7).time(), d.time()); // calendar days keep the time of day
    EXPECT_EQ(qv::addDay(d, 7).date(), QDate(2024, 3, 10));
    EXPECT_TRUE(qv::isSameDay(d, QDateTime(QDate(2024, 3, 3), QTime(0, 0))));
    EXPECT_FALSE(qv::isSameDay(d, d.addDays(1)));
    EXPECT_TRUE(qv::isToday(qv::now()));

    EXPECT_EQ(qv::compareDate(d, d.addSecs(1)), 1);
    EXPECT_EQ(qv::compareDate(d.addSecs(1), d), -1);
    EXPECT_EQ(qv::compareWithDate(d, d), 0);
    EXPECT_EQ(qv::compareDateStr(QStringLiteral("2024-01-01 00:00:00"), QStringLiteral("2024-01-02 00:00:00")), 1);
    EXPECT_EQ(qv::compareDateStr(QStringLiteral("garbage"), QStringLiteral("2024-01-02 00:00:00")), 0);

    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    EXPECT_GE(qv::timeStamp(), before);
    EXPECT_EQ(qv::dateWithSecond(1.5).toMSecsSinceEpoch(), 1500);
    EXPECT_EQ(qv::dateStringWithSecond(86400 * 365),
              QDateTime::fromSecsSinceEpoch(86400 * 365).toString(QStringLiteral("yyyy-MM-dd")));
}

TEST(DateExpandTest, PlatformPatternsFormatAndParse)
{
    const QDateTime d(QDate(2024, 3, 3), QTime(15, 4, 5, 60));
    EXPECT_EQ(qv::stringWithDateFormat(d, QStringLiteral("yyyy-MM-dd HH:mm:ss")),
              QStringLiteral("2024-03-03 15:04:05"));
    EXPECT_EQ(qv::stringWithDateFormat(d, QStringLiteral("EEE, d MMM h:mm a")), QStringLiteral("Sun, 3 Mar 3:04 PM"));
    EXPECT_EQ(qv::stringWithDateFormat(d, QStringLiteral("yyyyMMdd'T'HHmmss.SSS")),
              QStringLiteral("20240303T150405.060"));
    EXPECT_EQ(qv::stringWithDateFormat(d, QStringLiteral("'at' HH 'o''clock'")), QStringLiteral("at 15 o'clock"));
    EXPECT_TRUE(qv::stringWithDateFormat(QDateTime(), QStringLiteral("yyyy")).isNull());
    // Letters the platform knows but Qt would misread stay literal.
    EXPECT_EQ(qv::stringWithDateFormat(d, QStringLiteral("G yyyy")), QStringLiteral("G 2024"));

    EXPECT_EQ(qv::dateFromFormat(QStringLiteral("2024-03-03 15:04:05"), QStringLiteral("yyyy-MM-dd HH:mm:ss")),
              QDateTime(QDate(2024, 3, 3), QTime(15, 4, 5)));
    EXPECT_FALSE(qv::dateFromFormat(QStringLiteral("03/03/2024"), QStringLiteral("yyyy-MM-dd")).isValid());
    EXPECT_FALSE(qv::dateFromFormat(QString(), QStringLiteral("yyyy")).isValid());
}
