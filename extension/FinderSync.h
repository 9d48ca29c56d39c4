#pragma once

#include "platform/finder/FIFinderSync.h"

#include <QObject>

#include <memory>

class QVMenuService;
class QVToolWindows;

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

    /// The engine, created on first use with this object as its delegate; its commands open
    /// their windows through toolWindows().
    QVMenuService* service();
    /// The tool windows of the engine's commands, held until clean().
    QVToolWindows& toolWindows() const { return *m_toolWindows; }
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
    std::unique_ptr<QVToolWindows> m_toolWindows;
    std::unique_ptr<QVMenuService> m_service;
    platform::MountMonitor* m_mountMonitor = nullptr;
};
