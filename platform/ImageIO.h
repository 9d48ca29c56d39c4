#pragma once

#include "platform/Status.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

namespace platform {

/// Reading and writing pictures, animated GIFs and PDF documents.
///
/// Pictures go through QImage and its format plug-ins (TIFF, WebP, ICNS); HEIC is read and written
/// with libheif, JPEG 2000 with OpenJPEG, animated GIFs are written with
/// giflib, PDF pages are rendered with QtPdf, written with QPdfWriter and merged by the qpdf tool
/// (run from an argument vector). Every writer encodes into memory first and then replaces the
/// destination in one rename, so a failed encoder leaves nothing half written behind.
///
/// Pictures of up to kMaxPixels are decoded (Qt's allocation limit is raised to match, for every
/// reader in the process); a file whose header claims more is refused before decoding, with an
/// error that names the file and its size. Encoders keep every colour, level of transparency and
/// bit of depth the format can hold; JPEG and BMP get the picture over white.
///
/// Safe on any thread; nothing here shows a message.
class ImageIO final
{
public:
    ImageIO() = delete;

    /// The largest picture decoded, in pixels: photos and scans of several hundred megapixels.
    static constexpr qint64 kMaxPixels = 500'000'000;

    enum class Format { Unknown, Png, Jpeg, Tiff, Bmp, Gif, Jpeg2000, WebP, Heic, Icns, Ico, Pdf };

    using Status = platform::Status;

    /// The format a file name extension names (any case); Unknown for one it names none of.
    static Format formatForExtension(const QString& extension);
    /// The usual lower-case extension of a format ("jpg", "tiff", "heic", ...).
    static QString extensionForFormat(Format format);
    /// The format of a file by its first bytes, whatever its name says.
    static Format formatOfFile(const QString& path);
    /// The format of encoded bytes by their first bytes.
    static Format formatOfData(const QByteArray& data);
    /// Whether this system can encode the format.
    static bool canWrite(Format format);

    /// The picture in the file (the first frame or page of several); null when unreadable.
    static QImage read(const QString& path, QString* error = nullptr);
    /// The picture scaled to exactly that pixel size, decoded at a reduced size first where the
    /// decoder can (JPEG), which is much faster for large photos; null when unreadable.
    static QImage readScaled(const QString& path, const QSize& size, QString* error = nullptr);
    /// False, with the message, when the file's header claims more than kMaxPixels: for readers of
    /// their own that must refuse a decompression bomb before decoding, as read() does.
    static bool headerWithinBounds(const QString& path, QString* error);
    /// The picture's pixel size without decoding it; invalid when unreadable.
    static QSize sizeOfFile(const QString& path);

    /// Encodes the picture (quality 0..100 for lossy formats); empty on failure.
    static QByteArray encode(const QImage& image, Format format, int quality, QString* error = nullptr);
    /// Encodes the picture and writes it to the path in one rename.
    static Status write(const QImage& image, const QString& path, Format format, int quality = 85);
    /// Writes the bytes to the path in one rename (a temporary file beside it first).
    static Status writeData(const QByteArray& data, const QString& path);

    /// One frame of an animation and how long it shows.
    struct Frame
    {
        QImage image;
        int delayMs = 100;
    };
    /// Every frame of an animated picture (one for a still one); a frame that cannot be read is
    /// a null image in its place. loopCount receives the repeat count (0 for ever).
    static QList<Frame> readFrames(const QString& path, int* loopCount = nullptr);
    /// Writes the frames as an animated GIF (256 colours a frame, transparency kept).
    static Status writeGif(const QList<Frame>& frames, const QString& path, int loopCount = 0);

    /// The number of pages of a PDF; -1 when the file does not open as a PDF.
    static int pdfPageCount(const QString& path);
    /// Page `index` (from 0) rendered at `scale` pixels per point; null on failure.
    static QImage renderPdfPage(const QString& path, int index, double scale = 2.0);
    /// A PDF with one page per picture, each page the picture's pixel size in points.
    static Status writePdf(const QList<QImage>& pages, const QString& path);
    /// One PDF holding every page of the input PDFs in order, written by qpdf.
    static Status mergePdf(const QStringList& inputs, const QString& path);

private:
    /// False, with the reason, when a picture of that size (from the file's header; an invalid
    /// size is not known yet) is larger than kMaxPixels.
    static bool withinBounds(const QSize& size, QString* why);
    /// The picture in a pixel format every encoder writes without loss.
    static QImage keepingColours(const QImage& image);
    static bool heicEncoderAvailable();
    static QByteArray encodeHeic(const QImage& image, int quality, QString* error);
    static QImage decodeHeic(const QByteArray& data, QString* error);
    static QByteArray encodeJp2(const QImage& image, int quality, QString* error);
    static QImage decodeJp2(const QByteArray& data, QString* error);
    static QByteArray encodeGif(const QList<Frame>& frames, int loopCount, QString* error);
};

} // namespace platform
