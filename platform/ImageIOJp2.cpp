// JPEG 2000 through OpenJPEG: ".jp2" files (the JP2 container) written from memory, with grey or
// RGB components, an alpha component when the picture has transparency, and 16 bits a component
// for 16-bit pictures. Quality 100 is lossless (the reversible wavelet); lower qualities trade
// size for detail with the irreversible one.

#include "platform/ImageIO.h"

#include <openjpeg.h>

#include <cstring>
#include <memory>

namespace platform {

namespace {

struct ImageDeleter
{
    void operator()(opj_image_t* i) const { opj_image_destroy(i); }
};
struct CodecDeleter
{
    void operator()(opj_codec_t* c) const { opj_destroy_codec(c); }
};
struct StreamDeleter
{
    void operator()(opj_stream_t* s) const { opj_stream_destroy(s); }
};

// Bytes in memory with a position, for OpenJPEG's streams.
struct Memory
{
    QByteArray* data;
    qint64 position = 0;
};

OPJ_SIZE_T writeBytes(void* buffer, OPJ_SIZE_T count, void* user)
{
    auto* memory = static_cast<Memory*>(user);
    const qint64 end = memory->position + qint64(count);
    if (end > memory->data->size()) {
        memory->data->resize(end);
    }
    std::memcpy(memory->data->data() + memory->position, buffer, count);
    memory->position = end;
    return count;
}

OPJ_SIZE_T readBytes(void* buffer, OPJ_SIZE_T count, void* user)
{
    auto* memory = static_cast<Memory*>(user);
    const qint64 left = memory->data->size() - memory->position;
    if (left <= 0) {
        return OPJ_SIZE_T(-1);
    }
    const qint64 n = qMin(left, qint64(count));
    std::memcpy(buffer, memory->data->constData() + memory->position, size_t(n));
    memory->position += n;
    return OPJ_SIZE_T(n);
}

OPJ_OFF_T skipBytes(OPJ_OFF_T count, void* user)
{
    auto* memory = static_cast<Memory*>(user);
    memory->position = qMax<qint64>(0, memory->position + count);
    return count;
}

OPJ_BOOL seekTo(OPJ_OFF_T position, void* user)
{
    auto* memory = static_cast<Memory*>(user);
    if (position < 0) {
        return OPJ_FALSE;
    }
    memory->position = position;
    return OPJ_TRUE;
}

void keepMessage(const char* message, void* user)
{
    if (user && message && static_cast<QString*>(user)->isEmpty()) {
        *static_cast<QString*>(user) = QString::fromUtf8(message).trimmed();
    }
}

void quiet(const char*, void*) { }

std::unique_ptr<opj_stream_t, StreamDeleter> memoryStream(Memory& memory, bool input)
{
    std::unique_ptr<opj_stream_t, StreamDeleter> stream(opj_stream_default_create(input ? OPJ_TRUE : OPJ_FALSE));
    if (stream) {
        opj_stream_set_user_data(stream.get(), &memory, nullptr);
        if (input) {
            opj_stream_set_read_function(stream.get(), &readBytes);
            opj_stream_set_user_data_length(stream.get(), OPJ_UINT64(memory.data->size()));
        } else {
            opj_stream_set_write_function(stream.get(), &writeBytes);
        }
        opj_stream_set_skip_function(stream.get(), &skipBytes);
        opj_stream_set_seek_function(stream.get(), &seekTo);
    }
    return stream;
}

// The picture as OpenJPEG components: grey or RGB, then alpha, 8 or 16 bits each.
std::unique_ptr<opj_image_t, ImageDeleter> components(const QImage& kept)
{
    const bool grey = kept.format() == QImage::Format_Grayscale8 || kept.format() == QImage::Format_Grayscale16;
    const bool deep = kept.format() == QImage::Format_Grayscale16 || kept.depth() > 32;
    const bool alpha = kept.hasAlphaChannel();
    const int count = grey ? 1 : alpha ? 4 : 3;
    const QImage pixels = kept.convertToFormat(grey ? (deep ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8)
                                                   : deep ? QImage::Format_RGBA64
                                                          : QImage::Format_RGBA8888);
    const auto w = OPJ_UINT32(pixels.width());
    const auto h = OPJ_UINT32(pixels.height());
    opj_image_cmptparm_t parameters[4] {};
    for (opj_image_cmptparm_t& p : parameters) {
        p.dx = 1;
        p.dy = 1;
        p.w = w;
        p.h = h;
        p.prec = deep ? 16 : 8;
        p.sgnd = 0;
    }
    std::unique_ptr<opj_image_t, ImageDeleter> image(
        opj_image_create(OPJ_UINT32(count), parameters, grey ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
    if (!image) {
        return image;
    }
    image->x1 = w;
    image->y1 = h;
    if (alpha) {
        image->comps[3].alpha = 1;
    }
    const int stride = grey ? 1 : 4; // samples a pixel in `pixels`
    for (OPJ_UINT32 y = 0; y < h; ++y) {
        const uchar* line = pixels.constScanLine(int(y));
        for (OPJ_UINT32 x = 0; x < w; ++x) {
            for (int c = 0; c < count; ++c) {
                const size_t at = size_t(x) * size_t(stride) + size_t(c);
                image->comps[c].data[size_t(y) * w + x]
                    = deep ? OPJ_INT32(reinterpret_cast<const quint16*>(line)[at]) : OPJ_INT32(line[at]);
            }
        }
    }
    return image;
}

int resolutionsFor(const QSize& size)
{
    int levels = 1;
    while (levels < 6 && (qMin(size.width(), size.height()) >> levels) > 0) {
        ++levels;
    }
    return levels;
}

} // namespace

QByteArray ImageIO::encodeJp2(const QImage& source, int quality, QString* error)
{
    const auto image = components(keepingColours(source));
    QString why;
    std::unique_ptr<opj_codec_t, CodecDeleter> codec(opj_create_compress(OPJ_CODEC_JP2));
    if (!image || !codec) {
        if (error) {
            *error = QStringLiteral("OpenJPEG could not be set up");
        }
        return {};
    }
    opj_set_error_handler(codec.get(), &keepMessage, &why);
    opj_set_warning_handler(codec.get(), &quiet, nullptr);
    opj_set_info_handler(codec.get(), &quiet, nullptr);
    opj_cparameters_t parameters;
    opj_set_default_encoder_parameters(&parameters);
    parameters.tcp_numlayers = 1;
    parameters.cp_disto_alloc = 1;
    // 0 is lossless; otherwise a compression ratio that grows as the quality falls.
    parameters.tcp_rates[0] = quality >= 100 ? 0.0f : float(1 + (100 - qBound(0, quality, 100)));
    parameters.irreversible = quality >= 100 ? 0 : 1;
    parameters.tcp_mct = image->numcomps >= 3 ? 1 : 0;
    parameters.numresolution = resolutionsFor(source.size());
    QByteArray data;
    Memory memory { &data };
    const auto stream = memoryStream(memory, false);
    const bool ok = stream && opj_setup_encoder(codec.get(), &parameters, image.get())
        && opj_start_compress(codec.get(), image.get(), stream.get()) && opj_encode(codec.get(), stream.get())
        && opj_end_compress(codec.get(), stream.get());
    if (!ok) {
        if (error) {
            *error = why.isEmpty() ? QStringLiteral("OpenJPEG could not encode the picture") : why;
        }
        return {};
    }
    return data;
}

namespace {

// The decoded components (checked: 1 to 4 of the picture's size, 1 to 16 bits) as a picture.
QImage toQImage(const opj_image_t& image, QSize size)
{
    const OPJ_UINT32 count = image.numcomps;
    // Grey (and alpha) or RGB (and alpha), each sample scaled to 16 bits.
    const bool grey = count <= 2;
    QImage out(size, QImage::Format_RGBA64);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<quint16*>(out.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            quint16 s[4] = { 0, 0, 0, 0xFFFF };
            for (OPJ_UINT32 c = 0; c < count; ++c) {
                const opj_image_comp_t& comp = image.comps[c];
                const qint64 max = (qint64(1) << comp.prec) - 1;
                const qint64 v = qBound(qint64(0), qint64(comp.data[size_t(y) * comp.w + size_t(x)]), max);
                s[c] = quint16(v * 0xFFFF / max);
            }
            if (grey) {
                s[3] = count == 2 ? s[1] : quint16(0xFFFF);
                s[1] = s[0];
                s[2] = s[0];
            }
            std::memcpy(line + size_t(x) * 4, s, sizeof s);
        }
    }
    const bool deep = image.comps[0].prec > 8;
    if (deep) {
        return count == 2 || count == 4 ? out : out.convertToFormat(QImage::Format_RGBX64);
    }
    return out.convertToFormat(count == 2 || count == 4 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

} // namespace

QImage ImageIO::decodeJp2(const QByteArray& encoded, QString* error)
{
    QByteArray data = encoded;
    Memory memory { &data };
    const auto stream = memoryStream(memory, true);
    QString why;
    const bool codestream = data.startsWith("\xFF\x4F\xFF\x51");
    std::unique_ptr<opj_codec_t, CodecDeleter> codec(opj_create_decompress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2));
    const auto fail = [&](const QString& reason) {
        if (error) {
            *error = why.isEmpty() ? reason : why;
        }
        return QImage();
    };
    if (!stream || !codec) {
        return fail(QStringLiteral("OpenJPEG could not be set up"));
    }
    opj_set_error_handler(codec.get(), &keepMessage, &why);
    opj_set_warning_handler(codec.get(), &quiet, nullptr);
    opj_set_info_handler(codec.get(), &quiet, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    opj_image_t* raw = nullptr;
    if (!opj_setup_decoder(codec.get(), &parameters) || !opj_read_header(stream.get(), codec.get(), &raw)) {
        return fail(QStringLiteral("not a JPEG 2000 picture"));
    }
    const std::unique_ptr<opj_image_t, ImageDeleter> image(raw);
    const QSize size(int(image->x1 - image->x0), int(image->y1 - image->y0));
    if (QString tooLarge; !withinBounds(size, &tooLarge)) {
        why.clear();
        return fail(tooLarge);
    }
    if (!opj_decode(codec.get(), stream.get(), image.get()) || !opj_end_decompress(codec.get(), stream.get())) {
        return fail(QStringLiteral("the JPEG 2000 data is damaged"));
    }
    const OPJ_UINT32 count = image->numcomps;
    if (count == 0 || count > 4 || size.isEmpty()) {
        return fail(QStringLiteral("unsupported JPEG 2000 components"));
    }
    for (OPJ_UINT32 c = 0; c < count; ++c) {
        const opj_image_comp_t& comp = image->comps[c];
        if (comp.dx != 1 || comp.dy != 1 || comp.w != OPJ_UINT32(size.width()) || comp.h != OPJ_UINT32(size.height())
            || comp.prec < 1 || comp.prec > 16 || comp.data == nullptr) {
            return fail(QStringLiteral("unsupported JPEG 2000 components"));
        }
    }
    return toQImage(*image, size);
}

} // namespace platform
