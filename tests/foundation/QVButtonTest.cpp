#include "foundation/QVButton.h"

#include "foundation/Spinner.h"

#include <gtest/gtest.h>

namespace {

TEST(QVButtonTest, LoadingDisablesAndCentresTheSpinner)
{
    QVButton button(QStringLiteral("Upload"));
    button.resize(100, 31);
    button.show();
    button.setLoading(true);
    EXPECT_FALSE(button.isEnabled());
    qv::Spinner* spinner = button.indicator();
    EXPECT_EQ(spinner->parentWidget(), &button);
    EXPECT_TRUE(spinner->isAnimating());
    EXPECT_TRUE(spinner->isVisible());
    EXPECT_EQ(spinner->geometry(), QRect((100 - 15) / 2, (31 - 15) / 2, 15, 15));

    button.setLoading(false);
    EXPECT_TRUE(button.isEnabled());
    EXPECT_EQ(spinner->parentWidget(), nullptr) << "the spinner is removed";
    EXPECT_FALSE(spinner->isAnimating());
    EXPECT_EQ(button.indicator(), spinner) << "made once";
}

TEST(QVButtonTest, ObjIsHeldWeakly)
{
    QVButton button;
    auto* attached = new QObject;
    button.setObj(attached);
    EXPECT_EQ(button.obj(), attached);
    delete attached;
    EXPECT_EQ(button.obj(), nullptr);
}

} // namespace
