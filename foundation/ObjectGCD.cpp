#include "foundation/ObjectGCD.h"

#include "foundation/StringExpandText.h"
#include "foundation/WorkerThread.h"
#include "platform/System.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <cmath>
#include <limits>

Q_LOGGING_CATEGORY(lcQueues, "tarsel.foundation.queues")

namespace qv {

// --- Queues ---------------------------------------------------------------------------------

namespace {

void post(QObject* queue, Job job)
{
    if (!queue) {
        qCWarning(lcQueues) << "No application object: a job for the main queue was dropped";
        return;
    }
    QMetaObject::invokeMethod(queue, std::move(job), Qt::QueuedConnection);
}

void postAfter(QObject* queue, std::chrono::milliseconds delay, Job job)
{
    if (delay <= std::chrono::milliseconds::zero()) {
        post(queue, std::move(job));
        return;
    }
    // Qt timers count in int milliseconds (about 24 days): a longer wait is cut to that.
    delay = std::min(delay, std::chrono::milliseconds(std::numeric_limits<int>::max()));
    // The timer must be started by the queue's own thread: the calling thread may have no
    // event loop at all.
    post(queue, [queue, delay, job = std::move(job)]() mutable { QTimer::singleShot(delay, queue, std::move(job)); });
}

} // namespace

QObject* foreQueue()
{
    return QCoreApplication::instance();
}

QObject* backQueue()
{
    // A function-local static is created exactly once, also when first uses race.
    static WorkerThread* worker = new WorkerThread(platform::System::bundleIdentifier());
    return worker->context();
}

bool isForeground()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void enterForeground(Job job)
{
    post(foreQueue(), std::move(job));
}

void enterBackground(Job job)
{
    post(backQueue(), std::move(job));
}

void enterForegroundWithDelay(int seconds, Job job)
{
    postAfter(foreQueue(), std::chrono::seconds(seconds), std::move(job));
}

void enterForegroundWithDelay(std::chrono::milliseconds delay, Job job)
{
    postAfter(foreQueue(), delay, std::move(job));
}

void enterBackgroundWithDelay(int seconds, Job job)
{
    postAfter(backQueue(), std::chrono::seconds(seconds), std::move(job));
}

void enterBackgroundWithDelay(std::chrono::milliseconds delay, Job job)
{
    postAfter(backQueue(), delay, std::move(job));
}

void syncForeground(const Job& job)
{
    QObject* main = foreQueue();
    if (!main || isForeground()) {
        // Without an application there is no main loop to hop to: the caller's thread it is.
        job();
        return;
    }
    QMetaObject::invokeMethod(main, job, Qt::BlockingQueuedConnection);
}

// --- Notifications -------------------------------------------------------------------------

QByteArray selWithName(const QString& name)
{
    const QStringList parts = name.split(QLatin1Char('.'));
    if (!name.isEmpty() && (parts.size() == 2 || parts.size() == 3)) {
        const qsizetype first = parts.size() - 2;
        return "handleSignal_" + parts.at(first).toUtf8() + '_' + parts.at(first + 1).toUtf8();
    }
    return QByteArrayLiteral("handleSignal");
}

void addNotification(QObject* observer, const QString& name)
{
    NotificationCenter::defaultCenter().addObserver(observer, name, selWithName(name));
}

void removeNotification(QObject* observer, const QString& name)
{
    NotificationCenter::defaultCenter().removeObserver(observer, name);
}

void removeAllNotification(QObject* observer)
{
    NotificationCenter::defaultCenter().removeObserver(observer);
}

void postNotification(const QString& name, const QVariant& object, const QVariantMap& userInfo)
{
    NotificationCenter::defaultCenter().post(Notification { name, object, userInfo });
}

void installRefreshSignal()
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || app->property("tarselRefreshSignal").toBool()) {
        return;
    }
    app->setProperty("tarselRefreshSignal", true);
    QObject::connect(app, &QGuiApplication::focusWindowChanged, app, [](QWindow* window) {
        if (window) {
            postNotification(kRefreshSignal, QVariant::fromValue<QObject*>(window));
        }
    });
}

// --- Conversions ---------------------------------------------------------------------------

namespace {

qsizetype skipBlanks(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) {
        ++i;
    }
    return i;
}

bool isDigitAt(const QString& text, qsizetype i)
{
    return i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9');
}

QString describe(const QVariant& v);

QString describeList(const QVariantList& list)
{
    QStringList items;
    for (const QVariant& item : list) {
        items << describe(item);
    }
    return QLatin1Char('(') + items.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QString describeMap(const QVariantMap& map)
{
    QString out = QStringLiteral("{");
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        out += QLatin1Char(' ') + it.key() + QStringLiteral(" = ") + describe(it.value()) + QLatin1Char(';');
    }
    return out + QStringLiteral(" }");
}

// The text "%@" gives a value: numbers in decimal, dates as "yyyy-MM-dd HH:mm:ss +0000".
QString describe(const QVariant& v)
{
    if (!v.isValid() || isNullObject(v)) {
        return QStringLiteral("<null>");
    }
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString();
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QDateTime:
        return v.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" +0000");
    case QMetaType::QUrl:
        return v.toUrl().toString();
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return describeList(v.toList());
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return describeMap(v.toMap());
    default:
        break;
    }
    if (v.canConvert<QString>()) {
        return v.toString();
    }
    return QString::fromLatin1(v.typeName());
}

} // namespace

qint64 leadingIntegerValue(const QString& text)
{
    qsizetype i = skipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    qint64 value = 0;
    for (; isDigitAt(text, i); ++i) {
        const int digit = text.at(i).unicode() - '0';
        if (value > (max - digit) / 10) {
            return negative ? std::numeric_limits<qint64>::min() : max;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

double leadingDoubleValue(const QString& text)
{
    const qsizetype start = skipBlanks(text);
    qsizetype i = start;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        ++i;
    }
    const qsizetype digitsStart = i;
    while (isDigitAt(text, i)) {
        ++i;
    }
    if (i < text.size() && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (isDigitAt(text, i)) {
            ++i;
        }
    }
    if (i == digitsStart || (i == digitsStart + 1 && text.at(digitsStart) == QLatin1Char('.'))) {
        return 0.0;
    }
    if (i < text.size() && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < text.size() && (text.at(j) == QLatin1Char('+') || text.at(j) == QLatin1Char('-'))) {
            ++j;
        }
        if (isDigitAt(text, j)) {
            while (isDigitAt(text, j)) {
                ++j;
            }
            i = j;
        }
    }
    return QStringView(text).mid(start, i - start).toDouble();
}

bool isNullObject(const QVariant& v)
{
    return v.typeId() == QMetaType::Nullptr;
}

bool isNumber(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

bool isString(const QVariant& v)
{
    return v.typeId() == QMetaType::QString;
}

QVariant asNSNumber(const QVariant& v)
{
    if (isNumber(v)) {
        return v;
    }
    if (isString(v)) {
        return QVariant::fromValue(leadingIntegerValue(v.toString()));
    }
    if (v.typeId() == QMetaType::QDateTime) {
        const QDateTime d = v.toDateTime();
        return d.isValid() ? QVariant(static_cast<double>(d.toMSecsSinceEpoch()) / 1000.0) : QVariant();
    }
    if (isNullObject(v)) {
        return QVariant(0);
    }
    return QVariant();
}

qint64 asInteger(const QVariant& v)
{
    const QVariant n = asNSNumber(v);
    if (n.typeId() == QMetaType::Double || n.typeId() == QMetaType::Float) {
        const double d = n.toDouble();
        if (std::isnan(d)) {
            return 0;
        }
        if (d >= 9.2233720368547758e18) {
            return std::numeric_limits<qint64>::max();
        }
        if (d <= -9.2233720368547758e18) {
            return std::numeric_limits<qint64>::min();
        }
        return static_cast<qint64>(d);
    }
    return n.isValid() ? n.toLongLong() : 0;
}

double asFloat(const QVariant& v)
{
    const QVariant n = asNSNumber(v);
    return n.isValid() ? n.toDouble() : 0.0;
}

bool asBool(const QVariant& v)
{
    const QVariant n = asNSNumber(v);
    if (!n.isValid()) {
        return false;
    }
    return (n.typeId() == QMetaType::Double || n.typeId() == QMetaType::Float) ? n.toDouble() != 0.0
                                                                               : n.toLongLong() != 0;
}

QString asNSString(const QVariant& v)
{
    if (!v.isValid() || isNullObject(v)) {
        return QString();
    }
    if (v.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = v.toByteArray();
        const QString text = getStringFromData(bytes);
        return text.isNull() ? QString::fromLatin1(bytes) : text;
    }
    return describe(v);
}

QDateTime asNSDate(const QVariant& v)
{
    if (v.typeId() == QMetaType::QDateTime) {
        return v.toDateTime();
    }
    if (v.typeId() == QMetaType::QDate) {
        return v.toDate().startOfDay(Qt::UTC);
    }
    if (isString(v)) {
        const QString text = v.toString();
        for (const char* format : { "yyyy-MM-dd HH:mm:ss", "yyyy/MM/dd HH:mm:ss", "yyyy-MM-dd" }) {
            // Parsed with an explicit zone so that a wall time in a local daylight-saving gap
            // still reads.
            const QDateTime d
                = QDateTime::fromString(text + QStringLiteral(" Z"), QLatin1String(format) + QStringLiteral(" t"));
            if (d.isValid()) {
                return d.toUTC();
            }
        }
        return QDateTime();
    }
    const QVariant n = asNSNumber(v);
    if (!n.isValid()) {
        return QDateTime();
    }
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(n.toDouble() * 1000.0), Qt::UTC);
}

std::optional<QByteArray> asNSData(const QVariant& v)
{
    if (isString(v)) {
        return v.toString().toUtf8();
    }
    if (v.typeId() == QMetaType::QByteArray) {
        return v.toByteArray();
    }
    return std::nullopt;
}

std::optional<QVariantList> asNSArray(const QVariant& v)
{
    if (!v.isValid()) {
        return std::nullopt;
    }
    if (const auto list = asNSMutableArray(v)) {
        return list;
    }
    return QVariantList { v };
}

std::optional<QVariantList> asNSMutableArray(const QVariant& v)
{
    if (v.typeId() == QMetaType::QVariantList || v.typeId() == QMetaType::QStringList) {
        return v.toList();
    }
    return std::nullopt;
}

std::optional<QVariantMap> asNSDictionary(const QVariant& v)
{
    if (v.typeId() == QMetaType::QVariantMap) {
        return v.toMap();
    }
    return std::nullopt;
}

std::optional<QVariantMap> asNSMutableDictionary(const QVariant& v)
{
    return asNSDictionary(v);
}

// --- Introspection -------------------------------------------------------------------------

QStringList propertyNames(const QMetaObject& meta)
{
    QStringList names;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
        names << QString::fromLatin1(meta.property(i).name());
    }
    return names;
}

QStringList methodNames(const QMetaObject& meta)
{
    QStringList names;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        names << QString::fromLatin1(meta.method(i).name());
    }
    return names;
}

} // namespace qv
