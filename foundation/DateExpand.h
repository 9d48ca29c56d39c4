#pragma once

// Additions to the platform's date (QDateTime): free functions, receiver first. Calendar values
// use the user's current calendar and time zone (local time). An invalid QDateTime is nil.
// Patterns are the platform's date-format patterns ("yyyy-MM-dd HH:mm:ss", "EEE", "a", "SSS",
// quoted literals), translated to Qt's by qtDateFormat (StringExpandText.h).

#include <QDateTime>
#include <QString>

namespace qv {

int year(const QDateTime& date);
int month(const QDateTime& date); ///< 1 to 12
int day(const QDateTime& date);
int hour(const QDateTime& date); ///< 0 to 23
int minute(const QDateTime& date);
int second(const QDateTime& date);
int weekday(const QDateTime& date); ///< 1 Sunday to 7 Saturday

/// The date formatted with the pattern, in local time; nil for nil.
QString stringWithDateFormat(const QDateTime& date, const QString& pattern);
/// The date parsed from the text with the pattern, in local time; nil when it does not parse.
QDateTime dateFromFormat(const QString& text, const QString& pattern);

/// 1 when a is earlier than b, -1 when a is later, 0 when equal (or either is nil).
int compareDate(const QDateTime& a, const QDateTime& b);
/// The same for two texts in the pattern "yyyy-MM-dd HH:mm:ss".
int compareDateStr(const QString& a, const QString& b);
int compareWithDate(const QDateTime& date, const QDateTime& other);

/// The time from the date to the other as "%.2d:%.2d" of hours (days as 24 hours) and minutes.
QString shortTimeToDate(const QDateTime& date, const QDateTime& other);
/// The relative text of the date ("Just now", "%d minutes ago", "Yesterday", ...), looked up
/// in the localisation table and filled with the count; a future date is "Just now".
QString timeAgo(const QDateTime& date, const QDateTime& now = QDateTime::currentDateTime());
/// The time from now until the date in the two largest non-zero units ("3天2小时"), ending
/// with seconds when fewer than two units were written.
QString timeLeft(const QDateTime& date, const QDateTime& now = QDateTime::currentDateTime());

/// Milliseconds since 1970.
qint64 timeStamp();
QDateTime now();
QDateTime dateWithSecond(double seconds);
/// That date (local) as "yyyy-MM-dd".
QString dateStringWithSecond(double seconds);

bool isSameDay(const QDateTime& date, const QDateTime& other);
bool isToday(const QDateTime& date);
/// Whole years of 365 days (counted from whole days) since the date; 0 for nil.
int getAge(const QDateTime& date, const QDateTime& now = QDateTime::currentDateTime());
/// Whole days (86400 s) from the date to the other, truncated.
qint64 dayToDate(const QDateTime& date, const QDateTime& other);
/// The date n calendar days later (local time of day kept).
QDateTime addDay(const QDateTime& date, int days);
/// When end is later: "%ld %@" of days, hours and minutes with the localised unit keys "Days",
/// "Hours", "Minutes", joined with blanks (days left out when there are none); nil otherwise.
QString diffEndDate(const QDateTime& date, const QDateTime& end);

/// Fills the first integer or object conversion ("%d", "%ld", "%@", "%1$d", ...) of a format
/// with the count and turns "%%" into "%". The format may come from a translation: it is never
/// handed to printf, so a stray conversion in it stays literal text.
QString fillCount(const QString& format, qint64 count);

} // namespace qv
