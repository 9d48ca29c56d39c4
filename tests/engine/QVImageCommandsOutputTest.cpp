// What "Resize Image" and "Extract Icon" write, looked at pixel by pixel: a resized photo stands
// upright and comes close to ImageMagick's Lanczos resize of the whole picture; an extracted
// icon is the application's or folder's own icon at its largest, and the PNG is then shown in
// the file manager.

#include "engine/service/images/QVImageCommands.h"

#include "CommandTestSupport.h"
#include "platform/ImageIO.h"
#include "platform/Paths.h"
#include "platform/Workspace.h"
#include "testsupport/TestNames.h"
#include "testsupport/ProgramRun.h"

#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

using namespace tarsel::test;
using platform::ImageIO;
using Format = platform::ImageIO::Format;

namespace {

// Overlapping discs of many sizes with sensor grain: detail at every scale, as in a photo, where
// a soft or aliasing filter loses against a proper one.
QImage detailedPicture(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(120, 118, 110));
    QRandomGenerator random(11);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        for (int i = 0; i < w * h / 60; ++i) {
            const double r = 1.0 / std::sqrt(0.25 - random.generateDouble() * (0.25 - 1.0 / (w * w / 36.0)));
            painter.setBrush(QColor(int(random.bounded(256)), int(random.bounded(256)), int(random.bounded(256))));
            painter.drawEllipse(QPointF(random.bounded(double(w)), random.bounded(double(h))), r, r);
        }
    }
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int g = int(random.bounded(9)) - 4;
            row[x] = qRgb(std::clamp(qRed(row[x]) + g, 0, 255), std::clamp(qGreen(row[x]) + g, 0, 255),
                          std::clamp(qBlue(row[x]) + g, 0, 255));
        }
    }
    return image;
}

// A JPEG whose EXIF says "turn 90 degrees clockwise to show" (orientation 6), as phones write
// portrait photos: stored 400x200, left half red, right half blue; shown 200x400, red on top.
QByteArray sidewaysJpeg()
{
    QImage stored(400, 200, QImage::Format_RGB32);
    stored.fill(Qt::blue);
    QPainter(&stored).fillRect(0, 0, 200, 200, Qt::red);
    QByteArray jpeg = ImageIO::encode(stored, Format::Jpeg, 95);
    const QByteArray exif("\xFF\xE1\x00\x22"
                          "Exif\0\0"
                          "MM\x00\x2A\x00\x00\x00\x08"
                          "\x00\x01"
                          "\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00"
                          "\x00\x00\x00\x00",
                          36);
    jpeg.insert(2, exif);
    return jpeg;
}

double psnr(const QString& path, const QString& reference)
{
    const ProgramRun compare
        = runProgram("compare", { "-metric", "PSNR", path, reference, "null:" }, { .timeoutMs = 30000 });
    if (!compare.finished) {
        return -1;
    }
    bool ok = false;
    const double value = QString::fromLatin1(compare.err).trimmed().split(QLatin1Char(' ')).value(0).toDouble(&ok);
    return ok ? value : -1;
}

QString lanczosReference(const QString& source, QSize size, const QString& out)
{
    const int code = QProcess::execute("convert",
                                       { source, "-filter", "Lanczos", "-resize",
                                         QStringLiteral("%1x%2!").arg(size.width()).arg(size.height()), out });
    return code == 0 ? out : QString();
}

struct ResizeCase
{
    std::string name;
    const char* source; ///< file name in the work folder
    QSize size;
    double psnrFloor; ///< 0: the picture is checked for standing upright instead
};

const ResizeCase kResizeCases[] = {
    { "PortraitPhotoComesOutUpright", "portrait.jpg", QSize(100, 200), 0 },
    { "DetailedPictureIsCloseToLanczos", "detail.png", QSize(300, 225), 42 },
};

class ResizeOutputTest : public CommandTest, public testing::WithParamInterface<ResizeCase>
{
};

} // namespace

TEST_P(ResizeOutputTest, Writes)
{
    const ResizeCase& c = GetParam();
    const QString path = m_dir + QLatin1Char('/') + QLatin1String(c.source);
    if (c.psnrFloor > 0) {
        ASSERT_TRUE(ImageIO::write(detailedPicture(1200, 900), path, Format::Png).ok);
    } else {
        ASSERT_TRUE(ImageIO::writeData(sidewaysJpeg(), path).ok);
    }
    select({ path });
    auto entry = item("Resize Image");
    auto size = item("size");
    size->setInfo({ { "width", QString::number(c.size.width()) }, { "height", QString::number(c.size.height()) } });
    entry->setChildren({ item("Customize..."), size });
    m_service.readyStart(entry, { "02" });
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_service.loadingCount() == 0; }, 30000));

    const QString out = m_dir + QLatin1Char('/') + QVImageCommands::resizedName(path, c.size.width(), c.size.height());
    const QImage written = ImageIO::read(out);
    ASSERT_EQ(written.size(), c.size);
    if (c.psnrFloor > 0) {
        const QString reference = lanczosReference(path, c.size, m_dir + "/reference.png");
        ASSERT_FALSE(reference.isEmpty()) << "ImageMagick's convert is needed";
        EXPECT_GE(psnr(out, reference), c.psnrFloor);
    } else {
        const QColor top = written.pixelColor(50, 20);
        const QColor bottom = written.pixelColor(50, 180);
        EXPECT_GT(top.red(), 200) << top.name().toStdString();
        EXPECT_LT(top.blue(), 60) << top.name().toStdString();
        EXPECT_GT(bottom.blue(), 200) << bottom.name().toStdString();
        EXPECT_LT(bottom.red(), 60) << bottom.name().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Resize, ResizeOutputTest, testing::ValuesIn(kResizeCases), caseName<ResizeCase>);

namespace {

// An icon of its own at one size: a colour of the size's and a pattern, opaque.
QImage iconPicture(int size, QColor colour)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    QPainter painter(&image);
    for (int i = 0; i < size; i += std::max(1, size / 16)) {
        painter.fillRect(i, i, std::max(1, size / 32), size - i, QColor(255 - colour.red(), 30, i % 256));
    }
    return image;
}

struct IconCase
{
    std::string name;
    const char* item; ///< made in the work folder: "*.desktop" or a folder
    const char* iconLine; ///< Icon= of the desktop entry; "@" stands for an absolute path
};

const IconCase kIconCases[] = {
    { "DesktopEntryGivesTheLargestThemeIcon", "Editor.desktop", "tarsel-test-editor" },
    { "DesktopEntryGivesItsAbsoluteIcon", "Viewer.desktop", "@" },
    { "FolderGivesItsCustomIcon", "Projects", nullptr },
};

class ExtractIconTest : public CommandTest, public testing::WithParamInterface<IconCase>
{
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        platform::Workspace::setFileManager({ [] { return true; },
                                              [this](const QString& method, const QStringList& uris) {
                                                  m_calls << method + QLatin1Char(' ') + uris.join(QLatin1Char(' '));
                                                  return true;
                                              } });
    }
    void TearDown() override
    {
        platform::Workspace::setFileManager({});
        CommandTest::TearDown();
    }
    QStringList m_calls;
};

} // namespace

TEST_P(ExtractIconTest, SavesTheItemsOwnIconAndShowsIt)
{
    const IconCase& c = GetParam();
    // The theme has the icon at three sizes; only the largest may come out.
    const QString theme = platform::Paths::dataHome() + "/icons/hicolor";
    const QList<std::pair<int, QColor>> sizes { { 32, Qt::green }, { 128, Qt::yellow }, { 1024, Qt::darkCyan } };
    for (const auto& [px, colour] : sizes) {
        const QString folder = theme + QStringLiteral("/%1x%1/apps").arg(px);
        QDir().mkpath(folder);
        ASSERT_TRUE(iconPicture(px, colour).save(folder + "/tarsel-test-editor.png"));
    }
    const QImage own = iconPicture(1024, Qt::darkMagenta);
    const QString ownFile = testHome() + "/pictures/own.png";
    QDir().mkpath(QFileInfo(ownFile).absolutePath());
    ASSERT_TRUE(own.save(ownFile));
    QImage expected = iconPicture(1024, Qt::darkCyan);

    QString path;
    if (c.iconLine == nullptr) {
        path = folder(QLatin1String(c.item));
        QString error;
        ASSERT_TRUE(platform::Workspace::setIcon(own, path, &error)) << error.toStdString();
        expected = own;
    } else {
        const QString icon = QLatin1String(c.iconLine) == QLatin1String("@") ? ownFile : QLatin1String(c.iconLine);
        expected = icon == ownFile ? own : expected;
        path = file(QLatin1String(c.item),
                    "[Desktop Entry]\nType=Application\nName=Editor\nExec=true\nIcon=" + icon.toUtf8() + "\n");
    }
    select({ path });
    m_service.readyStart(item("Extract Icon"), {});

    const QString png = m_dir + QLatin1Char('/') + QFileInfo(path).completeBaseName() + ".png";
    const QImage written = ImageIO::read(png);
    ASSERT_EQ(written.size(), QSize(1024, 1024));
    EXPECT_EQ(written.convertToFormat(QImage::Format_ARGB32), expected.convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(m_calls, QStringList { "ShowItems " + QUrl::fromLocalFile(png).toString(QUrl::FullyEncoded) });
}

INSTANTIATE_TEST_SUITE_P(ExtractIcon, ExtractIconTest, testing::ValuesIn(kIconCases), caseName<IconCase>);
