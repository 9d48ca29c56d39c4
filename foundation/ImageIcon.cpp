#include "foundation/ImageIcon.h"

namespace qv {

using platform::ImageIO;

QImage imageWithSize(const QImage& image, const QSize& pixels)
{
    if (image.isNull() || pixels.isEmpty()) {
        return {};
    }
    return image.convertToFormat(QImage::Format_ARGB32).scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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

QImage tintImage(const QImage& image, const QColor& colour)
{
    QImage tinted = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&tinted);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(tinted.rect(), colour);
    painter.end();
    return tinted;
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
