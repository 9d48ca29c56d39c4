#pragma once

#include <QColor>
#include <QWidget>

namespace qv {

/// A plain view that fills its bounds with one colour, optionally with rounded corners
/// (the corners outside the radius stay transparent).
class FillView final : public QWidget
{
    Q_OBJECT

public:
    explicit FillView(const QColor& color, qreal cornerRadius = 0, QWidget* parent = nullptr);
    ~FillView() override;
    Q_DISABLE_COPY_MOVE(FillView)

    QColor color() const { return m_color; }
    qreal cornerRadius() const { return m_cornerRadius; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
    qreal m_cornerRadius;
};

} // namespace qv
