#pragma once
// Additions to the platform's image for icons and conversions: drawing at an exact pixel size,
// fitting, merging, tinting and saving in a chosen file type. Every size here is in pixels.

#include "platform/ImageIO.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>

namespace qv {

/// The image drawn at that pixel size (smooth scaling, transparency kept); null for an empty size.
QImage imageWithSize(const QImage& image, const QSize& pixels);
/// The image fitted to the size: method 3 fits inside it (aspect kept, one side truncated),
/// any other method covers it.
QImage imageToFitSize(const QImage& image, const QSize& size, int method);
QImage imageScaledToFitSize(const QImage& image, const QSize& size);
QImage imageCroppedToFitSize(const QImage& image, const QSize& size);
/// Draws the image into the rectangle: method 3 whole at its fitted size at the rectangle's
/// origin; method 0 the centred part that covers the rectangle; 1 and 2 that part taken from the
/// top-left and bottom-right edge instead.
void drawInRect(QPainter& painter, const QImage& image, const QRect& rect, QPainter::CompositionMode operation,
                double fraction, int method);
/// A new image of the receiver's size: the receiver with the other image drawn into the rectangle.
QImage mergeImage(const QImage& image, const QImage& other, const QRect& rect);
/// The same with a rectangle of fractional pixels (the other image is drawn smoothly into it).
QImage mergeImage(const QImage& image, const QImage& other, const QRectF& rect);
/// The colour in the shape of the image (its transparency kept, its colours replaced).
QImage tintImage(const QImage& image, const QColor& colour);
/// The image in shades of one colour, its transparency kept: each pixel's luminance (Rec. 709
/// weights) is overlaid on the colour (dark pixels darken it, light ones lighten it), then
/// mixed with the pixel by the intensity (0 keeps the image, 1 is the full tint).
QImage monochromeImage(const QImage& image, const QColor& colour, double intensity);

/// Writes the image in the file type (quality 85 for lossy types) in one rename; false on any
/// failure, the encoder's included.
bool saveImageType(const QImage& image, platform::ImageIO::Format type, const QString& path);
/// saveImageType with the type the lower-case extension names: "jpeg"/"jpg" JPEG, "bmp", "tiff",
/// "jp2" JPEG 2000, "gif", "heic" HEIC, "webp" WebP, anything else PNG.
bool saveImageWithExt(const QImage& image, const QString& extension, const QString& path);
/// The type saveImageWithExt writes for an extension.
platform::ImageIO::Format imageTypeForExt(const QString& extension);
/// The extension a file of that extension is written under: the extension itself (lower case)
/// when this system encodes the type it names, else "jpg", so the bytes always match the name.
QString writableImageExt(const QString& extension);

} // namespace qv
