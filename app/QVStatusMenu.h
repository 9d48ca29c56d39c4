#pragma once

#include "platform/Menu.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QVMenuService;

/// The application's own context menu, as the status item and the right-click hook show it: the
/// engine's menu for chosen paths (or for the status folder when none is left), under a title
/// entry, and for the status item the entries around it ("Preferences", the status folder's
/// entries under "Select Files (Folders)", "Quit").
///
/// The paths become the engine's own selection before the menu is built, so every command of the
/// menu, Move to Trash and Get Info among them, acts on exactly those paths and never on what a
/// file manager may have selected meanwhile. The entries this class adds report to it; the
/// engine's entries report to the engine.
class QVStatusMenu final : public platform::MenuTarget
{
public:
    /// What the entries of this class do; the application delegate fills them in.
    struct Actions
    {
        std::function<void()> openWindow; ///< "Preferences"
        std::function<void()> exitApp; ///< "Quit"
        std::function<void()> selectFilesAndFolders; ///< "Select Files (Folders)"
        std::function<void(const QStringList& paths)> showMenuForPaths; ///< an entry of the status folder
        std::function<void()> simuSystemRightClick; ///< "System Right-Click Menu"
    };

    /// Names of this many code points or more are cut in the title.
    static constexpr qsizetype kTitleNameCut = 16;

    explicit QVStatusMenu(QVMenuService& service);
    Q_DISABLE_COPY_MOVE(QVStatusMenu)

    void setActions(Actions actions) { m_actions = std::move(actions); }

    /// "status bar menu folder" when that folder exists, else the user's Desktop folder.
    static QString statusFolder();
    /// The name as the title shows it: a name of kTitleNameCut code points or more is cut to its
    /// first 15 code points followed by "...". Code points, not UTF-16 units: an emoji or a CJK
    /// extension character counts once and is never split in half.
    static QString titleName(const QString& name);

    /// The engine's menu for the paths that exist (the status folder's menu when none does),
    /// with the title entry and, for a plain right click of the hook, "System Right-Click Menu".
    std::shared_ptr<platform::Menu> rightMenuWithPaths(const QStringList& paths);
    /// The whole status menu, built afresh for each click.
    std::shared_ptr<platform::Menu> statusMenu();

    void onMenuItemAction(const platform::MenuItem& item) override;

private:
    std::unique_ptr<platform::MenuItem> ownItem(const QString& key) const;
    std::unique_ptr<platform::Menu> statusFolderMenu(const QString& folder);
    static QString titleFor(const QStringList& paths, bool isStatusFolder, const QString& folder);
    void addSystemRightClickEntry(platform::Menu& menu) const;

    QVMenuService& m_service;
    Actions m_actions;
    /// The paths of the status folder's entries of the menu built last, by tag (1-based).
    QStringList m_folderEntries;
};
