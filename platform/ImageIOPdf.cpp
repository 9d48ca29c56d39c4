// PDF pages: rendered with QtPdf, written with QPdfWriter into memory, merged by qpdf.

#include "platform/ImageIO.h"
#include "platform/Posix.h"
#include "platform/Task.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <cstdio>

namespace platform {

int ImageIO::pdfPageCount(const QString& path)
{
    if (formatOfFile(path) != Format::Pdf) {
        return -1;
    }
    QPdfDocument document;
    if (document.load(path) != QPdfDocument::Error::None) {
        return -1;
    }
    return document.pageCount();
}

QImage ImageIO::renderPdfPage(const QString& path, int index, double scale)
{
    QPdfDocument document;
    if (document.load(path) != QPdfDocument::Error::None || index < 0 || index >= document.pageCount()) {
        return {};
    }
    const QSizeF points = document.pagePointSize(index);
    const QSize pixels(qMax(1, qRound(points.width() * scale)), qMax(1, qRound(points.height() * scale)));
    QImage page = document.render(index, pixels);
    if (page.isNull()) {
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
