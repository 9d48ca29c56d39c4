#include "app/QVStatusMenu.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/QVMenuService.h"
#include "foundation/BundleExpand.h"
#include "foundation/QVCheckPermit.h"
#include "foundation/QVFile.h"
#include "foundation/QVPermissions.h"
#include "foundation/StringExpand.h"
#include "platform/Defaults.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

const QString kPreferences = QStringLiteral("Preferences");
const QString kSelectFiles = QStringLiteral("Select Files (Folders)");
const QString kQuit = QStringLiteral("Quit");
const QString kSystemRightClick = QStringLiteral("System Right-Click Menu");
// The key of an entry of the status folder; its tag, negative so that it never stands for an
// engine entry, gives the path.
const QString kFolderEntry = QStringLiteral("status folder entry");

constexpr int kFolderEntryIconSize = 16;

platform::Defaults& shared()
{
    return QVMenuManager::sharedDefaults();
}

} // namespace

QVStatusMenu::QVStatusMenu(QVMenuService& service)
    : m_service(service)
{
}

QString QVStatusMenu::statusFolder()
{
    const QString chosen = shared().stringValue(QStringLiteral("status bar menu folder"));
    return qv::isValid(chosen) && QFileInfo(chosen).isDir() ? chosen : qv::desktopPath();
}

QString QVStatusMenu::titleName(const QString& name)
{
    qsizetype points = 0;
    qsizetype cut = name.size();
    for (qsizetype i = 0; i < name.size(); ++points) {
        if (points == kTitleNameCut - 1) {
            cut = i;
        }
        const bool pair = name.at(i).isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate();
        i += pair ? 2 : 1;
    }
    return points >= kTitleNameCut ? name.left(cut) + QStringLiteral("...") : name;
}

QString QVStatusMenu::titleFor(const QStringList& paths, bool isStatusFolder, const QString& folder)
{
    if (isStatusFolder) {
        return qv::stringWithFormat(QStringLiteral("%@ %@"), qv::localized(QFileInfo(folder).fileName()),
                                    qv::localized(QStringLiteral("Right-click Menu")));
    }
    if (paths.size() == 1) {
        return qv::stringWithFormat(qv::localized(QStringLiteral("Selected: %@")),
                                    titleName(QFileInfo(paths.first()).fileName()));
    }
    return qv::stringWithFormat(qv::localized(QStringLiteral("%@ files have been selected")),
                                QString::number(paths.size()));
}

std::shared_ptr<platform::Menu> QVStatusMenu::rightMenuWithPaths(const QStringList& paths)
{
    QStringList existing;
    QList<QUrl> urls;
    platform::FIMenuKind kind = platform::FIMenuKindContextualMenuForItems;
    for (const QString& path : paths) {
        if (QFileInfo::exists(path)) {
            existing << path;
            urls << QUrl::fromLocalFile(path);
            if (qv::isSystemFolder(path)) {
                kind = platform::FIMenuKindContextualMenuForContainer;
            }
        }
    }
    const bool isStatusFolder = urls.isEmpty();
    const QString folder = isStatusFolder ? statusFolder() : QString();
    if (isStatusFolder) {
        urls << QUrl::fromLocalFile(folder);
        kind = platform::FIMenuKindContextualMenuForContainer;
    }
    // The engine's own selection from here on: what the menu's commands act on.
    m_service.setSelectURLs(urls);
    std::shared_ptr<platform::Menu> menu = m_service.menuForMenuKind(kind);
    if (!menu) {
        menu = std::make_shared<platform::Menu>();
    }
    if (!shared().boolValue(QVMenuManager::prefCheck(QVSwitch::NoSelectedTitle))) {
        auto title = std::make_unique<platform::MenuItem>(titleFor(existing, isStatusFolder, folder));
        title->setEnabled(false);
        menu->insertItem(std::move(title), 0);
    }
    if (QVPermissions::sharedInstance().eventType() == QVPermissions::PlainRightClick) {
        addSystemRightClickEntry(*menu);
    }
    return menu;
}

void QVStatusMenu::addSystemRightClickEntry(platform::Menu& menu) const
{
    const qint64 place = shared().integerValue(QVMenuManager::prefCheck(QVSwitch::SystemMenuPlace));
    if (place == 2) {
        menu.addSeparator();
        menu.addItem(ownItem(kSystemRightClick));
    } else if (place == 1) {
        menu.insertItem(ownItem(kSystemRightClick), 0);
        menu.insertItem(platform::MenuItem::separatorItem(), 1);
    }
}

std::shared_ptr<platform::Menu> QVStatusMenu::statusMenu()
{
    const QString folder = statusFolder();
    QVPermissions::sharedInstance().setEventType(QVPermissions::HotKeyOrStatusItem);
    std::shared_ptr<platform::Menu> menu = rightMenuWithPaths({});
    menu->insertItem(ownItem(kPreferences), 0);
    menu->insertItem(platform::MenuItem::separatorItem(), 1);
    std::unique_ptr<platform::MenuItem> select = ownItem(kSelectFiles);
    if (std::unique_ptr<platform::Menu> entries = statusFolderMenu(folder)) {
        select->setSubmenu(std::move(entries));
    }
    menu->addSeparator();
    menu->addItem(std::move(select));
    menu->addSeparator();
    menu->addItem(ownItem(kQuit));
    return menu;
}

std::unique_ptr<platform::Menu> QVStatusMenu::statusFolderMenu(const QString& folder)
{
    m_folderEntries.clear();
    // Only a folder readable without asking: the menu must not open a panel while it is built.
    if (!QVCheckPermit::checkPermitWithPath(folder)) {
        return nullptr;
    }
    auto menu = std::make_unique<platform::Menu>();
    const QStringList names
        = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString& name : names) {
        if (name.startsWith(QLatin1Char('.'))) {
            continue;
        }
        const QString path = QDir(folder).filePath(name);
        m_folderEntries << path;
        auto entry = std::make_unique<platform::MenuItem>(name, -m_folderEntries.size());
        entry->setKey(kFolderEntry);
        entry->setImage(QVFile(path).icon().pixmap(kFolderEntryIconSize).toImage(), QString());
        entry->setTarget(const_cast<QVStatusMenu*>(this));
        entry->setAction(&platform::MenuTarget::onMenuItemAction);
        menu->addItem(std::move(entry));
    }
    return menu->numberOfItems() > 0 ? std::move(menu) : nullptr;
}

std::unique_ptr<platform::MenuItem> QVStatusMenu::ownItem(const QString& key) const
{
    auto item = std::make_unique<platform::MenuItem>(qv::localized(key));
    item->setKey(key);
    item->setTarget(const_cast<QVStatusMenu*>(this));
    item->setAction(&platform::MenuTarget::onMenuItemAction);
    return item;
}

void QVStatusMenu::onMenuItemAction(const platform::MenuItem& item)
{
    const auto call = [](const std::function<void()>& action) {
        if (action) {
            action();
        }
    };
    const QString key = item.key();
    if (key == kPreferences) {
        call(m_actions.openWindow);
    } else if (key == kQuit) {
        call(m_actions.exitApp);
    } else if (key == kSelectFiles) {
        call(m_actions.selectFilesAndFolders);
    } else if (key == kSystemRightClick) {
        call(m_actions.simuSystemRightClick);
    } else if (key == kFolderEntry && -item.tag() >= 1 && -item.tag() <= m_folderEntries.size()
               && m_actions.showMenuForPaths) {
        m_actions.showMenuForPaths({ m_folderEntries.at(-item.tag() - 1) });
    }
}
