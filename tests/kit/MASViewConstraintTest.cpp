#include "KitLayoutFixture.h"

#include <unordered_set>

using platform::layout::Attribute;
using platform::layout::LayoutEngine;
using platform::layout::Relation;

using MASViewConstraintTest = KitLayoutFixture;

TEST_F(MASViewConstraintTest, SizeConstantSitsOnTheViewAndEdgesOnTheSuperview)
{
    const auto made = mas_makeConstraints(a, [](MASConstraintMaker* make) {
        make->width()->equalTo(120);
        make->left()->equalTo(15);
    });
    ASSERT_EQ(made.size(), 2u);
    auto width = viewConstraint(made[0])->layoutConstraint();
    EXPECT_EQ(viewConstraint(made[0])->installedView(), a);
    EXPECT_EQ(width->secondItem(), nullptr);
    EXPECT_EQ(width->secondAttribute(), Attribute::NotAnAttribute);
    EXPECT_EQ(width->constant(), 120);

    auto left = viewConstraint(made[1])->layoutConstraint();
    EXPECT_EQ(viewConstraint(made[1])->installedView(), &root);
    EXPECT_EQ(left->secondItem(), &root);
    EXPECT_EQ(left->secondAttribute(), Attribute::Left);
    EXPECT_EQ(mas_installedConstraints(a).size(), 2u);
    layout();
    EXPECT_EQ(a->x(), 15);
    EXPECT_EQ(a->width(), 120);
}

TEST_F(MASViewConstraintTest, InsetsOffsetsMultipliersAndPriorities)
{
    std::vector<std::shared_ptr<MASConstraint>> made = mas_makeConstraints(a, [&](MASConstraintMaker* make) {
        make->top()->equalTo(&root)->insets({ 10, 20, 30, 40 });
        make->left()->equalTo(&root)->insets({ 10, 20, 30, 40 });
        make->bottom()->equalTo(&root)->insets({ 10, 20, 30, 40 });
        make->right()->equalTo(&root)->insets({ 10, 20, 30, 40 });
        make->width()->equalTo(&root)->dividedBy(4)->priorityMedium();
        make->height()->equalTo(mas_width(&root))->multipliedBy(0.1)->priorityLow()->valueOffset(QSizeF(5, 7));
        make->centerX()->equalTo(QPointF(3, 4))->priorityLow();
    });
    ASSERT_EQ(made.size(), 7u);
    EXPECT_EQ(viewConstraint(made[0])->layoutConstant(), 10);
    EXPECT_EQ(viewConstraint(made[1])->layoutConstant(), 20);
    EXPECT_EQ(viewConstraint(made[2])->layoutConstant(), -30);
    EXPECT_EQ(viewConstraint(made[3])->layoutConstant(), -40);
    EXPECT_EQ(viewConstraint(made[4])->layoutMultiplier(), 0.25);
    EXPECT_EQ(viewConstraint(made[4])->layoutPriority(), 501.0f);
    EXPECT_EQ(viewConstraint(made[5])->layoutConstant(), 7); // the size offset's height
    EXPECT_EQ(viewConstraint(made[5])->layoutPriority(), 250.0f);
    EXPECT_EQ(viewConstraint(made[6])->layoutConstant(), 3); // a point is a centre offset
    EXPECT_FALSE(viewConstraint(made[6])->secondViewAttribute().has_value());
    layout();
    EXPECT_EQ(a->geometry(), QRect(20, 10, 340, 260));
}

TEST_F(MASViewConstraintTest, CopyKeepsValuesButNotTheOtherEndKeyOrInstallation)
{
    MASViewConstraint original(mas_left(a));
    original.equalTo(b)->offset(4)->multipliedBy(2)->priority(300)->key(QStringLiteral("k"));
    const auto copy = original.copy();
    EXPECT_EQ(copy->layoutConstant(), 4);
    EXPECT_EQ(copy->layoutMultiplier(), 2);
    EXPECT_EQ(copy->layoutPriority(), 300.0f);
    EXPECT_EQ(copy->layoutRelation(), Relation::Equal);
    EXPECT_FALSE(copy->secondViewAttribute().has_value());
    EXPECT_FALSE(copy->mas_key().isValid());
    EXPECT_EQ(copy->layoutConstraint(), nullptr);
    ASSERT_TRUE(original.secondViewAttribute().has_value());
    EXPECT_EQ(*original.secondViewAttribute(), mas_left(b));
}

TEST_F(MASViewConstraintTest, ViewAttributeEqualityAndHash)
{
    EXPECT_EQ(mas_top(a), mas_top(a));
    EXPECT_FALSE(mas_top(a) == mas_top(b));
    EXPECT_FALSE(mas_top(a) == mas_left(a));
    EXPECT_TRUE(mas_width(a).isSizeAttribute());
    EXPECT_FALSE(mas_centerX(a).isSizeAttribute());
    EXPECT_EQ(mas_top(a).hash(), mas_top(a).hash());
    std::unordered_set<std::size_t> hashes { mas_top(a).hash(), mas_left(a).hash(), mas_top(b).hash() };
    EXPECT_EQ(hashes.size(), 3u);
}

TEST_F(MASViewConstraintTest, UpdateExistingChangesOnlyTheSimilarConstraint)
{
    mas_makeConstraints(a, [&](MASConstraintMaker* make) { make->top()->equalTo(&root)->offset(10); });
    const auto before = LayoutEngine::constraints(&root);
    ASSERT_EQ(before.size(), 1u);

    const auto updated
        = mas_updateConstraints(a, [&](MASConstraintMaker* make) { make->top()->equalTo(&root)->offset(20); });
    ASSERT_EQ(LayoutEngine::constraints(&root).size(), 1u);
    EXPECT_EQ(before[0]->constant(), 20);
    EXPECT_EQ(viewConstraint(updated[0])->layoutConstraint(), before[0]);

    // Another priority is another constraint.
    mas_updateConstraints(a,
                          [&](MASConstraintMaker* make) { make->top()->equalTo(&root)->offset(30)->priorityHigh(); });
    EXPECT_EQ(LayoutEngine::constraints(&root).size(), 2u);
    EXPECT_EQ(before[0]->constant(), 20);
    layout();
    EXPECT_EQ(a->y(), 20);
}

TEST_F(MASViewConstraintTest, UninstallKeepsThePlatformConstraintForReinstall)
{
    const auto made = mas_makeConstraints(a, [&](MASConstraintMaker* make) { make->left()->equalTo(b); });
    auto* c = viewConstraint(made[0]);
    const auto platformConstraint = c->layoutConstraint();
    EXPECT_TRUE(c->hasBeenInstalled());

    c->deactivate();
    EXPECT_FALSE(c->hasBeenInstalled());
    EXPECT_TRUE(mas_installedConstraints(a).empty());
    EXPECT_TRUE(LayoutEngine::constraints(&root).empty());
    EXPECT_EQ(c->layoutConstraint(), platformConstraint);

    c->activate();
    EXPECT_TRUE(c->hasBeenInstalled());
    EXPECT_EQ(c->layoutConstraint(), platformConstraint);
    EXPECT_EQ(mas_installedConstraints(a).size(), 1u);
    c->setLayoutConstant(12); // edits the installed constraint in place
    EXPECT_EQ(platformConstraint->constant(), 12);
}

TEST_F(MASViewConstraintTest, NoCommonSuperviewIsReportedAsNotInstalled)
{
    QWidget stranger;
    const auto made = mas_makeConstraints(a, [&](MASConstraintMaker* make) {
        make->left()->equalTo(&stranger);
        make->height()->equalTo(10);
    });
    ASSERT_EQ(made.size(), 2u); // the maker still answers everything it made
    auto* lost = viewConstraint(made[0]);
    EXPECT_FALSE(lost->hasBeenInstalled());
    EXPECT_EQ(lost->installedView(), nullptr);
    EXPECT_EQ(lost->layoutConstraint(), nullptr);
    ASSERT_EQ(mas_installedConstraints(a).size(), 1u);
    EXPECT_EQ(mas_installedConstraints(a)[0].get(), viewConstraint(made[1]));
    EXPECT_TRUE(LayoutEngine::constraints(&root).empty());

    // A parentless view related to its missing superview fares the same.
    QWidget orphan;
    mas_makeConstraints(&orphan, [](MASConstraintMaker* make) { make->top()->equalTo(5); });
    EXPECT_TRUE(mas_installedConstraints(&orphan).empty());
}
