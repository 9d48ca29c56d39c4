#include "foundation/QVDragView.h"

#include "foundation/PathComponents.h"
#include "foundation/StringExpand.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace {

QStringList draggedPaths(const QMimeData* data)
{
    QStringList paths;
    if (data == nullptr) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            paths.append(url.toLocalFile());
        }
    }
    return paths;
}

} // namespace

QVDragView::QVDragView(QWidget* parent)
    : QWidget(parent)
{
    setAcceptDrops(true);
}

QVDragView::~QVDragView() = default;

void QVDragView::disabled()
{
    m_onlyFolder = false;
    m_fileTypes.clear();
}

Qt::DropAction QVDragView::dragOperationForPaths(const QStringList& paths) const
{
    for (const QString& path : paths) {
        if (m_onlyFolder && qv::isFolder(path)) {
            return Qt::CopyAction;
        }
        const QString extension = qv::detail::pathExtension(qv::detail::lastPathComponent(path)).toLower();
        if (!extension.isEmpty() && m_fileTypes.contains(extension)) {
            return Qt::CopyAction;
        }
    }
    return m_any ? Qt::CopyAction : Qt::IgnoreAction;
}

void QVDragView::dragEnterEvent(QDragEnterEvent* event)
{
    if (dragOperationForPaths(draggedPaths(event->mimeData())) == Qt::CopyAction) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void QVDragView::dragMoveEvent(QDragMoveEvent* event)
{
    // The answer given on entering holds for the whole drag.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void QVDragView::dropEvent(QDropEvent* event)
{
    if (event->source() != this && m_chooseFilesHandler) {
        m_chooseFilesHandler(draggedPaths(event->mimeData()));
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void QVDragView::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    if (m_clickHandler) {
        m_clickHandler();
    }
}
