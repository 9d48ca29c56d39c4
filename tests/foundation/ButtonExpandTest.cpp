#include "foundation/ButtonExpand.h"

#include <QPushButton>

#include <gtest/gtest.h>

namespace {

TEST(ButtonExpandTest, TitleColourAndUnderlineDropsIt)
{
    QPushButton button(QStringLiteral("Old"));
    qv::setTitleColor(&button, QColor(200, 10, 10));
    EXPECT_EQ(qv::titleColor(&button), QColor(200, 10, 10));

    qv::addUnderlineWithText(&button, QStringLiteral("Learn more"));
    EXPECT_EQ(button.text(), QStringLiteral("Learn more"));
    EXPECT_TRUE(button.font().underline());
    EXPECT_NE(qv::titleColor(&button), QColor(200, 10, 10)) << "the old title's colour is dropped";
}

} // namespace
