#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

namespace qv {

/// A spinning progress indicator: twelve spokes that turn while it animates. It is hidden
/// whenever it is stopped.
class Spinner final : public QWidget
{
    Q_OBJECT

public:
    explicit Spinner(QWidget* parent = nullptr);
    ~Spinner() override;
    Q_DISABLE_COPY_MOVE(Spinner)

    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return m_timer.isActive(); }

    QColor color() const { return m_color; }
    void setColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer m_timer;
    QColor m_color;
    int m_step = 0;
};

} // namespace qv
