#pragma once

#include <QLabel>

#include <functional>

/// An image view that can be tapped. Its animation (a QMovie, when it shows one) pauses
/// while the mouse is over it and runs again when the mouse leaves; a click calls the tap
/// handler and then starts the animation.
class QVTapImageView final : public QLabel
{
    Q_OBJECT

public:
    explicit QVTapImageView(QWidget* parent = nullptr);
    ~QVTapImageView() override;
    Q_DISABLE_COPY_MOVE(QVTapImageView)

    void setTapHandler(std::function<void()> handler) { m_tapHandler = std::move(handler); }
    /// True while the shown animation runs.
    bool animates() const;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void setAnimates(bool animates);

    std::function<void()> m_tapHandler;
};
