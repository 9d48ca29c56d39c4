#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace platform {
class Menu;
}

/// The global right-click hook's menu at the pointer: shows the application's own context menu
/// where the pointer is, for the hot key "CloudFolderShortCut" while the hook ("pref check16")
/// is on. One menu at a time: a second request while one is being prepared or shown is dropped.
/// Main thread only.
class QVPermissions final
{
public:
    static QVPermissions& sharedInstance();

    /// What opened the current menu: 0 a middle or modified right click, 1 a plain right click,
    /// 2 the hot key or the status item.
    int eventType() const { return m_eventType; }
    void setEventType(int type) { m_eventType = type; }
    bool menuVisible() const { return m_menuVisible; }

    /// Builds the menu for the paths; the application delegate installs it. The menu owns what
    /// its entries report to (the second element keeps it alive until the menu has closed).
    using MenuProvider
        = std::function<std::pair<std::shared_ptr<platform::Menu>, std::shared_ptr<void>>(const QStringList& paths)>;
    void setMenuProvider(MenuProvider provider) { m_provider = std::move(provider); }

    /// Pops the menu up at the pointer (kept above the bottom of the pointer's screen); nothing
    /// while a menu is up or the hook is off.
    void showRightMenu();

private:
    QVPermissions() = default;

    int m_eventType = 0;
    bool m_menuVisible = false;
    MenuProvider m_provider;
};
