#include "kit/shortcut/MASShortcut.h"
#include "kit/shortcut/MASValueTransformer.h"
#include "platform/KeyedArchive.h"

#include "testsupport/TestNames.h"

#include <gtest/gtest.h>

namespace {

constexpr quint64 kControlCommand = MASShortcut::kControlFlag | MASShortcut::kCommandFlag;

struct NameCase
{
    std::string name;
    quint64 keyCode;
    quint64 flags;
    QString description;
    QString keyEquivalent;
};

using MASShortcutNames = testing::TestWithParam<NameCase>;

// Without a display the names come from the configured layout, a U.S. one here.
TEST_P(MASShortcutNames, DescriptionAndKeyEquivalent)
{
    const NameCase& c = GetParam();
    const MASShortcut shortcut(c.keyCode, c.flags);
    EXPECT_EQ(shortcut.description(), c.description);
    EXPECT_EQ(shortcut.keyCodeStringForKeyEquivalent(), c.keyEquivalent);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, MASShortcutNames,
    testing::Values(NameCase { "ControlCommandEFromLayout", 14, kControlCommand, "Ctrl+Super+E", "e" },
                    NameCase { "DigitFromLayout", 18, MASShortcut::kOptionFlag, "Alt+1", "1" },
                    NameCase { "AllModifiersInFixedOrder", 0, 0x1E0000 | 0x10000 | 0xFF, "Ctrl+Alt+Shift+Super+A",
                               "a" },
                    NameCase { "FunctionKeyByTable", 96, 0, "F5", QString(QChar(0xF708)) },
                    NameCase { "F19IsTheLastPrivateUseKey", 80, 0, "F19", QString(QChar(0xF716)) },
                    NameCase { "F20HasNoLayoutText", 90, 0, "", "" },
                    NameCase { "SpaceByLocalisedName", 49, MASShortcut::kControlFlag, "Ctrl+Space", " " },
                    NameCase { "ArrowByName", 126, MASShortcut::kShiftFlag, "Shift+Up", "↑" },
                    NameCase { "ReturnByName", 36, MASShortcut::kCommandFlag, "Super+Return", "↩" },
                    NameCase { "EscapeByName", 53, 0, "Esc", "⎋" },
                    NameCase { "BackspaceByName", 51, MASShortcut::kControlFlag, "Ctrl+Backspace", "⌫" },
                    NameCase { "ForwardDeleteByName", 117, 0, "Delete", "⌦" },
                    NameCase { "PageDownByName", 121, MASShortcut::kOptionFlag, "Alt+Page Down", "⇟" },
                    NameCase { "KeypadDigit", 92, MASShortcut::kControlFlag, "Ctrl+Num+9", "9" },
                    NameCase { "KeypadSign", 69, 0, "Num++", "+" },
                    NameCase { "NoKeyHasNoName", MASShortcut::kNotFound, 0, "", "" }),
    tarsel::test::caseName<NameCase>);

TEST(MASShortcutTest, FlagsAreMaskedAndTranslatedForTheRegistry)
{
    const MASShortcut e(14, kControlCommand | 0x10000 | 0x800000 | 0x3);
    EXPECT_EQ(e.modifierFlags(), kControlCommand);
    EXPECT_EQ(e.carbonFlags(), 0x1100u);
    EXPECT_EQ(MASShortcut(MASShortcut::kNotFound, 0).carbonKeyCode(), 0u);
    EXPECT_EQ(e, MASShortcut(14, kControlCommand));
    EXPECT_EQ(qHash(e), qHash(MASShortcut(14, kControlCommand)));
    EXPECT_NE(e, MASShortcut(14, MASShortcut::kCommandFlag));
}

TEST(MASShortcutTest, ArchivedDataKeepsBothIntegers)
{
    const MASShortcut e(14, kControlCommand);
    EXPECT_EQ(MASShortcut::fromArchivedData(e.archivedData()), e);

    // No key goes out as -1 and comes back as no key.
    const MASShortcut none(MASShortcut::kNotFound, MASShortcut::kShiftFlag);
    EXPECT_EQ(none.encode().value("KeyCode"), -1);
    EXPECT_EQ(MASShortcut::fromArchivedData(none.archivedData())->keyCode(), MASShortcut::kNotFound);

    // Missing entries read 0 (the A key); stored flags are taken as they are.
    const QByteArray bare = platform::KeyedArchive::archive("MASShortcut", { { "ModifierFlags", 0x10000 } });
    EXPECT_EQ(MASShortcut::fromArchivedData(bare)->keyCode(), 0u);
    EXPECT_EQ(MASShortcut::fromArchivedData(bare)->modifierFlags(), 0x10000u);

    // Anything else is no shortcut: empty data (the explicit "none"), another class, junk.
    EXPECT_FALSE(MASShortcut::fromArchivedData(QByteArray()));
    EXPECT_FALSE(MASShortcut::fromArchivedData(platform::KeyedArchive::archive("NSColor", {})));
    EXPECT_FALSE(MASShortcut::fromArchivedData(QByteArrayLiteral("bplist00junk")));
}

TEST(MASShortcutTest, DictionaryTransformerNeedsBothIntegers)
{
    const QVariantMap e { { "keyCode", 14 }, { "modifierFlags", 0x140000 } };
    EXPECT_EQ(MASDictionaryTransformer::transformedValue(e), MASShortcut(14, kControlCommand));
    EXPECT_EQ(MASDictionaryTransformer::reverseTransformedValue(MASShortcut(14, kControlCommand)), e);
    EXPECT_FALSE(MASDictionaryTransformer::transformedValue(QVariantMap { { "keyCode", 14 } }));
    EXPECT_FALSE(
        MASDictionaryTransformer::transformedValue(QVariantMap { { "keyCode", "14" }, { "modifierFlags", 0 } }));
    EXPECT_TRUE(MASDictionaryTransformer::reverseTransformedValue(std::nullopt).isEmpty());
}

} // namespace
