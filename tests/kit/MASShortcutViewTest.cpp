#include "kit/shortcut/MASShortcutBinder.h"
#include "kit/shortcut/MASShortcutValidator.h"
#include "kit/shortcut/MASShortcutView.h"
#include "platform/Alert.h"
#include "platform/Defaults.h"
#include "platform/DefaultsController.h"

#include "testsupport/TestNames.h"

#include <QAction>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

const QString kKey = QStringLiteral("CloudFolderShortCut");
const MASShortcut kControlCommandE(14, MASShortcut::kControlFlag | MASShortcut::kCommandFlag);

struct Press
{
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

struct RecorderCase
{
    std::string name;
    std::optional<MASShortcut> before;
    std::vector<Press> presses;
    std::optional<MASShortcut> after;
    bool stillRecording;
    QString alertMessage; // empty: no alert
    QString title; // what the view shows at the end
};

// A bound recorder in a window, a main menu holding Control-Command-O, and alerts answered by
// a responder that keeps their texts.
class MASShortcutRecorder : public testing::TestWithParam<RecorderCase>
{
protected:
    void SetUp() override
    {
        openAction.setShortcut(QKeySequence(Qt::CTRL | Qt::META | Qt::Key_O));
        MASShortcutValidator::setMainMenu([this] { return QList<QAction*> { &openAction }; });
        platform::Alert::setResponder([this](const platform::Alert& alert, QWidget*) {
            alerts << alert.messageText() + QLatin1Char('|') + alert.informativeText();
            return platform::Alert::FirstButtonReturn;
        });
        view = new MASShortcutView(&window);
        view->resize(160, 24);
        window.show();
    }
    void TearDown() override
    {
        MASShortcutValidator::setMainMenu({});
        platform::Alert::setResponder({});
        platform::DefaultsController::shared().clearRegisteredDefaults();
    }
    // A click in the shortcut area (left of the hint area).
    void clickShortcutArea() { QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(20, 12)); }
    void clickHintArea() { QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(view->width() - 5, 12)); }

    QWidget window;
    MASShortcutView* view = nullptr;
    QAction openAction { QStringLiteral("Open Cloud Folder") };
    QStringList alerts;
};

TEST_P(MASShortcutRecorder, KeysTypedWhileRecording)
{
    const RecorderCase& c = GetParam();
    view->setAssociatedUserDefaultsKey(kKey);
    view->setShortcutValue(c.before);
    clickShortcutArea();
    ASSERT_TRUE(view->isRecording());
    for (const Press& press : c.presses) {
        QTest::keyClick(view, press.key, press.modifiers);
    }
    EXPECT_EQ(view->shortcutValue(), c.after);
    EXPECT_EQ(view->isRecording(), c.stillRecording);
    EXPECT_EQ(view->titleText(), c.title);
    EXPECT_EQ(alerts.join(QLatin1Char('\n')), c.alertMessage);
    // What the view shows is what the binder reads.
    const QVariant stored = platform::Defaults::standard().value(kKey);
    EXPECT_EQ(stored.isValid() ? MASShortcut::fromArchivedData(stored.toByteArray()) : std::nullopt, c.after);
}

const Qt::KeyboardModifiers kControlMeta = Qt::ControlModifier | Qt::MetaModifier;

INSTANTIATE_TEST_SUITE_P(
    Recording, MASShortcutRecorder,
    testing::Values(
        RecorderCase { "ControlCommandEIsRecorded",
                       std::nullopt,
                       { { Qt::Key_E, kControlMeta } },
                       kControlCommandE,
                       false,
                       QString(),
                       QStringLiteral("Ctrl+Super+E") },
        RecorderCase { "DeleteClearsTheShortcut",
                       kControlCommandE,
                       { { Qt::Key_Backspace, {} } },
                       std::nullopt,
                       false,
                       QString(),
                       QStringLiteral("Record Shortcut") },
        RecorderCase { "EscapeKeepsTheOldShortcut",
                       kControlCommandE,
                       { { Qt::Key_Escape, {} } },
                       kControlCommandE,
                       false,
                       QString(),
                       QStringLiteral("Ctrl+Super+E") },
        RecorderCase {
            "CombinationOfTheMainMenuIsRefused",
            std::nullopt,
            { { Qt::Key_O, kControlMeta } },
            std::nullopt,
            true,
            QStringLiteral("The key combination Ctrl+Super+O cannot be used|This shortcut cannot be used because it "
                           "is already used by the menu item ‘Open Cloud Folder’."),
            QStringLiteral("Type Shortcut") },
        RecorderCase { "InvalidCombinationOnlyBeeps",
                       std::nullopt,
                       { { Qt::Key_A, Qt::ShiftModifier } },
                       std::nullopt,
                       true,
                       QString(),
                       QStringLiteral("Type Shortcut") },
        RecorderCase { "ShiftDeleteIsNotAClear",
                       kControlCommandE,
                       { { Qt::Key_Backspace, Qt::ShiftModifier } },
                       kControlCommandE,
                       true,
                       QString(),
                       QStringLiteral("Type New Shortcut") }),
    tarsel::test::caseName<RecorderCase>);

TEST_F(MASShortcutRecorder, HeldModifiersShowAsThePlaceholder)
{
    clickShortcutArea();
    QTest::keyPress(view, Qt::Key_Control);
    QTest::keyPress(view, Qt::Key_Meta, Qt::ControlModifier);
    EXPECT_EQ(view->titleText(), QStringLiteral("Ctrl+Super+"));
    QTest::keyRelease(view, Qt::Key_Meta, kControlMeta);
    QTest::keyRelease(view, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(view->titleText(), QStringLiteral("Type Shortcut"));
    EXPECT_TRUE(view->isRecording());
}

TEST_F(MASShortcutRecorder, ClearingOverARegisteredDefaultStoresNone)
{
    // Removing the key would let the registered default show through again: the user's clear
    // would come back as Control-Command-E on the next read, and the hot key would stay.
    MASShortcutBinder::sharedBinder().registerDefaultShortcuts({ { kKey, kControlCommandE } });
    view->setAssociatedUserDefaultsKey(kKey);
    ASSERT_EQ(view->shortcutValue(), kControlCommandE);
    clickHintArea();
    EXPECT_EQ(view->shortcutValue(), std::nullopt);
    EXPECT_EQ(platform::Defaults::standard().value(kKey), QVariant(QByteArray()));

    MASShortcutView again(&window);
    again.setAssociatedUserDefaultsKey(kKey);
    EXPECT_EQ(again.shortcutValue(), std::nullopt);
}

TEST_F(MASShortcutRecorder, StartingASecondRecorderStopsTheFirst)
{
    MASShortcutView second(&window);
    clickShortcutArea();
    second.setRecording(true);
    EXPECT_FALSE(view->isRecording());
    EXPECT_TRUE(second.isRecording());
    second.setRecording(false);
}

// At the size it asks for, every look shows each of its texts whole in the shortcut area, and
// the glyph at the right fits the hint area: recording never clips its prompt or prints it
// under the cancel glyph.
TEST_F(MASShortcutRecorder, EveryTextFitsItsAreaAtTheAskedSize)
{
    for (const int style : { 0, 3 }) {
        MASShortcutView recorder(&window);
        recorder.setStyle(style);
        recorder.setShortcutValue(MASShortcut(14,
                                              MASShortcut::kControlFlag | MASShortcut::kOptionFlag
                                                  | MASShortcut::kShiftFlag | MASShortcut::kCommandFlag));
        const auto expectFits = [&recorder, style](const char* state) {
            recorder.resize(recorder.sizeHint());
            QRect shortcutRect, hintRect;
            recorder.getShortcutRect(&shortcutRect, &hintRect);
            const QFontMetrics metrics = recorder.fontMetrics();
            EXPECT_LE(metrics.horizontalAdvance(recorder.titleText()), shortcutRect.width()) << style << " " << state;
            EXPECT_LE(metrics.horizontalAdvance(recorder.glyphText()), hintRect.width()) << style << " " << state;
        };
        expectFits("shown");
        recorder.setRecording(true);
        expectFits("recording");
        recorder.setHinting(true);
        expectFits("hinting");
        recorder.setHinting(false);
        recorder.setShortcutPlaceholder(QStringLiteral("Ctrl+Alt+Shift+Super+"));
        expectFits("modifiers held");
        recorder.setRecording(false);
    }
}

} // namespace
