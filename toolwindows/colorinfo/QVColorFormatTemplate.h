#pragma once

#include <QColor>
#include <QString>

/// The texts the colour window shows for a colour: HEX, the three decimal components, and the
/// user's two templates, in which "$R", "$G" and "$B" stand for the components (0 to 255) and
/// "$H" for the HEX text as shown. The templates live in the shared defaults under
/// "color picker format1" and "color picker format2"; a stored text that is not valid (absent,
/// empty or blank) reads as the template's default.
class QVColorFormatTemplate final
{
public:
    QVColorFormatTemplate() = delete;

    static inline const QString kFormat1Key = QStringLiteral("color picker format1");
    static inline const QString kFormat2Key = QStringLiteral("color picker format2");
    static inline const QString kDefaultFormat1
        = QStringLiteral("UIColor(red: $R/255.0, green: $G/255.0, blue: $B/255.0, alpha: 1.0)");
    static inline const QString kDefaultFormat2 = QStringLiteral("Color.rgb($R, $G, $B)");

    /// A colour's red, green and blue from 0 to 255.
    struct Components
    {
        int red = 0;
        int green = 0;
        int blue = 0;
    };

    /// The components of the colour in sRGB: whatever model the colour is held in (HSV, HSL,
    /// CMYK, extended RGB) it is converted first, each component is kept within 0..1, and then
    /// multiplied by 255 and truncated (0.5 gives 127). A component that is not a number reads
    /// as 0, and so does every component of an invalid colour.
    static Components components(const QColor& color);
    /// "RRGGBB" in upper-case hex digits, with "#" in front when asked.
    static QString hexText(const Components& c, bool withHash);
    /// "R,G,B" in decimal.
    static QString rgbText(const Components& c);
    /// Replaces every "$R" by the red component, then "$G", "$B", and "$H" by the HEX text.
    static QString expand(QString format, const Components& c, const QString& hex);

    /// The defaults key of a template: format1 for index 1, format2 for any other index.
    static QString keyForIndex(int index);
    static QString defaultForIndex(int index);
    /// The stored template of the index, or its default when the stored text is not valid.
    static QString storedTemplate(int index);
    /// Stores the text as given under the index's key; false when it could not be written.
    static bool setStoredTemplate(int index, const QString& text);
};
