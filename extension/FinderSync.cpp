#include "extension/FinderSync.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/QVMenuService.h"
#include "foundation/ObjectGCD.h"
#include "platform/Bundle.h"
#include "platform/finder/MountMonitor.h"
#include "toolwindows/QVToolWindows.h"

#include <QPointer>
#include <QSet>

namespace {

QString displayName()
{
    return platform::Bundle::localizedString(QStringLiteral("CFBundleDisplayName"), QStringLiteral(""),
                                             QStringLiteral("InfoPlist"));
}

} // namespace

FinderSync::FinderSync()
    : m_toolWindows(std::make_unique<QVToolWindows>())
{
    // The switch is read once: the application restarts the extension when it changes.
    if (QVMenuManager::isPrefCheckOn(QVSwitch::ServeVolumes)) {
        m_mountMonitor = new platform::MountMonitor(this);
        connect(m_mountMonitor, &platform::MountMonitor::didMount, this, &FinderSync::volumeChangeNoti);
    }
    setupDirectoryURLs();
}

FinderSync::~FinderSync() = default;

QVMenuService* FinderSync::service()
{
    if (!m_service) {
        m_service = std::make_unique<QVMenuService>(this);
        m_service->setIsFinderSync(true);
        m_toolWindows->attach(*m_service);
    }
    return m_service.get();
}

void FinderSync::clean()
{
    m_toolWindows->clean();
}

void FinderSync::setupDirectoryURLs()
{
    QSet<QUrl> urls { QUrl::fromLocalFile(QStringLiteral("/")) };
    if (m_mountMonitor != nullptr) {
        for (const QString& volume : platform::MountMonitor::mountedVolumePaths(true)) {
            urls.insert(QUrl::fromLocalFile(volume));
        }
    }
    finderSyncController().setDirectoryURLs(urls);
}

void FinderSync::volumeChangeNoti()
{
    QPointer<FinderSync> self(this);
    qv::enterForegroundWithDelay(1, [self] {
        if (self) {
            self->setupDirectoryURLs();
        }
    });
}

std::shared_ptr<platform::Menu> FinderSync::menuForMenuKind(platform::FIMenuKind kind)
{
    return service()->menuForMenuKind(kind);
}

void FinderSync::onMenuItemAction(const platform::MenuItem& item)
{
    service()->handlerMenuTag(item.tag());
}

bool FinderSync::hasPendingWork() const
{
    return (m_service && m_service->loadingCount() > 0) || QVMenuService::pendingWork() > 0;
}

QStringList FinderSync::failedCommands() const
{
    return QVMenuService::failedCommands();
}

QString FinderSync::toolbarItemName() const
{
    return displayName();
}

QString FinderSync::toolbarItemToolTip() const
{
    return displayName();
}

QImage FinderSync::toolbarItemImage() const
{
    // A template image: only its shape counts, the file manager tints it.
    return platform::Bundle::imageNamed(QStringLiteral("pro")).convertToFormat(QImage::Format_Alpha8);
}
