#include "platform/ImageResample.h"

#include "platform/ImageIO.h"

#include <QColorSpace>
#include <QImageReader>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

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

// Filters destination rows [y0, y1): each row is first gathered down the columns into one row of
// floating-point samples at the source's width, then filtered along that row. T is the channel
// type, C the channels a pixel; with alpha (the last of four channels, premultiplied) a colour
// never exceeds its alpha.
template <typename T, int C>
void resampleRows(const QImage& source, QImage& target, const Axis& across, const Axis& down, int y0, int y1,
                  bool alpha)
{
    const int sourceSamples = source.width() * C;
    const int width = target.width();
    const float top = float(std::numeric_limits<T>::max());
    std::vector<float> row(static_cast<size_t>(sourceSamples));
    for (int y = y0; y < y1; ++y) {
        const Taps& vertical = down.taps[size_t(y)];
        const float* vw = down.weights.data() + vertical.offset;
        std::fill(row.begin(), row.end(), 0.0f);
        for (int k = 0; k < vertical.count; ++k) {
            const T* in = reinterpret_cast<const T*>(source.constScanLine(vertical.first + k));
            const float w = vw[k];
            float* out = row.data();
            for (int i = 0; i < sourceSamples; ++i) {
                out[i] += w * float(in[i]);
            }
        }
        T* out = reinterpret_cast<T*>(target.scanLine(y));
        for (int x = 0; x < width; ++x) {
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

// Runs the rows of the target in bands, one a core; the calling thread takes the first band.
template <typename T, int C> void resample(const QImage& source, QImage& target, bool alpha)
{
    const Axis across = axisWeights(source.width(), target.width());
    const Axis down = axisWeights(source.height(), target.height());
    constexpr int kRowsABand = 32;
    const int bands = std::clamp(target.height() / kRowsABand, 1, std::max(1, QThread::idealThreadCount()));
    const int rowsABand = (target.height() + bands - 1) / bands;
    std::vector<std::thread> workers;
    workers.reserve(size_t(bands));
    for (int b = 1; b < bands; ++b) {
        const int y0 = b * rowsABand;
        const int y1 = std::min(target.height(), y0 + rowsABand);
        if (y0 < y1) {
            workers.emplace_back([&, y0, y1] { resampleRows<T, C>(source, target, across, down, y0, y1, alpha); });
        }
    }
    resampleRows<T, C>(source, target, across, down, 0, std::min(target.height(), rowsABand), alpha);
    for (std::thread& worker : workers) {
        worker.join();
    }
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

// Decodes a JPEG upright, at the smallest of 1/1, 1/2, 1/4 and 1/8 of its size that still has
// twice the wanted pixels each way: the decoder's own reduction averages whole blocks, and the
// filter afterwards gets enough pixels to work from.
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
    for (const int reduction : { 8, 4, 2 }) {
        const QSize reduced(stored.width() / reduction, stored.height() / reduction);
        if (reduced.width() >= 2 * wanted.width() && reduced.height() >= 2 * wanted.height()) {
            reader.setScaledSize(reduced);
            break;
        }
    }
    QImage image = reader.read();
    if (image.isNull() && error) {
        *error
            = QStringLiteral("Failed to read the image. File: \"%1\". Error: \"%2\"").arg(path, reader.errorString());
    }
    return image;
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
    switch (format) {
    case QImage::Format_Grayscale8:
        resample<quint8, 1>(source, target, false);
        break;
    case QImage::Format_Grayscale16:
        resample<quint16, 1>(source, target, false);
        break;
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64_Premultiplied:
        resample<quint16, 4>(source, target, alpha);
        break;
    default:
        resample<quint8, 4>(source, target, alpha);
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
    if (size.isEmpty()) {
        return {};
    }
    const QImage image = ImageIO::formatOfFile(path) == ImageIO::Format::Jpeg ? readJpeg(path, size, error)
                                                                              : ImageIO::read(path, error);
    if (image.isNull() || image.size() == size) {
        return image;
    }
    return scaled(image, size);
}

} // namespace platform
