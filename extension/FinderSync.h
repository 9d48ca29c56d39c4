#pragma once

#include "platform/finder/FIFinderSync.h"

#include <QObject>

#include <memory>

class QVEmbedFolderWinCtl;
class QVFileHashWinCtl;
class QVFileToolWindows;
class QVFixNameWinCtl;
class QVLoadingWinCtl;
class QVNewFolderWinCtl;
class QVResizeImageWinCtl;
class QVMenuService;
class QVScriptInfoWinCtl;
struct QVScriptResult;

namespace platform {
class MountMonitor;
}

/// The extension's principal object: tells the file manager which folders the extension serves
/// ("/" and, with "pref check3", every visible mounted volume, refreshed one second after each
/// mount), answers menu requests through its engine and hands the chosen entry's tag back to it.
class FinderSync final : public QObject, public platform::FIFinderSync
{
    Q_OBJECT

public:
    FinderSync();
    ~FinderSync() override;
    Q_DISABLE_COPY_MOVE(FinderSync)

    /// The engine, created on first use with this object as its delegate; its progress reports
    /// drive the progress window below.
    QVMenuService* service();
    /// The progress window of the engine's background jobs, created on first use and kept until
    /// clean(); null while none is held.
    QVLoadingWinCtl* loadingWinCtl() const { return m_loadingWinCtl.get(); }
    /// The file hash window of "File Info", created when a command opens it and kept until
    /// clean(); null while none is held.
    QVFileHashWinCtl* fileHashWinCtl() const;
    /// The garbled-name window, held the same way.
    QVFixNameWinCtl* fixNameWinCtl() const;
    /// The script result window, made for the first result and kept until clean(); the host
    /// stays while it is open.
    QVScriptInfoWinCtl* scriptInfoWinCtl() const { return m_scriptInfoWinCtl.get(); }
    void showScriptResult(const QVScriptResult& result);
    /// The name dialogs of the folder commands while one is held (until clean()).
    QVEmbedFolderWinCtl* embedFolderWinCtl() const { return m_embedFolderWinCtl.get(); }
    QVNewFolderWinCtl* createFolderWinCtl() const { return m_createFolderWinCtl.get(); }
    /// Closes and drops the tool windows the engine's commands opened.
    void clean();

    void setupDirectoryURLs();
    /// A volume was mounted: the served folders are set up again one second later.
    void volumeChangeNoti();

    std::shared_ptr<platform::Menu> menuForMenuKind(platform::FIMenuKind kind) override;
    void onMenuItemAction(const platform::MenuItem& item) override;

    QString toolbarItemName() const override;
    QString toolbarItemToolTip() const override;
    QImage toolbarItemImage() const override;
    bool hasPendingWork() const override;
    QStringList failedCommands() const override;

private:
    QVLoadingWinCtl& ensureLoadingWinCtl();
    void openResizeImage(const QString& path, std::function<void(double, double)> sure);
    void releaseScriptInfoHold();
    /// Installs the openers of the name dialogs, which this object holds.
    void installNameDialogs();

    std::unique_ptr<QVMenuService> m_service;
    std::unique_ptr<QVLoadingWinCtl> m_loadingWinCtl;
    /// The resize window the engine opened, kept until clean().
    std::unique_ptr<QVResizeImageWinCtl> m_resizeImageWinCtl;
    std::unique_ptr<QVFileToolWindows> m_toolWindows;
    std::unique_ptr<QVScriptInfoWinCtl> m_scriptInfoWinCtl;
    bool m_holdsScriptInfo = false;
    std::unique_ptr<QVEmbedFolderWinCtl> m_embedFolderWinCtl;
    std::unique_ptr<QVNewFolderWinCtl> m_createFolderWinCtl;
    platform::MountMonitor* m_mountMonitor = nullptr;
};
