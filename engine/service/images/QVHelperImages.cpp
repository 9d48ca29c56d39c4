// The picture file tools of QVHelper: merging into a PDF, splitting PDFs and animated GIFs into
// single pictures, HEIC output and scaled copies of GIFs. They run on the caller's thread (the
// engine's background queue) and show nothing.

#include "engine/service/QVHelper.h"

#include "foundation/BundleExpand.h"
#include "foundation/ImageIcon.h"
#include "foundation/StringExpand.h"
#include "platform/FileOps.h"
#include "platform/ImageIO.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcImages, "tarsel.engine.images", QtWarningMsg)

using platform::ImageIO;

namespace {

QString withoutExtension(const QString& path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    return suffix.isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
}

// One contributor to a merged PDF: a PDF file's pages, or one picture.
struct Contribution
{
    QString path;
    int pages = 0;
    QImage picture; ///< null for a PDF
};

QList<Contribution> contributions(const QList<QUrl>& urls, QStringList* skipped)
{
    QList<Contribution> list;
    for (const QUrl& url : urls) {
        const QString path = url.toLocalFile();
        if (QFileInfo(path).suffix().toLower() == QLatin1String("pdf")) {
            if (const int pages = ImageIO::pdfPageCount(path); pages >= 0) {
                list.append({ path, pages, QImage() });
                continue;
            }
        }
        QString error;
        if (QImage image = ImageIO::read(path, &error); !image.isNull()) {
            list.append({ path, 1, image });
        } else if (skipped) {
            skipped->append(error);
        }
    }
    return list;
}

// The pages of the list as a PDF at the path: pictures alone are written directly; with PDF
// files among them, each picture becomes a one-page PDF in a scratch folder first and qpdf
// merges them all.
bool writeMerged(const QList<Contribution>& list, const QString& path)
{
    const bool picturesOnly
        = std::all_of(list.cbegin(), list.cend(), [](const Contribution& c) { return !c.picture.isNull(); });
    if (picturesOnly) {
        QList<QImage> pages;
        for (const Contribution& c : list) {
            pages << c.picture;
        }
        return ImageIO::writePdf(pages, path).ok;
    }
    const QString scratch = qv::toTempFolderPath(QStringLiteral(".merge-pdf"));
    if (scratch.isNull()) {
        return false;
    }
    QStringList inputs;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i].picture.isNull()) {
            inputs << list[i].path;
        } else if (list[i].pages > 0) {
            const QString page = scratch + QStringLiteral("/%1.pdf").arg(i);
            if (!ImageIO::writePdf({ list[i].picture }, page).ok) {
                return false;
            }
            inputs << page;
        }
    }
    const ImageIO::Status status = ImageIO::mergePdf(inputs, path);
    qv::remove(scratch);
    if (!status.ok) {
        qCWarning(lcImages).noquote() << status.error;
    }
    return status.ok;
}

// A new folder of its own for the pictures of one source: never one that another conversion
// made meanwhile.
QString extractFolder(const QString& source)
{
    QString error;
    const QString folder = platform::FileOps::makeFreeFolder(withoutExtension(source), &error);
    if (folder.isNull()) {
        qCWarning(lcImages).noquote() << error;
    }
    return folder;
}

QString pageName(const QString& folder, qint64 n, const QString& ext)
{
    return folder + QStringLiteral("/%1.%2").arg(n).arg(ext);
}

} // namespace

QString QVHelper::mergeToPDF(const QList<QUrl>& urls, QStringList* skipped)
{
    const QList<Contribution> list = contributions(urls, skipped);
    if (list.isEmpty()) {
        return {};
    }
    qint64 pages = 0;
    for (const Contribution& c : list) {
        pages += c.pages;
    }
    const QString reference = list.first().path;
    const QString target = pages >= 2 ? QFileInfo(reference).absolutePath() + QLatin1Char('/')
            + qv::stringWithFormat(QStringLiteral("%@.pdf"), qv::localized(QStringLiteral("Untitled")))
                                      : withoutExtension(reference) + QStringLiteral(".pdf");
    QString error;
    const QString path = platform::FileOps::writeFreeVariant(
        target, [&list](const QString& scratch, QString*) { return writeMerged(list, scratch); }, &error);
    if (path.isNull()) {
        qCWarning(lcImages).noquote() << error;
    }
    return path;
}

bool QVHelper::extractImageFromPDF(const QUrl& url, const QString& ext, const ExtractProgress& progress)
{
    const QString source = url.toLocalFile();
    const int count = ImageIO::pdfPageCount(source);
    const QString folder = count > 0 ? extractFolder(source) : QString();
    if (folder.isNull()) {
        progress(0, 0);
        return count == 0;
    }
    const QString outExt = qv::writableImageExt(ext);
    bool ok = true;
    for (int i = 1; i <= count; ++i) {
        ok = qv::saveImageWithExt(ImageIO::renderPdfPage(source, i - 1), outExt, pageName(folder, i, outExt)) && ok;
        progress(count, i);
    }
    return ok;
}

bool QVHelper::extractImageFromGif(const QUrl& url, const QString& ext, const ExtractProgress& progress)
{
    const QString source = url.toLocalFile();
    const QList<ImageIO::Frame> frames = ImageIO::readFrames(source);
    const QString folder = frames.isEmpty() ? QString() : extractFolder(source);
    if (folder.isNull()) {
        progress(0, 0);
        return false;
    }
    const QString outExt = qv::writableImageExt(ext);
    bool ok = true;
    for (qsizetype i = 1; i <= frames.size(); ++i) {
        // A frame that cannot be read is skipped but still counted.
        if (const QImage& frame = frames[i - 1].image; !frame.isNull()) {
            ok = qv::saveImageWithExt(frame, outExt, pageName(folder, i, outExt)) && ok;
            progress(frames.size(), i);
        }
    }
    return ok;
}

bool QVHelper::saveHeicPath(const QString& source, const QString& destination)
{
    const QImage image = ImageIO::read(source);
    const ImageIO::Status status = image.isNull() ? ImageIO::Status { false, QStringLiteral("unreadable") }
                                                  : ImageIO::write(image, destination, ImageIO::Format::Heic);
    if (!status.ok) {
        qCWarning(lcImages).noquote() << status.error;
    }
    return status.ok;
}

bool QVHelper::resizeGif(const QUrl& url, const QString& path, const QSize& size)
{
    int loops = 0;
    QList<ImageIO::Frame> frames = ImageIO::readFrames(url.toLocalFile(), &loops);
    if (frames.isEmpty()) {
        qCWarning(lcImages) << "Failed to create image source";
        return false;
    }
    QList<ImageIO::Frame> scaled;
    for (const ImageIO::Frame& frame : frames) {
        if (!frame.image.isNull()) {
            scaled.append({ resizeCGImage(frame.image, size), frame.delayMs });
        }
    }
    const ImageIO::Status status = ImageIO::writeGif(scaled, path, loops);
    if (!status.ok) {
        qCWarning(lcImages).noquote() << "Failed to finalize GIF destination" << status.error;
    }
    return status.ok;
}

QImage QVHelper::resizeCGImage(const QImage& image, const QSize& size)
{
    return qv::imageWithSize(image, size);
}
