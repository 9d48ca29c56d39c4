#include "app/settings/QVGlyphFont.h"

#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <array>

namespace {

// The names of the 258 standard Macintosh glyphs, in their index order.
constexpr std::array<const char*, 258> kStandardNames = {
    ".notdef",
    ".null",
    "nonmarkingreturn",
    "space",
    "exclam",
    "quotedbl",
    "numbersign",
    "dollar",
    "percent",
    "ampersand",
    "quotesingle",
    "parenleft",
    "parenright",
    "asterisk",
    "plus",
    "comma",
    "hyphen",
    "period",
    "slash",
    "zero",
    "one",
    "two",
    "three",
    "four",
    "five",
    "six",
    "seven",
    "eight",
    "nine",
    "colon",
    "semicolon",
    "less",
    "equal",
    "greater",
    "question",
    "at",
    "A",
    "B",
    "C",
    "D",
    "E",
    "F",
    "G",
    "H",
    "I",
    "J",
    "K",
    "L",
    "M",
    "N",
    "O",
    "P",
    "Q",
    "R",
    "S",
    "T",
    "U",
    "V",
    "W",
    "X",
    "Y",
    "Z",
    "bracketleft",
    "backslash",
    "bracketright",
    "asciicircum",
    "underscore",
    "grave",
    "a",
    "b",
    "c",
    "d",
    "e",
    "f",
    "g",
    "h",
    "i",
    "j",
    "k",
    "l",
    "m",
    "n",
    "o",
    "p",
    "q",
    "r",
    "s",
    "t",
    "u",
    "v",
    "w",
    "x",
    "y",
    "z",
    "braceleft",
    "bar",
    "braceright",
    "asciitilde",
    "Adieresis",
    "Aring",
    "Ccedilla",
    "Eacute",
    "Ntilde",
    "Odieresis",
    "Udieresis",
    "aacute",
    "agrave",
    "acircumflex",
    "adieresis",
    "atilde",
    "aring",
    "ccedilla",
    "eacute",
    "egrave",
    "ecircumflex",
    "edieresis",
    "iacute",
    "igrave",
    "icircumflex",
    "idieresis",
    "ntilde",
    "oacute",
    "ograve",
    "ocircumflex",
    "odieresis",
    "otilde",
    "uacute",
    "ugrave",
    "ucircumflex",
    "udieresis",
    "dagger",
    "degree",
    "cent",
    "sterling",
    "section",
    "bullet",
    "paragraph",
    "germandbls",
    "registered",
    "copyright",
    "trademark",
    "acute",
    "dieresis",
    "notequal",
    "AE",
    "Oslash",
    "infinity",
    "plusminus",
    "lessequal",
    "greaterequal",
    "yen",
    "mu",
    "partialdiff",
    "summation",
    "product",
    "pi",
    "integral",
    "ordfeminine",
    "ordmasculine",
    "Omega",
    "ae",
    "oslash",
    "questiondown",
    "exclamdown",
    "logicalnot",
    "radical",
    "florin",
    "approxequal",
    "Delta",
    "guillemotleft",
    "guillemotright",
    "ellipsis",
    "nonbreakingspace",
    "Agrave",
    "Atilde",
    "Otilde",
    "OE",
    "oe",
    "endash",
    "emdash",
    "quotedblleft",
    "quotedblright",
    "quoteleft",
    "quoteright",
    "divide",
    "lozenge",
    "ydieresis",
    "Ydieresis",
    "fraction",
    "currency",
    "guilsinglleft",
    "guilsinglright",
    "fi",
    "fl",
    "daggerdbl",
    "periodcentered",
    "quotesinglbase",
    "quotedblbase",
    "perthousand",
    "Acircumflex",
    "Ecircumflex",
    "Aacute",
    "Edieresis",
    "Egrave",
    "Iacute",
    "Icircumflex",
    "Idieresis",
    "Igrave",
    "Oacute",
    "Ocircumflex",
    "apple",
    "Ograve",
    "Uacute",
    "Ucircumflex",
    "Ugrave",
    "dotlessi",
    "circumflex",
    "tilde",
    "macron",
    "breve",
    "dotaccent",
    "ring",
    "cedilla",
    "hungarumlaut",
    "ogonek",
    "caron",
    "Lslash",
    "lslash",
    "Scaron",
    "scaron",
    "Zcaron",
    "zcaron",
    "brokenbar",
    "Eth",
    "eth",
    "Yacute",
    "yacute",
    "Thorn",
    "thorn",
    "minus",
    "multiply",
    "onesuperior",
    "twosuperior",
    "threesuperior",
    "onehalf",
    "onequarter",
    "threequarters",
    "franc",
    "Gbreve",
    "gbreve",
    "Idotaccent",
    "Scedilla",
    "scedilla",
    "Cacute",
    "cacute",
    "Ccaron",
    "ccaron",
    "dcroat",
};

constexpr quint32 kPostFormat1 = 0x00010000;
constexpr quint32 kPostFormat2 = 0x00020000;
constexpr qsizetype kPostHeaderSize = 32;

quint16 readU16(const QByteArray& data, qsizetype at)
{
    return qFromBigEndian<quint16>(data.constData() + at);
}

// The Pascal strings that follow the index array of a format 2 table, up to the table's end.
QList<QByteArray> pascalStrings(const QByteArray& post, qsizetype at)
{
    QList<QByteArray> strings;
    while (at < post.size()) {
        const auto length = qsizetype(quint8(post.at(at)));
        if (at + 1 + length > post.size()) {
            break;
        }
        strings << post.mid(at + 1, length);
        at += 1 + length;
    }
    return strings;
}

QPainterPath outlineAtOrigin(const QRawFont& font, quint32 glyph)
{
    QPainterPath path = font.pathForGlyph(glyph);
    path.translate(-path.boundingRect().topLeft());
    return path;
}

} // namespace

QStringList QVGlyphFont::glyphNamesOfPostTable(const QByteArray& post, int glyphCount)
{
    QStringList names(qMax(0, glyphCount));
    if (post.size() < 4 || glyphCount <= 0) {
        return names;
    }
    const quint32 format = qFromBigEndian<quint32>(post.constData());
    if (format == kPostFormat1) {
        for (int i = 0; i < glyphCount && i < int(kStandardNames.size()); ++i) {
            names[i] = QLatin1String(kStandardNames[size_t(i)]);
        }
        return names;
    }
    if (format != kPostFormat2 || post.size() < kPostHeaderSize + 2) {
        return names;
    }
    const int count = readU16(post, kPostHeaderSize);
    const qsizetype indexes = kPostHeaderSize + 2;
    if (indexes + 2 * qsizetype(count) > post.size()) {
        return names;
    }
    const QList<QByteArray> strings = pascalStrings(post, indexes + 2 * qsizetype(count));
    for (int glyph = 0; glyph < count && glyph < glyphCount; ++glyph) {
        const int index = readU16(post, indexes + 2 * glyph);
        if (index < int(kStandardNames.size())) {
            names[glyph] = QLatin1String(kStandardNames[size_t(index)]);
        } else if (index - int(kStandardNames.size()) < strings.size()) {
            names[glyph] = QString::fromLatin1(strings.at(index - int(kStandardNames.size())));
        }
    }
    return names;
}

bool QVGlyphFont::load(const QString& path)
{
    QRawFont font(path, kTestSize);
    const QByteArray maxp = font.isValid() ? font.fontTable("maxp") : QByteArray();
    if (maxp.size() < 6) {
        return false;
    }
    m_font = font;
    m_path = path;
    m_glyphCount = readU16(maxp, 4);
    m_names = glyphNamesOfPostTable(m_font.fontTable("post"), m_glyphCount);
    m_glyphs.clear();
    for (int glyph = m_glyphCount - 1; glyph >= 0; --glyph) {
        const auto index = quint32(glyph);
        if (!m_font.boundingRect(index).isEmpty() && !outlineAtOrigin(m_font, index).boundingRect().isEmpty()) {
            m_glyphs << index;
        }
    }
    return true;
}

QString QVGlyphFont::glyphName(quint32 glyph) const
{
    return glyph < quint32(m_names.size()) ? m_names.at(qsizetype(glyph)) : QString();
}

QImage QVGlyphFont::glyphImage(quint32 glyph, const QColor& colour, int size) const
{
    if (!m_font.isValid() || size <= 0) {
        return {};
    }
    QRawFont font = m_font;
    font.setPixelSize(size);
    const QPainterPath path = outlineAtOrigin(font, glyph);
    if (path.boundingRect().isEmpty()) {
        return {};
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, colour);
    painter.end();
    return image;
}
