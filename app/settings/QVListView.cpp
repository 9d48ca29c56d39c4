#include "app/settings/QVListView.h"

#include "foundation/ImageIcon.h"
#include "platform/Bundle.h"

#include <QEvent>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

namespace {
constexpr int kRowHeight = 35;
constexpr int kImageSize = 23;
} // namespace

QVListItemView::QVListItemView(QWidget* parent)
    : QWidget(parent)
    , m_imgView(new QLabel(this))
    , m_label(new QLabel(this))
{
    m_imgView->setGeometry(10, 6, kImageSize, kImageSize);
    QFont font = m_label->font();
    font.setPointSize(13);
    m_label->setFont(font);
    m_label->setTextFormat(Qt::PlainText);
}

void QVListItemView::setItem(const QVListItem& item)
{
    m_label->setText(item.text);
    m_image = platform::Bundle::imageNamed(item.icon);
    showImage();
}

void QVListItemView::showImage()
{
    if (m_image.isNull()) {
        m_imgView->clear();
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = QSize(kImageSize, kImageSize) * ratio;
    QPixmap pixmap
        = QPixmap::fromImage(qv::tintImage(qv::imageWithSize(m_image, pixels), palette().color(QPalette::WindowText)));
    pixmap.setDevicePixelRatio(ratio);
    m_imgView->setPixmap(pixmap);
}

void QVListItemView::setSelected(bool selected)
{
    m_selected = selected;
    update();
}

void QVListItemView::paintEvent(QPaintEvent*)
{
    if (!m_selected) {
        return;
    }
    // The selection shade is the text colour, faint: it shows on light and dark palettes alike.
    QColor shade = palette().color(QPalette::WindowText);
    shade.setAlphaF(0.1);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(shade);
    painter.drawRoundedRect(rect(), 5, 5);
}

void QVListItemView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        showImage();
        update();
    }
}

void QVListItemView::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    if (clickHandler) {
        clickHandler();
    }
}

void QVListItemView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int left = m_imgView->geometry().right() + 1 + 5;
    m_label->setGeometry(left, 9, qMax(0, width() - left - 5), 17);
}

QVListView::QVListView(QWidget* parent)
    : QWidget(parent)
{
}

void QVListView::setItems(const QList<QVListItem>& items)
{
    m_items = items;
    setFixedHeight(kRowHeight * int(m_items.size()));
    qDeleteAll(findChildren<QVListItemView*>(Qt::FindDirectChildrenOnly));
    for (int i = 0; i < m_items.size(); ++i) {
        auto* view = new QVListItemView(this);
        // Rows run from the top here: the y axis of this toolkit points down.
        view->setGeometry(10, kRowHeight * i, qMax(0, width() - 20), kRowHeight);
        view->setItem(m_items[i]);
        m_items[i].itemView = view;
        QPointer<QVListView> self(this);
        const QVListItem item = m_items[i];
        view->clickHandler = [self, item] {
            if (self) {
                self->selectItem(item);
            }
        };
        view->show();
    }
    if (!m_items.isEmpty()) {
        selectItem(m_items.first());
    }
}

void QVListView::selectItem(const QVListItem& item)
{
    for (const QVListItem& each : m_items) {
        if (each.itemView) {
            each.itemView->setSelected(each.tag == item.tag);
        }
    }
    if (selectItemHandler) {
        selectItemHandler(item);
    }
}
