#include "platform/ImageResample.h"

#include "platform/ImageIO.h"
#include "platform/Posix.h"

#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QTransform>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <thread>
#include <vector>

#include <jpeglib.h>

#include "platform/LateLibrary.h"

// libjpeg is opened on first use: these names call through platform/LateLibrary.h.
#define jpeg_CreateDecompress TARSEL_LATE(platform::jpegLibrary, jpeg_CreateDecompress)
#define jpeg_destroy_decompress TARSEL_LATE(platform::jpegLibrary, jpeg_destroy_decompress)
#define jpeg_finish_decompress TARSEL_LATE(platform::jpegLibrary, jpeg_finish_decompress)
#define jpeg_read_header TARSEL_LATE(platform::jpegLibrary, jpeg_read_header)
#define jpeg_read_icc_profile TARSEL_LATE(platform::jpegLibrary, jpeg_read_icc_profile)
#define jpeg_read_scanlines TARSEL_LATE(platform::jpegLibrary, jpeg_read_scanlines)
#define jpeg_save_markers TARSEL_LATE(platform::jpegLibrary, jpeg_save_markers)
#define jpeg_start_decompress TARSEL_LATE(platform::jpegLibrary, jpeg_start_decompress)
#define jpeg_std_error TARSEL_LATE(platform::jpegLibrary, jpeg_std_error)
#define jpeg_stdio_src TARSEL_LATE(platform::jpegLibrary, jpeg_stdio_src)

namespace platform {

namespace {

constexpr double kLobes = 3.0;
constexpr double kPi = 3.14159265358979323846;

double sinc(double x)
{
    if (x == 0.0) {
        return 1.0;
    }
    x *= kPi;
    return std::sin(x) / x;
}

double lanczos(double x)
{
    x = std::abs(x);
    return x < kLobes ? sinc(x) * sinc(x / kLobes) : 0.0;
}

// The source pixels (first .. first + count - 1) and their weights that make one destination
// pixel along one axis; the weights of all destination pixels lie in one array, at `offset`.
struct Taps
{
    int first = 0;
    int count = 0;
    size_t offset = 0;
};

struct Axis
{
    std::vector<Taps> taps;
    std::vector<float> weights;
};

// Pixel j of the source covers [j, j + 1); destination pixel i is centred on (i + 0.5) * scale.
// Shrinking widens the filter by the scale factor, so it averages every pixel it stands for.
// Taps that would fall outside the picture are left out and the rest weighted up to one, which
// keeps the borders' colours without a dark or bright rim.
Axis axisWeights(int sourceLength, int length)
{
    const double scale = double(sourceLength) / double(length);
    const double stretch = std::max(scale, 1.0);
    const double support = kLobes * stretch;
    Axis axis;
    axis.taps.resize(size_t(length));
    axis.weights.reserve(size_t(length) * size_t(std::ceil(2 * support) + 1));
    for (int i = 0; i < length; ++i) {
        const double centre = (i + 0.5) * scale;
        const int first = std::max(0, int(std::floor(centre - support + 0.5)));
        const int end = std::max(first + 1, std::min(sourceLength, int(std::floor(centre + support + 0.5))));
        Taps& taps = axis.taps[size_t(i)];
        taps.first = first;
        taps.count = end - first;
        taps.offset = axis.weights.size();
        double sum = 0;
        for (int j = first; j < end; ++j) {
            const double w = lanczos((j + 0.5 - centre) / stretch);
            axis.weights.push_back(float(w));
            sum += w;
        }
        if (sum != 0.0) {
            for (size_t k = taps.offset; k < axis.weights.size(); ++k) {
                axis.weights[k] = float(axis.weights[k] / sum);
            }
        }
    }
    return axis;
}

// How many rows of the source can be read: all of them for a picture in memory, a growing number
// while a decoder fills it. The filter waits for the rows a destination row needs.
class SourceRows
{
public:
    explicit SourceRows(int ready)
        : m_ready(ready)
    {
    }
    void publish(int ready)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_ready = ready;
        }
        m_changed.notify_all();
    }
    void fail()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_failed = true;
        }
        m_changed.notify_all();
    }
    /// False when the source failed instead.
    bool waitFor(int rows)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_ready >= rows || m_failed; });
        return !m_failed;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_ready = 0;
    bool m_failed = false;
};

struct Planes
{
    const uchar* source;
    qsizetype sourceStride;
    int sourceWidth;
    uchar* target;
    qsizetype targetStride;
    int targetWidth;
    int targetHeight;
};

// Filters destination rows one at a time, taking the next free one: each row is first gathered
// down the columns into one row of floating-point samples at the source's width, then filtered
// along that row. T is the channel type, C the channels a pixel; with alpha (the last of four
// channels, premultiplied) a colour never exceeds its alpha.
template <typename T, int C>
void resampleRows(const Planes& p, const Axis& across, const Axis& down, SourceRows& rows, std::atomic<int>& next,
                  bool alpha)
{
    const int sourceSamples = p.sourceWidth * C;
    const float top = float(std::numeric_limits<T>::max());
    std::vector<float> row(static_cast<size_t>(sourceSamples));
    for (int y = next++; y < p.targetHeight; y = next++) {
        const Taps& vertical = down.taps[size_t(y)];
        if (!rows.waitFor(vertical.first + vertical.count)) {
            return;
        }
        const float* vw = down.weights.data() + vertical.offset;
        std::fill(row.begin(), row.end(), 0.0f);
        for (int k = 0; k < vertical.count; ++k) {
            const T* in = reinterpret_cast<const T*>(p.source + (vertical.first + k) * p.sourceStride);
            const float w = vw[k];
            float* out = row.data();
            for (int i = 0; i < sourceSamples; ++i) {
                out[i] += w * float(in[i]);
            }
        }
        T* out = reinterpret_cast<T*>(p.target + y * p.targetStride);
        for (int x = 0; x < p.targetWidth; ++x) {
            const Taps& horizontal = across.taps[size_t(x)];
            const float* hw = across.weights.data() + horizontal.offset;
            const float* in = row.data() + size_t(horizontal.first) * C;
            float sum[C] = {};
            for (int k = 0; k < horizontal.count; ++k) {
                for (int c = 0; c < C; ++c) {
                    sum[c] += hw[k] * in[k * C + c];
                }
            }
            const float limit = alpha && C == 4 ? std::clamp(sum[C - 1], 0.0f, top) : top;
            for (int c = 0; c < C; ++c) {
                const float bound = c == C - 1 ? top : limit;
                out[x * C + c] = T(std::clamp(sum[c], 0.0f, bound) + 0.5f);
            }
        }
    }
}

// Filters on every core. While the workers run, the calling thread runs `produce` (a decoder
// filling the source and publishing its rows), or nothing when the source is complete.
template <typename T, int C>
bool resample(const QImage& source, QImage& target, bool alpha, SourceRows& rows,
              const std::function<bool()>& produce = {})
{
    const Axis across = axisWeights(source.width(), target.width());
    const Axis down = axisWeights(source.height(), target.height());
    const Planes planes { source.constBits(),    source.bytesPerLine(), source.width(), target.bits(),
                          target.bytesPerLine(), target.width(),        target.height() };
    std::atomic<int> next { 0 };
    const int count = std::clamp(target.height() / 8, 1, std::max(1, QThread::idealThreadCount()));
    std::vector<std::thread> workers;
    workers.reserve(size_t(count));
    for (int i = produce ? 0 : 1; i < count; ++i) {
        workers.emplace_back([&] { resampleRows<T, C>(planes, across, down, rows, next, alpha); });
    }
    bool ok = true;
    if (produce) {
        ok = produce();
        if (!ok) {
            rows.fail();
        }
    } else {
        resampleRows<T, C>(planes, across, down, rows, next, alpha);
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    return ok;
}

// The format the filter works in: grey stays grey, more than 8 bits a channel stay 16 bits,
// alpha is premultiplied.
QImage::Format workingFormat(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64_Premultiplied:
        return image.format();
    case QImage::Format_ARGB32:
        return QImage::Format_ARGB32_Premultiplied;
    case QImage::Format_RGBA64:
        return QImage::Format_RGBA64_Premultiplied;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
        if (!image.hasAlphaChannel() && image.allGray()) {
            return QImage::Format_Grayscale8;
        }
        break;
    default:
        break;
    }
    const QPixelFormat pixel = image.pixelFormat();
    const bool deep = pixel.redSize() > 8 || pixel.greenSize() > 8 || pixel.alphaSize() > 8;
    if (deep) {
        return image.hasAlphaChannel() ? QImage::Format_RGBA64_Premultiplied : QImage::Format_RGBX64;
    }
    return image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
}

// The smallest of 1/1, 1/2, 1/4 and 1/8 of the stored size that still has twice the wanted pixels
// each way: the decoder's own reduction averages whole blocks, and the filter afterwards gets
// enough pixels to work from.
int reductionFor(const QSize& stored, const QSize& wanted)
{
    for (const int reduction : { 8, 4, 2 }) {
        if (stored.width() / reduction >= 2 * wanted.width() && stored.height() / reduction >= 2 * wanted.height()) {
            return reduction;
        }
    }
    return 1;
}

// A JPEG that the streaming decoder leaves alone (CMYK), decoded upright by Qt's, reduced in the
// same way.
QImage readJpeg(const QString& path, const QSize& size, QString* error)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    QSize wanted = size;
    if (reader.transformation() & QImageIOHandler::TransformationRotate90) {
        wanted.transpose();
    }
    if (const int reduction = reductionFor(stored, wanted); reduction > 1) {
        reader.setScaledSize(stored / reduction);
    }
    QImage image = reader.read();
    if (image.isNull() && error) {
        *error = posix::failureMessage(QStringLiteral("read the image"), path, reader.errorString());
    }
    return image;
}

QImage upright(const QImage& image, QImageIOHandler::Transformations turn)
{
    if (turn == QImageIOHandler::TransformationRotate270) {
        return image.transformed(QTransform().rotate(270));
    }
    QImage out
        = image.mirrored(turn & QImageIOHandler::TransformationMirror, turn & QImageIOHandler::TransformationFlip);
    return turn & QImageIOHandler::TransformationRotate90 ? out.transformed(QTransform().rotate(90)) : out;
}

// libjpeg reports a fatal error by a jump back to the step that was running; the steps below keep
// only plain data alive across it.
struct JpegError
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Warnings about damaged data go nowhere: what can be decoded still is, as other viewers do.
void jpegWarning(j_common_ptr) { }

void jpegFailed(j_common_ptr info)
{
    auto* error = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

struct JpegSource
{
    jpeg_decompress_struct info {};
    JpegError error {};
    std::FILE* file = nullptr;
    bool created = false;
    JOCTET* icc = nullptr; ///< the embedded colour profile, read with the header
    unsigned int iccLength = 0;

    JpegSource() = default;
    Q_DISABLE_COPY_MOVE(JpegSource)
    ~JpegSource()
    {
        if (created) {
            jpeg_destroy_decompress(&info);
        }
        if (file) {
            std::fclose(file);
        }
        std::free(icc);
    }
};

bool jpegHeader(JpegSource* s)
{
    s->info.err = jpeg_std_error(&s->error.manager);
    s->error.manager.error_exit = jpegFailed;
    s->error.manager.output_message = jpegWarning;
    if (setjmp(s->error.jump)) {
        return false;
    }
    jpeg_create_decompress(&s->info);
    s->created = true;
    jpeg_stdio_src(&s->info, s->file);
    jpeg_save_markers(&s->info, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&s->info, TRUE);
    if (!jpeg_read_icc_profile(&s->info, &s->icc, &s->iccLength)) {
        s->icc = nullptr;
    }
    return true;
}

bool jpegStart(JpegSource* s, int reduction, bool grey)
{
    if (setjmp(s->error.jump)) {
        return false;
    }
    s->info.scale_num = 1;
    s->info.scale_denom = unsigned(reduction);
    s->info.out_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGRX;
    jpeg_start_decompress(&s->info);
    return true;
}

// Decodes every row into the picture, telling the filter as rows become ready.
bool jpegRows(JpegSource* s, uchar* bits, qsizetype stride, SourceRows* rows)
{
    if (setjmp(s->error.jump)) {
        return false;
    }
    constexpr JDIMENSION kBatch = 16;
    JDIMENSION published = 0;
    while (s->info.output_scanline < s->info.output_height) {
        JSAMPROW lines[kBatch];
        const JDIMENSION first = s->info.output_scanline;
        const JDIMENSION count = std::min(kBatch, s->info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i) {
            lines[i] = bits + qsizetype(first + i) * stride;
        }
        jpeg_read_scanlines(&s->info, lines, count);
        if (s->info.output_scanline - published >= kBatch || s->info.output_scanline == s->info.output_height) {
            published = s->info.output_scanline;
            rows->publish(int(published));
        }
    }
    jpeg_finish_decompress(&s->info);
    return true;
}

QColorSpace jpegColorSpace(const JpegSource& s)
{
    return s.icc == nullptr
        ? QColorSpace()
        : QColorSpace::fromIccProfile(QByteArray(reinterpret_cast<const char*>(s.icc), qsizetype(s.iccLength)));
}

// A JPEG decoded (at a reduced size where that still leaves twice the pixels) straight into the
// filter: the workers filter the rows already decoded while the decoder goes on. *handled is
// false for what this decoder leaves to Qt's (CMYK, a file it cannot open or whose header it
// cannot read).
QImage streamJpeg(const QString& path, const QSize& size, QString* error, bool* handled)
{
    *handled = false;
    QImageReader probe(path);
    probe.setDecideFormatFromContent(true);
    const QImageIOHandler::Transformations turn = probe.transformation();
    QSize wanted = size;
    if (turn & QImageIOHandler::TransformationRotate90) {
        wanted.transpose();
    }
    JpegSource jpeg;
    jpeg.file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (jpeg.file == nullptr || !jpegHeader(&jpeg)) {
        return {};
    }
    const J_COLOR_SPACE space = jpeg.info.jpeg_color_space;
    const bool grey = space == JCS_GRAYSCALE;
    if (!grey && space != JCS_YCbCr && space != JCS_RGB) {
        return {};
    }
    const QSize stored(int(jpeg.info.image_width), int(jpeg.info.image_height));
    if (!jpegStart(&jpeg, reductionFor(stored, wanted), grey)) {
        return {};
    }
    const QImage::Format format = grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32;
    QImage source(int(jpeg.info.output_width), int(jpeg.info.output_height), format);
    QImage target(wanted, format);
    if (source.isNull() || target.isNull()) {
        return {};
    }
    *handled = true;
    uchar* bits = source.bits();
    const qsizetype stride = source.bytesPerLine();
    SourceRows rows(0);
    const auto decode = [&] { return jpegRows(&jpeg, bits, stride, &rows); };
    const bool ok = grey ? resample<quint8, 1>(source, target, false, rows, decode)
                         : resample<quint8, 4>(source, target, false, rows, decode);
    if (!ok) {
        if (error) {
            *error = posix::failureMessage(QStringLiteral("read the image"), path,
                                           QString::fromLocal8Bit(jpeg.error.message));
        }
        return {};
    }
    target.setColorSpace(jpegColorSpace(jpeg));
    return upright(target, turn);
}

} // namespace

QImage ImageResample::scaled(const QImage& image, const QSize& size)
{
    if (image.isNull() || size.isEmpty()) {
        return {};
    }
    const QImage::Format format = workingFormat(image);
    const QImage source = image.format() == format ? image : image.convertToFormat(format);
    QImage target(size, format);
    if (source.isNull() || target.isNull()) {
        return {};
    }
    const bool alpha = source.hasAlphaChannel();
    SourceRows complete(source.height());
    switch (format) {
    case QImage::Format_Grayscale8:
        resample<quint8, 1>(source, target, false, complete);
        break;
    case QImage::Format_Grayscale16:
        resample<quint16, 1>(source, target, false, complete);
        break;
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64_Premultiplied:
        resample<quint16, 4>(source, target, alpha, complete);
        break;
    default:
        resample<quint8, 4>(source, target, alpha, complete);
        break;
    }
    target.setColorSpace(image.colorSpace());
    target.setDotsPerMeterX(image.dotsPerMeterX());
    target.setDotsPerMeterY(image.dotsPerMeterY());
    if (format == QImage::Format_ARGB32_Premultiplied) {
        return target.convertToFormat(QImage::Format_ARGB32);
    }
    if (format == QImage::Format_RGBA64_Premultiplied) {
        return target.convertToFormat(QImage::Format_RGBA64);
    }
    return target;
}

QImage ImageResample::readScaled(const QString& path, const QSize& size, QString* error)
{
    if (size.isEmpty() || !ImageIO::headerWithinBounds(path, error)) {
        return {};
    }
    const bool jpeg = ImageIO::formatOfFile(path) == ImageIO::Format::Jpeg;
    if (jpeg) {
        bool handled = false;
        QImage streamed = streamJpeg(path, size, error, &handled);
        if (handled) {
            return streamed;
        }
    }
    const QImage image = jpeg ? readJpeg(path, size, error) : ImageIO::read(path, error);
    if (image.isNull() || image.size() == size) {
        return image;
    }
    return scaled(image, size);
}

} // namespace platform
