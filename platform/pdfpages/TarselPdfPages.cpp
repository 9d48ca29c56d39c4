// The PDF reading of platform::ImageIO, in a module of its own: Qt Pdf (and the Qt Network it
// needs) is loaded when a command first reads a PDF, never by a program's or the plug-in's start.
// ImageIOPdf.cpp opens the module through platform/LateLibrary.h and calls these two functions.

#include <QImage>
#include <QPdfDocument>
#include <QString>

extern "C" {

/// The number of pages of the PDF at the path; -1 when it does not open as a PDF.
Q_DECL_EXPORT int tarselPdfPageCount(const QString& path)
{
    QPdfDocument document;
    if (document.load(path) != QPdfDocument::Error::None) {
        return -1;
    }
    return document.pageCount();
}

/// The page `index` rendered `scale` pixels a point into *page (with its transparency); false when
/// the file does not open as a PDF, has no such page, or the page does not render.
Q_DECL_EXPORT bool tarselRenderPdfPage(const QString& path, int index, double scale, QImage* page)
{
    QPdfDocument document;
    if (document.load(path) != QPdfDocument::Error::None || index < 0 || index >= document.pageCount()) {
        return false;
    }
    const QSizeF points = document.pagePointSize(index);
    const QSize pixels(qMax(1, qRound(points.width() * scale)), qMax(1, qRound(points.height() * scale)));
    *page = document.render(index, pixels);
    return !page->isNull();
}

} // extern "C"
