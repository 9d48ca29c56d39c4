#include "foundation/MutableStringExpand.h"

#include <gtest/gtest.h>

TEST(MutableStringExpandTest, StepsChangeTheReceiverAndChain)
{
    QString text = QStringLiteral("#!/bin/bash");
    QString& same = qv::LINE(qv::APPEND(qv::LINE(text), "cd %@ && %@", QStringLiteral("/tmp"), "ls"));
    EXPECT_EQ(&same, &text);
    EXPECT_EQ(text, QStringLiteral("#!/bin/bash\ncd /tmp && ls\n"));
    qv::LINE(text, "%d%%", 100);
    EXPECT_TRUE(text.endsWith(QStringLiteral("100%\n")));
}

TEST(MutableStringExpandTest, ReplaceIgnoresCase)
{
    QString text = QStringLiteral("@RFPATH and @rfpath and @RfPath");
    EXPECT_EQ(qv::REPLACE(text, QStringLiteral("@rfpath"), QStringLiteral("x")), QStringLiteral("x and x and x"));
    // An empty target changes nothing (it would otherwise insert between every character).
    EXPECT_EQ(qv::REPLACE(text, QString(), QStringLiteral("-")), QStringLiteral("x and x and x"));
    EXPECT_EQ(qv::REPLACE(text, QStringLiteral(" AND "), QString()), QStringLiteral("xxx"));
}
