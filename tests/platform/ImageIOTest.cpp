#include "platform/ImageIO.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QProcess>

#include <gtest/gtest.h>

using platform::ImageIO;
using Format = platform::ImageIO::Format;

namespace {

QImage picture(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor(200, 40, 40));
    painter.fillRect(QRect(0, 0, w / 2, h / 2), QColor(20, 120, 220));
    return image;
}

QString workPath(const QString& name)
{
    QDir().mkpath(tarsel::test::testHome() + QStringLiteral("/io"));
    return tarsel::test::testHome() + QStringLiteral("/io/") + name;
}

struct RoundTrip
{
    std::string name;
    Format format;
    const char* extension;
};

using ImageIORoundTrip = testing::TestWithParam<RoundTrip>;

} // namespace

// Each encoder through its real backend: the bytes on disk are the format asked for (read back
// by their first bytes and decoded again), at the pixel size written.
TEST_P(ImageIORoundTrip, WritesTheFormatItNamesAndReadsItBack)
{
    const RoundTrip& c = GetParam();
    if (!ImageIO::canWrite(c.format)) {
        GTEST_SKIP() << "no encoder here for " << c.extension;
    }
    const QString path = workPath(QStringLiteral("a.") + QLatin1String(c.extension));
    const ImageIO::Status status = ImageIO::write(picture(33, 21), path, c.format);
    ASSERT_TRUE(status.ok) << status.error.toStdString();
    EXPECT_EQ(ImageIO::formatOfFile(path), c.format);
    const QImage back = ImageIO::read(path);
    const QSize expected = c.format == Format::Pdf ? QSize(66, 42) : QSize(33, 21); // pages render at 2x
    EXPECT_EQ(back.size(), expected);
    EXPECT_EQ(ImageIO::sizeOfFile(path), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ImageIORoundTrip,
    testing::Values(RoundTrip { "png", Format::Png, "png" }, RoundTrip { "jpeg", Format::Jpeg, "jpg" },
                    RoundTrip { "tiff", Format::Tiff, "tiff" }, RoundTrip { "bmp", Format::Bmp, "bmp" },
                    RoundTrip { "gif", Format::Gif, "gif" }, RoundTrip { "webp", Format::WebP, "webp" },
                    RoundTrip { "heic", Format::Heic, "heic" }, RoundTrip { "jp2", Format::Jpeg2000, "jp2" },
                    RoundTrip { "pdf", Format::Pdf, "pdf" }),
    tarsel::test::caseName<RoundTrip>);

TEST(ImageIOTest, HeicIsEncodableHere)
{
    // The HEIC outputs of the conversions depend on libheif's encoder being there.
    EXPECT_TRUE(ImageIO::canWrite(Format::Heic));
}

TEST(ImageIOTest, AnimatedGifKeepsFramesDelaysAndTransparency)
{
    QImage clear(10, 8, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    const QList<ImageIO::Frame> frames { { picture(10, 8), 120 }, { clear, 250 }, { picture(10, 8), 80 } };
    const QString path = workPath(QStringLiteral("anim.gif"));
    ASSERT_TRUE(ImageIO::writeGif(frames, path, 0).ok);
    int loops = -2;
    const QList<ImageIO::Frame> back = ImageIO::readFrames(path, &loops);
    ASSERT_EQ(back.size(), 3);
    EXPECT_EQ(loops, 0);
    EXPECT_EQ(back[0].delayMs, 120);
    EXPECT_EQ(back[1].delayMs, 250);
    EXPECT_EQ(qAlpha(back[1].image.pixel(3, 3)), 0);
    EXPECT_EQ(back[2].image.size(), QSize(10, 8));
}

TEST(ImageIOTest, PdfPagesWriteRenderAndMergeWithQpdf)
{
    const QString two = workPath(QStringLiteral("two.pdf"));
    const QString one = workPath(QStringLiteral("one.pdf"));
    ASSERT_TRUE(ImageIO::writePdf({ picture(40, 30), picture(20, 50) }, two).ok);
    ASSERT_TRUE(ImageIO::writePdf({ picture(10, 10) }, one).ok);
    EXPECT_EQ(ImageIO::pdfPageCount(two), 2);
    EXPECT_EQ(ImageIO::renderPdfPage(two, 1, 1.0).size(), QSize(20, 50));
    const QString merged = workPath(QStringLiteral("merged.pdf"));
    const ImageIO::Status status = ImageIO::mergePdf({ two, one }, merged);
    ASSERT_TRUE(status.ok) << status.error.toStdString();
    EXPECT_EQ(ImageIO::pdfPageCount(merged), 3);
    // No temporary file of qpdf's is left beside the output.
    EXPECT_EQ(QDir(workPath(QString())).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

TEST(ImageIOTest, AFailedEncoderLeavesNoFile)
{
    // An empty picture cannot be encoded: the destination is not created, and an existing file
    // there is left as it was (the write goes through a temporary file and one rename).
    const QString path = workPath(QStringLiteral("kept.png"));
    ASSERT_TRUE(tarsel::test::writeFile(path, "old").size() > 0);
    const ImageIO::Status status = ImageIO::write(QImage(), path, Format::Png);
    EXPECT_FALSE(status.ok);
    EXPECT_TRUE(status.error.contains(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("old"));
}

TEST(ImageIOTest, JpegIsDecodedScaledToTheExactSize)
{
    const QString path = workPath(QStringLiteral("big.jpg"));
    ASSERT_TRUE(ImageIO::write(picture(800, 600), path, Format::Jpeg).ok);
    EXPECT_EQ(ImageIO::readScaled(path, QSize(191, 143)).size(), QSize(191, 143));
}
