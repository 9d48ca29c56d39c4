#include "foundation/DateExpand.h"

#include "foundation/BundleExpand.h"
#include "foundation/StringExpandText.h"

#include <QLocale>
#include <QStringList>

#include <cmath>

namespace qv {

namespace {

constexpr qint64 kMinute = 60;
constexpr qint64 kHour = 3600;
constexpr qint64 kDay = 86400;
constexpr qint64 kMonth = 30 * kDay;
constexpr qint64 kYear = 360 * kDay;

QDateTime local(const QDateTime& date)
{
    return date.toLocalTime();
}

} // namespace

int year(const QDateTime& date)
{
    return local(date).date().year();
}
int month(const QDateTime& date)
{
    return local(date).date().month();
}
int day(const QDateTime& date)
{
    return local(date).date().day();
}
int hour(const QDateTime& date)
{
    return local(date).time().hour();
}
int minute(const QDateTime& date)
{
    return local(date).time().minute();
}
int second(const QDateTime& date)
{
    return local(date).time().second();
}

int weekday(const QDateTime& date)
{
    return local(date).date().dayOfWeek() % 7 + 1;
}

QString stringWithDateFormat(const QDateTime& date, const QString& pattern)
{
    if (!date.isValid()) {
        return QString();
    }
    return QLocale::c().toString(local(date), qtDateFormat(pattern));
}

QDateTime dateFromFormat(const QString& text, const QString& pattern)
{
    return convertToDateWithFormat(text, pattern);
}

int compareDate(const QDateTime& a, const QDateTime& b)
{
    if (!a.isValid() || !b.isValid() || a == b) {
        return 0;
    }
    return a < b ? 1 : -1;
}

int compareDateStr(const QString& a, const QString& b)
{
    const QString pattern = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    return compareDate(dateFromFormat(a, pattern), dateFromFormat(b, pattern));
}

int compareWithDate(const QDateTime& date, const QDateTime& other)
{
    return compareDate(date, other);
}

QString shortTimeToDate(const QDateTime& date, const QDateTime& other)
{
    const qint64 s = date.secsTo(other);
    return QString::asprintf("%.2lld:%.2lld", s / kHour, (s % kHour) / kMinute);
}

QString timeAgo(const QDateTime& date, const QDateTime& now)
{
    const qint64 s = date.secsTo(now);
    if (s < 60) {
        return qv::localized(QStringLiteral("Just now"));
    }
    if (s < 120) {
        return qv::localized(QStringLiteral("1 minute ago"));
    }
    if (s < 45 * kMinute) {
        return fillCount(qv::localized(QStringLiteral("%d minutes ago")), s / kMinute);
    }
    if (s < 90 * kMinute) {
        return qv::localized(QStringLiteral("1 hour ago"));
    }
    if (s < kDay) {
        return fillCount(qv::localized(QStringLiteral("%d hours ago")), s / kHour);
    }
    if (s < 2 * kDay) {
        return qv::localized(QStringLiteral("Yesterday"));
    }
    if (s < kMonth) {
        return fillCount(qv::localized(QStringLiteral("%d days ago")), s / kDay);
    }
    if (s < kYear) {
        const qint64 months = s / kMonth;
        return months < 2 ? qv::localized(QStringLiteral("A month ago"))
                          : fillCount(qv::localized(QStringLiteral("%d months ago")), months);
    }
    const qint64 years = s / kYear;
    return years < 2 ? qv::localized(QStringLiteral("One year ago"))
                     : fillCount(qv::localized(QStringLiteral("%d years ago")), years);
}

QString timeLeft(const QDateTime& date, const QDateTime& now)
{
    qint64 s = std::max<qint64>(0, now.secsTo(date));
    static const struct
    {
        qint64 seconds;
        const char16_t* format;
    } units[]
        = { { kYear, u"%d年" }, { kMonth, u"%d月" }, { kDay, u"%d天" }, { kHour, u"%d小时" }, { kMinute, u"%d分钟" } };
    QString out;
    int written = 0;
    for (const auto& unit : units) {
        const qint64 count = s / unit.seconds;
        s %= unit.seconds;
        if (count != 0 && written < 2) {
            out += fillCount(QString::fromUtf16(unit.format), count);
            ++written;
        }
    }
    if (written < 2) {
        out += fillCount(QStringLiteral("%d秒"), s);
    }
    return out;
}

qint64 timeStamp()
{
    return QDateTime::currentMSecsSinceEpoch();
}

QDateTime now()
{
    return QDateTime::currentDateTime();
}

QDateTime dateWithSecond(double seconds)
{
    return QDateTime::fromMSecsSinceEpoch(std::llround(seconds * 1000.0));
}

QString dateStringWithSecond(double seconds)
{
    return stringWithDateFormat(dateWithSecond(seconds), QStringLiteral("yyyy-MM-dd"));
}

bool isSameDay(const QDateTime& date, const QDateTime& other)
{
    return date.isValid() && other.isValid() && local(date).date() == local(other).date();
}

bool isToday(const QDateTime& date)
{
    return isSameDay(date, QDateTime::currentDateTime());
}

int getAge(const QDateTime& date, const QDateTime& now)
{
    if (!date.isValid()) {
        return 0;
    }
    const qint64 days = date.secsTo(now) / kDay;
    return static_cast<int>(days / 365);
}

qint64 dayToDate(const QDateTime& date, const QDateTime& other)
{
    return date.secsTo(other) / kDay;
}

QDateTime addDay(const QDateTime& date, int days)
{
    return local(date).addDays(days);
}

QString diffEndDate(const QDateTime& date, const QDateTime& end)
{
    if (!date.isValid() || !end.isValid() || end <= date) {
        return QString();
    }
    const qint64 s = date.secsTo(end);
    // The unit keys are looked up where they are written, so a scan of the sources finds them.
    const auto part = [](qint64 n, const QString& unit) { return QString::number(n) + QLatin1Char(' ') + unit; };
    const qint64 days = s / kDay;
    const QString hoursAndMinutes = part((s % kDay) / kHour, qv::localized(QStringLiteral("Hours"))) + QLatin1Char(' ')
        + part((s % kHour) / kMinute, qv::localized(QStringLiteral("Minutes")));
    return days > 0 ? part(days, qv::localized(QStringLiteral("Days"))) + QLatin1Char(' ') + hoursAndMinutes
                    : hoursAndMinutes;
}

QString fillCount(const QString& format, qint64 count)
{
    QString out;
    out.reserve(format.size() + 8);
    bool filled = false;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%') || i + 1 >= format.size()) {
            out += c;
            ++i;
            continue;
        }
        if (format.at(i + 1) == QLatin1Char('%')) {
            out += QLatin1Char('%');
            i += 2;
            continue;
        }
        // %[N$][length]conversion
        qsizetype j = i + 1;
        while (j < format.size() && format.at(j).isDigit()) {
            ++j;
        }
        if (j > i + 1 && (j >= format.size() || format.at(j) != QLatin1Char('$'))) {
            j = i + 1; // digits without "$" are no position
        } else if (j > i + 1) {
            ++j;
        }
        while (j < format.size() && QStringView(u"lhqzjt").contains(format.at(j))) {
            ++j;
        }
        if (!filled && j < format.size() && QStringView(u"diu@").contains(format.at(j))) {
            out += QString::number(count);
            filled = true;
            i = j + 1;
            continue;
        }
        out += c; // anything else stays as it is written
        ++i;
    }
    return out;
}

} // namespace qv
