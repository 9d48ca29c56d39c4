#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QRawFont>
#include <QString>
#include <QStringList>

/// A TrueType font read as a set of pictures for the folder-icon composer: the glyphs that have
/// an outline, their names from the font's "post" table, and one glyph drawn as a picture.
///
/// The font is held by value: loading another one releases the previous one, and a file that
/// gives no font leaves the loaded one as it was.
class QVGlyphFont final
{
public:
    /// The size the outlines are tested at.
    static constexpr int kTestSize = 12;

    /// Loads the font file; false, the loaded font kept, when the file gives no font.
    bool load(const QString& path);
    bool isValid() const { return m_font.isValid(); }
    QString path() const { return m_path; }
    QString familyName() const { return m_font.familyName(); }
    /// The number of glyphs the font declares ("maxp"), 0 when it declares none.
    int glyphCount() const { return m_glyphCount; }
    /// The glyphs with a non-empty outline, highest index first.
    const QList<quint32>& glyphs() const { return m_glyphs; }
    /// The glyph's name in the font, empty when the font names none.
    QString glyphName(quint32 glyph) const;
    /// The glyph's outline at a font size of `size` pixels, moved so that its bounds start at the
    /// origin, filled with the colour in a `size` by `size` picture; null for a glyph without one.
    QImage glyphImage(quint32 glyph, const QColor& colour, int size) const;

    /// The glyph names a "post" table gives, one per glyph (empty where it gives none).
    /// Format 1 names the first 258 glyphs in the standard order, format 2 names each glyph by
    /// a standard index or its own string; any other format or a damaged table names none.
    static QStringList glyphNamesOfPostTable(const QByteArray& post, int glyphCount);

private:
    QRawFont m_font;
    QString m_path;
    int m_glyphCount = 0;
    QList<quint32> m_glyphs;
    QStringList m_names;
};
