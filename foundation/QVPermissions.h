#pragma once

#include <QStringList>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <memory>
#include <utility>

namespace platform {
class Menu;
}

/// The process-wide hook object, one per process in both deliverables.
///
/// Folder access reads its first-activation flag: whether the one-time activation panel has been
/// answered with "Activate". The flag lives in memory only, so every new process starts with NO.
///
/// In the application it is also the global right-click hook's menu at the pointer: it shows the
/// application's own context menu where the pointer is. One menu at a time: a second request
/// while one is being prepared or shown is dropped. The menu itself comes from a provider that
/// the application delegate installs (this layer knows no engine). Main thread only.
class QVPermissions final
{
public:
    static QVPermissions& sharedInstance();
    Q_DISABLE_COPY_MOVE(QVPermissions)

    bool isActive15() const { return m_isActive15.load(); }
    void setIsActive15(bool active) { m_isActive15.store(active); }

    /// What opened the application's own context menu last; the plain right click alone gets an
    /// entry that passes the click on to the file manager.
    enum EventType : int {
        MiddleOrModifierClick = 0,
        PlainRightClick = 1,
        HotKeyOrStatusItem = 2,
    };
    int eventType() const { return m_eventType.load(); }
    void setEventType(int type) { m_eventType.store(type); }
    bool menuVisible() const { return m_menuVisible; }

    /// Builds the menu for the paths, or none (the hook is off). The second element keeps what
    /// the menu's entries report to alive until the menu has closed.
    using MenuProvider
        = std::function<std::pair<std::shared_ptr<platform::Menu>, std::shared_ptr<void>>(const QStringList& paths)>;
    void setMenuProvider(MenuProvider provider) { m_provider = std::move(provider); }

    /// Pops the menu up at the pointer (kept above the bottom of the pointer's screen); nothing
    /// while a menu is up or when the provider answers none.
    void showRightMenu();

private:
    QVPermissions() = default;

    std::atomic<bool> m_isActive15 { false };
    std::atomic<int> m_eventType { MiddleOrModifierClick };
    bool m_menuVisible = false;
    MenuProvider m_provider;
};
