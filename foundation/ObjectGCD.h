#pragma once

// Every object's reach to the work queues, the delayed-run helpers and the notification centre,
// plus lenient conversions of stored values and class introspection.
//
// Queues. The foreground queue is the Qt event loop of the main thread; the background queue
// is ONE serial worker thread per process, named after the bundle identifier: background jobs
// never overlap and run in the order they were posted. A queue is represented by a context
// object living in the queue's thread (`foreQueue()->thread()` is the main thread), so it also
// serves as the context of QTimer::singleShot or QMetaObject::invokeMethod.
//
// Notifications. An observer names no handler: the handler follows from the notification name
// (see selWithName). Posting is synchronous: every handler has run on the posting thread before
// postNotification returns. See NotificationCenter.h for the registry's guarantees.

#include "foundation/NotificationCenter.h"

#include <QByteArray>
#include <QDateTime>
#include <QMetaObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <chrono>
#include <functional>
#include <optional>

class QObject;

namespace qv {

using Job = std::function<void()>;

// --- Queues and delays -------------------------------------------------------------------

/// The main queue: the application object (nullptr before one exists).
QObject* foreQueue();
/// The background queue: the context object of the process's serial worker thread, created on
/// first use (once, even when first uses race) and kept until the process ends.
QObject* backQueue();
/// True on the main thread.
bool isForeground();

/// Runs the job on the main queue later; returns at once (also when called on the main thread).
void enterForeground(Job job);
/// Runs the job on the background queue; returns at once.
void enterBackground(Job job);
/// Runs the job on the main queue after whole seconds; 0 (or less) means the next turn of the
/// queue, never inside the call.
void enterForegroundWithDelay(int seconds, Job job);
void enterForegroundWithDelay(std::chrono::milliseconds delay, Job job);
/// The same on the background queue.
void enterBackgroundWithDelay(int seconds, Job job);
void enterBackgroundWithDelay(std::chrono::milliseconds delay, Job job);
/// Runs the job on the main thread and waits for it: directly when already there. Never call it
/// from a job the main thread is itself waiting for.
void syncForeground(const Job& job);

// --- Notifications (the observer is the receiver) ----------------------------------------

/// The process's configuration was replaced (restore from a backup): lists are to be reloaded.
inline const QString kConfigChangeNotification = QStringLiteral("config change noti");
/// The refresh signal: the window-did-become-key notification. Posted when a window becomes the
/// active one (installRefreshSignal) and by the system itself after menu list edits.
inline const QString kRefreshSignal = QStringLiteral("NSWindowDidBecomeKeyNotification");

/// The handler method name for a notification name: "a.b.c" -> "handleSignal_b_c",
/// "a.b" -> "handleSignal_a_b", anything else (one part, four or more, none) -> "handleSignal".
QByteArray selWithName(const QString& name);
/// Registers the observer for the name from any sender (a second call leaves one registration).
void addNotification(QObject* observer, const QString& name);
void removeNotification(QObject* observer, const QString& name);
void removeAllNotification(QObject* observer);
void postNotification(const QString& name, const QVariant& object = QVariant(),
                      const QVariantMap& userInfo = QVariantMap());
/// Posts the refresh signal (object: the window) whenever a window of the application becomes
/// the active one. Idempotent; needs the application object.
void installRefreshSignal();

// --- Lenient conversions (nil rather than failure) ---------------------------------------
// The null object is a QVariant holding std::nullptr_t; an invalid QVariant is nil.

/// A number: itself; a string: its leading integer value; a date: seconds since 1970 (double);
/// the null object: 0; anything else nil.
QVariant asNSNumber(const QVariant& v);
qint64 asInteger(const QVariant& v);
double asFloat(const QVariant& v);
bool asBool(const QVariant& v);
/// The null object or nil: nil; a string: itself; bytes: read as UTF-8, failing that as ASCII
/// (Latin-1); anything else its description.
QString asNSString(const QVariant& v);
/// A date: itself; a string in UTC as "yyyy-MM-dd HH:mm:ss", "yyyy/MM/dd HH:mm:ss" or
/// "yyyy-MM-dd" (invalid when none fits); anything else the date at asNSNumber seconds since
/// 1970, invalid when that is nil.
QDateTime asNSDate(const QVariant& v);
/// A string: its UTF-8 bytes; bytes: themselves; else nil.
std::optional<QByteArray> asNSData(const QVariant& v);
/// A list: itself; nil: nil; anything else a one-element list holding it.
std::optional<QVariantList> asNSArray(const QVariant& v);
/// Qt containers are values, so the mutable forms answer an editable copy: a list only when
/// the value is a list (nothing is wrapped), a dictionary only when it is one.
std::optional<QVariantList> asNSMutableArray(const QVariant& v);
std::optional<QVariantMap> asNSDictionary(const QVariant& v);
std::optional<QVariantMap> asNSMutableDictionary(const QVariant& v);

/// The leading number of a text as the platform's integer and floating-point reading take it:
/// leading blanks skipped, an optional sign, the digits that follow (and for the floating-point
/// form a fraction and an exponent); 0 when the text does not begin with a number. Integers
/// saturate at the 64-bit limits.
qint64 leadingIntegerValue(const QString& text);
double leadingDoubleValue(const QString& text);

/// The null object, as stored values use it.
inline QVariant nullObject()
{
    return QVariant::fromValue(nullptr);
}
bool isNullObject(const QVariant& v);
/// True for the numeric kinds (booleans count as numbers).
bool isNumber(const QVariant& v);
/// True for text (QString).
bool isString(const QVariant& v);

// --- Introspection -------------------------------------------------------------------------

/// The names of the properties, or of the methods (slots, signals, invokables), that the class
/// itself declares (not its superclasses), in declaration order.
QStringList propertyNames(const QMetaObject& meta);
QStringList methodNames(const QMetaObject& meta);
template <typename T> QStringList propertyNames()
{
    return propertyNames(T::staticMetaObject);
}
template <typename T> QStringList methodNames()
{
    return methodNames(T::staticMetaObject);
}

} // namespace qv
