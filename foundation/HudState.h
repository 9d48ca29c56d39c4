#pragma once

#include <QString>

namespace qv {

/// The rules of a heads-up message, apart from its widgets: how long a text stays, how wide
/// the panel is, which image a type shows, and what is shown and pending for one host view.
///
/// One host has at most one panel (none, loading or text) and one pending timer (none, the
/// timer that shows a loading panel, or the timer that dismisses a text panel). Each event
/// answers the timer to schedule; scheduling one replaces any pending timer.
class HudState final
{
public:
    enum class Type { Success = 0, Info = 1, Error = 2, Text = 3 };
    enum class Panel { None, Loading, Text };
    enum class Timer { None, ShowLoading, Dismiss };

    struct Schedule
    {
        Timer timer = Timer::None;
        int milliseconds = 0;
    };

    static constexpr int kMinPanelWidth = 100;
    static constexpr int kMaxPanelWidth = 300;
    /// The label's inset inside the panel: 10 on each side.
    static constexpr int kLabelMargin = 20;
    static constexpr double kMinDuration = 1.5;
    static constexpr double kMaxDuration = 3.5;

    /// Seconds a text stays: its length in UTF-16 units / 10, kept between 1.5 and 3.5.
    static double duration(const QString& text);
    /// Panel width of a loading message whose label fits in the given width.
    static int loadingPanelWidth(int fittedLabelWidth);
    /// Panel width of a text message: the fitted label plus its margins.
    static int textPanelWidth(int fittedLabelWidth);
    /// The image resource of a type code: "hud_success", "hud_info" or "hud_error".
    static QString imageName(Type type);
    /// A type code from a number; anything unknown is plain text.
    static Type typeFromCode(int code);

    Panel panel() const { return m_panel; }
    Timer timer() const { return m_timer; }

    /// A loading message was asked for; it shows after the delay.
    Schedule requestLoading(double delaySeconds);
    /// The loading panel is up (nothing is pending any more).
    void loadingShown();
    /// A text panel is up; it goes away after the text's duration.
    Schedule textShown(const QString& text);
    /// Everything removed.
    void dismissed();

private:
    Panel m_panel = Panel::None;
    Timer m_timer = Timer::None;
};

} // namespace qv
