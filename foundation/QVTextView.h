#pragma once

#include <QTextEdit>

/// A text view that shows a placeholder while its text is empty or blank. Its text sits 5
/// in from the sides and 8 down from the top; the placeholder is drawn where the text
/// starts, at (10, 8), in the placeholder text colour.
class QVTextView final : public QTextEdit
{
    Q_OBJECT

public:
    explicit QVTextView(QWidget* parent = nullptr);
    ~QVTextView() override;
    Q_DISABLE_COPY_MOVE(QVTextView)

    QString placeholder() const { return m_placeholder; }
    /// Stores the placeholder and redraws.
    void setPlaceholder(const QString& placeholder);
    /// True when the placeholder is drawn now: the text is blank and the placeholder is not.
    bool showsPlaceholder() const;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QString m_placeholder;
};
