// "Resize Image" on large photos, next to vipsthumbnail and ImageMagick's convert on the same
// files, one after the other as a user would run them: time, and how close each result comes to
// a Lanczos resize of the whole picture (PSNR, higher is closer).
//
//   resize_bench [COUNT] [WIDTHxHEIGHT]
//
// COUNT photos (default 10) of WIDTHxHEIGHT pixels (default 6000x4000, 24 megapixels) are made
// into a temporary folder and removed afterwards. The photo is generated: overlapping discs of
// every size from a few pixels to a sixth of the picture, in muted colours with soft edges, plus
// sensor grain, which has the detail at every scale that makes a poor downscaling filter show
// (blur or aliasing). Every tool writes JPEG at quality 85 at 1920 pixels wide. Ours runs the
// real command through the action table and waits for its background job; the others are run
// once per photo. The reference is ImageMagick's `convert -filter Lanczos -resize` of the full
// picture written losslessly, and `compare -metric PSNR` measures the first output of each. At
// JPEG quality 85 the encoder's own loss is much the same for all three, so a second PSNR column
// measures the filter alone: the first photo resized once more by each to a lossless PNG (ours by
// the same reader and filter the command uses).
//
// vipsthumbnail comes with Debian's libvips-tools (`make bench` installs it); a tool that is not
// installed is left out of the table.

#include "engine/model/QVMenuItem.h"
#include "engine/service/QVMenuService.h"
#include "platform/ImageIO.h"
#include "platform/ImageResample.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

QString findTool(const QStringList& names)
{
    for (const QString& name : names) {
        if (const QString path = QStandardPaths::findExecutable(name); !path.isEmpty()) {
            return path;
        }
    }
    return QString();
}

// Dead leaves: discs whose radii follow 1/r^3 between rmin and rmax, which gives the picture the
// scale-free detail of a natural scene.
QImage photo(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(120, 118, 110));
    QRandomGenerator random(7);
    const double rmin = 2.0;
    const double rmax = std::min(size.width(), size.height()) / 6.0;
    const double a = 1.0 / (rmin * rmin);
    const double b = 1.0 / (rmax * rmax);
    const int discs = int(double(size.width()) * size.height() / 60.0);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        for (int i = 0; i < discs; ++i) {
            const double r = 1.0 / std::sqrt(a - random.generateDouble() * (a - b));
            const QPointF centre(random.bounded(double(size.width())), random.bounded(double(size.height())));
            const int grey = 30 + int(random.bounded(200));
            const QColor base(std::clamp(grey + int(random.bounded(60)) - 30, 0, 255),
                              std::clamp(grey + int(random.bounded(40)) - 20, 0, 255),
                              std::clamp(grey + int(random.bounded(60)) - 30, 0, 255));
            if (r > 12) {
                QRadialGradient shade(centre - QPointF(r / 3, r / 3), r * 1.3);
                shade.setColorAt(0, base.lighter(125));
                shade.setColorAt(1, base.darker(125));
                painter.setBrush(shade);
            } else {
                painter.setBrush(base);
            }
            painter.drawEllipse(centre, r, r);
        }
    }
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = int(random.bounded(9)) - 4;
            row[x] = qRgb(std::clamp(qRed(row[x]) + grain, 0, 255), std::clamp(qGreen(row[x]) + grain, 0, 255),
                          std::clamp(qBlue(row[x]) + grain, 0, 255));
        }
    }
    return image;
}

bool run(const QString& program, const QStringList& args, QByteArray* standardError = nullptr)
{
    QProcess process;
    process.start(program, args);
    const bool ok = process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit;
    if (standardError) {
        *standardError = process.readAllStandardError();
    }
    return ok && (process.exitCode() == 0 || standardError != nullptr);
}

double psnr(const QString& compare, const QString& path, const QString& reference)
{
    QByteArray out;
    if (compare.isEmpty()
        || !run(compare,
                { QStringLiteral("-metric"), QStringLiteral("PSNR"), path, reference, QStringLiteral("null:") },
                &out)) {
        return -1;
    }
    bool ok = false;
    const double value = QString::fromLatin1(out).trimmed().split(QLatin1Char(' ')).value(0).toDouble(&ok);
    return ok ? value : -1;
}

struct Row
{
    Row(const char* title, const QString& where)
        : name(title)
        , folder(where)
    {
    }
    const char* name;
    QString folder;
    QString firstOutput;
    QString lossless;
    double seconds = -1;
    int sized = 0;
};

int countOfSize(const QString& folder, const QString& pattern, QSize size)
{
    int n = 0;
    for (const QString& name : QDir(folder).entryList({ pattern }, QDir::Files)) {
        n += platform::ImageIO::sizeOfFile(folder + QLatin1Char('/') + name) == size ? 1 : 0;
    }
    return n;
}

double timed(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 10;
    const QStringList dims = QString::fromLatin1(argc > 2 ? argv[2] : "6000x4000").split(QLatin1Char('x'));
    const QSize source(dims.value(0).toInt(), dims.value(1).toInt());
    // The Debian programs themselves: `convert` on PATH may be a wrapper that adds its own start-up.
    const QString convert = findTool({ QStringLiteral("convert-im6.q16"), QStringLiteral("convert") });
    const QString compare = findTool({ QStringLiteral("compare-im6.q16"), QStringLiteral("compare") });
    const QString vips = findTool({ QStringLiteral("vipsthumbnail") });
    if (source.isEmpty() || convert.isEmpty() || compare.isEmpty()) {
        std::fprintf(stderr, "resize_bench: needs a size like 6000x4000 and ImageMagick (convert, compare)\n");
        return 1;
    }
    const QSize target(1920, int(std::lround(1920.0 * source.height() / source.width())));
    const QString sizeText = QStringLiteral("%1x%2").arg(target.width()).arg(target.height());

    QTemporaryDir dir;
    const QString originals = dir.filePath(QStringLiteral("photos"));
    Row rows[] = { { "Tarsel Resize Image", dir.filePath(QStringLiteral("ours")) },
                   { "vipsthumbnail", dir.filePath(QStringLiteral("vips")) },
                   { "ImageMagick convert", dir.filePath(QStringLiteral("imagemagick")) } };
    QDir().mkpath(originals);
    for (const Row& row : rows) {
        QDir().mkpath(row.folder);
    }
    const QByteArray jpeg = platform::ImageIO::encode(photo(source), platform::ImageIO::Format::Jpeg, 92);
    QList<QUrl> urls;
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("/photo%1.jpg").arg(i);
        platform::ImageIO::writeData(jpeg, originals + name);
        platform::ImageIO::writeData(jpeg, rows[0].folder + name);
        urls << QUrl::fromLocalFile(rows[0].folder + name);
    }
    const QString reference = dir.filePath(QStringLiteral("reference.png"));
    run(convert,
        { originals + QStringLiteral("/photo0.jpg"), QStringLiteral("-filter"), QStringLiteral("Lanczos"),
          QStringLiteral("-resize"), sizeText + QLatin1Char('!'), reference });
    std::printf("%d photos of %dx%d (%.0f MP, %.1f MB JPEG each) to %dx%d, JPEG quality 85\n", count, source.width(),
                source.height(), source.width() * double(source.height()) / 1e6, double(jpeg.size()) / 1e6,
                target.width(), target.height());

    QVMenuService service;
    service.setSelectURLs(urls);
    service.setIsSelectURL(true);
    auto entry = QVMenuItem::create();
    entry->setKey(QStringLiteral("Resize Image"));
    auto size = QVMenuItem::create();
    size->setKey(sizeText);
    size->setInfo({ { QStringLiteral("width"), QString::number(target.width()) },
                    { QStringLiteral("height"), QString::number(target.height()) } });
    entry->setChildren({ QVMenuItem::create(), size });
    rows[0].seconds = timed([&] {
        service.readyStart(entry, { QStringLiteral("02") });
        while (service.loadingCount() > 0) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    });
    rows[0].firstOutput = rows[0].folder + QStringLiteral("/photo0@%1×%2.jpg").arg(target.width()).arg(target.height());
    rows[0].sized = countOfSize(rows[0].folder, QStringLiteral("*@*.jpg"), target);

    if (!vips.isEmpty()) {
        rows[1].seconds = timed([&] {
            for (int i = 0; i < count; ++i) {
                run(vips,
                    { originals + QStringLiteral("/photo%1.jpg").arg(i), QStringLiteral("-s"),
                      sizeText + QLatin1Char('!'), QStringLiteral("-o"),
                      rows[1].folder + QStringLiteral("/out%1.jpg[Q=85]").arg(i) });
            }
        });
        rows[1].firstOutput = rows[1].folder + QStringLiteral("/out0.jpg");
        rows[1].sized = countOfSize(rows[1].folder, QStringLiteral("out*.jpg"), target);
    }
    rows[2].seconds = timed([&] {
        for (int i = 0; i < count; ++i) {
            run(convert,
                { originals + QStringLiteral("/photo%1.jpg").arg(i), QStringLiteral("-resize"),
                  sizeText + QLatin1Char('!'), QStringLiteral("-quality"), QStringLiteral("85"),
                  rows[2].folder + QStringLiteral("/out%1.jpg").arg(i) });
        }
    });
    rows[2].firstOutput = rows[2].folder + QStringLiteral("/out0.jpg");
    rows[2].sized = countOfSize(rows[2].folder, QStringLiteral("out*.jpg"), target);

    // The filter alone, without the JPEG encoder's loss.
    const QString first = originals + QStringLiteral("/photo0.jpg");
    rows[0].lossless = dir.filePath(QStringLiteral("ours.png"));
    platform::ImageIO::write(platform::ImageResample::readScaled(first, target), rows[0].lossless,
                             platform::ImageIO::Format::Png);
    if (!vips.isEmpty()) {
        rows[1].lossless = dir.filePath(QStringLiteral("vips.png"));
        run(vips, { first, QStringLiteral("-s"), sizeText + QLatin1Char('!'), QStringLiteral("-o"), rows[1].lossless });
    }
    rows[2].lossless = dir.filePath(QStringLiteral("imagemagick.png"));
    run(convert, { first, QStringLiteral("-resize"), sizeText + QLatin1Char('!'), rows[2].lossless });

    const double vipsSeconds = rows[1].seconds;
    std::printf("%-22s %9s %10s %9s %10s %9s %s\n", "", "total s", "ms a photo", "x vips", "PSNR JPEG", "PSNR PNG",
                "outputs");
    bool allSized = true;
    for (const Row& row : rows) {
        if (row.seconds < 0) {
            std::printf("%-22s not installed (apt-get install libvips-tools)\n", row.name);
            continue;
        }
        const double ratio = vipsSeconds > 0 ? row.seconds / vipsSeconds : 0;
        std::printf("%-22s %9.2f %10.0f %9.2f %10.2f %9.2f %d/%d %s\n", row.name, row.seconds,
                    row.seconds * 1000 / count, ratio, psnr(compare, row.firstOutput, reference),
                    psnr(compare, row.lossless, reference), row.sized, count, qPrintable(sizeText));
        allSized = allSized && row.sized == count;
    }
    return allSized ? 0 : 1;
}
