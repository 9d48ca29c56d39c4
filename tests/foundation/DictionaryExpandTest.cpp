#include "foundation/DictionaryExpand.h"

#include "foundation/ObjectGCD.h"

#include <gtest/gtest.h>

namespace {

QVariantMap sample()
{
    return qv::keyValues({ QStringLiteral("app"),
                           qv::keyValues({ QStringLiteral("name"), QStringLiteral("Tarsel"), QStringLiteral("build"),
                                           qlonglong(5000000000LL), QStringLiteral("list"), QVariantList { 1, 2 } }),
                           QStringLiteral("config.plist"), QStringLiteral("dotted key"), QStringLiteral("flat"),
                           QStringLiteral("leaf") });
}

} // namespace

TEST(DictionaryExpandTest, KeyPathsWalkNestedDictionaries)
{
    const QVariantMap m = sample();
    EXPECT_EQ(qv::objectAtPath(m, QStringLiteral("app/name")).toString(), QStringLiteral("Tarsel"));
    EXPECT_EQ(qv::objectAtPath(m, QStringLiteral("app.name")).toString(), QStringLiteral("Tarsel"));
    EXPECT_EQ(qv::objectAtPath(m, QStringLiteral("/app//name/")).toString(), QStringLiteral("Tarsel"));
    // With the default separators a dot splits; a key holding a dot needs "/" given explicitly.
    EXPECT_FALSE(qv::objectAtPath(m, QStringLiteral("config.plist")).isValid());
    EXPECT_EQ(qv::objectAtPath(m, QStringLiteral("config.plist"), QVariant(), QStringLiteral("/")).toString(),
              QStringLiteral("dotted key"));
    // A value before the last key that is no dictionary ends the walk.
    EXPECT_FALSE(qv::objectAtPath(m, QStringLiteral("flat/more")).isValid());
    EXPECT_FALSE(qv::objectAtPath(m, QStringLiteral("app/missing")).isValid());
    EXPECT_FALSE(qv::objectAtPath(m, QString()).isValid());
    EXPECT_EQ(qv::objectAtPath(m, QStringLiteral("app/missing"), 7).toInt(), 7);
}

TEST(DictionaryExpandTest, TypedGettersConvertByKind)
{
    const QVariantMap m = qv::keyValues({ QStringLiteral("yes"),   QStringLiteral("Yes"),
                                          QStringLiteral("true"),  QStringLiteral("t"),
                                          QStringLiteral("one"),   QStringLiteral("1"),
                                          QStringLiteral("ten"),   QStringLiteral("10"),
                                          QStringLiteral("half"),  0.5,
                                          QStringLiteral("two"),   2,
                                          QStringLiteral("null"),  qv::nullObject(),
                                          QStringLiteral("list"),  QVariantList { 1 },
                                          QStringLiteral("big"),   qlonglong(5000000000LL),
                                          QStringLiteral("price"), QStringLiteral(" 2.5e1 kg") });
    EXPECT_TRUE(qv::boolAtPath(m, QStringLiteral("yes")));
    EXPECT_TRUE(qv::boolAtPath(m, QStringLiteral("true")));
    EXPECT_TRUE(qv::boolAtPath(m, QStringLiteral("one")));
    EXPECT_FALSE(qv::boolAtPath(m, QStringLiteral("ten"))); // only "1" itself among digit texts
    EXPECT_FALSE(qv::boolAtPath(m, QStringLiteral("half"))); // integer value 0
    EXPECT_TRUE(qv::boolAtPath(m, QStringLiteral("two")));
    EXPECT_FALSE(qv::boolAtPath(m, QStringLiteral("null"), true)); // the null object is NO, not the default
    EXPECT_TRUE(qv::boolAtPath(m, QStringLiteral("list"), true));
    EXPECT_TRUE(qv::boolAtPath(m, QStringLiteral("missing"), true));

    EXPECT_DOUBLE_EQ(qv::numberAtPath(m, QStringLiteral("price")).toDouble(), 25.0);
    EXPECT_EQ(qv::numberAtPath(m, QStringLiteral("two")).toInt(), 2);
    EXPECT_FALSE(qv::numberAtPath(m, QStringLiteral("list")).isValid());
    EXPECT_EQ(qv::numberAtPath(m, QStringLiteral("list"), 9).toInt(), 9);

    EXPECT_EQ(qv::stringAtPath(m, QStringLiteral("half")), QStringLiteral("0"));
    EXPECT_EQ(qv::stringAtPath(m, QStringLiteral("big")), QStringLiteral("5000000000")); // not cut to 32 bits
    EXPECT_TRUE(qv::stringAtPath(m, QStringLiteral("list")).isNull());
    EXPECT_EQ(qv::stringAtPath(m, QStringLiteral("list"), QStringLiteral("-")), QStringLiteral("-"));

    EXPECT_EQ(qv::arrayAtPath(m, QStringLiteral("list")), QVariantList { 1 });
    EXPECT_FALSE(qv::arrayAtPath(m, QStringLiteral("two")).has_value());
    EXPECT_FALSE(qv::dictAtPath(m, QStringLiteral("list")).has_value());
    EXPECT_EQ(qv::dictAtPath(sample(), QStringLiteral("app"))->value(QStringLiteral("name")).toString(),
              QStringLiteral("Tarsel"));
}

TEST(DictionaryExpandTest, SetObjectCreatesLevelsAndNeverOverwritesAValueOnTheWay)
{
    QVariantMap m = sample();
    EXPECT_TRUE(qv::setObject(m, 1, QStringLiteral("a/b.c")));
    EXPECT_EQ(qv::objectAtPath(m, QStringLiteral("a/b/c")).toInt(), 1);
    EXPECT_TRUE(qv::setObject(m, 2, QStringLiteral("app/name")));
    EXPECT_EQ(qv::objectAtPath(m, QStringLiteral("app/name")).toInt(), 2);
    EXPECT_EQ(qv::objectAtPath(m, QStringLiteral("app/list")).toList().size(), 2); // siblings stay
    EXPECT_TRUE(qv::setObject(m, 3, QStringLiteral("new.key"), QStringLiteral("/")));
    EXPECT_EQ(m.value(QStringLiteral("new.key")).toInt(), 3);

    const QVariantMap before = m;
    EXPECT_FALSE(qv::setObject(m, 4, QStringLiteral("flat/below"))); // "flat" holds text
    EXPECT_FALSE(qv::setObject(m, QVariant(), QStringLiteral("x")));
    EXPECT_FALSE(qv::setObject(m, 4, QStringLiteral("//")));
    EXPECT_EQ(m, before);

    // append leaves the receiver alone and answers the edited copy (or the receiver unchanged).
    const QVariantMap appended = qv::append(before, QStringLiteral("z/y"), 5);
    EXPECT_EQ(qv::objectAtPath(appended, QStringLiteral("z/y")).toInt(), 5);
    EXPECT_FALSE(before.contains(QStringLiteral("z")));
    EXPECT_EQ(qv::append(before, QStringLiteral("z"), QVariant()), before);
}

TEST(DictionaryExpandTest, AnyOfAndKeyValues)
{
    QVariantMap m = qv::keyValues(
        { QStringLiteral("b"), 2, QStringLiteral("c"), QStringLiteral("three"), QStringLiteral("dangling") });
    EXPECT_EQ(m.size(), 2); // a key without a value is dropped
    EXPECT_EQ(qv::objectOfAny(m, { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") }).toInt(), 2);
    EXPECT_FALSE(qv::objectOfAny(m, { QStringLiteral("x") }).isValid());
    EXPECT_EQ(qv::stringOfAny(m, { QStringLiteral("a"), QStringLiteral("b") }), QStringLiteral("2"));
    EXPECT_EQ(qv::stringOfAny(m, { QStringLiteral("c"), QStringLiteral("b") }, true), QStringLiteral("three"));
    EXPECT_TRUE(m.isEmpty());
}
