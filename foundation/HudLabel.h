#pragma once

#include <QStringList>
#include <QWidget>

namespace qv {

/// The text of a heads-up message: white, centred, wrapped at word boundaries into at most
/// two lines, the second cut with an ellipsis when the text does not fit.
class HudLabel final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kMaxLines = 2;

    explicit HudLabel(QWidget* parent = nullptr);
    ~HudLabel() override;
    Q_DISABLE_COPY_MOVE(HudLabel)

    QString text() const { return m_text; }
    void setText(const QString& text);
    /// The width the text needs on one line.
    int fittedWidth() const;
    /// The lines shown at the current width.
    QStringList displayedLines() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

} // namespace qv
