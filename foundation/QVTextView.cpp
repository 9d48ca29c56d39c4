#include "foundation/QVTextView.h"

#include "foundation/StringExpand.h"

#include <QPainter>
#include <QTextDocument>
#include <QTextFrame>

#include <algorithm>

namespace {

constexpr int kInsetX = 5;
constexpr int kInsetY = 8;
const QPoint kPlaceholderOrigin(10, 8);

} // namespace

QVTextView::QVTextView(QWidget* parent)
    : QTextEdit(parent)
{
    setAcceptRichText(false);
    connect(document(), &QTextDocument::contentsChanged, viewport(), qOverload<>(&QWidget::update));
}

QVTextView::~QVTextView() = default;

void QVTextView::setPlaceholder(const QString& placeholder)
{
    m_placeholder = placeholder;
    viewport()->update();
}

bool QVTextView::showsPlaceholder() const
{
    return !qv::isValid(toPlainText()) && qv::isValid(m_placeholder);
}

void QVTextView::showEvent(QShowEvent* event)
{
    // The inset: the text starts 5 in from the left edge plus the 5 of the document margin
    // on the left and right, and 8 down; the same place as the placeholder.
    document()->setDocumentMargin(0);
    QTextFrameFormat format = document()->rootFrame()->frameFormat();
    format.setLeftMargin(kInsetX);
    format.setRightMargin(kInsetX);
    document()->rootFrame()->setFrameFormat(format);
    const int insetX = std::max(0, kInsetX - frameWidth());
    const int insetY = std::max(0, kInsetY - frameWidth());
    setViewportMargins(insetX, insetY, insetX, insetY);
    QTextEdit::showEvent(event);
}

void QVTextView::paintEvent(QPaintEvent* event)
{
    QTextEdit::paintEvent(event);
    if (!showsPlaceholder()) {
        return;
    }
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.setFont(font());
    const QPoint origin = viewport()->mapFrom(this, kPlaceholderOrigin);
    const QRect area(origin, QPoint(viewport()->width() - 1, viewport()->height() - 1));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_placeholder);
}

void QVTextView::focusInEvent(QFocusEvent* event)
{
    QTextEdit::focusInEvent(event);
    viewport()->update();
}

void QVTextView::focusOutEvent(QFocusEvent* event)
{
    QTextEdit::focusOutEvent(event);
    viewport()->update();
}
