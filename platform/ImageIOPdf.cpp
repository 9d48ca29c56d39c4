// PDF pages: rendered with QtPdf (in the module pdfpages/TarselPdfPages.cpp), written with
// QPdfWriter into memory, merged by qpdf.

#include "platform/ImageIO.h"
#include "platform/Posix.h"
#include "platform/Task.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <cstdio>

#include "platform/LateLibrary.h"

// Reading PDF files takes Qt Pdf, which lives in a module opened on first use.
extern "C" {
int tarselPdfPageCount(const QString& path);
bool tarselRenderPdfPage(const QString& path, int index, double scale, QImage* page);
}
#define tarselPdfPageCount TARSEL_LATE(platform::pdfPagesLibrary, tarselPdfPageCount)
#define tarselRenderPdfPage TARSEL_LATE(platform::pdfPagesLibrary, tarselRenderPdfPage)

namespace platform {

int ImageIO::pdfPageCount(const QString& path)
{
    if (formatOfFile(path) != Format::Pdf) {
        return -1;
    }
    return tarselPdfPageCount(path);
}

QImage ImageIO::renderPdfPage(const QString& path, int index, double scale)
{
    QImage page;
    if (!tarselRenderPdfPage(path, index, scale, &page)) {
        return {};
    }
    // Pages have no background of their own: show them on white, as a viewer does.
    QImage opaque(page.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, page);
    return opaque;
}

ImageIO::Status ImageIO::writePdf(const QList<QImage>& pages, const QString& path)
{
    if (pages.isEmpty()) {
        return { false, posix::failureMessage(QStringLiteral("write the PDF"), path, QStringLiteral("no pages")) };
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setPageSize(QPageSize(QSizeF(pages.first().size()), QPageSize::Point));
    QPainter painter;
    if (!painter.begin(&writer)) {
        return { false, posix::failureMessage(QStringLiteral("write the PDF"), path, QStringLiteral("no painter")) };
    }
    // A page holds the picture's own pixels: without this hint Qt stores opaque pictures as JPEG
    // whenever that is smaller, which changes their colours.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0) {
            writer.setPageSize(QPageSize(QSizeF(pages[i].size()), QPageSize::Point));
            writer.newPage();
        }
        painter.drawImage(QRect(QPoint(0, 0), pages[i].size()), keepingColours(pages[i]));
    }
    painter.end();
    buffer.close();
    return writeData(data, path);
}

ImageIO::Status ImageIO::mergePdf(const QStringList& inputs, const QString& path)
{
    const auto fail = [&path](const QString& why) {
        return Status { false, posix::failureMessage(QStringLiteral("merge the PDF files"), path, why) };
    };
    if (inputs.isEmpty()) {
        return fail(QStringLiteral("nothing to merge"));
    }
    // qpdf writes a temporary file beside the destination, which then replaces it in one rename.
    QTemporaryFile part(QFileInfo(path).absolutePath() + QStringLiteral("/.merge-XXXXXX.pdf"));
    if (!part.open()) {
        return fail(part.errorString());
    }
    part.close();
    QStringList args { QStringLiteral("--empty"), QStringLiteral("--pages") };
    for (const QString& input : inputs) {
        // An absolute path is never taken for an option or a page range.
        args << QFileInfo(input).absoluteFilePath();
    }
    args << QStringLiteral("--") << part.fileName();
    const Task::Result result = Task::run(QStringLiteral("qpdf"), args);
    // Exit status 3 is success with warnings (a damaged but readable input).
    if (!result.started || (result.exitStatus != 0 && result.exitStatus != 3)) {
        return fail(result.started ? QString::fromUtf8(result.standardError).trimmed()
                                   : QStringLiteral("qpdf could not be started"));
    }
    if (std::rename(QFile::encodeName(part.fileName()).constData(), QFile::encodeName(path).constData()) != 0) {
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    part.setAutoRemove(false);
    return { true, QString() };
}

} // namespace platform
