#pragma once

namespace platform::layout {

/// Layout attributes, numbered as the desktop's constraint API numbers them.
/// Right, bottom, the centres, leading/trailing and baseline derive from a view's
/// left, top, width and height.
enum class Attribute : int {
    NotAnAttribute = 0,
    Left = 1,
    Right = 2,
    Top = 3,
    Bottom = 4,
    Leading = 5,
    Trailing = 6,
    Width = 7,
    Height = 8,
    CenterX = 9,
    CenterY = 10,
    Baseline = 11,
};

enum class Relation : int {
    LessThanOrEqual = -1,
    Equal = 0,
    GreaterThanOrEqual = 1,
};

/// Priorities run from 1 to 1000; 1000 is required, everything below is a preference
/// that gives way to higher ones.
namespace Priority {
inline constexpr float Required = 1000.0f;
inline constexpr float High = 750.0f;
inline constexpr float Medium = 501.0f;
inline constexpr float Low = 250.0f;
inline constexpr float FittingSize = 50.0f;
} // namespace Priority

inline bool isSizeAttribute(Attribute a)
{
    return a == Attribute::Width || a == Attribute::Height;
}

} // namespace platform::layout
