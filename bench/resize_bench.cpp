// "Resize Image" on 100 photos of 12 megapixels to 1920 pixels wide, next to ImageMagick's
// `convert -resize` on the same files, one after the other as a user would run them.
//
//   resize_bench [COUNT]
//
// The photos (4000x3000 JPEG, detailed enough to compress like a photo) are written into a
// temporary folder and removed afterwards. Ours runs the real command through the action table
// and waits for its background job; ImageMagick is run once per photo. Every output of both is
// decoded again to check it has the same pixel size (1920x1440).

#include "engine/model/QVMenuItem.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/QVMenuService.h"
#include "platform/ImageIO.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

namespace {

QImage photo()
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int noise = int(random.bounded(24));
            row[x] = qRgb((x / 16 + noise) & 0xFF, (y / 12 + noise) & 0xFF,
                          int(128 + 100 * std::sin(x * 0.01 + y * 0.02)));
        }
    }
    return image;
}

int countOfSize(const QString& folder, const QString& pattern, QSize size)
{
    int n = 0;
    for (const QString& name : QDir(folder).entryList({ pattern }, QDir::Files)) {
        n += platform::ImageIO::sizeOfFile(folder + QLatin1Char('/') + name) == size ? 1 : 0;
    }
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 100;
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (convert.isEmpty()) {
        std::fprintf(stderr, "resize_bench: ImageMagick's convert is not installed\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString ours = dir.filePath(QStringLiteral("ours"));
    const QString theirs = dir.filePath(QStringLiteral("imagemagick"));
    QDir().mkpath(ours);
    QDir().mkpath(theirs);
    const QByteArray jpeg = platform::ImageIO::encode(photo(), platform::ImageIO::Format::Jpeg, 90);
    QList<QUrl> urls;
    for (int i = 0; i < count; ++i) {
        const QString path = ours + QStringLiteral("/photo%1.jpg").arg(i);
        platform::ImageIO::writeData(jpeg, path);
        QFile::copy(path, theirs + QStringLiteral("/photo%1.jpg").arg(i));
        urls << QUrl::fromLocalFile(path);
    }
    std::printf("%d photos of 4000x3000 (%.1f MB each) to 1920 wide\n", count, double(jpeg.size()) / 1e6);

    QVMenuService service;
    service.setSelectURLs(urls);
    service.setIsSelectURL(true);
    auto entry = QVMenuItem::create();
    entry->setKey(QStringLiteral("Resize Image"));
    auto size = QVMenuItem::create();
    size->setKey(QStringLiteral("1920×1440"));
    size->setInfo(
        { { QStringLiteral("width"), QStringLiteral("1920") }, { QStringLiteral("height"), QStringLiteral("1440") } });
    entry->setChildren({ QVMenuItem::create(), size });
    QElapsedTimer timer;
    timer.start();
    service.readyStart(entry, { QStringLiteral("02") });
    while (service.loadingCount() > 0) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const double oursSeconds = double(timer.nsecsElapsed()) / 1e9;

    timer.restart();
    for (int i = 0; i < count; ++i) {
        const QString in = theirs + QStringLiteral("/photo%1.jpg").arg(i);
        QProcess::execute(
            convert,
            { in, QStringLiteral("-resize"), QStringLiteral("1920x"), theirs + QStringLiteral("/out%1.jpg").arg(i) });
    }
    const double theirSeconds = double(timer.nsecsElapsed()) / 1e9;

    const QSize expected(1920, 1440);
    const int oursOk = countOfSize(ours, QStringLiteral("*@*.jpg"), expected);
    const int theirsOk = countOfSize(theirs, QStringLiteral("out*.jpg"), expected);
    std::printf("Tarsel Resize Image   %7.2f s  (%.0f ms a photo, %d/%d outputs 1920x1440)\n", oursSeconds,
                oursSeconds * 1000 / count, oursOk, count);
    std::printf("ImageMagick convert   %7.2f s  (%.0f ms a photo, %d/%d outputs 1920x1440)\n", theirSeconds,
                theirSeconds * 1000 / count, theirsOk, count);
    std::printf("ours is %.2fx the speed of ImageMagick\n", theirSeconds / oursSeconds);
    return oursOk == count && theirsOk == count ? 0 : 1;
}
