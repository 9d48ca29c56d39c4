#include "foundation/ImageIcon.h"

namespace qv {

using platform::ImageIO;

QImage imageWithSize(const QImage& image, const QSize& pixels)
{
    if (image.isNull() || pixels.isEmpty()) {
        return {};
    }
    // 16-bit pictures stay 16-bit: an icon at the picture's own size is the picture itself.
    const bool deep = image.depth() > 32 || image.format() == QImage::Format_Grayscale16;
    return image.convertToFormat(deep ? QImage::Format_RGBA64 : QImage::Format_ARGB32)
        .scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage imageToFitSize(const QImage& image, const QSize& size, int method)
{
    if (image.isNull() || size.isEmpty()) {
        return {};
    }
    const double a = double(image.width()) / image.height();
    const double t = double(size.width()) / size.height();
    const bool keepHeight = method == 3 ? a <= t : a > t;
    const QSize fitted = keepHeight ? QSize(qMax(1, int(a * size.height())), size.height())
                                    : QSize(size.width(), qMax(1, int(size.width() / a)));
    return imageWithSize(image, fitted);
}

QImage imageScaledToFitSize(const QImage& image, const QSize& size)
{
    return imageToFitSize(image, size, 3);
}

QImage imageCroppedToFitSize(const QImage& image, const QSize& size)
{
    return imageToFitSize(image, size, 0);
}

void drawInRect(QPainter& painter, const QImage& image, const QRect& rect, QPainter::CompositionMode operation,
                double fraction, int method)
{
    if (image.isNull() || rect.isEmpty()) {
        return;
    }
    painter.save();
    painter.setCompositionMode(operation);
    painter.setOpacity(fraction);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (method == 3) {
        const QImage fitted = imageScaledToFitSize(image, rect.size());
        painter.drawImage(rect.topLeft(), fitted);
    } else {
        const QImage covering = imageCroppedToFitSize(image, rect.size());
        QPoint offset((covering.width() - rect.width()) / 2, (covering.height() - rect.height()) / 2);
        if (method == 1) {
            offset = QPoint(0, 0);
        } else if (method == 2) {
            offset = QPoint(covering.width() - rect.width(), covering.height() - rect.height());
        }
        painter.drawImage(rect, covering, QRect(offset, rect.size()));
    }
    painter.restore();
}

QImage mergeImage(const QImage& image, const QImage& other, const QRect& rect)
{
    QImage merged = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&merged);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect, other);
    painter.end();
    return merged;
}

QImage mergeImage(const QImage& image, const QImage& other, const QRectF& rect)
{
    QImage merged = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&merged);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect, other);
    painter.end();
    return merged;
}

QImage tintImage(const QImage& image, const QColor& colour)
{
    QImage tinted = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&tinted);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(tinted.rect(), colour);
    painter.end();
    return tinted;
}

QImage monochromeImage(const QImage& image, const QColor& colour, double intensity)
{
    if (image.isNull()) {
        return {};
    }
    const double mix = qBound(0.0, intensity, 1.0);
    const double tint[3] = { colour.redF(), colour.greenF(), colour.blueF() };
    // Straight (not premultiplied) values, so a half-transparent edge is tinted like the rest.
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            const QRgb pixel = line[x];
            const double in[3] = { qRed(pixel) / 255.0, qGreen(pixel) / 255.0, qBlue(pixel) / 255.0 };
            const double luminance = 0.2125 * in[0] + 0.7154 * in[1] + 0.0721 * in[2];
            int out[3];
            for (int c = 0; c < 3; ++c) {
                const double shade
                    = luminance < 0.5 ? 2 * luminance * tint[c] : 1 - 2 * (1 - luminance) * (1 - tint[c]);
                out[c] = qRound(255 * ((1 - mix) * in[c] + mix * shade));
            }
            line[x] = qRgba(out[0], out[1], out[2], qAlpha(pixel));
        }
    }
    return result;
}

bool saveImageType(const QImage& image, ImageIO::Format type, const QString& path)
{
    return ImageIO::write(image, path, type, 85).ok;
}

ImageIO::Format imageTypeForExt(const QString& extension)
{
    const ImageIO::Format format = ImageIO::formatForExtension(extension);
    switch (format) {
    case ImageIO::Format::Jpeg:
    case ImageIO::Format::Bmp:
    case ImageIO::Format::Tiff:
    case ImageIO::Format::Jpeg2000:
    case ImageIO::Format::Gif:
    case ImageIO::Format::Heic:
    case ImageIO::Format::WebP:
        return format;
    default:
        return ImageIO::Format::Png;
    }
}

bool saveImageWithExt(const QImage& image, const QString& extension, const QString& path)
{
    return saveImageType(image, imageTypeForExt(extension), path);
}

QString writableImageExt(const QString& extension)
{
    const QString ext = extension.toLower();
    const ImageIO::Format format = ImageIO::formatForExtension(ext);
    return format != ImageIO::Format::Unknown && ImageIO::canWrite(format) ? ext : QStringLiteral("jpg");
}

} // namespace qv
