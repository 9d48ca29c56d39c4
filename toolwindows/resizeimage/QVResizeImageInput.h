#pragma once

#include <QString>

#include <optional>

/// The rules of the resize window's size fields, apart from any widget.
class QVResizeImageInput final
{
public:
    QVResizeImageInput() = delete;

    /// The text with its first character that is not one of "0123456789." removed (one per
    /// change, as typing brings one at a time); unchanged when there is none.
    static QString filtered(const QString& text);
    /// The text read as a number; 0 for an empty or malformed text.
    static double value(const QString& text);
    /// The other side for an edited side under the aspect lock: "%.f" of value x to / from.
    /// Nothing when the original side is 0 (an image whose size could not be read): there is no
    /// ratio to keep, and dividing by it would give "inf" or "nan".
    static std::optional<QString> counterpart(const QString& edited, double fromOriginal, double toOriginal);
    /// A size OK may hand on: a finite number of at least one whole pixel.
    static bool isAcceptable(const QString& text);
    /// "%@×%@" (U+00D7 between, no spaces).
    static QString displayName(const QString& width, const QString& height);
};
