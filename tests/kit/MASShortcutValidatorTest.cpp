#include "kit/shortcut/MASShortcutValidator.h"

#include "testsupport/TestNames.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

namespace {

constexpr quint64 kShift = MASShortcut::kShiftFlag;
constexpr quint64 kControl = MASShortcut::kControlFlag;
constexpr quint64 kOption = MASShortcut::kOptionFlag;
constexpr quint64 kCommand = MASShortcut::kCommandFlag;

struct ValidityCase
{
    std::string name;
    quint64 keyCode;
    quint64 flags;
    bool anyOption;
    bool valid;
};

using MASShortcutValidity = testing::TestWithParam<ValidityCase>;

TEST_P(MASShortcutValidity, Rule)
{
    const ValidityCase& c = GetParam();
    MASShortcutValidator validator;
    validator.setAllowAnyShortcutWithOptionModifier(c.anyOption);
    EXPECT_EQ(validator.isShortcutValid(MASShortcut(c.keyCode, c.flags)), c.valid);
}

INSTANTIATE_TEST_SUITE_P(Combinations, MASShortcutValidity,
                         testing::Values(ValidityCase { "FunctionKeyAlone", 96, 0, false, true },
                                         ValidityCase { "ShiftFunctionKey", 96, kShift, false, true },
                                         ValidityCase { "F20Alone", 90, 0, false, true },
                                         ValidityCase { "LetterAlone", 0, 0, false, false },
                                         ValidityCase { "ShiftLetter", 0, kShift, false, false },
                                         ValidityCase { "ControlLetter", 0, kControl, false, true },
                                         ValidityCase { "CommandLetter", 0, kCommand, false, true },
                                         ValidityCase { "ControlShiftLetter", 0, kControl | kShift, false, true },
                                         ValidityCase { "OptionSpace", 49, kOption, false, true },
                                         ValidityCase { "OptionShiftSpace", 49, kOption | kShift, false, true },
                                         ValidityCase { "OptionEscape", 53, kOption, false, true },
                                         ValidityCase { "OptionLetter", 0, kOption, false, false },
                                         ValidityCase { "OptionLetterAllowed", 0, kOption, true, true },
                                         ValidityCase { "OptionShiftLetterAllowed", 0, kOption | kShift, true, true }),
                         tarsel::test::caseName<ValidityCase>);

// The menu: File > Quit (Command-Q), Tools > More > Hide Others (Command-Shift-Q), and entries
// without a shortcut at every level.
class MASShortcutValidatorMenu : public testing::Test
{
protected:
    void SetUp() override
    {
        file.addAction(QStringLiteral("Quit"))->setShortcut(QKeySequence(Qt::META | Qt::Key_Q));
        file.addAction(QStringLiteral("Plain"));
        more.addAction(QStringLiteral("Hide Others"))->setShortcut(QKeySequence(Qt::META | Qt::SHIFT | Qt::Key_Q));
        more.addAction(QStringLiteral("Plain too"));
        tools.addMenu(&more);
        menu = { file.menuAction(), tools.menuAction() };
    }
    bool taken(const MASShortcut& shortcut, QString* explanation = nullptr)
    {
        return MASShortcutValidator().isShortcutAlreadyTakenInMenu(shortcut, menu, explanation);
    }

    QMenu file { QStringLiteral("File") };
    QMenu tools { QStringLiteral("Tools") };
    QMenu more { QStringLiteral("More") };
    QList<QAction*> menu;
};

TEST_F(MASShortcutValidatorMenu, KeyEquivalentsAtAnyDepthTakeTheirExactCombination)
{
    QString explanation = QStringLiteral("untouched");
    EXPECT_FALSE(taken(MASShortcut(12, kControl), &explanation));
    EXPECT_EQ(explanation, QStringLiteral("untouched"));
    EXPECT_TRUE(taken(MASShortcut(12, kCommand), &explanation));
    EXPECT_EQ(explanation,
              QStringLiteral("This shortcut cannot be used because it is already used by the menu item ‘Quit’."));
    EXPECT_TRUE(taken(MASShortcut(12, kCommand | kShift), &explanation));
    EXPECT_EQ(
        explanation,
        QStringLiteral("This shortcut cannot be used because it is already used by the menu item ‘Hide Others’."));
}

TEST_F(MASShortcutValidatorMenu, EntriesWithoutShortcutNeverMatch)
{
    // F20 and Return have no key-equivalent text; comparing texts alone would find them
    // "taken" by every entry without a shortcut and refuse a perfectly free combination.
    EXPECT_EQ(MASShortcut(90, 0).keyCodeStringForKeyEquivalent(), QStringLiteral(""));
    EXPECT_FALSE(taken(MASShortcut(90, 0)));
    EXPECT_FALSE(taken(MASShortcut(MASShortcut::kNotFound, 0)));
}

} // namespace
