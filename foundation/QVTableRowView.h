#pragma once

#include <QWidget>

#include <functional>
#include <memory>

class QPainter;

/// A row of a menu-list table that draws its own separator: a line 1 high along its bottom,
/// in the placeholder text colour, when the row is at least 30 high and its item has a
/// separator (`haveSepLine`). The row refers to its item weakly; a gone item draws none.
class QVTableRowView final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kMinSeparatorRowHeight = 30;

    /// Any record that answers haveSepLine() serves as the item (the menu item record).
    template <typename Item>
    explicit QVTableRowView(const std::shared_ptr<Item>& item, QWidget* parent = nullptr)
        : QVTableRowView(
            [weak = std::weak_ptr<Item>(item)]() {
                const std::shared_ptr<Item> strong = weak.lock();
                return strong != nullptr && strong->haveSepLine();
            },
            parent)
    {
    }
    ~QVTableRowView() override;
    Q_DISABLE_COPY_MOVE(QVTableRowView)

    /// True when a row of this height shows the separator.
    bool drawsSeparator(int rowHeight) const;
    /// Draws the separator into the row's rectangle (for item delegates that paint rows).
    void drawSeparatorInRect(QPainter& painter, const QRect& rect) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVTableRowView(std::function<bool()> haveSepLine, QWidget* parent);

    std::function<bool()> m_haveSepLine;
};
