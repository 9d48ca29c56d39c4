#include "foundation/ArrayExpand.h"

#include <gtest/gtest.h>

#include <set>

namespace {

const QList<int> kFive { 1, 2, 3, 4, 5 };

} // namespace

TEST(ArrayExpandTest, HeadAndTailNeverReachPastTheEnds)
{
    EXPECT_EQ(qv::head(kFive, 2), (QList<int> { 1, 2 }));
    EXPECT_EQ(qv::head(kFive, 9), kFive);
    EXPECT_EQ(qv::head(kFive, 5), kFive);
    EXPECT_TRUE(qv::head(kFive, -1).isEmpty());
    EXPECT_EQ(qv::tail(kFive, 2), (QList<int> { 4, 5 }));
    // More than the count: the whole list, never a failure.
    EXPECT_EQ(qv::tail(kFive, 9), kFive);
    EXPECT_TRUE(qv::tail(kFive, 0).isEmpty());
    EXPECT_TRUE(qv::tail(QList<int> {}, 3).isEmpty());
}

TEST(ArrayExpandTest, SafeAccessAnswersNothingOutsideTheList)
{
    EXPECT_EQ(qv::safeObjectAtIndex(kFive, 4), 5);
    EXPECT_FALSE(qv::safeObjectAtIndex(kFive, 5).has_value()); // the count itself
    EXPECT_FALSE(qv::safeObjectAtIndex(kFive, -1).has_value());

    EXPECT_EQ(qv::safeSubarrayWithRange(kFive, 3, 2), (QList<int> { 4, 5 }));
    EXPECT_EQ(qv::safeSubarrayWithRange(kFive, 1, 0), QList<int> {});
    EXPECT_FALSE(qv::safeSubarrayWithRange(kFive, 3, 3).has_value());
    EXPECT_FALSE(qv::safeSubarrayWithRange(kFive, 5, 0).has_value());
    EXPECT_FALSE(qv::safeSubarrayWithRange(QList<int> {}, 0, 0).has_value());
    EXPECT_FALSE(qv::safeSubarrayWithRange(kFive, -1, 2).has_value());
    // A length that would overflow start + length is rejected, not wrapped around.
    EXPECT_FALSE(qv::safeSubarrayWithRange(kFive, 2, std::numeric_limits<qsizetype>::max()).has_value());
}

TEST(ArrayExpandTest, FindJoinReverseAndAppend)
{
    EXPECT_EQ(qv::find(kFive, [](int v) { return v > 2; }), 3);
    EXPECT_FALSE(qv::find(kFive, [](int v) { return v > 9; }).has_value());

    EXPECT_EQ(qv::join(QVariantList {}, QStringLiteral(",")), QString());
    EXPECT_EQ(qv::join(QVariantList { 1, QStringLiteral("a"), 2.5 }, QStringLiteral(", ")),
              QStringLiteral("1, a, 2.5"));

    EXPECT_EQ(qv::reverseArray(kFive), (QList<int> { 5, 4, 3, 2, 1 }));
    const QList<int> appended = qv::append(qv::append(kFive, 6), 7);
    EXPECT_EQ(appended.size(), 7);
    EXPECT_EQ(appended.last(), 7);
    EXPECT_EQ(kFive.size(), 5); // the receiver is left alone
}

TEST(ArrayExpandTest, ShuffleKeepsEveryElementAndReachesEveryPosition)
{
    std::set<int> firstSeen;
    for (int round = 0; round < 200; ++round) {
        QList<int> shuffled = qv::randomizedArray(kFive);
        firstSeen.insert(shuffled.first());
        std::sort(shuffled.begin(), shuffled.end());
        ASSERT_EQ(shuffled, kFive);
    }
    EXPECT_EQ(firstSeen.size(), 5u); // an off-by-one bound would never move the last element first
    EXPECT_EQ(qv::randomizedArray(kFive, 2).size(), 2);
    EXPECT_EQ(qv::randomizedArray(kFive, 9).size(), 5);
}

TEST(ArrayExpandTest, PushAndPopEditTheRightEnd)
{
    QList<int> list { 3 };
    qv::pushHead(list, 2);
    qv::pushHeadN(list, QList<int> { 0, 1 });
    qv::pushTailN(qv::pushTail(list, 4), QList<int> { 5, 6 });
    EXPECT_EQ(list, (QList<int> { 0, 1, 2, 3, 4, 5, 6 }));

    qv::popHead(list);
    EXPECT_EQ(list.first(), 1);
    qv::popTail(list);
    EXPECT_EQ(list.last(), 5);
    qv::popTailN(list, 2);
    EXPECT_EQ(list, (QList<int> { 1, 2, 3 }));
    qv::popHeadN(list, 1);
    EXPECT_EQ(list, (QList<int> { 2, 3 }));
    qv::popHeadN(list, 10);
    EXPECT_TRUE(list.isEmpty());
    qv::popHead(list); // nothing to remove: no failure
    qv::popTail(list);
    qv::popTailN(list, 3);

    QVariantList variants { 1 };
    qv::pushHead(variants, QVariant()); // nil is ignored
    qv::pushTail(variants, QVariant());
    EXPECT_EQ(variants.size(), 1);

    QList<int> keep = kFive;
    EXPECT_EQ(qv::keepHead(keep, 3), (QList<int> { 1, 2, 3 }));
    EXPECT_EQ(qv::keepTail(keep, 2), (QList<int> { 2, 3 }));
    EXPECT_EQ(qv::keepTail(keep, 7), (QList<int> { 2, 3 }));
}

TEST(ArrayExpandTest, UniqueAdditionComparesLikeThePlatform)
{
    QVariantList list { 1, QStringLiteral("a") };
    qv::addUniqueObject(list, QVariant(1.0)); // a number equal to 1: already there
    qv::addUniqueObject(list, QVariant(QStringLiteral("1"))); // a string is another kind
    qv::addUniqueObject(list, QVariant(QStringLiteral("a")));
    EXPECT_EQ(list, (QVariantList { 1, QStringLiteral("a"), QStringLiteral("1") }));

    // Objects added earlier in the same call count.
    qv::addUniqueObjectsFromArray(list, QVariantList { 7, 7, QStringLiteral("a"), 8 });
    EXPECT_EQ(list, (QVariantList { 1, QStringLiteral("a"), QStringLiteral("1"), 7, 8 }));

    const qv::Comparator<QString> caseless
        = [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive); };
    QStringList names { QStringLiteral("Foo") };
    qv::addUniqueObject(names, QStringLiteral("FOO"), caseless);
    qv::addUniqueObject(names, QStringLiteral("FOO"));
    EXPECT_EQ(names, (QStringList { QStringLiteral("Foo"), QStringLiteral("FOO") }));

    qv::removeObject(names, QStringLiteral("foo"), caseless);
    EXPECT_TRUE(names.isEmpty());
    QStringList kept { QStringLiteral("x") };
    qv::removeObject(kept, QStringLiteral("x"), qv::Comparator<QString>()); // no comparator: nothing
    EXPECT_EQ(kept.size(), 1);
}

TEST(ArrayExpandTest, UniqueKeepsOneOfEachAndSortIsStable)
{
    QList<int> list { 3, 1, 3, 2, 1, 3 };
    qv::unique(list);
    EXPECT_EQ(list, (QList<int> { 3, 1, 2 }));

    QVariantList numbers { 3, 1.5, 2 };
    qv::sort(numbers);
    EXPECT_EQ(numbers, (QVariantList { 1.5, 2, 3 }));

    QStringList words { QStringLiteral("bb"), QStringLiteral("a"), QStringLiteral("cc"), QStringLiteral("d") };
    qv::sort(words, qv::Comparator<QString>([](const QString& a, const QString& b) {
                 return static_cast<int>(a.size() - b.size());
             }));
    EXPECT_EQ(words,
              (QStringList { QStringLiteral("a"), QStringLiteral("d"), QStringLiteral("bb"), QStringLiteral("cc") }));
}
