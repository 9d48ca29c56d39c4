// "Convert to" keeps every colour and every level of transparency the output type can hold.
// PNG files of each colour type and bit depth are written byte by byte here (so the test knows
// exactly what they hold), converted through the menu entries the user picks, and compared pixel
// by pixel with ImageMagick's compare, which decodes both files by its own code.
//
// A 1-bit palette picture came out of "TIFF" as a black and white bilevel file, palette pictures
// with a transparency chunk lost their alpha, 16-bit pictures lost their lower bits, PDF pages
// stored opaque pictures as JPEG, and 16-bit RGB pictures with a transparent colour came out with
// every pixel shifted.

#include "engine/service/menu/QVMenuChildren.h"
#include "engine/service/images/QVImageCommands.h"

#include "CommandTestSupport.h"
#include "engine/model/QVMenuManager.h"
#include "platform/ImageIO.h"
#include "testsupport/ModalScript.h"
#include "testsupport/PngChunks.h"
#include "testsupport/TestNames.h"
#include "testsupport/ProgramRun.h"

#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

using namespace tarsel::test;
using platform::ImageIO;

namespace {

enum ColourType { Grey = 0, Rgb = 2, Palette = 3, GreyAlpha = 4, Rgba = 6 };
enum Transparency { Opaque, OneTransparent, Graded };

struct PngCase
{
    std::string name;
    ColourType type;
    int depth;
    int width;
    int height;
    bool interlaced = false;
    Transparency transparency = Opaque;
    bool gifHoldsIt = false; ///< at most 255 colours, each fully opaque or fully transparent
};

int channels(ColourType type)
{
    switch (type) {
    case Rgb:
        return 3;
    case GreyAlpha:
        return 2;
    case Rgba:
        return 4;
    default:
        return 1;
    }
}

// One sample of a pixel, spread over the whole range of the depth. The last channel of a type
// with alpha cycles through transparent, opaque and half transparent.
quint32 sample(const PngCase& c, int x, int y, int channel)
{
    const quint32 max = (1u << c.depth) - 1;
    const bool alpha = (c.type == GreyAlpha || c.type == Rgba) && channel == channels(c.type) - 1;
    if (alpha) {
        const int phase = (x + 2 * y) % 3;
        return phase == 0 ? 0 : phase == 1 ? max : max / 2;
    }
    if (c.type == Palette) {
        return quint32(x * 5 + y * 11 + x * y) % std::min(max + 1, 256u);
    }
    const quint32 mixed = quint32(x) * 2654435761u + quint32(y) * 40503u + quint32(channel) * 977u;
    return (mixed >> 7) & max;
}

QRgb paletteColour(int i)
{
    return qRgb((i * 53) & 0xFF, (i * 97 + 40) & 0xFF, (i * 151 + 90) & 0xFF);
}

int paletteAlpha(int i, Transparency t)
{
    static const int graded[] = { 0, 128, 255, 64, 200, 255 };
    return t == Graded ? graded[i % 6] : i == 0 ? 0 : 255;
}

// The filtered rows (filter type 0) of the pixels from (x0, y0) in steps of (dx, dy).
void appendRows(QByteArray& raw, const PngCase& c, int x0, int y0, int dx, int dy)
{
    const int n = channels(c.type);
    for (int y = y0; y < c.height; y += dy) {
        if (x0 >= c.width) {
            return;
        }
        raw += '\0';
        quint32 bits = 0;
        int used = 0;
        for (int x = x0; x < c.width; x += dx) {
            for (int ch = 0; ch < n; ++ch) {
                const quint32 v = sample(c, x, y, ch);
                if (c.depth == 16) {
                    raw += char(v >> 8);
                    raw += char(v & 0xFF);
                } else if (c.depth == 8) {
                    raw += char(v);
                } else {
                    bits = (bits << c.depth) | v;
                    used += c.depth;
                    if (used == 8) {
                        raw += char(bits);
                        bits = 0;
                        used = 0;
                    }
                }
            }
        }
        if (used > 0) {
            raw += char(bits << (8 - used));
        }
    }
}

QByteArray makePng(const PngCase& c)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(quint32(c.width), header.data());
    qToBigEndian<quint32>(quint32(c.height), header.data() + 4);
    header[8] = char(c.depth);
    header[9] = char(c.type);
    header[12] = char(c.interlaced ? 1 : 0);
    appendChunk(png, "IHDR", header);
    if (c.type == Palette) {
        const int entries = std::min(1 << c.depth, 256);
        QByteArray plte;
        QByteArray trns;
        for (int i = 0; i < entries; ++i) {
            plte += char(qRed(paletteColour(i)));
            plte += char(qGreen(paletteColour(i)));
            plte += char(qBlue(paletteColour(i)));
            trns += char(paletteAlpha(i, c.transparency));
        }
        appendChunk(png, "PLTE", plte);
        if (c.transparency != Opaque) {
            appendChunk(png, "tRNS", c.transparency == OneTransparent ? trns.left(1) : trns);
        }
    } else if (c.transparency == OneTransparent) {
        // The colour of the first pixel is the transparent one.
        QByteArray trns;
        for (int ch = 0; ch < channels(c.type); ++ch) {
            const quint32 v = sample(c, 0, 0, ch);
            trns += char(v >> 8);
            trns += char(v & 0xFF);
        }
        appendChunk(png, "tRNS", trns);
    }
    QByteArray raw;
    if (c.interlaced) {
        static const int passes[7][4] = { { 0, 0, 8, 8 }, { 4, 0, 8, 8 }, { 0, 4, 4, 8 }, { 2, 0, 4, 4 },
                                          { 0, 2, 2, 4 }, { 1, 0, 2, 2 }, { 0, 1, 1, 2 } };
        for (const auto& p : passes) {
            appendRows(raw, c, p[0], p[1], p[2], p[3]);
        }
    } else {
        appendRows(raw, c, 0, 0, 1, 1);
    }
    uLongf size = compressBound(uLong(raw.size()));
    QByteArray packed(qsizetype(size), '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(raw.constData()),
             uLong(raw.size()));
    packed.resize(qsizetype(size));
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", QByteArray());
    return png;
}

// The number of pixels that differ, as ImageMagick's compare counts them (transparent pixels
// are equal whatever colour they carry); -1 when compare could not read both.
long differingPixels(const QString& a, const QString& b)
{
    const ProgramRun compare = runProgram("compare", { "-metric", "AE", a, b, "null:" }, { .timeoutMs = 30000 });
    if (compare.exitCode < 0 || compare.exitCode > 1) {
        ADD_FAILURE() << compare.err.constData();
        return -1;
    }
    bool ok = false;
    const long count = QString::fromUtf8(compare.err).trimmed().toLong(&ok);
    return ok ? count : -1;
}

const QStringList& kEntries = QVMenuChildren::convertCandidates();

class ColourFidelityTest : public CommandTest, public testing::WithParamInterface<PngCase>
{
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        // No review prompt among the alerts.
        QVMenuManager::sharedDefaults().setValue("is reviewed", true);
    }
    // Converts the file through the "Convert to" child of that key; no alert may show.
    void convert(const QString& path, const QString& key)
    {
        select({ path });
        auto entry = item("Convert to");
        entry->setFormats(QStringList { "png", "tiff" });
        QVMenuItemList children;
        for (const QString& k : kEntries) {
            children << item(k);
        }
        entry->setChildren(children);
        AlertScript alerts;
        m_service.readyStart(entry, { QStringLiteral("%1").arg(kEntries.indexOf(key) + 1, 2, 10, QLatin1Char('0')) });
        ASSERT_TRUE(QTest::qWaitFor([this] { return m_service.loadingCount() == 0; }, 30000));
        EXPECT_TRUE(alerts.shown().isEmpty())
            << key.toStdString() << ": " << alerts.shown().value(0).informativeText.toStdString();
    }
};

} // namespace

TEST_P(ColourFidelityTest, EveryPixelSurvivesTheConversion)
{
    const PngCase& c = GetParam();
    const QString source = writeFile(m_dir + "/pic.png", makePng(c));

    convert(source, "TIFF");
    const QString tiff = m_dir + "/pic.tiff";
    ASSERT_EQ(ImageIO::formatOfFile(tiff), ImageIO::Format::Tiff);
    EXPECT_EQ(differingPixels(source, tiff), 0) << "TIFF";

    // And back: the TIFF converted to PNG is the source again. Qt's TIFF reader hands 8-bit
    // partly transparent pixels out premultiplied, which rounds their colours: those pictures
    // are checked one way only.
    const bool partlyTransparent8Bit
        = c.transparency == Graded || ((c.type == GreyAlpha || c.type == Rgba) && c.depth == 8);
    if (!partlyTransparent8Bit) {
        convert(tiff, "PNG");
        const QString png = m_dir + "/pic-1.png";
        ASSERT_EQ(ImageIO::formatOfFile(png), ImageIO::Format::Png);
        EXPECT_EQ(differingPixels(source, png), 0) << "PNG";
    }

    if (c.gifHoldsIt) {
        convert(source, "GIF");
        EXPECT_EQ(differingPixels(source, m_dir + "/pic.gif"), 0) << "GIF";
    }
    // A PDF page holds 8-bit colours and a stencil of fully transparent pixels, which poppler
    // draws back at one pixel a point. Partly transparent pixels come back premultiplied and
    // rounded, and Qt writes pages at 8 bits: those pictures are not checked here.
    const bool stencilOnly8Bit = c.depth <= 8 && c.transparency != Graded && c.type != GreyAlpha && c.type != Rgba;
    if (stencilOnly8Bit) {
        convert(source, "PDF");
        const ProgramRun render = runProgram(
            "pdftocairo", { "-png", "-transp", "-r", "72", "-singlefile", m_dir + "/pic.pdf", m_dir + "/page" },
            { .timeoutMs = 30000 });
        ASSERT_EQ(render.exitCode, 0) << render.err.constData();
        EXPECT_EQ(differingPixels(source, m_dir + "/page.png"), 0) << "PDF";
    }
    if (c.width == 16 && c.height == 16) {
        // The 16-pixel icon of the set is the picture itself.
        convert(source, "OSX AppIconset");
        EXPECT_EQ(differingPixels(source, m_dir + "/pic(OSX)/AppIcon.appiconset/icon_16x16.png"), 0) << "icon set";
    }
}

INSTANTIATE_TEST_SUITE_P(
    PngKinds, ColourFidelityTest,
    testing::Values(PngCase { "Palette1Bit", Palette, 1, 13, 7, false, Opaque, true },
                    PngCase { "Palette1BitOneTransparent", Palette, 1, 13, 7, false, OneTransparent, true },
                    PngCase { "Palette2Bit", Palette, 2, 9, 9, false, Opaque, true },
                    PngCase { "Palette2BitGraded", Palette, 2, 9, 9, false, Graded },
                    PngCase { "Palette4BitOneTransparent", Palette, 4, 17, 5, false, OneTransparent, true },
                    PngCase { "Palette4BitGraded", Palette, 4, 17, 5, false, Graded },
                    PngCase { "Palette8Bit", Palette, 8, 31, 17, false, Opaque, true },
                    PngCase { "Palette8BitOneTransparent", Palette, 8, 31, 17, false, OneTransparent, true },
                    PngCase { "Palette8BitGradedSquare", Palette, 8, 16, 16, false, Graded },
                    PngCase { "Palette8BitInterlaced", Palette, 8, 11, 13, true, OneTransparent, true },
                    PngCase { "Grey1Bit", Grey, 1, 15, 3, false, Opaque, true },
                    PngCase { "Grey2Bit", Grey, 2, 15, 3, false, Opaque, true },
                    PngCase { "Grey4Bit", Grey, 4, 15, 3, false, Opaque, true },
                    PngCase { "Grey4BitOneTransparent", Grey, 4, 15, 3, false, OneTransparent },
                    PngCase { "Grey8Bit", Grey, 8, 21, 9 }, PngCase { "Grey16Bit", Grey, 16, 21, 9 },
                    PngCase { "Grey16BitOneTransparent", Grey, 16, 21, 9, false, OneTransparent },
                    PngCase { "GreyAlpha8Bit", GreyAlpha, 8, 10, 10 },
                    PngCase { "GreyAlpha16Bit", GreyAlpha, 16, 10, 10 }, PngCase { "Rgb8Bit", Rgb, 8, 19, 23 },
                    PngCase { "Rgb8BitOneTransparent", Rgb, 8, 19, 23, false, OneTransparent },
                    PngCase { "Rgb16Bit", Rgb, 16, 19, 23 }, PngCase { "Rgb16BitInterlaced", Rgb, 16, 33, 9, true },
                    PngCase { "Rgb16BitOneTransparent", Rgb, 16, 9, 9, false, OneTransparent },
                    PngCase { "Rgb16BitInterlacedOneTransparent", Rgb, 16, 16, 16, true, OneTransparent },
                    PngCase { "Rgba8Bit", Rgba, 8, 25, 14 },
                    PngCase { "Rgba8BitInterlacedSquare", Rgba, 8, 16, 16, true },
                    PngCase { "Rgba16Bit", Rgba, 16, 25, 14 }, PngCase { "Rgba16BitSquare", Rgba, 16, 16, 16 },
                    PngCase { "OnePixelPalette", Palette, 8, 1, 1, false, OneTransparent, true },
                    PngCase { "OnePixelRgba16", Rgba, 16, 1, 1 },
                    PngCase { "OddSizeGreyAlphaInterlaced", GreyAlpha, 8, 37, 3, true }),
    caseName<PngCase>);
