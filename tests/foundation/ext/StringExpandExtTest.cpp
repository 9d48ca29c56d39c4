#include "foundation/StringExpandText.h"

#include "testsupport/TestEnvironment.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

// The extension never reads the file: every text counts as UTF-8.
TEST(StringExpandExtTest, TextEncodingIsAlwaysUtf8)
{
    QStringEncoder gb("GB18030");
    const QString file
        = tarsel::test::writeFile(tarsel::test::testHome() + QStringLiteral("/gb.txt"),
                                  gb.encode(QStringLiteral("中文文本文件，用来测试字符集的检测。").repeated(4)));
    testing::internal::CaptureStdout();
    EXPECT_EQ(qv::textEncodingName(file), QStringLiteral("UTF-8"));
    EXPECT_EQ(qv::textEncodingName(tarsel::test::testHome() + QStringLiteral("/missing")), QStringLiteral("UTF-8"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
