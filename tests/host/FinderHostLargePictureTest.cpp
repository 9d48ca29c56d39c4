// Large pictures through the real tarsel-finder: a 48-megapixel photo converts and resizes like
// any other, and a decompression bomb (a small PNG whose header claims 30000 x 30000 pixels) is
// refused before decoding with a message that names it. Qt's default allocation limit (about 33
// megapixels) made Convert to write nothing and say nothing for ordinary phone photos, Merge to
// PDF leave them out, and every picture that could not be read was skipped without a word.

#include "tests/engine/MenuStoreTestSupport.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "platform/Bundle.h"
#include "platform/ImageIO.h"

#include "HostRun.h"
#include "testsupport/PngChunks.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QtEndian>

#include <gtest/gtest.h>
#include <zlib.h>

using namespace tarsel::test;
using platform::ImageIO;

namespace {

QString work()
{
    return testHome() + QStringLiteral("/work");
}

// A phone photo's size, 8000 x 6000 (or a square one of 6000 x 6000, as icon sets need), in one
// colour: quick to write and to compress. Both are over Qt's default allocation limit.
QString photo48(QSize size = QSize(8000, 6000))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(51, 102, 170));
    const QString path = work() + QStringLiteral("/photo.jpg");
    EXPECT_TRUE(ImageIO::write(image, path, ImageIO::Format::Jpeg).ok);
    return path;
}

QString small(const QString& name)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const QString path = work() + QLatin1Char('/') + name;
    EXPECT_TRUE(ImageIO::write(image, path, ImageIO::Format::Png).ok);
    return path;
}

// A 1-bit grey PNG of 30000 x 30000 white pixels: about 100 KB on disk, 900 megapixels decoded.
QString bomb()
{
    constexpr int kSide = 30000;
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(kSide, header.data());
    qToBigEndian<quint32>(kSide, header.data() + 4);
    header[8] = 1; // bit depth
    appendChunk(png, "IHDR", header);
    QByteArray row(1 + kSide / 8, char(0xFF));
    row[0] = 0; // filter: none
    z_stream z {};
    deflateInit(&z, Z_BEST_COMPRESSION);
    QByteArray packed;
    QByteArray out(1 << 16, '\0');
    for (int y = 0; y <= kSide; ++y) {
        const bool last = y == kSide;
        z.next_in = reinterpret_cast<Bytef*>(last ? nullptr : row.data());
        z.avail_in = last ? 0 : uInt(row.size());
        do {
            z.next_out = reinterpret_cast<Bytef*>(out.data());
            z.avail_out = uInt(out.size());
            deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            packed.append(out.constData(), out.size() - qsizetype(z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", QByteArray());
    const QString path = work() + QStringLiteral("/bomb.png");
    writeFile(path, png);
    return path;
}

struct LargeCase
{
    std::string name;
    std::function<QStringList()> selection;
    QStringList titles; ///< the entry picked, one title a menu level
    QStringList written; ///< files that must exist afterwards, relative to the work folder
    QString refused; ///< the file the message must name, relative to the work folder; empty for none
    QSize writtenSize; ///< pixel size of the first written file
};

QString title(const char* key)
{
    return platform::Bundle::localizedString(QString::fromUtf8(key));
}

class FinderHostLargePictureTest : public testing::TestWithParam<LargeCase>
{
};

} // namespace

TEST_P(FinderHostLargePictureTest, ConvertsLargePicturesAndNamesEveryRefusedOne)
{
    const LargeCase& c = GetParam();
    ASSERT_TRUE(QVDefaultData::setup());
    QVMenuManager::sharedDefaults().setValue(QStringLiteral("is reviewed"), true);
    QDir().mkpath(work());
    const QStringList selection = c.selection();
    const int tag = tagInMenu(menuJson(selection), c.titles);
    ASSERT_GT(tag, 0);
    const HostRun run = runHost(QStringList { QStringLiteral("pick"), QString::number(tag) } + selection);
    const QString err = QString::fromUtf8(run.err);
    for (const QString& name : c.written) {
        EXPECT_TRUE(QFile::exists(work() + QLatin1Char('/') + name)) << name.toStdString() << "\n" << err.toStdString();
    }
    if (!c.written.isEmpty() && c.writtenSize.isValid()) {
        EXPECT_EQ(ImageIO::sizeOfFile(work() + QLatin1Char('/') + c.written.first()), c.writtenSize);
    }
    if (c.refused.isEmpty()) {
        EXPECT_EQ(run.exitCode, 0) << err.toStdString();
        EXPECT_FALSE(err.contains(QLatin1String("Failed"))) << err.toStdString();
    } else {
        const QString expected = QStringLiteral("Failed to read the image. File: \"%1/%2\". Error: \"the picture is "
                                                "30000 x 30000 pixels, more than the 500 megapixels")
                                     .arg(work(), c.refused);
        EXPECT_TRUE(err.contains(expected)) << err.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, FinderHostLargePictureTest,
    testing::Values(
        // Through Qt's own reader, whose allocation limit refused such photos; an icon set keeps
        // the written files small.
        LargeCase { "PhotoOf48MegapixelsMakesAnIconSet",
                    [] { return QStringList { photo48(QSize(6000, 6000)) }; },
                    { title("Convert to"), title("AppIcon.icns") },
                    { QStringLiteral("AppIcon.icns") },
                    QString(),
                    QSize() },
        LargeCase { "PhotoOf48MegapixelsResizes",
                    [] { return QStringList { photo48() }; },
                    { title("Resize Image"), QStringLiteral("200\u00D7200") },
                    { QStringLiteral("photo@200\u00D7200.jpg") },
                    QString(),
                    QSize(200, 200) },
        LargeCase { "BombIsRefusedByConvertTo",
                    [] {
                        return QStringList { bomb(), small(QStringLiteral("fine.png")) };
                    },
                    { title("Convert to"), title("JPEG") },
                    { QStringLiteral("fine.jpeg") },
                    QStringLiteral("bomb.png"),
                    QSize(40, 30) },
        LargeCase { "BombIsRefusedByIconSets",
                    [] { return QStringList { bomb() }; },
                    { title("Convert to"), title("AppIcon.icns") },
                    {},
                    QStringLiteral("bomb.png"),
                    QSize() },
        LargeCase { "BombIsLeftOutOfMergeToPdfWithAWord",
                    [] {
                        return QStringList { small(QStringLiteral("a.png")), bomb(), small(QStringLiteral("b.png")) };
                    },
                    { title("Convert to"), title("Merge to PDF") },
                    { title("Untitled") + QStringLiteral(".pdf") },
                    QStringLiteral("bomb.png"),
                    QSize() },
        LargeCase { "BombIsRefusedByResize",
                    [] { return QStringList { bomb() }; },
                    { title("Resize Image"), QStringLiteral("200\u00D7200") },
                    {},
                    QStringLiteral("bomb.png"),
                    QSize() }),
    caseName<LargeCase>);
