#pragma once

#include <QImage>
#include <QWidget>

/// The magnifier's face: the captured square of screen around the pointer, enlarged without
/// smoothing inside a round frame, with a small red square marking the pixel under the pointer.
class QVColorPickerView final : public QWidget
{
    Q_OBJECT

public:
    /// The red of the frame and the marker.
    static inline const QColor kMarkColor = QColor(233, 87, 71);

    explicit QVColorPickerView(QWidget* parent = nullptr);
    ~QVColorPickerView() override;
    Q_DISABLE_COPY_MOVE(QVColorPickerView)

    /// The image to draw (shared with the window, which captured it); a null image draws none.
    void setImageRef(const QImage& image) { m_imageRef = image; }
    const QImage& imageRef() const { return m_imageRef; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_imageRef;
};
