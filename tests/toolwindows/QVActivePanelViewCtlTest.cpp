#include "toolwindows/activepanel/QVActivePanelViewCtl.h"

#include "platform/Bundle.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

TEST(QVActivePanelViewCtlTest, ActivateRunsTheHandlerWhenSet)
{
    QVActivePanelViewCtl ctl;
    EXPECT_EQ(ctl.tipLabel()->text(), platform::Bundle::localizedString(QStringLiteral("Activate the panel for the first time")));
    EXPECT_EQ(ctl.activeButton()->text(), platform::Bundle::localizedString(QStringLiteral("Activate")));
    QTest::mouseClick(ctl.activeButton(), Qt::LeftButton); // no handler: nothing happens
    int activated = 0;
    ctl.setActiveHandler([&] { ++activated; });
    QTest::mouseClick(ctl.activeButton(), Qt::LeftButton);
    EXPECT_EQ(activated, 1);
}
