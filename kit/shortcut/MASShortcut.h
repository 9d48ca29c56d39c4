#pragma once

#include <QByteArray>
#include <QHashFunctions>
#include <QMap>
#include <QString>

#include <optional>

class QKeyEvent;

/// A hot-key value: one key by its virtual key code plus a set of modifier flags, kept to
/// Shift, Control, Option and Command. Immutable. Command is this desktop's Super key and
/// Option its Alt key; key codes number the keys by position (kKeyCodeE is the E of a U.S.
/// keyboard), so a stored shortcut means the same key after a layout change.
class MASShortcut
{
public:
    /// No key.
    static constexpr quint64 kNotFound = 0x7FFFFFFFFFFFFFFFull;
    static constexpr quint64 kShiftFlag = 0x20000;
    static constexpr quint64 kControlFlag = 0x40000;
    static constexpr quint64 kOptionFlag = 0x80000;
    static constexpr quint64 kCommandFlag = 0x100000;
    static constexpr quint64 kModifierMask = 0x1E0000;

    /// Keeps the key code as given and the flags inside kModifierMask.
    MASShortcut(quint64 keyCode, quint64 modifierFlags);
    static MASShortcut shortcutWithKeyCode(quint64 keyCode, quint64 modifierFlags);
    /// The key and modifiers of a key event; a key without a key code is kNotFound.
    static MASShortcut shortcutWithEvent(const QKeyEvent& event);

    quint64 keyCode() const { return m_keyCode; }
    quint64 modifierFlags() const { return m_modifierFlags; }
    /// The key code for the hot-key registry: 0 for no key.
    quint32 carbonKeyCode() const;
    /// The modifiers as the hot-key registry's flags.
    quint32 carbonFlags() const;

    /// The shortcut as this desktop's shortcut editors write it: the modifiers, then the key
    /// name, e.g. "Ctrl+Super+E".
    QString description() const;
    /// The modifiers present, each followed by "+", in the order Ctrl, Alt, Shift, Super
    /// ("Ctrl+Super+"); "" when none is present.
    QString modifierFlagsString() const;
    /// The key's display name ("E", "F5", "Page Up", "Num+5"); "" for a key without a printable
    /// name, and a null string when no keyboard layout can be read.
    QString keyCodeString() const;
    /// The key as a menu key equivalent, for comparing with menu items.
    QString keyCodeStringForKeyEquivalent() const;

    bool operator==(const MASShortcut& other) const = default;

    /// The keyed-coding entries: "KeyCode" (-1 for no key) and "ModifierFlags".
    QMap<QString, qint64> encode() const;
    /// From keyed-coding entries; a missing entry reads 0, a key code of -1 or beyond the
    /// largest signed number reads as no key, and the flags are kept as stored.
    static MASShortcut decode(const QMap<QString, qint64>& entries);
    /// The stored form: a keyed archive of the shortcut.
    QByteArray archivedData() const;
    /// Nothing when the data is not an archived shortcut (empty data among them).
    static std::optional<MASShortcut> fromArchivedData(const QByteArray& data);

private:
    struct Raw
    {
    };
    MASShortcut(quint64 keyCode, quint64 modifierFlags, Raw);

    quint64 m_keyCode;
    quint64 m_modifierFlags;
};

inline size_t qHash(const MASShortcut& shortcut, size_t seed = 0)
{
    return ::qHash(shortcut.keyCode() + shortcut.modifierFlags(), seed);
}

/// The hot-key kit's own texts: the table "MASShortcut" of the bundle, "XXX" for a missing key.
/// The comment only documents the key.
QString MASLocalizedTextForKey(const QString& key, const char* comment);
