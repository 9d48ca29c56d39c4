#include "platform/ImageIO.h"

#include "platform/Posix.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <QtEndian>

#include <optional>

namespace platform {

namespace {

struct FormatName
{
    ImageIO::Format format;
    const char* qtName; ///< the Qt plug-in's format name, null for none
    const char* extension; ///< the usual extension
};

constexpr FormatName kFormats[] = {
    { ImageIO::Format::Png, "png", "png" },    { ImageIO::Format::Jpeg, "jpeg", "jpg" },
    { ImageIO::Format::Tiff, "tiff", "tiff" }, { ImageIO::Format::Bmp, "bmp", "bmp" },
    { ImageIO::Format::Gif, "gif", "gif" },    { ImageIO::Format::Jpeg2000, "jp2", "jp2" },
    { ImageIO::Format::WebP, "webp", "webp" }, { ImageIO::Format::Heic, nullptr, "heic" },
    { ImageIO::Format::Icns, "icns", "icns" }, { ImageIO::Format::Ico, "ico", "ico" },
    { ImageIO::Format::Pdf, nullptr, "pdf" },
};

const FormatName* entryFor(ImageIO::Format format)
{
    for (const FormatName& entry : kFormats) {
        if (entry.format == format) {
            return &entry;
        }
    }
    return nullptr;
}

using posix::failureMessage;

bool isHeifBrand(const QByteArray& brand)
{
    static const QByteArray brands[] = { "heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1" };
    for (const QByteArray& b : brands) {
        if (brand == b) {
            return true;
        }
    }
    return false;
}

// Decoding allocates the whole picture: pictures of ordinary cameras and scans (up to several
// hundred megapixels, 8 bytes a pixel at 16 bits a channel) are allowed, and a header that
// claims more is refused before anything is decoded, so a small file cannot make the process
// allocate gigabytes (a 100 KB PNG may claim 30000 x 30000 pixels).
constexpr qint64 kBytesPerPixelAtMost = 8;
[[maybe_unused]] const bool kAllocationLimitSet = [] {
    QImageReader::setAllocationLimit(int(ImageIO::kMaxPixels * kBytesPerPixelAtMost / (1024 * 1024)) + 1);
    return true;
}();

// Formats without transparency get the picture over white, as a viewer shows it, instead of
// whatever colour the transparent pixels happen to carry.
QImage flattenedForOpaque(const QImage& image)
{
    if (!image.hasAlphaChannel()) {
        return image;
    }
    QImage opaque(image.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, image);
    return opaque;
}

// Qt's PNG reader gives a 16-bit RGB picture with a transparent colour (a tRNS chunk) as 16-bit
// RGBA without expanding its rows, so every pixel after the first takes its neighbour's samples.
// Such a file is decoded without the chunk (plain 16-bit RGB, which Qt reads right) and the
// pixels of the transparent colour are made transparent here.
struct PngColourKey
{
    QByteArray withoutKey; ///< the file without its tRNS chunk
    quint16 key[3] = {};
};

std::optional<PngColourKey> rgb16ColourKey(const QByteArray& png)
{
    auto be32 = [&png](qsizetype at) { return qFromBigEndian<quint32>(png.constData() + at); };
    if (png.size() < 33 || !png.startsWith("\x89PNG\r\n\x1a\n") || png.mid(12, 4) != "IHDR" || png.at(24) != 16
        || png.at(25) != 2) {
        return std::nullopt;
    }
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const qint64 length = be32(at);
        const QByteArray type = png.mid(at + 4, 4);
        if (length > png.size() - at - 12 || type == "IDAT" || type == "IEND") {
            return std::nullopt;
        }
        if (type == "tRNS") {
            if (length != 6) {
                return std::nullopt;
            }
            PngColourKey found;
            for (int i = 0; i < 3; ++i) {
                found.key[i] = qFromBigEndian<quint16>(png.constData() + at + 8 + 2 * i);
            }
            found.withoutKey = png.left(at) + png.mid(at + 12 + length);
            return found;
        }
        at += 12 + length;
    }
    return std::nullopt;
}

QImage readRgb16WithKey(const PngColourKey& found, QString* why)
{
    QBuffer buffer;
    buffer.setData(found.withoutKey);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    QImage image = reader.read();
    if (image.isNull()) {
        *why = reader.errorString();
        return image;
    }
    image = image.convertToFormat(QImage::Format_RGBA64);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgba64*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (row[x].red() == found.key[0] && row[x].green() == found.key[1] && row[x].blue() == found.key[2]) {
                row[x].setAlpha(0);
            }
        }
    }
    return image;
}

} // namespace

bool ImageIO::withinBounds(const QSize& size, QString* why)
{
    if (!size.isValid() || qint64(size.width()) * size.height() <= kMaxPixels) {
        return true;
    }
    if (why) {
        *why = QStringLiteral("the picture is %1 x %2 pixels, more than the %3 megapixels a picture may have")
                   .arg(size.width())
                   .arg(size.height())
                   .arg(kMaxPixels / 1000000);
    }
    return false;
}

bool ImageIO::headerWithinBounds(const QString& path, QString* error)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QString why;
    if (withinBounds(reader.size(), &why)) {
        return true;
    }
    if (error) {
        *error = failureMessage(QStringLiteral("read the image"), path, why);
    }
    return false;
}

// A picture the encoders take as it is without losing a colour, a level of transparency or a bit
// of depth: palette and 1-bit pictures (whose colour tables some encoders ignore or write
// without their transparency) become plain RGB, RGB with alpha or grey pictures, and
// premultiplied pixels become straight ones.
QImage ImageIO::keepingColours(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
        if (image.hasAlphaChannel()) {
            return image.convertToFormat(QImage::Format_ARGB32);
        }
        return image.convertToFormat(image.isGrayscale() ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_RGB888:
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
        return image;
    default:
        break;
    }
    if (image.depth() > 32) {
        return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_RGBA64 : QImage::Format_RGBX64);
    }
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

ImageIO::Format ImageIO::formatForExtension(const QString& extension)
{
    const QString ext = extension.toLower();
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg") || ext == QLatin1String("jpe")
        || ext == QLatin1String("jfif")) {
        return Format::Jpeg;
    }
    if (ext == QLatin1String("tif")) {
        return Format::Tiff;
    }
    if (ext == QLatin1String("heif")) {
        return Format::Heic;
    }
    for (const FormatName& entry : kFormats) {
        if (ext == QLatin1String(entry.extension)) {
            return entry.format;
        }
    }
    return Format::Unknown;
}

QString ImageIO::extensionForFormat(Format format)
{
    const FormatName* entry = entryFor(format);
    return entry ? QString::fromLatin1(entry->extension) : QString();
}

ImageIO::Format ImageIO::formatOfData(const QByteArray& d)
{
    if (d.startsWith("\x89PNG")) {
        return Format::Png;
    }
    if (d.startsWith("\xFF\xD8\xFF")) {
        return Format::Jpeg;
    }
    if (d.startsWith("II*\0") || d.startsWith(QByteArray("MM\0*", 4))) {
        return Format::Tiff;
    }
    if (d.startsWith("GIF8")) {
        return Format::Gif;
    }
    if (d.startsWith("BM")) {
        return Format::Bmp;
    }
    if (d.startsWith(QByteArray("\0\0\0\x0CjP  ", 8)) || d.startsWith("\xFF\x4F\xFF\x51")) {
        return Format::Jpeg2000;
    }
    if (d.startsWith("RIFF") && d.mid(8, 4) == "WEBP") {
        return Format::WebP;
    }
    if (d.mid(4, 4) == "ftyp" && isHeifBrand(d.mid(8, 4))) {
        return Format::Heic;
    }
    if (d.startsWith("icns")) {
        return Format::Icns;
    }
    if (d.startsWith(QByteArray("\0\0\1\0", 4))) {
        return Format::Ico;
    }
    if (d.startsWith("%PDF")) {
        return Format::Pdf;
    }
    return Format::Unknown;
}

ImageIO::Format ImageIO::formatOfFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Format::Unknown;
    }
    return formatOfData(file.read(16));
}

bool ImageIO::canWrite(Format format)
{
    switch (format) {
    case Format::Unknown:
        return false;
    case Format::Gif:
    case Format::Pdf:
    case Format::Jpeg2000:
        return true;
    case Format::Heic:
        return heicEncoderAvailable();
    default:
        break;
    }
    const FormatName* entry = entryFor(format);
    return entry && entry->qtName && QImageWriter::supportedImageFormats().contains(entry->qtName);
}

QImage ImageIO::read(const QString& path, QString* error)
{
    const Format format = formatOfFile(path);
    if (format == Format::Heic || format == Format::Jpeg2000) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            if (error) {
                *error = failureMessage(QStringLiteral("read the image"), path, file.errorString());
            }
            return {};
        }
        QString why;
        QImage image = format == Format::Heic ? decodeHeic(file.readAll(), &why) : decodeJp2(file.readAll(), &why);
        if (image.isNull() && error) {
            *error = failureMessage(QStringLiteral("read the image"), path, why);
        }
        return image;
    }
    if (format == Format::Pdf) {
        QImage page = renderPdfPage(path, 0);
        if (page.isNull() && error) {
            *error = failureMessage(QStringLiteral("read the image"), path,
                                    QStringLiteral("the PDF document has no readable page"));
        }
        return page;
    }
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    if (QString why; !withinBounds(reader.size(), &why)) {
        if (error) {
            *error = failureMessage(QStringLiteral("read the image"), path, why);
        }
        return {};
    }
    QString why;
    QImage image;
    if (format == Format::Png) {
        QFile file(path);
        // Only a 16-bit RGB file (colour type 2 at byte 25) is read whole here.
        if (file.open(QIODevice::ReadOnly) && file.peek(26).mid(24) == QByteArray("\x10\x02", 2)) {
            if (const auto keyed = rgb16ColourKey(file.readAll())) {
                image = readRgb16WithKey(*keyed, &why);
                if (image.isNull() && error) {
                    *error = failureMessage(QStringLiteral("read the image"), path, why);
                }
                return image;
            }
        }
    }
    image = reader.read();
    if (image.isNull() && error) {
        *error = failureMessage(QStringLiteral("read the image"), path, reader.errorString());
    }
    return image;
}

QImage ImageIO::readScaled(const QString& path, const QSize& size, QString* error)
{
    if (size.isEmpty()) {
        return {};
    }
    QImage image;
    if (formatOfFile(path) == Format::Jpeg) {
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        reader.setScaledSize(size);
        image = reader.read();
        if (image.isNull() && error) {
            *error = failureMessage(QStringLiteral("read the image"), path, reader.errorString());
        }
    } else {
        image = read(path, error);
    }
    if (image.isNull() || image.size() == size) {
        return image;
    }
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QSize ImageIO::sizeOfFile(const QString& path)
{
    const Format format = formatOfFile(path);
    if (format == Format::Heic || format == Format::Pdf || format == Format::Jpeg2000) {
        return read(path).size();
    }
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    return size.isValid() ? size : reader.read().size();
}

QByteArray ImageIO::encode(const QImage& image, Format format, int quality, QString* error)
{
    if (image.isNull()) {
        if (error) {
            *error = QStringLiteral("no picture to encode");
        }
        return {};
    }
    if (format == Format::Heic) {
        return encodeHeic(image, quality, error);
    }
    if (format == Format::Gif) {
        return encodeGif({ Frame { image, 0 } }, -1, error);
    }
    if (format == Format::Jpeg2000) {
        return encodeJp2(image, quality, error);
    }
    const FormatName* entry = entryFor(format);
    if (!entry || !entry->qtName || !QImageWriter::supportedImageFormats().contains(entry->qtName)) {
        if (error) {
            *error = QStringLiteral("no encoder for the format \"%1\"").arg(extensionForFormat(format));
        }
        return {};
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, entry->qtName);
    writer.setQuality(quality);
    const bool opaque = format == Format::Jpeg || format == Format::Bmp;
    if (!writer.write(opaque ? flattenedForOpaque(image) : keepingColours(image))) {
        if (error) {
            *error = writer.errorString();
        }
        return {};
    }
    return data;
}

ImageIO::Status ImageIO::write(const QImage& image, const QString& path, Format format, int quality)
{
    if (format == Format::Pdf) {
        return writePdf({ image }, path);
    }
    QString why;
    const QByteArray data = encode(image, format, quality, &why);
    if (data.isEmpty()) {
        return { false, failureMessage(QStringLiteral("encode the image"), path, why) };
    }
    return writeData(data, path);
}

ImageIO::Status ImageIO::writeData(const QByteArray& data, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        return { false, failureMessage(QStringLiteral("write the image"), path, file.errorString()) };
    }
    return { true, QString() };
}

QList<ImageIO::Frame> ImageIO::readFrames(const QString& path, int* loopCount)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QList<Frame> frames;
    if (!withinBounds(reader.size(), nullptr)) {
        return frames;
    }
    const int count = reader.imageCount();
    if (loopCount) {
        // Qt answers -1 for "for ever", which a GIF stores as 0.
        const int loops = reader.loopCount();
        *loopCount = loops < 0 ? 0 : (loops == 0 ? -1 : loops);
    }
    // Bounded by the count: some readers hand a still picture out again on every read.
    QImage image;
    for (int i = 0; i < qMax(count, 1) && reader.read(&image); ++i) {
        frames.append({ image, reader.nextImageDelay() });
    }
    // A still picture Qt has no reader for (HEIC) is one frame.
    if (frames.isEmpty() && count <= 0) {
        if (const QImage still = read(path); !still.isNull()) {
            frames.append({ still, 0 });
        }
    }
    // Frames after a damaged one cannot be decoded, but they still count.
    while (frames.size() < count) {
        frames.append({ QImage(), 0 });
    }
    return frames;
}

} // namespace platform
