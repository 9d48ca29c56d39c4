// Conversions and resized copies through the menu entries the user picks, checked by decoding
// what was written: the type the bytes are (not what the name says), the pixel size, and the
// page or frame count.

#include "engine/service/menu/QVMenuChildren.h"
#include "engine/service/images/QVImageCommands.h"

#include "CommandTestSupport.h"
#include "foundation/BundleExpand.h"
#include "foundation/QVResizeImageHook.h"
#include "platform/Alert.h"
#include "platform/ImageIO.h"
#include "platform/Workspace.h"
#include "testsupport/ModalScript.h"
#include "testsupport/TestNames.h"

#include <QApplication>
#include <QPainter>
#include <QThread>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsel::test;
using platform::ImageIO;
using Format = platform::ImageIO::Format;

namespace {

const QStringList& kCandidates = QVMenuChildren::convertCandidates();

struct Output
{
    const char* path; ///< relative to the work folder
    Format format;
    QSize size;
    int count; ///< pages or frames
};

struct ConversionCase
{
    std::string name;
    QStringList sources; ///< made by the fixture by name
    const char* top; ///< "Convert to" or "Resize Image"
    QString choice; ///< a candidate, or "WxH" for a saved size
    QList<Output> outputs;
};

QImage picture(int w, int h, QColor colour = QColor(220, 60, 30))
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    QPainter(&image).fillRect(0, 0, w / 2, h / 2, Qt::blue);
    return image;
}

class ConversionTest : public CommandTest, public testing::WithParamInterface<ConversionCase>
{
protected:
    // The sources by name: pictures 40x30, a 64x64 square, a three-page PDF of 30x20-point
    // pages and a three-frame GIF of 12x10.
    QString source(const QString& name)
    {
        const QString path = m_dir + QLatin1Char('/') + name;
        const Format format = ImageIO::formatForExtension(QFileInfo(name).suffix());
        if (name.startsWith(QLatin1String("square"))) {
            EXPECT_TRUE(ImageIO::write(picture(64, 64), path, format).ok);
        } else if (format == Format::Pdf) {
            EXPECT_TRUE(ImageIO::writePdf({ picture(30, 20), picture(30, 20), picture(30, 20) }, path).ok);
        } else if (format == Format::Gif) {
            EXPECT_TRUE(ImageIO::writeGif({ { picture(12, 10), 100 },
                                            { picture(12, 10, Qt::green), 100 },
                                            { picture(12, 10, Qt::yellow), 100 } },
                                          path, 0)
                            .ok);
        } else {
            EXPECT_TRUE(ImageIO::write(picture(40, 30), path, format).ok) << name.toStdString();
        }
        return path;
    }
    QVMenuItemPtr top(const ConversionCase& c, QString* index)
    {
        auto entry = item(QLatin1String(c.top));
        entry->setFormats(QVMenuManager::imageFormats() + QStringList { QStringLiteral("pdf") });
        QVMenuItemList children;
        if (entry->key() == QLatin1String("Convert to")) {
            for (const QString& key : kCandidates) {
                children << item(key);
            }
            *index = QStringLiteral("%1").arg(kCandidates.indexOf(c.choice) + 1, 2, 10, QLatin1Char('0'));
        } else {
            const QStringList wh = c.choice.split(QLatin1Char('x'));
            auto size = item(c.choice);
            size->setInfo({ { QStringLiteral("width"), wh[0] }, { QStringLiteral("height"), wh[1] } });
            children << item(QStringLiteral("Customize...")) << size;
            *index = QStringLiteral("02");
        }
        entry->setChildren(children);
        return entry;
    }
    static int countOf(const QString& path, Format format)
    {
        return format == Format::Pdf ? ImageIO::pdfPageCount(path) : int(ImageIO::readFrames(path).size());
    }
};

} // namespace

TEST_P(ConversionTest, WritesWhatTheEntryNames)
{
    const ConversionCase& c = GetParam();
    QStringList paths;
    for (const QString& name : c.sources) {
        paths << source(name);
    }
    select(paths);
    QString index;
    AlertScript alerts;
    const QVMenuItemPtr entry = top(c, &index);
    m_service.readyStart(entry, { index });
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_service.loadingCount() == 0; }, 30000));
    EXPECT_TRUE(alerts.shown().isEmpty()) << alerts.shown().value(0).informativeText.toStdString();
    for (const Output& out : c.outputs) {
        const QString path = m_dir + QLatin1Char('/') + QString::fromUtf8(out.path);
        SCOPED_TRACE(out.path);
        ASSERT_TRUE(QFileInfo::exists(path));
        EXPECT_EQ(ImageIO::formatOfFile(path), out.format);
        EXPECT_EQ(ImageIO::read(path).size(), out.size);
        EXPECT_EQ(countOf(path, out.format), out.count);
    }
}

// JPEG 2000 is written only where a plug-in encodes it; elsewhere the copy is JPEG under ".jpg".
const bool kJp2 = ImageIO::canWrite(Format::Jpeg2000);

INSTANTIATE_TEST_SUITE_P(
    Entries, ConversionTest,
    testing::Values(
        ConversionCase {
            "PngToJpeg", { "photo.png" }, "Convert to", "JPEG", { { "photo.jpeg", Format::Jpeg, { 40, 30 }, 1 } } },
        ConversionCase {
            "PngToTiff", { "photo.png" }, "Convert to", "TIFF", { { "photo.tiff", Format::Tiff, { 40, 30 }, 1 } } },
        ConversionCase { "PngToHeicIsHeic",
                         { "photo.png" },
                         "Convert to",
                         "HEIC",
                         { { "photo.heic", Format::Heic, { 40, 30 }, 1 } } },
        ConversionCase { "JpegToJp2OrJpg",
                         { "photo.jpg" },
                         "Convert to",
                         "JP2",
                         { kJp2 ? Output { "photo.jp2", Format::Jpeg2000, { 40, 30 }, 1 }
                                : Output { "photo-1.jpg", Format::Jpeg, { 40, 30 }, 1 } } },
        ConversionCase {
            "OnePictureToPdf", { "photo.png" }, "Convert to", "PDF", { { "photo.pdf", Format::Pdf, { 80, 60 }, 1 } } },
        ConversionCase { "PdfPagesToPng",
                         { "doc.pdf" },
                         "Convert to",
                         "PNG",
                         { { "doc/1.png", Format::Png, { 60, 40 }, 1 }, { "doc/3.png", Format::Png, { 60, 40 }, 1 } } },
        ConversionCase {
            "PdfPagesToHeicAreHeic",
            { "doc.pdf" },
            "Convert to",
            "HEIC",
            { { "doc/1.heic", Format::Heic, { 60, 40 }, 1 }, { "doc/3.heic", Format::Heic, { 60, 40 }, 1 } } },
        ConversionCase {
            "GifFramesToHeicAreHeic",
            { "anim.gif" },
            "Convert to",
            "HEIC",
            { { "anim/1.heic", Format::Heic, { 12, 10 }, 1 }, { "anim/3.heic", Format::Heic, { 12, 10 }, 1 } } },
        ConversionCase { "MergeToPdf",
                         { "photo.png", "doc.pdf" },
                         "Convert to",
                         "PDF",
                         { { "Untitled.pdf", Format::Pdf, { 80, 60 }, 4 } } },
        ConversionCase {
            "IconSetByTag",
            { "square.png" },
            "Convert to",
            "Android AppIconset",
            { { "square(Android)/AppIcon.appiconset/AndroidIcon_36x36@2.7x.png", Format::Png, { 96, 96 }, 1 } } },
        ConversionCase { "ResizeJpeg",
                         { "photo.jpg" },
                         "Resize Image",
                         "20x15",
                         { { "photo@20×15.jpg", Format::Jpeg, { 20, 15 }, 1 } } },
        ConversionCase { "ResizeHeicStaysHeic",
                         { "pic.heic" },
                         "Resize Image",
                         "20x15",
                         { { "pic@20×15.heic", Format::Heic, { 20, 15 }, 1 } } },
        ConversionCase { "ResizeTifStaysTiff",
                         { "pic.tif" },
                         "Resize Image",
                         "20x15",
                         { { "pic@20×15.tif", Format::Tiff, { 20, 15 }, 1 } } },
        ConversionCase { "ResizeWebpStaysWebp",
                         { "pic.webp" },
                         "Resize Image",
                         "20.5x15",
                         { { "pic@20.5×15.webp", Format::WebP, { 20, 15 }, 1 } } },
        ConversionCase { "ResizeGifKeepsFrames",
                         { "anim.gif" },
                         "Resize Image",
                         "20x15",
                         { { "anim@20×15.gif", Format::Gif, { 20, 15 }, 3 } } }),
    caseName<ConversionCase>);

// A stored size comes from outside (an edited or damaged list): zero, negative, NaN and infinite
// sizes would make an empty picture, or a division by zero in the scaling, so they write nothing.
TEST_F(ConversionTest, ASizeThatIsNotAFinitePositiveNumberWritesNothing)
{
    select({ source(QStringLiteral("photo.jpg")) });
    for (const char* size : { "0x15", "-3x15", "nanx15", "infx15", "20x0.4" }) {
        QString index;
        const QVMenuItemPtr entry = top(ConversionCase { "", {}, "Resize Image", QLatin1String(size), {} }, &index);
        m_service.readyStart(entry, { index });
        EXPECT_EQ(m_service.loadingCount(), 0) << size;
    }
    EXPECT_EQ(QDir(m_dir).entryList(QDir::Files), QStringList { QStringLiteral("photo.jpg") });
}

// A second copy at the same size never replaces the first.
TEST_F(ConversionTest, ResizingTwiceWritesAFreeName)
{
    select({ source(QStringLiteral("photo.jpg")) });
    for (int i = 0; i < 2; ++i) {
        QString index;
        const QVMenuItemPtr entry = top(ConversionCase { "", {}, "Resize Image", QStringLiteral("20x15"), {} }, &index);
        m_service.readyStart(entry, { index });
        ASSERT_TRUE(QTest::qWaitFor([this] { return m_service.loadingCount() == 0; }, 30000));
    }
    EXPECT_TRUE(QFileInfo::exists(m_dir + QStringLiteral("/photo@20×15-1.jpg")));
}

// The HEVC encoder refuses a picture 20000 pixels wide. A conversion whose encoder failed must say
// so ("Convert Fail") and leave no file, never end as if it had worked; and the alert, asked for
// by the background job, must be shown from the main thread (widgets anywhere else crash).
TEST_F(ConversionTest, AFailedEncoderReportsConvertFailFromTheMainThread)
{
    QImage wide(20000, 8, QImage::Format_RGB32);
    wide.fill(Qt::red);
    const QString path = m_dir + QStringLiteral("/wide.png");
    ASSERT_TRUE(ImageIO::write(wide, path, Format::Png).ok);
    select({ path });
    QStringList texts;
    bool onMainThread = true;
    platform::Alert::setResponder([&](const platform::Alert& alert, QWidget*) {
        onMainThread = onMainThread && QThread::currentThread() == qApp->thread();
        texts << alert.informativeText();
        return platform::Alert::FirstButtonReturn;
    });
    QString index;
    const QVMenuItemPtr entry = top(ConversionCase { "", {}, "Convert to", QStringLiteral("HEIC"), {} }, &index);
    m_service.readyStart(entry, { index });
    const bool shown = QTest::qWaitFor([&] { return m_service.loadingCount() == 0 && !texts.isEmpty(); }, 30000);
    platform::Alert::setResponder({});
    ASSERT_TRUE(shown);
    EXPECT_EQ(texts, QStringList { qv::localized(QStringLiteral("Convert Fail")) });
    EXPECT_TRUE(onMainThread);
    EXPECT_FALSE(QFileInfo::exists(m_dir + QStringLiteral("/wide.heic")));
}

TEST_F(ConversionTest, ExtractIconWritesA1024PngBesideTheItem)
{
    // The saved PNG is shown in the file manager afterwards: a stand-in answers, so no real one
    // (nor xdg-open) starts.
    QStringList shown;
    platform::Workspace::setFileManager({ [] { return true; },
                                          [&shown](const QString&, const QStringList& uris) {
                                              shown << uris;
                                              return true;
                                          } });
    select({ file(QStringLiteral("notes.txt")) });
    m_service.readyStart(item(QStringLiteral("Extract Icon")), {});
    platform::Workspace::setFileManager({});
    const QString png = m_dir + QStringLiteral("/notes.png");
    EXPECT_EQ(ImageIO::formatOfFile(png), Format::Png);
    EXPECT_EQ(ImageIO::sizeOfFile(png), QSize(1024, 1024));
    EXPECT_EQ(shown, QStringList { QUrl::fromLocalFile(png).toString(QUrl::FullyEncoded) });
}

TEST_F(ConversionTest, CustomizeOpensTheResizeWindowOnTheFirstItemAndResizesToItsAnswer)
{
    const QString photo = source(QStringLiteral("photo.jpg"));
    select({ photo });
    QStringList opened;
    qv::setResizeImageOpener([&](const QString& path, qv::ResizeImageSure sure) {
        opened << path;
        sure(20, 15);
    });
    QString index;
    const QVMenuItemPtr entry = top(ConversionCase { "", {}, "Resize Image", QStringLiteral("5x5"), {} }, &index);
    m_service.readyStart(entry, { QStringLiteral("01") }); // "Customize..."
    qv::setResizeImageOpener({});
    EXPECT_EQ(opened, QStringList { photo });
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_service.loadingCount() == 0; }, 30000));
    EXPECT_EQ(ImageIO::sizeOfFile(m_dir + QStringLiteral("/photo@20×15.jpg")), QSize(20, 15));
}
