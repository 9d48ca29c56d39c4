#include "foundation/Result.h"

#include <gtest/gtest.h>

TEST(ResultTest, CarriesValueOrMessage)
{
    const auto good = qv::Result<int>::success(3);
    ASSERT_TRUE(good.ok());
    EXPECT_EQ(good.value(), 3);
    const auto bad = qv::Result<int>::failure(QStringLiteral("Failed to read. File: \"x\". Error: \"gone\""));
    EXPECT_FALSE(bad.ok());
    EXPECT_EQ(bad.valueOr(7), 7);
    EXPECT_TRUE(bad.message().contains(QStringLiteral("gone")));
}
