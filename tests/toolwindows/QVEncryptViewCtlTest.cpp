#include "toolwindows/encrypt/QVEncryptViewCtl.h"

#include "platform/Workspace.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

TEST(QVEncryptViewCtlTest, EyeButtonSwitchesWhichFieldIsShown)
{
    QVEncryptViewCtl ctl;
    ctl.view()->show();
    EXPECT_FALSE(ctl.showPassword());
    EXPECT_TRUE(ctl.psdTextField()->isVisible());
    EXPECT_FALSE(ctl.psdShowInput()->isVisible());
    EXPECT_EQ(ctl.psdTextField()->echoMode(), QLineEdit::Password);
    QTest::mouseClick(ctl.showPsdButton(), Qt::LeftButton);
    EXPECT_TRUE(ctl.showPassword());
    EXPECT_FALSE(ctl.psdTextField()->isVisible());
    EXPECT_TRUE(ctl.psdShowInput()->isVisible());
    EXPECT_EQ(ctl.psdTextField()->placeholderText(), QStringLiteral("Enter a password"));
    EXPECT_EQ(ctl.skipJunkFilesCheck()->text(), QStringLiteral("Leave out .DS_Store and __MACOSX files"));
}

// Regression: the fields were kept equal only when editing ended, so a password typed into
// the plain field and saved at once left the secure field, which the opener read, empty.
TEST(QVEncryptViewCtlTest, TypingInEitherFieldKeepsBothEqualAtOnce)
{
    QVEncryptViewCtl ctl;
    ctl.view()->show();
    QTest::mouseClick(ctl.showPsdButton(), Qt::LeftButton);
    QTest::keyClicks(ctl.psdShowInput(), QStringLiteral("s3cret"));
    EXPECT_EQ(ctl.psdTextField()->text(), QStringLiteral("s3cret"));
    EXPECT_EQ(ctl.password(), QStringLiteral("s3cret"));

    QTest::mouseClick(ctl.showPsdButton(), Qt::LeftButton);
    QTest::keyClick(ctl.psdTextField(), Qt::Key_Backspace);
    EXPECT_EQ(ctl.psdShowInput()->text(), QStringLiteral("s3cre"));
    EXPECT_EQ(ctl.password(), QStringLiteral("s3cre"));
}

TEST(QVEncryptViewCtlTest, BorellaLinkOpensTheStorePage)
{
    QStringList opened;
    platform::Workspace::setLauncher([&](const QString&, const QStringList& args) {
        opened += args;
        return true;
    });
    QVEncryptViewCtl ctl;
    QTest::mouseClick(ctl.borellaButton(), Qt::LeftButton);
    platform::Workspace::setLauncher({});
    ASSERT_FALSE(opened.isEmpty());
    EXPECT_TRUE(opened.join(QLatin1Char(' ')).contains(QVEncryptViewCtl::kBorellaStoreId));
}
