#pragma once

#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <functional>

class QVListItemView;

/// One entry of the settings side list: its label, image and the page number it selects.
struct QVListItem
{
    QString icon;
    QString text;
    QString identifier;
    qint64 tag = 0;
    QPointer<QVListItemView> itemView;
};

/// The view of one side-list entry: an image and a label; a press calls the click handler.
/// The image is a template: its shape drawn in the palette's text colour, so it follows light
/// and dark palettes as the label does.
class QVListItemView : public QWidget
{
    Q_OBJECT
public:
    explicit QVListItemView(QWidget* parent = nullptr);
    void setItem(const QVListItem& item);
    void setSelected(bool selected);
    bool selected() const { return m_selected; }
    QLabel* label() const { return m_label; }
    QLabel* imgView() const { return m_imgView; }
    std::function<void()> clickHandler;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showImage();

    QLabel* m_imgView;
    QLabel* m_label;
    QImage m_image;
    bool m_selected = false;
};

/// The side list: 35 points per entry, the first entry selected when the entries are set.
class QVListView : public QWidget
{
    Q_OBJECT
public:
    explicit QVListView(QWidget* parent = nullptr);
    void setItems(const QList<QVListItem>& items);
    const QList<QVListItem>& items() const { return m_items; }
    /// Marks the views of the entries with the chosen tag and calls the handler.
    void selectItem(const QVListItem& item);
    std::function<void(const QVListItem&)> selectItemHandler;

private:
    QList<QVListItem> m_items;
};
