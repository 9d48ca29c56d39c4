// HEIC through libheif: the encoder writes into memory, so a failed encode never leaves a file.

#include "platform/ImageIO.h"

#include <libheif/heif.h>

#include <cstring>
#include <memory>

#include "platform/LateLibrary.h"

// libheif is opened on first use: these names call through platform/LateLibrary.h.
#define heif_context_alloc TARSEL_LATE(platform::heifLibrary, heif_context_alloc)
#define heif_context_encode_image TARSEL_LATE(platform::heifLibrary, heif_context_encode_image)
#define heif_context_free TARSEL_LATE(platform::heifLibrary, heif_context_free)
#define heif_context_get_encoder_for_format TARSEL_LATE(platform::heifLibrary, heif_context_get_encoder_for_format)
#define heif_context_get_primary_image_handle TARSEL_LATE(platform::heifLibrary, heif_context_get_primary_image_handle)
#define heif_context_read_from_memory_without_copy                                                                     \
    TARSEL_LATE(platform::heifLibrary, heif_context_read_from_memory_without_copy)
#define heif_context_write TARSEL_LATE(platform::heifLibrary, heif_context_write)
#define heif_decode_image TARSEL_LATE(platform::heifLibrary, heif_decode_image)
#define heif_encoder_release TARSEL_LATE(platform::heifLibrary, heif_encoder_release)
#define heif_encoder_set_lossy_quality TARSEL_LATE(platform::heifLibrary, heif_encoder_set_lossy_quality)
#define heif_have_encoder_for_format TARSEL_LATE(platform::heifLibrary, heif_have_encoder_for_format)
#define heif_image_add_plane TARSEL_LATE(platform::heifLibrary, heif_image_add_plane)
#define heif_image_create TARSEL_LATE(platform::heifLibrary, heif_image_create)
#define heif_image_get_height TARSEL_LATE(platform::heifLibrary, heif_image_get_height)
#define heif_image_get_plane TARSEL_LATE(platform::heifLibrary, heif_image_get_plane)
#define heif_image_get_plane_readonly TARSEL_LATE(platform::heifLibrary, heif_image_get_plane_readonly)
#define heif_image_get_width TARSEL_LATE(platform::heifLibrary, heif_image_get_width)
#define heif_image_handle_get_height TARSEL_LATE(platform::heifLibrary, heif_image_handle_get_height)
#define heif_image_handle_get_width TARSEL_LATE(platform::heifLibrary, heif_image_handle_get_width)
#define heif_image_handle_release TARSEL_LATE(platform::heifLibrary, heif_image_handle_release)
#define heif_image_release TARSEL_LATE(platform::heifLibrary, heif_image_release)

namespace platform {

namespace {

struct ContextDeleter
{
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct ImageDeleter
{
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct HandleDeleter
{
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct EncoderDeleter
{
    void operator()(heif_encoder* e) const { heif_encoder_release(e); }
};

bool failed(const heif_error& e, QString* error)
{
    if (e.code == heif_error_Ok) {
        return false;
    }
    if (error) {
        *error = QString::fromUtf8(e.message ? e.message : "libheif error");
    }
    return true;
}

heif_error appendTo(heif_context*, const void* data, size_t size, void* userdata)
{
    static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
    return { heif_error_Ok, heif_suberror_Unspecified, "" };
}

} // namespace

bool ImageIO::heicEncoderAvailable()
{
    return heif_have_encoder_for_format(heif_compression_HEVC) != 0;
}

QByteArray ImageIO::encodeHeic(const QImage& source, int quality, QString* error)
{
    const bool alpha = source.hasAlphaChannel();
    const QImage image = source.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    heif_encoder* rawEncoder = nullptr;
    if (failed(heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder), error)) {
        return {};
    }
    std::unique_ptr<heif_encoder, EncoderDeleter> encoder(rawEncoder);
    heif_encoder_set_lossy_quality(encoder.get(), quality);
    heif_image* rawImage = nullptr;
    const heif_chroma chroma = alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;
    if (failed(heif_image_create(image.width(), image.height(), heif_colorspace_RGB, chroma, &rawImage), error)) {
        return {};
    }
    std::unique_ptr<heif_image, ImageDeleter> picture(rawImage);
    if (failed(heif_image_add_plane(picture.get(), heif_channel_interleaved, image.width(), image.height(), 8),
               error)) {
        return {};
    }
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(picture.get(), heif_channel_interleaved, &stride);
    const size_t rowBytes = size_t(image.width()) * (alpha ? 4 : 3);
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(plane + size_t(y) * size_t(stride), image.constScanLine(y), rowBytes);
    }
    if (failed(heif_context_encode_image(context.get(), picture.get(), encoder.get(), nullptr, nullptr), error)) {
        return {};
    }
    QByteArray data;
    heif_writer writer { 1, &appendTo };
    if (failed(heif_context_write(context.get(), &writer, &data), error)) {
        return {};
    }
    return data;
}

QImage ImageIO::decodeHeic(const QByteArray& data, QString* error)
{
    std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    if (failed(
            heif_context_read_from_memory_without_copy(context.get(), data.constData(), size_t(data.size()), nullptr),
            error)) {
        return {};
    }
    heif_image_handle* rawHandle = nullptr;
    if (failed(heif_context_get_primary_image_handle(context.get(), &rawHandle), error)) {
        return {};
    }
    std::unique_ptr<heif_image_handle, HandleDeleter> handle(rawHandle);
    if (!withinBounds(QSize(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get())),
                      error)) {
        return {};
    }
    heif_image* rawImage = nullptr;
    if (failed(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr),
               error)) {
        return {};
    }
    std::unique_ptr<heif_image, ImageDeleter> picture(rawImage);
    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(picture.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(picture.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(picture.get(), heif_channel_interleaved);
    if (plane == nullptr || width <= 0 || height <= 0) {
        if (error) {
            *error = QStringLiteral("the HEIC picture has no pixels");
        }
        return {};
    }
    QImage image(width, height, QImage::Format_RGBA8888);
    for (int y = 0; y < height; ++y) {
        std::memcpy(image.scanLine(y), plane + size_t(y) * size_t(stride), size_t(width) * 4);
    }
    return image;
}

} // namespace platform
