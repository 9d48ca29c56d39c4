// Alerts and panels when nobody can answer them: the host program picks entries on the
// offscreen platform, where a modal box used to wait for ever.

#include "platform/Alert.h"
#include "platform/ModalPolicy.h"
#include "platform/Panels.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

namespace {

platform::Alert alertWith(const QStringList& buttons, int cancel = 0)
{
    platform::Alert alert;
    alert.setMessageText(QStringLiteral("Tip"));
    alert.setInformativeText(QStringLiteral("Asked text"));
    for (const QString& title : buttons) {
        alert.addButtonWithTitle(title);
    }
    if (cancel != 0) {
        alert.setCancelResponse(cancel);
    }
    return alert;
}

struct UnaskedCase
{
    const char* name;
    std::function<int()> ask;
    int expected;
    const char* printed; ///< expected on standard error
};

void PrintTo(const UnaskedCase& c, std::ostream* os)
{
    *os << c.name;
}

class UnaskedTest : public testing::TestWithParam<UnaskedCase>
{
protected:
    // The test binary lets modal windows show on offscreen; the programs it tests do not.
    void SetUp() override { platform::ModalPolicy::setShowsOnOffscreen(false); }
    void TearDown() override { platform::ModalPolicy::setShowsOnOffscreen(true); }
};

int sheetAnswer(const platform::Alert& alert)
{
    QWidget window;
    window.show();
    int response = 0;
    alert.beginSheetModalForWindow(&window, [&](int r) { response = r; });
    EXPECT_EQ(response, 0) << "a sheet answers after the call has returned";
    EXPECT_TRUE(QTest::qWaitFor([&] { return response != 0; }, 2000));
    return response;
}

const UnaskedCase kUnaskedCases[] = {
    { "OkOnly", [] { return alertWith({}).runModal(); }, 1000, "Tip: Asked text [no display to ask; answered \"OK\"]" },
    { "LastButtonByConvention",
      [] {
          return alertWith({ QStringLiteral("Go Review"), QStringLiteral("Next Time") }).runModal();
      },
      1001, "answered \"Next Time\"" },
    // The name-conflict question ends in Replace: its harmless answer is named, Stop.
    { "NamedCancel",
      [] {
          return alertWith({ QStringLiteral("Keep Both"), QStringLiteral("Stop"), QStringLiteral("Replace") }, 1001)
              .runModal();
      },
      1001, "answered \"Stop\"" },
    { "Sheet",
      [] {
          return sheetAnswer(alertWith({ QStringLiteral("OK"), QStringLiteral("Cancel") }));
      },
      1001, "answered \"Cancel\"" },
    { "OpenPanel",
      [] {
          platform::PanelOptions options;
          options.message = QStringLiteral("Choose a folder");
          options.prompt = QStringLiteral("Authorization");
          return platform::Panels::runOpenPanel(options).response;
      },
      platform::PanelResult::Cancel,
      "open panel: Choose a folder: Authorization [no display to ask; answered \"Cancel\"]" },
};

TEST_P(UnaskedTest, AnswersAtOnceAndSaysWhatWasAsked)
{
    ASSERT_FALSE(platform::ModalPolicy::canAskUser());
    testing::internal::CaptureStderr();
    const int answer = GetParam().ask();
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, GetParam().expected);
    EXPECT_NE(printed.find(GetParam().printed), std::string::npos) << printed;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(top->isVisible() && top->isModal()) << "nothing modal was shown";
    }
}

INSTANTIATE_TEST_SUITE_P(ModalPolicy, UnaskedTest, testing::ValuesIn(kUnaskedCases),
                         [](const testing::TestParamInfo<UnaskedCase>& info) { return std::string(info.param.name); });

// Escape on the name-conflict question answered Replace, the last button, and removed the
// item in the way; it takes the named harmless answer.
TEST(ModalPolicyTest, EscapeTakesTheNamedCancelAnswer)
{
    QWidget window;
    window.show();
    int response = 0;
    alertWith({ QStringLiteral("Keep Both"), QStringLiteral("Stop"), QStringLiteral("Replace") }, 1001)
        .beginSheetModalForWindow(&window, [&](int r) { response = r; });
    QMessageBox* box = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            box = window.findChild<QMessageBox*>(QStringLiteral("alertMessageBox"));
            return box != nullptr && box->isVisible();
        },
        2000));
    QTest::keyClick(box, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return response != 0; }, 2000));
    EXPECT_EQ(response, 1001);
}

} // namespace
