#pragma once

#include <QObject>
#include <QPointer>

class QLabel;
class QVCustomIconView;
class QWidget;

/// One item of the folder-icon composer's glyph grid: a QVCustomIconView holding an icon
/// image view. The image is scaled to the image view's size on each axis on its own (the
/// aspect ratio is not kept). The view tracks the mouse (entered, exited, moved) while its
/// window is active.
class QVCustomIconItem final : public QObject
{
    Q_OBJECT

public:
    /// Builds the item's view at once, as a child of the parent widget.
    explicit QVCustomIconItem(QWidget* parent = nullptr);
    ~QVCustomIconItem() override;
    Q_DISABLE_COPY_MOVE(QVCustomIconItem)

    QVCustomIconView* view() const { return m_view; }
    QLabel* iconImageView() const { return m_iconImageView; }

    bool isSelected() const;
    /// Passes the selection to the view and redraws it.
    void setSelected(bool selected);

private:
    QPointer<QVCustomIconView> m_view;
    QPointer<QLabel> m_iconImageView;
};
