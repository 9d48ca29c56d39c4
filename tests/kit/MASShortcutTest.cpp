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
    testing::Values(
        NameCase { "ControlCommandEFromLayout", 14, kControlCommand, QStringLiteral("Ctrl+Super+E"),
                   QStringLiteral("e") },
        NameCase { "DigitFromLayout", 18, MASShortcut::kOptionFlag, QStringLiteral("Alt+1"), QStringLiteral("1") },
        NameCase { "AllModifiersInFixedOrder", 0, 0x1E0000 | 0x10000 | 0xFF, QStringLiteral("Ctrl+Alt+Shift+Super+A"),
                   QStringLiteral("a") },
        NameCase { "FunctionKeyByTable", 96, 0, QStringLiteral("F5"), QString(QChar(0xF708)) },
        NameCase { "F19IsTheLastPrivateUseKey", 80, 0, QStringLiteral("F19"), QString(QChar(0xF716)) },
        NameCase { "F20HasNoLayoutText", 90, 0, QStringLiteral(""), QStringLiteral("") },
        NameCase { "SpaceByLocalisedName", 49, MASShortcut::kControlFlag, QStringLiteral("Ctrl+Space"),
                   QStringLiteral(" ") },
        NameCase { "ArrowByName", 126, MASShortcut::kShiftFlag, QStringLiteral("Shift+Up"), QStringLiteral("↑") },
        NameCase { "ReturnByName", 36, MASShortcut::kCommandFlag, QStringLiteral("Super+Return"), QStringLiteral("↩") },
        NameCase { "EscapeByName", 53, 0, QStringLiteral("Esc"), QStringLiteral("⎋") },
        NameCase { "BackspaceByName", 51, MASShortcut::kControlFlag, QStringLiteral("Ctrl+Backspace"),
                   QStringLiteral("⌫") },
        NameCase { "ForwardDeleteByName", 117, 0, QStringLiteral("Delete"), QStringLiteral("⌦") },
        NameCase { "PageDownByName", 121, MASShortcut::kOptionFlag, QStringLiteral("Alt+Page Down"),
                   QStringLiteral("⇟") },
        NameCase { "KeypadDigit", 92, MASShortcut::kControlFlag, QStringLiteral("Ctrl+Num+9"), QStringLiteral("9") },
        NameCase { "KeypadSign", 69, 0, QStringLiteral("Num++"), QStringLiteral("+") },
        NameCase { "NoKeyHasNoName", MASShortcut::kNotFound, 0, QStringLiteral(""), QStringLiteral("") }),
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
    EXPECT_EQ(none.encode().value(QStringLiteral("KeyCode")), -1);
    EXPECT_EQ(MASShortcut::fromArchivedData(none.archivedData())->keyCode(), MASShortcut::kNotFound);

    // Missing entries read 0 (the A key); stored flags are taken as they are.
    const QByteArray bare = platform::KeyedArchive::archive(QStringLiteral("MASShortcut"),
                                                            { { QStringLiteral("ModifierFlags"), 0x10000 } });
    EXPECT_EQ(MASShortcut::fromArchivedData(bare)->keyCode(), 0u);
    EXPECT_EQ(MASShortcut::fromArchivedData(bare)->modifierFlags(), 0x10000u);

    // Anything else is no shortcut: empty data (the explicit "none"), another class, junk.
    EXPECT_FALSE(MASShortcut::fromArchivedData(QByteArray()));
    EXPECT_FALSE(MASShortcut::fromArchivedData(platform::KeyedArchive::archive(QStringLiteral("NSColor"), {})));
    EXPECT_FALSE(MASShortcut::fromArchivedData(QByteArrayLiteral("bplist00junk")));
}

TEST(MASShortcutTest, DictionaryTransformerNeedsBothIntegers)
{
    const QVariantMap e { { QStringLiteral("keyCode"), 14 }, { QStringLiteral("modifierFlags"), 0x140000 } };
    EXPECT_EQ(MASDictionaryTransformer::transformedValue(e), MASShortcut(14, kControlCommand));
    EXPECT_EQ(MASDictionaryTransformer::reverseTransformedValue(MASShortcut(14, kControlCommand)), e);
    EXPECT_FALSE(MASDictionaryTransformer::transformedValue(QVariantMap { { QStringLiteral("keyCode"), 14 } }));
    EXPECT_FALSE(MASDictionaryTransformer::transformedValue(
        QVariantMap { { QStringLiteral("keyCode"), QStringLiteral("14") }, { QStringLiteral("modifierFlags"), 0 } }));
    EXPECT_TRUE(MASDictionaryTransformer::reverseTransformedValue(std::nullopt).isEmpty());
}

} // namespace
