#pragma once

// Additions to the platform's arrays: free functions over QList, receiver first. The forms
// that return a new list leave the receiver alone; the editing forms change it and return it
// for chaining. Comparators answer like the platform's: negative, 0 (equal) or positive.
//
// Qt lists are values, so "a mutable copy" is any copy and there is no non-retaining list.

#include "foundation/ObjectGCD.h"

#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <functional>
#include <optional>

namespace qv {

template <typename T> using Comparator = std::function<int(const T&, const T&)>;

/// Equality without a comparator: for values held in a QVariant, the same kind of value
/// that compares as the same (numbers of any numeric kind count as one kind); else ==.
bool sameObject(const QVariant& a, const QVariant& b);
template <typename T> bool sameObject(const T& a, const T& b)
{
    return a == b;
}
/// Order without a comparator (QVariant: its natural comparison; else <).
int compareObjects(const QVariant& a, const QVariant& b);
template <typename T> int compareObjects(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}
/// nil elements (an invalid QVariant) are ignored where the editing forms say so.
inline bool isNil(const QVariant& v)
{
    return !v.isValid();
}
template <typename T> bool isNil(const T&)
{
    return false;
}

// --- New lists -------------------------------------------------------------------------

/// A copy with the object added at the end.
template <typename T> QList<T> append(const QList<T>& list, const T& object)
{
    QList<T> copy = list;
    copy.append(object);
    return copy;
}

/// The first n elements (all when there are fewer).
template <typename T> QList<T> head(const QList<T>& list, qsizetype n)
{
    return list.mid(0, std::max<qsizetype>(n, 0));
}

/// The last n elements (all when there are fewer).
template <typename T> QList<T> tail(const QList<T>& list, qsizetype n)
{
    n = std::clamp<qsizetype>(n, 0, list.size());
    return list.mid(list.size() - n);
}

/// The first element for which the predicate answers true.
template <typename T, typename Pred> std::optional<T> find(const QList<T>& list, Pred predicate)
{
    for (const T& item : list) {
        if (predicate(item)) {
            return item;
        }
    }
    return std::nullopt;
}

template <typename T> std::optional<T> safeObjectAtIndex(const QList<T>& list, qsizetype index)
{
    if (index < 0 || index >= list.size()) {
        return std::nullopt;
    }
    return list.at(index);
}

/// The elements of the range, when the list is not empty and the range lies inside it.
template <typename T>
std::optional<QList<T>> safeSubarrayWithRange(const QList<T>& list, qsizetype location, qsizetype length)
{
    if (list.isEmpty() || location < 0 || length < 0 || location >= list.size() || length > list.size() - location) {
        return std::nullopt;
    }
    return list.mid(location, length);
}

/// "" for an empty list, else the asNSString text of each element joined by the separator.
QString join(const QVariantList& list, const QString& separator);

/// A shuffled copy: each position from the last down to the second swapped with a uniformly
/// random position at or below it.
template <typename T> QList<T> randomizedArray(const QList<T>& list)
{
    QList<T> copy = list;
    for (qsizetype i = copy.size() - 1; i > 0; --i) {
        copy.swapItemsAt(i, static_cast<qsizetype>(QRandomGenerator::global()->bounded(static_cast<quint64>(i) + 1)));
    }
    return copy;
}

/// The first n of a shuffled copy.
template <typename T> QList<T> randomizedArray(const QList<T>& list, qsizetype n)
{
    return head(randomizedArray(list), n);
}

template <typename T> QList<T> reverseArray(const QList<T>& list)
{
    return QList<T>(list.crbegin(), list.crend());
}

// --- Editing in place ------------------------------------------------------------------

/// Adds the object unless an element equals it (the comparator answers 0 for (element,
/// object), or sameObject without a comparator).
template <typename T> QList<T>& addUniqueObject(QList<T>& list, const T& object, const Comparator<T>& compare = {})
{
    const bool present = std::any_of(list.cbegin(), list.cend(), [&](const T& element) {
        return compare ? compare(element, object) == 0 : sameObject(element, object);
    });
    if (!present) {
        list.append(object);
    }
    return list;
}

/// The same for each object in order (one added earlier in the same call counts).
template <typename T>
QList<T>& addUniqueObjectsFromArray(QList<T>& list, const QList<T>& objects, const Comparator<T>& compare = {})
{
    for (const T& object : objects) {
        addUniqueObject(list, object, compare);
    }
    return list;
}

/// Sorts with the comparator, or the natural order without one; equal elements keep their order.
template <typename T> QList<T>& sort(QList<T>& list, const Comparator<T>& compare = {})
{
    std::stable_sort(list.begin(), list.end(),
                     [&](const T& a, const T& b) { return (compare ? compare(a, b) : compareObjects(a, b)) < 0; });
    return list;
}

/// Inserts the object at the front; nil is ignored.
template <typename T> QList<T>& pushHead(QList<T>& list, const T& object)
{
    if (!isNil(object)) {
        list.prepend(object);
    }
    return list;
}

/// Puts the elements in front of the list, in their own order.
template <typename T> QList<T>& pushHeadN(QList<T>& list, const QList<T>& objects)
{
    list = objects + list;
    return list;
}

template <typename T> QList<T>& pushTail(QList<T>& list, const T& object)
{
    if (!isNil(object)) {
        list.append(object);
    }
    return list;
}

template <typename T> QList<T>& pushTailN(QList<T>& list, const QList<T>& objects)
{
    list.append(objects);
    return list;
}

/// Removes the first element when there is one.
template <typename T> QList<T>& popHead(QList<T>& list)
{
    if (!list.isEmpty()) {
        list.removeFirst();
    }
    return list;
}

/// Removes the last element when there is one.
template <typename T> QList<T>& popTail(QList<T>& list)
{
    if (!list.isEmpty()) {
        list.removeLast();
    }
    return list;
}

/// Removes the first n elements (all when there are no more than n).
template <typename T> QList<T>& popHeadN(QList<T>& list, qsizetype n)
{
    list.remove(0, std::clamp<qsizetype>(n, 0, list.size()));
    return list;
}

/// Removes the last n elements (all when there are no more than n).
template <typename T> QList<T>& popTailN(QList<T>& list, qsizetype n)
{
    list.resize(list.size() - std::clamp<qsizetype>(n, 0, list.size()));
    return list;
}

/// Keeps only the first n elements.
template <typename T> QList<T>& keepHead(QList<T>& list, qsizetype n)
{
    list = head(list, n);
    return list;
}

/// Keeps only the last n elements.
template <typename T> QList<T>& keepTail(QList<T>& list, qsizetype n)
{
    list = tail(list, n);
    return list;
}

/// Removes every element for which the comparator answers 0 for (object, element); nothing
/// when the object is nil or there is no comparator.
template <typename T> QList<T>& removeObject(QList<T>& list, const T& object, const Comparator<T>& usingComparator)
{
    if (!isNil(object) && usingComparator) {
        list.removeIf([&](const T& element) { return usingComparator(object, element) == 0; });
    }
    return list;
}

/// Keeps one of each run of equal elements (the first, in the list's order).
template <typename T> QList<T>& unique(QList<T>& list, const Comparator<T>& compare = {})
{
    QList<T> kept;
    for (const T& element : std::as_const(list)) {
        addUniqueObject(kept, element, compare);
    }
    list = kept;
    return list;
}

} // namespace qv
