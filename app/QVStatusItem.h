#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>

#include <memory>

class QMenu;
class QSystemTrayIcon;
class QVStatusMenu;

namespace platform {
class Menu;
}

/// The application's status item: a tray icon (StatusNotifierItem where the desktop has one,
/// else the X11 system tray) that shows the status menu on a left or a right click.
///
/// It exists while the shared switch "pref check5" is on; createStatusBar() follows the switch.
/// Each click builds the menu afresh. The menu tree lives as long as the popup made from it, so
/// a command that spins the event loop (an alert) never runs on a tree that a second click
/// replaced.
class QVStatusItem final : public QObject
{
    Q_OBJECT

public:
    explicit QVStatusItem(QVStatusMenu& menu, QObject* parent = nullptr);
    ~QVStatusItem() override;
    Q_DISABLE_COPY_MOVE(QVStatusItem)

    /// Makes a new status item when "pref check5" is on (replacing the one held), drops it when off.
    void createStatusBar();
    /// The tray icon; null while the status item is off.
    QSystemTrayIcon* statusItem() const;

    /// Builds the status menu and pops it up from the status item.
    void onStatusButtonClick();
    /// Runs an open panel (files and folders, several at once) at the status folder and shows
    /// the menu for what was chosen; a cancelled panel shows nothing.
    void onSelectFilesAndFolders();
    /// Shows the menu for the paths (those that exist; the status folder's when none does).
    void selectFileURLs(const QList<QUrl>& urls);

    /// The popup shown last, while it is open.
    QMenu* shownMenu() const;

Q_SIGNALS:
    /// A menu was popped up.
    void menuShown(QMenu* menu);

private:
    void popUp(const std::shared_ptr<platform::Menu>& tree);

    QVStatusMenu& m_menu;
    QPointer<QSystemTrayIcon> m_statusItem;
    QPointer<QMenu> m_shownMenu;
};
