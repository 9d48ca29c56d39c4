#pragma once

#include "foundation/HudState.h"

#include <QWidget>

class QLabel;

namespace qv {

class FillView;
class HudLabel;
class Spinner;

/// The heads-up message over a host view: a dimming overlay that covers the host, with a
/// rounded dark panel centred on it. The panel holds a spinner (loading) or an image (a
/// finished message) above a two-line label.
///
/// The overlay is the host's last subview and follows the host's size; all of it is laid out
/// with constraints. It shows what it is told; the timers and their rules live with the host
/// (see ViewExpand.h).
class HudView final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kMinPanelHeight = 100;

    explicit HudView(QWidget* host);
    ~HudView() override;
    Q_DISABLE_COPY_MOVE(HudView)

    /// The rounded panel (the host's `hudView`).
    FillView* panel() const { return m_panel; }
    Spinner* spinner() const { return m_spinner; }
    HudLabel* label() const { return m_label; }
    QLabel* imageView() const { return m_image; }

    /// Spinner with the text below it; the panel as wide as the fitted text (100 to 300).
    void showLoading(const QString& text);
    /// The type's image with the text below it; the panel as wide as the fitted text plus
    /// its margins (100 to 300).
    void showText(const QString& text, HudState::Type type);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void makeConstraints(QWidget* host);
    void placeLabelBelow(QWidget* above);

    FillView* m_panel;
    Spinner* m_spinner;
    HudLabel* m_label;
    QLabel* m_image;
};

} // namespace qv
