#include "KitLayoutFixture.h"

#include "kit/layout/MASDebugAdditions.h"

#include <QLabel>

using platform::layout::Attribute;
using platform::layout::Relation;

namespace {

std::shared_ptr<MASLayoutConstraint> kitConstraint(QWidget* first, Attribute a, QWidget* second, Attribute b,
                                                   double constant, double multiplier = 1.0)
{
    return std::make_shared<MASLayoutConstraint>(first, a, Relation::Equal, second, b, multiplier, constant);
}

} // namespace

using MASDebugAdditionsTest = KitLayoutFixture;

TEST_F(MASDebugAdditionsTest, KeyedWidthConstraint)
{
    QLabel label;
    setMas_key(&label, QStringLiteral("title"));
    const auto made = mas_makeConstraints(
        &label, [](MASConstraintMaker* make) { make->width()->equalTo(200)->key(QStringLiteral("titleWidth")); });
    const auto platformConstraint = viewConstraint(made[0])->layoutConstraint();
    EXPECT_EQ(platformConstraint->description(),
              QStringLiteral("<MASLayoutConstraint:titleWidth QLabel:title.width == 200>"));
    EXPECT_EQ(MASDebugAdditions::description(*platformConstraint), platformConstraint->description());
}

TEST_F(MASDebugAdditionsTest, SecondItemConstantsAndPriorities)
{
    setMas_key(a, QStringLiteral("a"));
    setMas_key(&root, QStringLiteral("root"));
    auto c = kitConstraint(a, Attribute::Left, &root, Attribute::Left, -10);
    c->setMas_key(QStringLiteral("k"));
    EXPECT_EQ(c->description(), QStringLiteral("<MASLayoutConstraint:k QWidget:a.left == QWidget:root.left - 10>"));
    c->setConstant(0);
    EXPECT_TRUE(c->description().endsWith(QStringLiteral("QWidget:root.left>")));
    c->setConstant(2.5);
    c->setPriority(750);
    EXPECT_TRUE(c->description().endsWith(QStringLiteral(".left + 2.5 ^high>")));
    c->setPriority(600);
    EXPECT_TRUE(c->description().endsWith(QStringLiteral(" ^600>")));
    c->setPriority(1000);
    EXPECT_TRUE(c->description().endsWith(QStringLiteral(".left + 2.5>")));

    auto half = kitConstraint(a, Attribute::Right, &root, Attribute::Right, 25, 0.5);
    half->setMas_key(QStringLiteral("h"));
    EXPECT_TRUE(half->description().endsWith(QStringLiteral("QWidget:root.right * 0.5 + 25>")));
    // A constant relation prints its constant even when it is 0.
    auto zero = kitConstraint(a, Attribute::Height, nullptr, Attribute::NotAnAttribute, 0);
    EXPECT_TRUE(zero->description().endsWith(QStringLiteral(".height == 0>")));
}

TEST_F(MASDebugAdditionsTest, UnkeyedObjectsShowTheirAddress)
{
    auto c = kitConstraint(b, Attribute::Baseline, nullptr, Attribute::NotAnAttribute, 1);
    const QString address = QString::asprintf("%p", static_cast<const void*>(c.get()));
    const QString viewAddress = QString::asprintf("%p", static_cast<const void*>(b));
    EXPECT_EQ(c->description(),
              QStringLiteral("<MASLayoutConstraint:%1 QWidget:%2.baseline == 1>").arg(address, viewAddress));
    EXPECT_EQ(MASDebugAdditions::descriptionForObject(b), QStringLiteral("QWidget:") + viewAddress);

    // Platform constraints made without the kit read the same way.
    auto plain = std::make_shared<platform::layout::LayoutConstraint>(b, Attribute::Width, Relation::GreaterThanOrEqual,
                                                                      nullptr, Attribute::NotAnAttribute, 1.0, 3);
    EXPECT_TRUE(plain->description().startsWith(QStringLiteral("<LayoutConstraint:0x")));
    EXPECT_TRUE(plain->description().endsWith(QStringLiteral(".width >= 3>")));
}

TEST_F(MASDebugAdditionsTest, Tables)
{
    EXPECT_EQ(MASDebugAdditions::layoutRelationDescriptionsByValue().value(-1), QStringLiteral("<="));
    EXPECT_EQ(MASDebugAdditions::layoutAttributeDescriptionsByValue().size(), 11);
    EXPECT_EQ(MASDebugAdditions::layoutAttributeDescriptionsByValue().value(9), QStringLiteral("centerX"));
    EXPECT_EQ(MASDebugAdditions::layoutPriorityDescriptionsByValue().value(510.0f),
              QStringLiteral("drag can resize window"));
    EXPECT_EQ(MASDebugAdditions::layoutPriorityDescriptionsByValue().value(50.0f), QStringLiteral("fitting size"));
}
