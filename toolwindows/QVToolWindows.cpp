#include "toolwindows/QVToolWindows.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/QVHelper.h"
#include "engine/service/QVMenuService.h"
#include "engine/archive/QVCompress.h"
#include "foundation/QVCheckPermit.h"
#include "foundation/QVNameDialogs.h"
#include "foundation/QVResizeImageHook.h"
#include "foundation/QVScriptResult.h"
#include "platform/Defaults.h"
#include "toolwindows/activepanel/QVActivePanelViewCtl.h"
#include "toolwindows/colorpicker/QVColorPanel.h"
#include "toolwindows/embedfolder/QVEmbedFolderWinCtl.h"
#include "toolwindows/encrypt/QVEncryptViewCtl.h"
#include "toolwindows/filetools/QVFileToolWindows.h"
#include "toolwindows/filetype/QVSelectFileTypeViewCtl.h"
#include "toolwindows/newfolder/QVNewFolderWinCtl.h"
#include "toolwindows/progress/QVLoadingHooks.h"
#include "toolwindows/progress/QVLoadingWinCtl.h"
#include "toolwindows/resizeimage/QVResizeImageWinCtl.h"
#include "toolwindows/scriptinfo/QVScriptInfoWinCtl.h"

#include <QCheckBox>
#include <QPointer>

namespace {

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

QVImageSizeStore sharedImageSizes()
{
    QVImageSizeStore store;
    const QString key = QVMenuManager::kArrayImageSize;
    store.load = [key] { return QVMenuManager::sharedDefaults().arrayValue(key); };
    store.save = [key](const QVariantList& sizes) { QVMenuManager::sharedDefaults().setValue(key, sizes); };
    store.move = [key](int from, int before) { return QVMenuManager::changePositionMenuKey(key, from, before); };
    return store;
}

} // namespace

QVToolWindows::QVToolWindows(QObject* parent)
    : QObject(parent)
{
    QVFileToolWindows::Hooks hooks;
    hooks.playSound = &QVHelper::playSoundType;
    hooks.beginPendingWork = &QVMenuService::beginPendingWork;
    hooks.endPendingWork = &QVMenuService::endPendingWork;
    m_fileToolWindows = std::make_unique<QVFileToolWindows>(hooks);
    m_colorPanel = std::make_unique<QVColorPanel>(
        QVColorPanel::Hooks { hooks.playSound, hooks.beginPendingWork, hooks.endPendingWork });
    m_colorPanel->installAsColorPickerStarter();
    installOpeners();
}

QVToolWindows::~QVToolWindows()
{
    QVCompress::setAccessoryFactory({});
    QVCheckPermit::setActivationPanel({});
    qv::setResizeImageOpener({});
    QVScriptResult::setWindow({});
    QVNameDialogs::setEmbedFolderOpener({});
    QVNameDialogs::setNewFolderOpener({});
    QVNameDialogs::setNewFilePanelOpener({});
    releaseScriptInfoHold();
    clean();
}

void QVToolWindows::installOpeners()
{
    QVCompress::setAccessoryFactory([] { return std::make_unique<EncryptAccessory>(); });
    // Folder access asks for the activation panel before its first folder question.
    QVCheckPermit::setActivationPanel(&QVActivePanelViewCtl::runActivePanel);
    QPointer<QVToolWindows> self(this);
    qv::setResizeImageOpener([self](const QString& path, qv::ResizeImageSure sure) {
        if (self) {
            self->openResizeImage(path, std::move(sure));
        }
    });
    QVScriptResult::setWindow([self](const QVScriptResult& result) {
        if (self) {
            self->showScriptResult(result);
        }
    });
    QVNameDialogs::setEmbedFolderOpener([self](const QString& name, QVNameDialogs::EmbedHandler handler) {
        if (self) {
            self->openEmbedFolder(name, std::move(handler));
        }
    });
    QVNameDialogs::setNewFolderOpener([self](const QString& name, QVNameDialogs::NameHandler handler) {
        if (self) {
            self->openNewFolder(name, std::move(handler));
        }
    });
    QVNameDialogs::setNewFilePanelOpener(&QVSelectFileTypeViewCtl::runNewFilePanel);
}

void QVToolWindows::attach(QVMenuService& service)
{
    service.setProgressHooks(loadingWindowHooks(
        this, [this](bool create) { return create ? &ensureLoadingWinCtl() : m_loadingWinCtl.get(); },
        [this] { clean(); }));
}

QVFileHashWinCtl* QVToolWindows::fileHashWinCtl() const
{
    return m_fileToolWindows->fileHashWinCtl();
}

QVFixNameWinCtl* QVToolWindows::fixNameWinCtl() const
{
    return m_fileToolWindows->fixNameWinCtl();
}

QVLoadingWinCtl& QVToolWindows::ensureLoadingWinCtl()
{
    if (!m_loadingWinCtl) {
        m_loadingWinCtl = std::make_unique<QVLoadingWinCtl>();
    }
    return *m_loadingWinCtl;
}

void QVToolWindows::openResizeImage(const QString& path, std::function<void(double, double)> sure)
{
    if (!m_resizeImageWinCtl) {
        m_resizeImageWinCtl = std::make_unique<QVResizeImageWinCtl>(sharedImageSizes());
    }
    m_resizeImageWinCtl->setSureBlock(std::move(sure));
    m_resizeImageWinCtl->openWithFile(path);
}

void QVToolWindows::showScriptResult(const QVScriptResult& result)
{
    if (!m_scriptInfoWinCtl) {
        m_scriptInfoWinCtl = std::make_unique<QVScriptInfoWinCtl>();
        connect(m_scriptInfoWinCtl.get(), &QVScriptInfoWinCtl::closed, this, &QVToolWindows::releaseScriptInfoHold);
    }
    m_scriptInfoWinCtl->setCmd(result.cmd);
    m_scriptInfoWinCtl->setFolder(result.folder);
    m_scriptInfoWinCtl->openWithTitle(result.title, result.text, result.success);
    if (!m_holdsScriptInfo) {
        m_holdsScriptInfo = true;
        QVMenuService::beginPendingWork();
    }
}

void QVToolWindows::releaseScriptInfoHold()
{
    if (m_holdsScriptInfo) {
        m_holdsScriptInfo = false;
        QVMenuService::endPendingWork();
    }
}

void QVToolWindows::openEmbedFolder(const QString& name, std::function<void(const QString&, int)> handler)
{
    dropLater(m_embedFolderWinCtl);
    m_embedFolderWinCtl = std::make_unique<QVEmbedFolderWinCtl>();
    m_embedFolderWinCtl->setHandler(std::move(handler));
    m_embedFolderWinCtl->openWithName(name);
}

void QVToolWindows::openNewFolder(const QString& name, std::function<void(const QString&)> handler)
{
    dropLater(m_createFolderWinCtl);
    m_createFolderWinCtl = std::make_unique<QVNewFolderWinCtl>();
    m_createFolderWinCtl->setHandler(std::move(handler));
    m_createFolderWinCtl->open(name);
}

void QVToolWindows::clean()
{
    dropLater(m_resizeImageWinCtl);
    m_fileToolWindows->clean();
    dropLater(m_loadingWinCtl);
    dropLater(m_scriptInfoWinCtl);
    dropLater(m_embedFolderWinCtl);
    dropLater(m_createFolderWinCtl);
}
