#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace platform {

/// Scaling pictures to an exact pixel size with a Lanczos filter (three lobes, widened by the
/// scale factor when shrinking, so every source pixel counts and fine detail does not alias),
/// and reading a picture file straight into such a scaled copy.
///
/// Colour pictures are filtered with their alpha premultiplied, 8 or 16 bits a channel as the
/// source has them; grey pictures stay grey. The work is spread over the processor's cores.
///
/// Safe on any thread; nothing here shows a message.
class ImageResample final
{
public:
    ImageResample() = delete;

    /// The picture scaled to exactly that size (the aspect ratio is not kept); null for a null
    /// picture or an empty size.
    static QImage scaled(const QImage& image, const QSize& size);

    /// The picture in the file, upright (its EXIF orientation applied), scaled to exactly that
    /// size. A JPEG is decoded at a reduced size first (1/2, 1/4 or 1/8, never below twice the
    /// wanted size), which is much faster for large photos and leaves the filter enough pixels.
    /// Null when unreadable.
    static QImage readScaled(const QString& path, const QSize& size, QString* error = nullptr);
};

} // namespace platform
