#include "platform/layout/LayoutEngine.h"

#include <QLabel>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace platform::layout;

namespace {

using Ptr = std::shared_ptr<LayoutConstraint>;

Ptr relate(QWidget* first, Attribute a, QWidget* second, Attribute b, double constant = 0, double multiplier = 1,
           Relation relation = Relation::Equal)
{
    return std::make_shared<LayoutConstraint>(first, a, relation, second, b, multiplier, constant);
}

Ptr fixed(QWidget* view, Attribute a, double constant, Relation relation = Relation::Equal)
{
    return std::make_shared<LayoutConstraint>(view, a, relation, nullptr, Attribute::NotAnAttribute, 1.0, constant);
}

// A fixed-size superview that keeps its frame, with one constrained child.
class LayoutEngineTest : public testing::Test
{
protected:
    void SetUp() override
    {
        root.resize(400, 300);
        child = new QWidget(&root);
        LayoutEngine::setTranslatesAutoresizingMaskIntoConstraints(child, false);
    }

    void add(QWidget* holder, const Ptr& c) { ASSERT_TRUE(LayoutEngine::addConstraint(holder, c)); }

    QWidget root;
    QWidget* child = nullptr;
};

} // namespace

TEST_F(LayoutEngineTest, EdgesToSuperviewGiveSuperviewRelativeFrame)
{
    add(&root, relate(child, Attribute::Left, &root, Attribute::Left, 10));
    add(&root, relate(child, Attribute::Right, &root, Attribute::Right, -10));
    add(&root, relate(child, Attribute::Top, &root, Attribute::Top, 20));
    add(child, fixed(child, Attribute::Height, 30));
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(child->geometry(), QRect(10, 20, 380, 30));
    EXPECT_EQ(root.geometry().size(), QSize(400, 300)); // a translating view is never moved

    // The superview's size change reaches the child in the next pass.
    root.resize(600, 300);
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(child->geometry(), QRect(10, 20, 580, 30));
}

TEST_F(LayoutEngineTest, CentresMultiplierAndDeferredPass)
{
    add(&root, relate(child, Attribute::CenterY, &root, Attribute::CenterY));
    add(&root, relate(child, Attribute::Right, &root, Attribute::Right, 25, 0.5));
    add(child, fixed(child, Attribute::Width, 50));
    add(child, fixed(child, Attribute::Height, 40));
    // No explicit pass: the engine lays out on the event loop.
    EXPECT_TRUE(QTest::qWaitFor([&] { return child->geometry() == QRect(175, 130, 50, 40); }));
}

TEST_F(LayoutEngineTest, NestedViewsUseTheirOwnSuperviewCoordinates)
{
    auto* middle = new QWidget(&root);
    auto* inner = new QWidget(middle);
    LayoutEngine::setTranslatesAutoresizingMaskIntoConstraints(middle, false);
    LayoutEngine::setTranslatesAutoresizingMaskIntoConstraints(inner, false);
    add(&root, relate(middle, Attribute::Left, &root, Attribute::Left, 50));
    add(&root, relate(middle, Attribute::Top, &root, Attribute::Top, 40));
    add(middle, fixed(middle, Attribute::Width, 200));
    add(middle, fixed(middle, Attribute::Height, 100));
    // Across two levels: inner's left is 60 from root's left, so 10 inside middle.
    add(&root, relate(inner, Attribute::Left, &root, Attribute::Left, 60));
    add(middle, relate(inner, Attribute::Bottom, middle, Attribute::Bottom, -5));
    add(middle, relate(inner, Attribute::Trailing, middle, Attribute::Trailing));
    add(inner, fixed(inner, Attribute::Height, 20));
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(middle->geometry(), QRect(50, 40, 200, 100));
    EXPECT_EQ(inner->geometry(), QRect(10, 75, 190, 20));
}

TEST_F(LayoutEngineTest, LabelsPressForTheirNaturalSize)
{
    auto* label = new QLabel(QStringLiteral("A label of some length"), &root);
    LayoutEngine::setTranslatesAutoresizingMaskIntoConstraints(label, false);
    add(&root, relate(label, Attribute::Left, &root, Attribute::Left, 8));
    add(&root, relate(label, Attribute::Top, &root, Attribute::Top, 8));
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(label->geometry(), QRect(QPoint(8, 8), label->sizeHint()));

    // Compression resistance (750) beats a medium wish to be narrow, not a required one.
    const Ptr narrow = fixed(label, Attribute::Width, 10, Relation::LessThanOrEqual);
    narrow->setPriority(Priority::Medium);
    add(label, narrow);
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(label->width(), label->sizeHint().width());
    narrow->setPriority(Priority::Required);
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(label->width(), 10);

    // Text changes reach the layout through the natural size.
    narrow->setActive(false);
    label->setText(QStringLiteral("A label of some greater length than before"));
    LayoutEngine::setNeedsLayout();
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(label->size(), label->sizeHint());
}

TEST_F(LayoutEngineTest, ContentPrioritiesDecideAgainstOtherPreferences)
{
    auto* label = new QLabel(QStringLiteral("Some text"), &root);
    LayoutEngine::setTranslatesAutoresizingMaskIntoConstraints(label, false);
    const Ptr wide = fixed(label, Attribute::Width, 300, Relation::GreaterThanOrEqual);
    wide->setPriority(Priority::Low + 1);
    const Ptr flat = fixed(label, Attribute::Height, 2, Relation::LessThanOrEqual);
    flat->setPriority(Priority::Medium);
    add(label, wide);
    add(label, flat);
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(label->width(), 300); // 251 beats the default hugging of 250
    EXPECT_EQ(label->height(), label->sizeHint().height()); // resistance 750 beats 501

    LayoutEngine::setContentHuggingPriority(label, Qt::Horizontal, Priority::High);
    LayoutEngine::setContentCompressionResistancePriority(label, Qt::Vertical, Priority::Low);
    EXPECT_EQ(LayoutEngine::contentHuggingPriority(label, Qt::Horizontal), Priority::High);
    EXPECT_EQ(LayoutEngine::contentCompressionResistancePriority(label, Qt::Vertical), Priority::Low);
    EXPECT_EQ(LayoutEngine::contentHuggingPriority(label, Qt::Vertical), Priority::Low);
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(label->width(), label->sizeHint().width());
    EXPECT_EQ(label->height(), 2);
}

TEST_F(LayoutEngineTest, UnfixedSizeKeepsCurrentSize)
{
    child->resize(77, 33);
    add(&root, relate(child, Attribute::Left, &root, Attribute::Left, 5));
    add(&root, relate(child, Attribute::Top, &root, Attribute::Top, 6));
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(child->geometry(), QRect(5, 6, 77, 33));
}

TEST_F(LayoutEngineTest, ConflictingRequiredConstraintIsDroppedNotFatal)
{
    const Ptr first = fixed(child, Attribute::Width, 100);
    const Ptr second = fixed(child, Attribute::Width, 200);
    add(child, first);
    add(child, second); // held, but left out of the solution
    EXPECT_FALSE(first->isDropped());
    EXPECT_TRUE(second->isDropped());
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(child->width(), 100);

    // An edit into conflict drops the edited constraint; an edit back brings it back.
    const Ptr minimum = fixed(child, Attribute::Width, 50, Relation::GreaterThanOrEqual);
    add(child, minimum);
    minimum->setConstant(150);
    EXPECT_TRUE(minimum->isDropped());
    minimum->setConstant(60);
    EXPECT_FALSE(minimum->isDropped());
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(child->width(), 100);
}

TEST_F(LayoutEngineTest, EditActivationAndRemoval)
{
    const Ptr left = relate(child, Attribute::Left, &root, Attribute::Left, 10);
    add(&root, left);
    add(child, fixed(child, Attribute::Width, 100));
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(child->x(), 10);

    left->setConstant(30);
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(child->x(), 30);

    left->setActive(false);
    EXPECT_FALSE(left->isActive());
    EXPECT_TRUE(LayoutEngine::constraints(&root).empty());
    left->setActive(true); // back on the closest common ancestor
    EXPECT_EQ(left->view(), &root);
    ASSERT_EQ(LayoutEngine::constraints(&root).size(), 1u);

    LayoutEngine::removeConstraint(&root, left);
    EXPECT_FALSE(left->isActive());
    child->move(70, 0);
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(child->geometry().size(), QSize(100, child->height()));
}

TEST_F(LayoutEngineTest, ItemsOutsideTheHolderAreRefused)
{
    QWidget stranger;
    const Ptr c = relate(child, Attribute::Left, &stranger, Attribute::Left);
    EXPECT_FALSE(LayoutEngine::addConstraint(&root, c));
    EXPECT_FALSE(LayoutEngine::addConstraint(nullptr, fixed(child, Attribute::Width, 1)));
    EXPECT_FALSE(c->isActive());
    EXPECT_EQ(LayoutEngine::closestCommonAncestor(child, &stranger), nullptr);
    EXPECT_EQ(LayoutEngine::closestCommonAncestor(child, &root), &root);
}

TEST_F(LayoutEngineTest, DestroyedViewTakesItsConstraintsAlong)
{
    auto* other = new QWidget(&root);
    LayoutEngine::setTranslatesAutoresizingMaskIntoConstraints(other, false);
    const Ptr between = relate(other, Attribute::Left, child, Attribute::Right, 8);
    add(&root, relate(child, Attribute::Left, &root, Attribute::Left));
    add(&root, between);
    add(child, fixed(child, Attribute::Width, 40));
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(other->x(), 48);

    delete child;
    child = nullptr;
    EXPECT_FALSE(between->isActive());
    EXPECT_TRUE(LayoutEngine::constraints(&root).empty());
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(other->x(), 48);
}

TEST_F(LayoutEngineTest, ReparentedViewIsMeasuredInItsNewPlace)
{
    auto* box = new QWidget(&root);
    box->setGeometry(100, 100, 200, 100);
    add(&root, relate(child, Attribute::Left, &root, Attribute::Left, 120));
    add(child, fixed(child, Attribute::Width, 10));
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(child->x(), 120);
    child->setParent(box);
    LayoutEngine::layoutIfNeeded();
    EXPECT_EQ(child->x(), 20);
}
