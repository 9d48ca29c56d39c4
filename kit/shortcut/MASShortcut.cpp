#include "kit/shortcut/MASShortcut.h"

#include "kit/shortcut/MASKeyCodes.h"
#include "platform/Bundle.h"
#include "platform/KeyedArchive.h"
#include "platform/X11.h"

#include <QKeyEvent>

#include <array>
#include <utility>

namespace {

// F1 to F19 by key code, in order.
constexpr std::array<quint64, 19> kFunctionKeys { 122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                                                  103, 111, 105, 107, 113, 106, 64, 79,  80 };

// Keys with a fixed character, whatever the layout: what such a key types, for comparing with
// menu key equivalents.
QString fixedKeyCharacter(quint64 keyCode)
{
    static const QMap<quint64, QString> characters {
        { kVK_Return, QStringLiteral("\u21A9") },
        { kVK_Tab, QStringLiteral("\u21E5") },
        { kVK_Delete, QStringLiteral("\u232B") },
        { kVK_Escape, QStringLiteral("\u238B") },
        { kVK_ANSI_KeypadClear, QStringLiteral("\u2327") },
        { kVK_ANSI_KeypadEnter, QStringLiteral("\u2305") },
        { kVK_Help, QStringLiteral("?") },
        { kVK_Home, QStringLiteral("\u2196") },
        { kVK_PageUp, QStringLiteral("\u21DE") },
        { kVK_ForwardDelete, QStringLiteral("\u2326") },
        { kVK_End, QStringLiteral("\u2198") },
        { kVK_PageDown, QStringLiteral("\u21DF") },
        { kVK_LeftArrow, QStringLiteral("\u2190") },
        { kVK_RightArrow, QStringLiteral("\u2192") },
        { kVK_DownArrow, QStringLiteral("\u2193") },
        { kVK_UpArrow, QStringLiteral("\u2191") },
        { 65, QStringLiteral(".") },
        { 67, QStringLiteral("*") },
        { 69, QStringLiteral("+") },
        { 75, QStringLiteral("/") },
        { 78, QStringLiteral("-") },
        { 81, QStringLiteral("=") },
        { 82, QStringLiteral("0") },
        { 83, QStringLiteral("1") },
        { 84, QStringLiteral("2") },
        { 85, QStringLiteral("3") },
        { 86, QStringLiteral("4") },
        { 87, QStringLiteral("5") },
        { 88, QStringLiteral("6") },
        { 89, QStringLiteral("7") },
        { 91, QStringLiteral("8") },
        { 92, QStringLiteral("9") },
    };
    return characters.value(keyCode);
}

// The names this desktop's shortcut editors give the keys that type no character of the
// layout; keypad keys carry "Num+" as they do there.
QString fixedKeyName(quint64 keyCode)
{
    static const QMap<quint64, QString> names {
        { kVK_Return, QStringLiteral("Return") },
        { kVK_Tab, QStringLiteral("Tab") },
        { kVK_Delete, QStringLiteral("Backspace") },
        { kVK_Escape, QStringLiteral("Esc") },
        { kVK_ANSI_KeypadClear, QStringLiteral("Clear") },
        { kVK_ANSI_KeypadEnter, QStringLiteral("Enter") },
        { kVK_Help, QStringLiteral("Help") },
        { kVK_Home, QStringLiteral("Home") },
        { kVK_PageUp, QStringLiteral("Page Up") },
        { kVK_ForwardDelete, QStringLiteral("Delete") },
        { kVK_End, QStringLiteral("End") },
        { kVK_PageDown, QStringLiteral("Page Down") },
        { kVK_LeftArrow, QStringLiteral("Left") },
        { kVK_RightArrow, QStringLiteral("Right") },
        { kVK_DownArrow, QStringLiteral("Down") },
        { kVK_UpArrow, QStringLiteral("Up") },
    };
    if (const auto it = names.constFind(keyCode); it != names.constEnd()) {
        return *it;
    }
    const QString keypad = fixedKeyCharacter(keyCode);
    return keypad.isEmpty() ? QString() : QStringLiteral("Num+") + keypad;
}

int functionKeyIndex(quint64 keyCode)
{
    for (size_t i = 0; i < kFunctionKeys.size(); ++i) {
        if (kFunctionKeys[i] == keyCode) {
            return int(i);
        }
    }
    return -1;
}

constexpr std::pair<quint64, quint32> kCarbonFlags[] = {
    { MASShortcut::kShiftFlag, platform::X11::kShiftKey },
    { MASShortcut::kControlFlag, platform::X11::kControlKey },
    { MASShortcut::kOptionFlag, platform::X11::kOptionKey },
    { MASShortcut::kCommandFlag, platform::X11::kCommandKey },
};

const QString kClassName = QStringLiteral("MASShortcut");

} // namespace

MASShortcut::MASShortcut(quint64 keyCode, quint64 modifierFlags)
    : m_keyCode(keyCode)
    , m_modifierFlags(modifierFlags & kModifierMask)
{
}

MASShortcut::MASShortcut(quint64 keyCode, quint64 modifierFlags, Raw)
    : m_keyCode(keyCode)
    , m_modifierFlags(modifierFlags)
{
}

MASShortcut MASShortcut::shortcutWithKeyCode(quint64 keyCode, quint64 modifierFlags)
{
    return MASShortcut(keyCode, modifierFlags);
}

MASShortcut MASShortcut::shortcutWithEvent(const QKeyEvent& event)
{
    const qint64 code = platform::X11::shared().keyCodeForEvent(event);
    const quint32 carbon = platform::X11::flagsForEvent(event);
    quint64 flags = 0;
    for (const auto& [cocoa, bit] : kCarbonFlags) {
        flags |= (carbon & bit) ? cocoa : 0;
    }
    return MASShortcut(code < 0 ? kNotFound : quint64(code) & 0xffff, flags);
}

quint32 MASShortcut::carbonKeyCode() const
{
    return m_keyCode == kNotFound ? 0 : quint32(m_keyCode);
}

quint32 MASShortcut::carbonFlags() const
{
    quint32 flags = 0;
    for (const auto& [cocoa, carbon] : kCarbonFlags) {
        flags |= (m_modifierFlags & cocoa) ? carbon : 0;
    }
    return flags;
}

QString MASShortcut::description() const
{
    return modifierFlagsString() + keyCodeString();
}

QString MASShortcut::modifierFlagsString() const
{
    // Command is this desktop's Super key and Option its Alt key.
    QString out;
    out += (m_modifierFlags & kControlFlag) ? QStringLiteral("Ctrl+") : QString();
    out += (m_modifierFlags & kOptionFlag) ? QStringLiteral("Alt+") : QString();
    out += (m_modifierFlags & kShiftFlag) ? QStringLiteral("Shift+") : QString();
    out += (m_modifierFlags & kCommandFlag) ? QStringLiteral("Super+") : QString();
    return out;
}

QString MASShortcut::keyCodeString() const
{
    if (m_keyCode == kNotFound) {
        return QStringLiteral("");
    }
    if (const int f = functionKeyIndex(m_keyCode); f >= 0) {
        return QStringLiteral("F%1").arg(f + 1);
    }
    if (m_keyCode == kVK_Space) {
        return MASLocalizedTextForKey(QStringLiteral("Space"), "Shortcut glyph name for SPACE key");
    }
    if (const QString fixed = fixedKeyName(m_keyCode); !fixed.isEmpty()) {
        return fixed;
    }
    const QString text = platform::X11::shared().keyText(quint32(m_keyCode & 0xffff));
    if (text.isNull()) {
        return QString();
    }
    for (const QChar c : text) {
        if (!c.isLetterOrNumber() && !c.isPunct() && !c.isSymbol()) {
            return QStringLiteral("");
        }
    }
    return text.toUpper();
}

QString MASShortcut::keyCodeStringForKeyEquivalent() const
{
    // Keys with a fixed character compare by that character, not by their written name.
    const QString fixed = fixedKeyCharacter(m_keyCode);
    const QString name = fixed.isEmpty() ? keyCodeString() : fixed;
    if (name.size() <= 1) {
        return name.toLower();
    }
    if (const int f = functionKeyIndex(m_keyCode); f >= 0) {
        return QString(QChar(0xF704 + f));
    }
    return m_keyCode == kVK_Space ? QStringLiteral(" ") : QStringLiteral("");
}

QMap<QString, qint64> MASShortcut::encode() const
{
    return { { QStringLiteral("KeyCode"), m_keyCode == kNotFound ? -1 : qint64(m_keyCode) },
             { QStringLiteral("ModifierFlags"), qint64(m_modifierFlags) } };
}

MASShortcut MASShortcut::decode(const QMap<QString, qint64>& entries)
{
    const quint64 code = quint64(entries.value(QStringLiteral("KeyCode"), 0));
    return MASShortcut(code >= kNotFound ? kNotFound : code, quint64(entries.value(QStringLiteral("ModifierFlags"), 0)),
                       Raw {});
}

QByteArray MASShortcut::archivedData() const
{
    return platform::KeyedArchive::archive(kClassName, encode());
}

std::optional<MASShortcut> MASShortcut::fromArchivedData(const QByteArray& data)
{
    const auto entries = platform::KeyedArchive::unarchive(data, kClassName);
    if (!entries) {
        return std::nullopt;
    }
    return decode(*entries);
}

QString MASLocalizedTextForKey(const QString& key, const char* /*comment*/)
{
    return platform::Bundle::localizedString(key, QStringLiteral("XXX"), QStringLiteral("MASShortcut"));
}
