#pragma once

#include <QProxyStyle>

namespace platform {

/// The desktop's widget style with what a dark palette needs to stay readable: some styles
/// draw the frame of an unchecked check box or radio button a shade darker than the window,
/// which on a dark palette all but hides it. Here such a frame is drawn again in the text
/// colour, faint, whenever the palette is dark; on a light palette the style draws alone.
class DesktopStyle final : public QProxyStyle
{
    Q_OBJECT
public:
    /// Wraps the given style (owned from then on), or the desktop's when null.
    explicit DesktopStyle(QStyle* base = nullptr);

    /// Puts the desktop's style, so wrapped, on the running application (once).
    static void install();
    /// True when the palette's text is lighter than its window.
    static bool isDark(const QPalette& palette);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
};

} // namespace platform
