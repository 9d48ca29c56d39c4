#include "kit/shortcut/MASValueTransformer.h"

#include <QVariantMap>

namespace {

const QString kKeyCode = QStringLiteral("keyCode");
const QString kModifierFlags = QStringLiteral("modifierFlags");

bool isInteger(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

} // namespace

MASValueTransformer MASValueTransformer::keyedUnarchiveFromData()
{
    return { [](const QVariant& stored) -> std::optional<MASShortcut> {
                if (stored.typeId() != QMetaType::QByteArray) {
                    return std::nullopt;
                }
                return MASShortcut::fromArchivedData(stored.toByteArray());
            },
             [](const std::optional<MASShortcut>& shortcut) {
                 return shortcut ? QVariant(shortcut->archivedData()) : QVariant();
             } };
}

std::optional<MASShortcut> MASDictionaryTransformer::transformedValue(const QVariant& value)
{
    if (value.typeId() != QMetaType::QVariantMap) {
        return std::nullopt;
    }
    const QVariantMap map = value.toMap();
    if (!isInteger(map.value(kKeyCode)) || !isInteger(map.value(kModifierFlags))) {
        return std::nullopt;
    }
    return MASShortcut::shortcutWithKeyCode(map.value(kKeyCode).toULongLong(), map.value(kModifierFlags).toULongLong());
}

QVariantMap MASDictionaryTransformer::reverseTransformedValue(const std::optional<MASShortcut>& shortcut)
{
    if (!shortcut) {
        return {};
    }
    return { { kKeyCode, qint64(shortcut->keyCode()) }, { kModifierFlags, quint64(shortcut->modifierFlags()) } };
}

MASValueTransformer MASDictionaryTransformer::transformer()
{
    return { &MASDictionaryTransformer::transformedValue,
             [](const std::optional<MASShortcut>& s) { return QVariant(reverseTransformedValue(s)); } };
}
