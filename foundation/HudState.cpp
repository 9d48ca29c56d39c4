#include "foundation/HudState.h"

#include <algorithm>
#include <cmath>

namespace qv {

double HudState::duration(const QString& text)
{
    return std::clamp(static_cast<double>(text.size()) / 10.0, kMinDuration, kMaxDuration);
}

int HudState::loadingPanelWidth(int fittedLabelWidth)
{
    return std::clamp(fittedLabelWidth, kMinPanelWidth, kMaxPanelWidth);
}

int HudState::textPanelWidth(int fittedLabelWidth)
{
    return std::clamp(fittedLabelWidth + kLabelMargin, kMinPanelWidth, kMaxPanelWidth);
}

QString HudState::imageName(Type type)
{
    switch (type) {
    case Type::Success:
        return QStringLiteral("hud_success");
    case Type::Error:
        return QStringLiteral("hud_error");
    case Type::Info:
    case Type::Text:
        break;
    }
    return QStringLiteral("hud_info");
}

HudState::Type HudState::typeFromCode(int code)
{
    switch (code) {
    case 0:
        return Type::Success;
    case 1:
        return Type::Info;
    case 2:
        return Type::Error;
    default:
        return Type::Text;
    }
}

HudState::Schedule HudState::requestLoading(double delaySeconds)
{
    m_timer = Timer::ShowLoading;
    return { m_timer, static_cast<int>(std::lround(std::max(0.0, delaySeconds) * 1000.0)) };
}

void HudState::loadingShown()
{
    m_panel = Panel::Loading;
    m_timer = Timer::None;
}

HudState::Schedule HudState::textShown(const QString& text)
{
    m_panel = Panel::Text;
    m_timer = Timer::Dismiss;
    return { m_timer, static_cast<int>(std::lround(duration(text) * 1000.0)) };
}

void HudState::dismissed()
{
    m_panel = Panel::None;
    m_timer = Timer::None;
}

} // namespace qv
