#pragma once

#include <QColor>
#include <QWidget>

#include <functional>

/// A colour swatch: its bounds filled with the colour, corners rounded with a radius of 10.
/// A mouse press hands the current colour to the click handler.
class QVColorView final : public QWidget
{
    Q_OBJECT

public:
    static constexpr qreal kCornerRadius = 10;

    explicit QVColorView(QWidget* parent = nullptr);
    ~QVColorView() override;
    Q_DISABLE_COPY_MOVE(QVColorView)

    QColor color() const { return m_color; }
    /// Stores the colour and redraws.
    void setColor(const QColor& color);
    void setClickHandler(std::function<void(const QColor&)> handler) { m_clickHandler = std::move(handler); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor m_color;
    std::function<void(const QColor&)> m_clickHandler;
};
