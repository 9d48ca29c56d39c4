// Animated GIF writing through giflib: every frame gets its own colour table of up to 256
// colours (one of them kept for transparency when the frame has any), its delay and the
// application block that makes the animation loop.

#include "platform/ImageIO.h"

#include "platform/Posix.h"

#include <gif_lib.h>

#include <QHash>
#include <QList>

#include <cstring>
#include <vector>

#include "platform/LateLibrary.h"

// giflib is opened on first use: these names call through platform/LateLibrary.h.
#define EGifCloseFile TARSEL_LATE(platform::gifLibrary, EGifCloseFile)
#define EGifGCBToExtension TARSEL_LATE(platform::gifLibrary, EGifGCBToExtension)
#define EGifOpen TARSEL_LATE(platform::gifLibrary, EGifOpen)
#define EGifPutExtension TARSEL_LATE(platform::gifLibrary, EGifPutExtension)
#define EGifPutExtensionBlock TARSEL_LATE(platform::gifLibrary, EGifPutExtensionBlock)
#define EGifPutExtensionLeader TARSEL_LATE(platform::gifLibrary, EGifPutExtensionLeader)
#define EGifPutExtensionTrailer TARSEL_LATE(platform::gifLibrary, EGifPutExtensionTrailer)
#define EGifPutImageDesc TARSEL_LATE(platform::gifLibrary, EGifPutImageDesc)
#define EGifPutLine TARSEL_LATE(platform::gifLibrary, EGifPutLine)
#define EGifPutScreenDesc TARSEL_LATE(platform::gifLibrary, EGifPutScreenDesc)
#define EGifSetGifVersion TARSEL_LATE(platform::gifLibrary, EGifSetGifVersion)
#define GifErrorString TARSEL_LATE(platform::gifLibrary, GifErrorString)
#define GifFreeMapObject TARSEL_LATE(platform::gifLibrary, GifFreeMapObject)
#define GifMakeMapObject TARSEL_LATE(platform::gifLibrary, GifMakeMapObject)

namespace platform {

namespace {

int writeToArray(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

struct IndexedFrame
{
    QImage indexed; ///< Format_Indexed8
    QList<QRgb> colours;
    int transparent = NO_TRANSPARENT_COLOR;
};

int nearestColour(const QList<QRgb>& colours, QRgb c, int limit)
{
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < limit; ++i) {
        const int dr = qRed(colours[i]) - qRed(c), dg = qGreen(colours[i]) - qGreen(c),
                  db = qBlue(colours[i]) - qBlue(c);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

// The picture's own colours, when it has at most `limit` opaque ones: a palette picture keeps
// every colour instead of an approximation. Pixels under half opacity are left at index 0 for the
// caller to mark transparent.
bool exactColours(const QImage& argb, int limit, IndexedFrame& frame)
{
    QHash<QRgb, int> indexOf;
    QList<QRgb> colours;
    QImage indexed(argb.size(), QImage::Format_Indexed8);
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uchar* row = indexed.scanLine(y);
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(src[x]) < 128) {
                row[x] = 0;
                continue;
            }
            const QRgb colour = src[x] | 0xFF000000u;
            auto found = indexOf.constFind(colour);
            if (found == indexOf.cend()) {
                if (colours.size() == limit) {
                    return false;
                }
                found = indexOf.insert(colour, int(colours.size()));
                colours.append(colour);
            }
            row[x] = uchar(*found);
        }
    }
    if (colours.isEmpty()) {
        colours.append(qRgb(0, 0, 0));
    }
    indexed.setColorTable(colours);
    frame.indexed = indexed;
    frame.colours = colours;
    return true;
}

IndexedFrame quantize(const QImage& source)
{
    const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
    bool hasTransparency = false;
    for (int y = 0; y < argb.height() && !hasTransparency; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(row[x]) < 128) {
                hasTransparency = true;
                break;
            }
        }
    }
    IndexedFrame frame;
    if (!exactColours(argb, 255, frame)) {
        frame.indexed = argb.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_Indexed8);
        frame.colours = frame.indexed.colorTable();
    }
    // One index is kept for transparency even in an opaque frame: a reader clears a disposed
    // frame to transparent only when it has one, and would otherwise paint its first pixel's
    // colour under the next frame. When the table is full, that index's pixels take the
    // nearest of the other colours.
    if (frame.colours.size() >= 256) {
        for (int y = 0; y < frame.indexed.height(); ++y) {
            uchar* row = frame.indexed.scanLine(y);
            for (int x = 0; x < frame.indexed.width(); ++x) {
                if (row[x] == 255) {
                    row[x] = uchar(nearestColour(frame.colours, frame.colours[255], 255));
                }
            }
        }
        frame.colours.resize(255);
    }
    frame.transparent = int(frame.colours.size());
    frame.colours.append(qRgba(0, 0, 0, 0));
    for (int y = 0; hasTransparency && y < argb.height(); ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uchar* row = frame.indexed.scanLine(y);
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(src[x]) < 128) {
                row[x] = uchar(frame.transparent);
            }
        }
    }
    return frame;
}

ColorMapObject* colourMap(const QList<QRgb>& colours)
{
    int size = 2;
    while (size < colours.size()) {
        size *= 2;
    }
    std::vector<GifColorType> entries(size_t(size), GifColorType { 0, 0, 0 });
    for (qsizetype i = 0; i < colours.size(); ++i) {
        entries[size_t(i)]
            = { GifByteType(qRed(colours[i])), GifByteType(qGreen(colours[i])), GifByteType(qBlue(colours[i])) };
    }
    return GifMakeMapObject(size, entries.data());
}

bool putLoop(GifFileType* gif, int loopCount)
{
    const GifByteType app[] = { 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0' };
    const GifByteType loop[] = { 1, GifByteType(loopCount & 0xFF), GifByteType((loopCount >> 8) & 0xFF) };
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK
        && EGifPutExtensionBlock(gif, sizeof app, app) == GIF_OK
        && EGifPutExtensionBlock(gif, sizeof loop, loop) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
}

bool putFrame(GifFileType* gif, const IndexedFrame& frame, int delayMs)
{
    GraphicsControlBlock control {};
    // Every frame is a whole picture: it is cleared before the next one, so that the next one's
    // transparent pixels show through instead of this frame.
    control.DisposalMode = DISPOSE_BACKGROUND;
    control.DelayTime = delayMs / 10;
    control.TransparentColor = frame.transparent;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, sizeof extension, extension) != GIF_OK) {
        return false;
    }
    ColorMapObject* map = colourMap(frame.colours);
    const int w = frame.indexed.width();
    const int h = frame.indexed.height();
    bool ok = map != nullptr && EGifPutImageDesc(gif, 0, 0, w, h, false, map) == GIF_OK;
    std::vector<GifPixelType> line(static_cast<size_t>(w));
    for (int y = 0; ok && y < h; ++y) {
        std::memcpy(line.data(), frame.indexed.constScanLine(y), size_t(w));
        ok = EGifPutLine(gif, line.data(), w) == GIF_OK;
    }
    GifFreeMapObject(map);
    return ok;
}

} // namespace

QByteArray ImageIO::encodeGif(const QList<Frame>& frames, int loopCount, QString* error)
{
    QSize screen;
    for (const Frame& frame : frames) {
        screen = screen.expandedTo(frame.image.size());
    }
    int code = 0;
    QByteArray data;
    GifFileType* gif = EGifOpen(&data, &writeToArray, &code);
    bool ok = gif != nullptr && !screen.isEmpty();
    if (ok) {
        EGifSetGifVersion(gif, true);
        ok = EGifPutScreenDesc(gif, screen.width(), screen.height(), 8, 0, nullptr) == GIF_OK;
    }
    if (ok && frames.size() > 1 && loopCount >= 0) {
        ok = putLoop(gif, loopCount);
    }
    for (const Frame& frame : frames) {
        if (ok && !frame.image.isNull()) {
            ok = putFrame(gif, quantize(frame.image), frame.delayMs);
        }
    }
    if (gif != nullptr && EGifCloseFile(gif, &code) != GIF_OK) {
        ok = false;
    }
    if (!ok) {
        if (error) {
            *error = screen.isEmpty() ? QStringLiteral("no frames to write")
                                      : QString::fromUtf8(GifErrorString(code) ? GifErrorString(code) : "giflib error");
        }
        return {};
    }
    return data;
}

ImageIO::Status ImageIO::writeGif(const QList<Frame>& frames, const QString& path, int loopCount)
{
    QString why;
    const QByteArray data = encodeGif(frames, loopCount, &why);
    if (data.isEmpty()) {
        return { false, posix::failureMessage(QStringLiteral("encode the GIF"), path, why) };
    }
    return writeData(data, path);
}

} // namespace platform
