#pragma once

#include <QWidget>

/// The view of one folder-icon glyph in the composer's grid. When selected it fills its
/// bounds with the window background colour behind its subviews.
class QVCustomIconView final : public QWidget
{
    Q_OBJECT

public:
    explicit QVCustomIconView(QWidget* parent = nullptr);
    ~QVCustomIconView() override;
    Q_DISABLE_COPY_MOVE(QVCustomIconView)

    bool selected() const { return m_selected; }
    void setSelected(bool selected) { m_selected = selected; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_selected = false;
};
