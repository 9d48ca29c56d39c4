#include "toolwindows/activepanel/QVActivePanelViewCtl.h"

#include "foundation/QVPermissions.h"
#include "platform/Bundle.h"
#include "platform/Panels.h"
#include "testsupport/ModalScript.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

TEST(QVActivePanelViewCtlTest, ActivateRunsTheHandlerWhenSet)
{
    QVActivePanelViewCtl ctl;
    EXPECT_EQ(ctl.tipLabel()->text(),
              platform::Bundle::localizedString(QStringLiteral("Activate the panel for the first time")));
    EXPECT_EQ(ctl.activeButton()->text(), platform::Bundle::localizedString(QStringLiteral("Activate")));
    QTest::mouseClick(ctl.activeButton(), Qt::LeftButton); // no handler: nothing happens
    int activated = 0;
    ctl.setActiveHandler([&] { ++activated; });
    QTest::mouseClick(ctl.activeButton(), Qt::LeftButton);
    EXPECT_EQ(activated, 1);
}

namespace {

QString L(const char* key)
{
    return platform::Bundle::localizedString(QString::fromUtf8(key));
}

// Each test starts in a process that has not been activated yet.
class QVActivePanelTest : public testing::Test
{
protected:
    void SetUp() override { QVPermissions::sharedInstance().setIsActive15(false); }
    void TearDown() override { QVPermissions::sharedInstance().setIsActive15(false); }
};

} // namespace

// The real save panel on offscreen: titled "Activate", "Don't click" as its accepting button,
// above other windows; the accessory's "Activate" records the activation and closes it.
TEST_F(QVActivePanelTest, ActivateInTheRealPanelRecordsItAndClosesThePanel)
{
    QString title;
    QString accept;
    bool onTop = false;
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        accept = dialog->labelText(QFileDialog::Accept);
        onTop = dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        auto* button = dialog->findChild<QPushButton*>(QStringLiteral("activeButton"));
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
        clicked = true;
    });
    QVActivePanelViewCtl::runActivePanel(); // returns once the panel has closed
    ASSERT_TRUE(clicked);
    EXPECT_EQ(title, L("Activate"));
    EXPECT_EQ(accept, L("Don't click"));
    EXPECT_TRUE(onTop);
    EXPECT_TRUE(QVPermissions::sharedInstance().isActive15());
}

// Closing the panel any other way leaves the process not activated.
TEST_F(QVActivePanelTest, ScriptedAnswersSeeTheAccessoryAndOnlyActivateCounts)
{
    tarsel::test::PanelScript script;
    script.setNextCancel();
    script.setNextClick(QStringLiteral("activeButton"));
    QVActivePanelViewCtl::runActivePanel();
    EXPECT_FALSE(QVPermissions::sharedInstance().isActive15());
    QVActivePanelViewCtl::runActivePanel();
    EXPECT_TRUE(QVPermissions::sharedInstance().isActive15());

    ASSERT_EQ(script.shown().size(), 2);
    const platform::PanelOptions& options = script.shown().at(1).options;
    EXPECT_EQ(script.shown().at(1).kind, platform::Panels::Kind::Save);
    EXPECT_EQ(options.title, L("Activate"));
    EXPECT_EQ(options.prompt, L("Don't click"));
    EXPECT_EQ(options.level, platform::Panels::ShieldingLevel);
    EXPECT_NE(options.accessoryView, nullptr);
}
