#include "platform/Alias.h"

#include "testsupport/TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

using platform::Alias;
using tarsel::test::readFile;
using tarsel::test::testHome;
using tarsel::test::writeFile;

TEST(AliasTest, AliasIsALinkToTheAbsoluteTargetAndNeverReplaces)
{
    const QString target = writeFile(testHome() + QStringLiteral("/docs/a.txt"), "a");
    const QString alias = testHome() + QStringLiteral("/Desktop-a.txt");
    QString error;
    ASSERT_TRUE(Alias::create(alias, testHome() + QStringLiteral("/docs/../docs/a.txt"), &error)) << qPrintable(error);
    EXPECT_TRUE(Alias::isAlias(alias));
    EXPECT_FALSE(Alias::isAlias(target));
    EXPECT_EQ(Alias::target(alias), target);
    EXPECT_EQ(QFile::symLinkTarget(alias), target);
    EXPECT_EQ(readFile(alias), QByteArray("a"));

    const QString taken = writeFile(testHome() + QStringLiteral("/taken"), "keep");
    EXPECT_FALSE(Alias::create(taken, target, &error));
    EXPECT_EQ(readFile(taken), QByteArray("keep"));
    EXPECT_FALSE(Alias::create(testHome() + QStringLiteral("/b"), testHome() + QStringLiteral("/missing"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("does not exist")));
    EXPECT_TRUE(Alias::target(target).isNull());
}
