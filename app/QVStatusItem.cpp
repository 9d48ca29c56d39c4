#include "app/QVStatusItem.h"

#include "app/QVStatusMenu.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/BundleExpand.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"
#include "platform/Menu.h"
#include "platform/Panels.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMenu>
#include <QSystemTrayIcon>

Q_LOGGING_CATEGORY(lcStatusItem, "tarsel.app.statusitem", QtWarningMsg)

namespace {

constexpr int kStatusImageSize = 20;

} // namespace

QVStatusItem::QVStatusItem(QVStatusMenu& menu, QObject* parent)
    : QObject(parent)
    , m_menu(menu)
{
}

QVStatusItem::~QVStatusItem()
{
    delete m_shownMenu;
}

QSystemTrayIcon* QVStatusItem::statusItem() const
{
    return m_statusItem;
}

QMenu* QVStatusItem::shownMenu() const
{
    return m_shownMenu;
}

void QVStatusItem::createStatusBar()
{
    delete m_statusItem;
    if (!QVMenuManager::sharedDefaults().boolValue(QVMenuManager::prefCheck(QVSwitch::StatusItem))) {
        return;
    }
    // Without a display there is no tray to show an icon in (and asking for one would look for
    // a session bus to reach a tray over).
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        qCInfo(lcStatusItem) << "no display: the status item is not shown";
        return;
    }
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // The icon appears by itself once a tray turns up; until then the menu has no place.
        qCInfo(lcStatusItem) << "no system tray yet: the status item shows when one starts";
    }
    m_statusItem = new QSystemTrayIcon(this);
    m_statusItem->setIcon(QIcon(platform::Bundle::iconNamed(QStringLiteral("pro")).pixmap(kStatusImageSize)));
    m_statusItem->setToolTip(QStringLiteral("Tarsel"));
    // A left and a right click alike open the menu; a context menu set on the icon would be
    // built once, but this one is built for each click.
    connect(m_statusItem, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) {
            onStatusButtonClick();
        }
    });
    m_statusItem->show();
}

void QVStatusItem::onStatusButtonClick()
{
    popUp(m_menu.statusMenu());
}

void QVStatusItem::onSelectFilesAndFolders()
{
    platform::PanelOptions options;
    options.canChooseFiles = true;
    options.canChooseDirectories = true;
    options.allowsMultipleSelection = true;
    options.level = platform::Panels::ShieldingLevel;
    options.prompt = qv::localized(QStringLiteral("Choose"));
    options.directory = QVStatusMenu::statusFolder();
    const platform::PanelResult result = platform::Panels::runOpenPanel(options);
    if (!result.isOK()) {
        return;
    }
    QList<QUrl> urls;
    for (const QString& path : result.paths) {
        urls << QUrl::fromLocalFile(path);
    }
    selectFileURLs(urls);
}

void QVStatusItem::selectFileURLs(const QList<QUrl>& urls)
{
    QStringList paths;
    for (const QUrl& url : urls) {
        paths << url.toLocalFile();
    }
    if (std::shared_ptr<platform::Menu> tree = m_menu.rightMenuWithPaths(paths)) {
        popUp(tree);
    }
}

void QVStatusItem::popUp(const std::shared_ptr<platform::Menu>& tree)
{
    // A menu still open (the second click came while it showed) goes first; one already closed
    // is on its way out by itself.
    if (m_shownMenu && m_shownMenu->isVisible()) {
        m_shownMenu->close();
    }
    QMenu* menu = tree->toQMenu();
    // The tree holds the entries the QMenu's actions perform: it goes with the QMenu, which is
    // deleted once it has closed and the chosen command has returned.
    connect(menu, &QObject::destroyed, menu, [tree] {});
    platform::Menu::deleteWhenClosed(menu);
    m_shownMenu = menu;
    const QRect icon = m_statusItem ? m_statusItem->geometry() : QRect();
    menu->popup(icon.isValid() && !icon.isEmpty() ? icon.bottomLeft() : QCursor::pos());
    Q_EMIT menuShown(menu);
}
