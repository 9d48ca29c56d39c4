#include "KitLayoutFixture.h"

#include "kit/layout/ArrayMASAdditions.h"

using platform::layout::Attribute;
using platform::layout::LayoutEngine;

using MASConstraintMakerTest = KitLayoutFixture;

TEST_F(MASConstraintMakerTest, ChainedAttributesBecomeOneComposite)
{
    mas_makeConstraints(b, [&](MASConstraintMaker* make) {
        make->edges()->equalTo(&root)->insets({ 50, 60, 70, 80 });
    });
    auto maker = std::make_shared<MASConstraintMaker>(a);
    maker->left()->right()->equalTo(b);
    ASSERT_EQ(maker->constraints().size(), 1u);
    auto* pair = composite(maker->constraints()[0]);
    ASSERT_NE(pair, nullptr);
    ASSERT_EQ(pair->childConstraints().size(), 2u);
    EXPECT_EQ(viewConstraint(pair->childConstraints()[1])->firstViewAttribute(), mas_right(a));

    LayoutEngine::setTranslatesAutoresizingMaskIntoConstraints(a, false);
    const auto installed = maker->install();
    EXPECT_TRUE(maker->constraints().empty());
    ASSERT_EQ(installed.size(), 1u);
    EXPECT_EQ(mas_installedConstraints(a).size(), 2u);
    layout();
    EXPECT_EQ(a->x(), 60);
    EXPECT_EQ(a->width(), 400 - 60 - 80);
}

TEST_F(MASConstraintMakerTest, EqualToWithListReplacesTheConstraintByAComposite)
{
    auto maker = std::make_shared<MASConstraintMaker>(a);
    maker->top()->equalTo(5);
    MASConstraint* result = maker->width()->lessThanOrEqualTo({ b, &root })->offset(-10);
    ASSERT_EQ(maker->constraints().size(), 2u);
    auto* widths = composite(maker->constraints()[1]);
    ASSERT_NE(widths, nullptr);
    EXPECT_EQ(result, widths);
    ASSERT_EQ(widths->childConstraints().size(), 2u);
    auto* first = viewConstraint(widths->childConstraints()[0]);
    EXPECT_EQ(*first->secondViewAttribute(), mas_width(b));
    EXPECT_EQ(first->layoutRelation(), platform::layout::Relation::LessThanOrEqual);
    EXPECT_EQ(first->layoutConstant(), -10);
    EXPECT_EQ(*viewConstraint(widths->childConstraints()[1])->secondViewAttribute(), mas_width(&root));
}

TEST_F(MASConstraintMakerTest, EdgesWithInsetAndAttributeMasks)
{
    const auto made = mas_makeConstraints(a, [](MASConstraintMaker* make) { make->edges()->inset(10); });
    ASSERT_EQ(made.size(), 1u);
    const auto& children = composite(made[0])->childConstraints();
    ASSERT_EQ(children.size(), 4u);
    const Attribute order[] = { Attribute::Left, Attribute::Right, Attribute::Top, Attribute::Bottom };
    const double constants[] = { 10, -10, 10, -10 };
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(viewConstraint(children[i])->firstViewAttribute().layoutAttribute(), order[i]);
        EXPECT_EQ(viewConstraint(children[i])->layoutConstraint()->constant(), constants[i]);
        EXPECT_EQ(viewConstraint(children[i])->layoutConstraint()->secondItem(), &root);
    }
    layout();
    EXPECT_EQ(a->geometry(), QRect(10, 10, 380, 280));

    auto maker = std::make_shared<MASConstraintMaker>(b);
    EXPECT_TRUE(composite(maker->constraints().empty() ? nullptr : maker->constraints()[0]) == nullptr);
    auto* none = dynamic_cast<MASCompositeConstraint*>(maker->attributes(1u << 12 | 1u));
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(none->childConstraints().empty());
    auto* sizes = dynamic_cast<MASCompositeConstraint*>(maker->size());
    ASSERT_EQ(sizes->childConstraints().size(), 2u);
    EXPECT_EQ(viewConstraint(sizes->childConstraints()[1])->firstViewAttribute().layoutAttribute(), Attribute::Height);
}

TEST_F(MASConstraintMakerTest, CompositeKeysAndGroups)
{
    auto maker = std::make_shared<MASConstraintMaker>(a);
    maker->edges()->key(QStringLiteral("box"));
    auto* box = composite(maker->constraints()[0]);
    ASSERT_EQ(box->childConstraints().size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(viewConstraint(box->childConstraints()[size_t(i)])->mas_key().toString(),
                  QStringLiteral("box[%1]").arg(i));
    }

    auto* group = dynamic_cast<MASCompositeConstraint*>(maker->group([&] {
        maker->width()->equalTo(30);
        maker->height()->equalTo(40);
    }));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->childConstraints().size(), 2u);
    EXPECT_EQ(maker->constraints().size(), 3u); // the group itself is not in the list
    group->priorityHigh();
    EXPECT_EQ(viewConstraint(maker->constraints()[2])->layoutPriority(), 750.0f);
}

TEST_F(MASConstraintMakerTest, UpdateInPlaceAndRemake)
{
    mas_makeConstraints(a, [&](MASConstraintMaker* make) {
        make->top()->equalTo(&root)->offset(10);
        make->left()->equalTo(&root);
    });
    const auto top = LayoutEngine::constraints(&root).front();
    mas_updateConstraints(a, [&](MASConstraintMaker* make) { make->top()->equalTo(&root)->offset(20); });
    EXPECT_EQ(LayoutEngine::constraints(&root).size(), 2u);
    EXPECT_EQ(top->constant(), 20);
    layout();
    EXPECT_EQ(a->pos(), QPoint(0, 20));

    mas_remakeConstraints(a, [&](MASConstraintMaker* make) { make->top()->equalTo(mas_bottom(b))->offset(3); });
    ASSERT_EQ(mas_installedConstraints(a).size(), 1u);
    ASSERT_EQ(LayoutEngine::constraints(&root).size(), 1u);
    EXPECT_EQ(LayoutEngine::constraints(&root).front()->secondItem(), b);
    b->setGeometry(0, 0, 10, 40);
    layout();
    EXPECT_EQ(a->y(), 43);
}

TEST_F(MASConstraintMakerTest, ListsOfViewsAndCommonSuperviews)
{
    auto* inner = new QWidget(a);
    EXPECT_EQ(mas_closestCommonSuperview(a, b), &root);
    EXPECT_EQ(mas_closestCommonSuperview(a, inner), a);
    EXPECT_EQ(mas_closestCommonSuperview(inner, b), &root);
    EXPECT_EQ(mas_closestCommonSuperview(a, nullptr), nullptr);
    EXPECT_EQ(mas_commonSuperviewOfViews({ nullptr, inner, b }), &root);
    EXPECT_EQ(mas_commonSuperviewOfViews({}), nullptr);

    const auto made = mas_makeConstraints(QList<QWidget*> { a, b }, [](MASConstraintMaker* make) {
        make->width()->equalTo(25);
        make->top()->equalTo(4);
    });
    EXPECT_EQ(made.size(), 4u);
    layout();
    EXPECT_EQ(a->geometry().topLeft().y(), 4);
    EXPECT_EQ(b->width(), 25);
}

TEST_F(MASConstraintMakerTest, DistributionWithFixedItemLengthCentresTheMiddleView)
{
    auto* c = new QWidget(&root);
    mas_distributeViewsAlongAxisWithFixedItemLength({ a, b, c }, MASAxisTypeHorizontal, 50, 10, 10);
    const auto middle = mas_installedConstraints(b);
    ASSERT_EQ(middle.size(), 2u);
    const auto right = middle[1]->layoutConstraint();
    EXPECT_EQ(right->firstAttribute(), Attribute::Right);
    EXPECT_EQ(right->secondItem(), &root);
    EXPECT_DOUBLE_EQ(right->multiplier(), 0.5);
    EXPECT_DOUBLE_EQ(right->constant(), 25);
    layout();
    EXPECT_EQ(a->x(), 10);
    EXPECT_EQ(b->geometry().center().x() + 1, 200); // 175 .. 224 is centred on 200
    EXPECT_EQ(c->x() + c->width(), 390);

    // A single view is left alone.
    auto* alone = new QWidget(&root);
    mas_distributeViewsAlongAxisWithFixedItemLength({ alone }, MASAxisTypeVertical, 50, 10, 10);
    mas_distributeViewsAlongAxisWithFixedSpacing({ alone }, MASAxisTypeVertical, 5, 10, 10);
    EXPECT_TRUE(mas_installedConstraints(alone).empty());
    EXPECT_TRUE(LayoutEngine::translatesAutoresizingMaskIntoConstraints(alone));
}

TEST_F(MASConstraintMakerTest, DistributionWithFixedSpacingMakesEqualLengths)
{
    auto* c = new QWidget(&root);
    mas_distributeViewsAlongAxisWithFixedSpacing({ a, b, c }, MASAxisTypeVertical, 6, 12, 12);
    layout();
    // 300 - 12 - 12 - 2 × 6 = 264, three times 88.
    EXPECT_EQ(a->y(), 12);
    EXPECT_EQ(a->height(), 88);
    EXPECT_EQ(b->y(), 106);
    EXPECT_EQ(c->height(), 88);
    EXPECT_EQ(c->y() + c->height(), 288);
}
