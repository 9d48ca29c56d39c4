#include "extension/FinderSync.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/QVHelper.h"
#include "engine/service/QVMenuService.h"
#include "engine/service/compress/QVCompress.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVCheckPermit.h"
#include "foundation/QVResizeImageHook.h"
#include "foundation/QVScriptResult.h"
#include "foundation/QVNameDialogs.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"
#include "platform/finder/MountMonitor.h"
#include "toolwindows/activepanel/QVActivePanelViewCtl.h"
#include "toolwindows/filetools/QVFileToolWindows.h"
#include "toolwindows/encrypt/QVEncryptViewCtl.h"
#include "toolwindows/embedfolder/QVEmbedFolderWinCtl.h"
#include "toolwindows/filetype/QVSelectFileTypeViewCtl.h"
#include "toolwindows/newfolder/QVNewFolderWinCtl.h"
#include "toolwindows/progress/QVLoadingHooks.h"
#include "toolwindows/progress/QVLoadingWinCtl.h"
#include "toolwindows/resizeimage/QVResizeImageWinCtl.h"
#include "toolwindows/scriptinfo/QVScriptInfoWinCtl.h"

#include <QCheckBox>
#include <QPointer>
#include <QSet>

namespace {

QString displayName()
{
    return platform::Bundle::localizedString(QStringLiteral("CFBundleDisplayName"), QStringLiteral(""),
                                             QStringLiteral("InfoPlist"));
}

/// The compression panel's encryption options, as the engine's runner reads them.
class EncryptAccessory final : public QVCompressAccessory
{
public:
    QWidget* view() override { return m_controller.view(); }
    QString password() const override { return m_controller.password(); }
    bool skipJunkFiles() const override { return m_controller.skipJunkFilesCheck()->isChecked(); }
    void setSkipJunkFiles(bool skip) override { m_controller.skipJunkFilesCheck()->setChecked(skip); }

private:
    QVEncryptViewCtl m_controller;
};

// Closes a held window and drops it once the event loop is back: clean() may run inside one of
// the window's own callbacks (OK, Cancel).
template <typename WinCtl> void dropLater(std::unique_ptr<WinCtl>& holder)
{
    if (WinCtl* window = holder.release()) {
        window->close();
        window->deleteLater();
    }
}

} // namespace

FinderSync::FinderSync()
{
    QVCompress::setAccessoryFactory([] { return std::make_unique<EncryptAccessory>(); });
    // Folder access asks for the activation panel before its first folder question.
    QVCheckPermit::setActivationPanel(&QVActivePanelViewCtl::runActivePanel);
    QPointer<FinderSync> self(this);
    qv::setResizeImageOpener([self](const QString& path, qv::ResizeImageSure sure) {
        if (self) {
            self->openResizeImage(path, std::move(sure));
        }
    });
    QVFileToolWindows::Hooks hooks;
    hooks.playSound = &QVHelper::playSoundType;
    hooks.beginPendingWork = &QVMenuService::beginPendingWork;
    hooks.endPendingWork = &QVMenuService::endPendingWork;
    m_toolWindows = std::make_unique<QVFileToolWindows>(std::move(hooks));
    QVScriptResult::setWindow([self](const QVScriptResult& result) {
        if (self) {
            self->showScriptResult(result);
        }
    });
    installNameDialogs();
    // The switch is read once: the application restarts the extension when it changes.
    if (QVMenuManager::isPrefCheckOn(QVSwitch::ServeVolumes)) {
        m_mountMonitor = new platform::MountMonitor(this);
        connect(m_mountMonitor, &platform::MountMonitor::didMount, this, &FinderSync::volumeChangeNoti);
    }
    setupDirectoryURLs();
}

FinderSync::~FinderSync()
{
    QVScriptResult::setWindow({});
    releaseScriptInfoHold();
}

QVMenuService* FinderSync::service()
{
    if (!m_service) {
        m_service = std::make_unique<QVMenuService>(this);
        m_service->setIsFinderSync(true);
        m_service->setProgressHooks(loadingWindowHooks(
            this, [this](bool create) { return create ? &ensureLoadingWinCtl() : m_loadingWinCtl.get(); },
            [this] { clean(); }));
    }
    return m_service.get();
}

QVLoadingWinCtl& FinderSync::ensureLoadingWinCtl()
{
    if (!m_loadingWinCtl) {
        m_loadingWinCtl = std::make_unique<QVLoadingWinCtl>();
    }
    return *m_loadingWinCtl;
}

void FinderSync::openResizeImage(const QString& path, std::function<void(double, double)> sure)
{
    if (!m_resizeImageWinCtl) {
        QVImageSizeStore store;
        const QString key = QVMenuManager::kArrayImageSize;
        store.load = [key] { return QVMenuManager::sharedDefaults().arrayValue(key); };
        store.save = [key](const QVariantList& sizes) { QVMenuManager::sharedDefaults().setValue(key, sizes); };
        store.move = [key](int from, int before) { return QVMenuManager::changePositionMenuKey(key, from, before); };
        m_resizeImageWinCtl = std::make_unique<QVResizeImageWinCtl>(std::move(store));
    }
    m_resizeImageWinCtl->setSureBlock(std::move(sure));
    m_resizeImageWinCtl->openWithFile(path);
}

QVFileHashWinCtl* FinderSync::fileHashWinCtl() const
{
    return m_toolWindows->fileHashWinCtl();
}

QVFixNameWinCtl* FinderSync::fixNameWinCtl() const
{
    return m_toolWindows->fixNameWinCtl();
}

void FinderSync::showScriptResult(const QVScriptResult& result)
{
    if (!m_scriptInfoWinCtl) {
        m_scriptInfoWinCtl = std::make_unique<QVScriptInfoWinCtl>();
        connect(m_scriptInfoWinCtl.get(), &QVScriptInfoWinCtl::closed, this, &FinderSync::releaseScriptInfoHold);
    }
    m_scriptInfoWinCtl->setCmd(result.cmd);
    m_scriptInfoWinCtl->setFolder(result.folder);
    m_scriptInfoWinCtl->openWithTitle(result.title, result.text, result.success);
    if (!m_holdsScriptInfo) {
        m_holdsScriptInfo = true;
        QVMenuService::beginPendingWork();
    }
}

void FinderSync::releaseScriptInfoHold()
{
    if (m_holdsScriptInfo) {
        m_holdsScriptInfo = false;
        QVMenuService::endPendingWork();
    }
}

void FinderSync::installNameDialogs()
{
    QPointer<FinderSync> self(this);
    QVNameDialogs::setEmbedFolderOpener([self](const QString& name, QVNameDialogs::EmbedHandler handler) {
        if (!self) {
            return;
        }
        dropLater(self->m_embedFolderWinCtl);
        self->m_embedFolderWinCtl = std::make_unique<QVEmbedFolderWinCtl>();
        self->m_embedFolderWinCtl->setHandler(std::move(handler));
        self->m_embedFolderWinCtl->openWithName(name);
    });
    QVNameDialogs::setNewFolderOpener([self](const QString& name, QVNameDialogs::NameHandler handler) {
        if (!self) {
            return;
        }
        dropLater(self->m_createFolderWinCtl);
        self->m_createFolderWinCtl = std::make_unique<QVNewFolderWinCtl>();
        self->m_createFolderWinCtl->setHandler(std::move(handler));
        self->m_createFolderWinCtl->open(name);
    });
    QVNameDialogs::setNewFilePanelOpener(&QVSelectFileTypeViewCtl::runNewFilePanel);
}

void FinderSync::clean()
{
    if (QVResizeImageWinCtl* window = m_resizeImageWinCtl.release()) {
        window->close();
        window->deleteLater();
    }
    m_toolWindows->clean();
    if (QVLoadingWinCtl* window = m_loadingWinCtl.release()) {
        window->close();
        // clean() may run inside one of the window's own callbacks (Cancel): drop it afterwards.
        window->deleteLater();
    }
    if (QVScriptInfoWinCtl* window = m_scriptInfoWinCtl.release()) {
        window->close();
        window->deleteLater();
    }
    dropLater(m_embedFolderWinCtl);
    dropLater(m_createFolderWinCtl);
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
    return QVMenuService::failedHandOffs();
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
