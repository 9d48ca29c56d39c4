#include "foundation/QVCheckPermit.h"

#include "platform/Panels.h"
#include "testsupport/TestEnvironment.h"

#include <gtest/gtest.h>

using tarsel::test::ScopedEnvironment;

// Inside the extension, work goes to the application on system 15 and later, and folder
// questions are preceded by the activation panel the upper layer installs.
TEST(QVCheckPermitExtTest, ActivationPanelPrecedesFolderQuestionsFromSystem15)
{
    ScopedEnvironment env;
    int shown = 0;
    int panels = 0;
    QVCheckPermit::setActivationPanel([&] { ++shown; });
    platform::Panels::setResponder([&](platform::Panels::Kind, const platform::PanelOptions&) {
        EXPECT_EQ(shown, panels + 1); // the activation panel came first
        ++panels;
        return platform::PanelResult();
    });
    env.set("TARSEL_SYSTEM_VERSION", "14.6");
    EXPECT_FALSE(QVCheckPermit::canUseMainApp());
    QVCheckPermit::activePanelForOSX15();
    EXPECT_EQ(shown, 0);

    env.set("TARSEL_SYSTEM_VERSION", "15.0");
    EXPECT_TRUE(QVCheckPermit::canUseMainApp());
    EXPECT_TRUE(QVCheckPermit::selectFolderWithPrompt(QString(), QString()).isNull());
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(panels, 1);
    platform::Panels::setResponder({});
    QVCheckPermit::setActivationPanel({});
}
