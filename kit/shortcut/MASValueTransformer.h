#pragma once

#include "kit/shortcut/MASShortcut.h"

#include <QVariant>

#include <functional>
#include <optional>

/// The conversion between a stored defaults value and a shortcut, both ways. A null reverse
/// function means the transformer does not convert back.
struct MASValueTransformer
{
    std::function<std::optional<MASShortcut>(const QVariant&)> forward;
    std::function<QVariant(const std::optional<MASShortcut>&)> reverse;

    /// The stored form of the hot keys: keyed-archive data of the shortcut; no shortcut (and
    /// data that is not an archived shortcut, such as the empty data) reads as none.
    static MASValueTransformer keyedUnarchiveFromData();
};

/// The dictionary form of a shortcut: {"keyCode": integer, "modifierFlags": unsigned integer}.
class MASDictionaryTransformer final
{
public:
    MASDictionaryTransformer() = delete;

    static bool allowsReverseTransformation() { return true; }
    /// None unless the value is a dictionary whose two entries are both integers.
    static std::optional<MASShortcut> transformedValue(const QVariant& value);
    /// An empty dictionary for none.
    static QVariantMap reverseTransformedValue(const std::optional<MASShortcut>& shortcut);
    static MASValueTransformer transformer();
};
