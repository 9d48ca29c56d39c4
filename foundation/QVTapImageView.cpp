#include "foundation/QVTapImageView.h"

#include <QMouseEvent>
#include <QMovie>

QVTapImageView::QVTapImageView(QWidget* parent)
    : QLabel(parent)
{
    setMouseTracking(true);
}

QVTapImageView::~QVTapImageView() = default;

bool QVTapImageView::animates() const
{
    return movie() != nullptr && movie()->state() == QMovie::Running;
}

void QVTapImageView::setAnimates(bool animates)
{
    QMovie* animation = movie();
    if (animation == nullptr) {
        return;
    }
    if (animates) {
        if (animation->state() == QMovie::Paused) {
            animation->setPaused(false);
        } else {
            animation->start();
        }
    } else if (animation->state() == QMovie::Running) {
        animation->setPaused(true);
    }
}

void QVTapImageView::enterEvent(QEnterEvent* event)
{
    QLabel::enterEvent(event);
    setAnimates(false);
}

void QVTapImageView::leaveEvent(QEvent* event)
{
    QLabel::leaveEvent(event);
    setAnimates(true);
}

void QVTapImageView::mousePressEvent(QMouseEvent* event)
{
    QLabel::mousePressEvent(event);
    if (m_tapHandler) {
        m_tapHandler();
    }
    setAnimates(true);
}
