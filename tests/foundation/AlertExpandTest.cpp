#include "foundation/AlertExpand.h"

#include "testsupport/ModalScript.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

using tarsel::test::AlertScript;

namespace {

TEST(AlertExpandTest, AlertIsInformationalAndFloating)
{
    const platform::Alert alert = qv::alert();
    EXPECT_EQ(alert.alertStyle(), platform::Alert::Style::Informational);
    EXPECT_EQ(alert.level(), platform::Alert::FloatingLevel);
}

TEST(AlertExpandTest, TipWithMessageAndOneOkWhenNoButtonsGiven)
{
    AlertScript script;
    qv::alertWithMsg(QStringLiteral("Delete Fail Tip"));
    ASSERT_EQ(script.shown().size(), 1);
    const AlertScript::Shown& shown = script.shown().first();
    EXPECT_EQ(shown.messageText, QStringLiteral("Tip"));
    EXPECT_EQ(shown.informativeText, QStringLiteral("Delete Fail Tip"));
    EXPECT_EQ(shown.buttons, QStringList { QStringLiteral("OK") });
    EXPECT_EQ(shown.window, nullptr);

    qv::alertWithMsg(QStringLiteral("x"), nullptr, QStringList(), {});
    EXPECT_EQ(script.shown().last().buttons, QStringList { QStringLiteral("OK") });
}

TEST(AlertExpandTest, CustomButtonsShownAsGivenInOrder)
{
    AlertScript script;
    const QStringList buttons { QStringLiteral("Continue"), QStringLiteral("Cancel"), QStringLiteral("Later") };
    qv::alertWithMsg(QStringLiteral("Download Config Tip"), nullptr, buttons, {});
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_EQ(script.shown().first().buttons, buttons);
}

TEST(AlertExpandTest, PromptHasOkAndCancel)
{
    AlertScript script;
    qv::alertPrompWithMsg(QStringLiteral("Recover Tip"), nullptr, {});
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_EQ(script.shown().first().buttons, (QStringList { QStringLiteral("OK"), QStringLiteral("Cancel") }));
}

// Regression: the application-modal form once dropped the handler, so a caller that gave
// one without a window never learnt the answer.
TEST(AlertExpandTest, ModalFormCallsHandlerWithResponse)
{
    AlertScript script({ 1001 });
    int response = 0;
    qv::alertPrompWithMsg(QStringLiteral("Recover Tip"), nullptr, [&](int r) { response = r; });
    EXPECT_EQ(response, 1001) << "the modal form answers before it returns";
}

TEST(AlertExpandTest, SheetFormAnswersLaterOnTheWindow)
{
    QWidget window;
    window.resize(400, 300);
    window.show();
    AlertScript script({ 1000 });
    int response = 0;
    int calls = 0;
    qv::alertWithMsg(QStringLiteral("Recover Tip"), &window, { QStringLiteral("OK"), QStringLiteral("Cancel") },
                     [&](int r) {
                         response = r;
                         ++calls;
                     });
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_EQ(script.shown().first().window, &window);
    EXPECT_EQ(calls, 0) << "a sheet returns before the user answers";
    ASSERT_TRUE(QTest::qWaitFor([&]() { return calls == 1; }, 2000));
    EXPECT_EQ(response, 1000);
}

TEST(AlertExpandTest, WindowWithoutHandlerIsFine)
{
    QWidget window;
    AlertScript script;
    qv::alertWithMsg(QStringLiteral("Submenu Limit Tip"), &window);
    QCoreApplication::processEvents();
    EXPECT_EQ(script.shown().size(), 1);
}

} // namespace
