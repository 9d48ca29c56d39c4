#pragma once

#include "platform/Menu.h"
#include "platform/finder/FIFinderSyncController.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>

namespace platform {

/// Base of an extension's principal object, which the file-manager host creates through the
/// plug-in's entry point and asks for menus.
///
/// The host and the plug-in each carry their own copy of the platform layer, so the host reaches
/// the controller the plug-in reads through finderSyncController(), never through its own
/// FIFinderSyncController::defaultController().
class FIFinderSync : public MenuTarget
{
public:
    FIFinderSync() = default;
    ~FIFinderSync() override = default;
    Q_DISABLE_COPY_MOVE(FIFinderSync)

    /// The menu for a request of that kind; null when there is none.
    virtual std::shared_ptr<Menu> menuForMenuKind(FIMenuKind kind);

    virtual QString toolbarItemName() const;
    virtual QString toolbarItemToolTip() const;
    virtual QImage toolbarItemImage() const;

    void onMenuItemAction(const MenuItem& item) override;

    /// True while a chosen command still has work going on (background jobs, windows, messages,
    /// delayed steps); the host keeps its process alive until this turns false.
    virtual bool hasPendingWork() const { return false; }
    /// What the chosen commands could not deliver or run (an application, a terminal or the
    /// hand-off to the application that reached nothing), one message each, oldest first; the
    /// host reports them and fails.
    virtual QStringList failedCommands() const { return {}; }

    /// The default controller of the copy of the platform layer this object was built with.
    virtual FIFinderSyncController& finderSyncController() const;
};

/// The plug-in's one exported entry point: creates the principal object (owned by the caller).
using FIFinderSyncCreateFunction = FIFinderSync* (*)();
inline constexpr const char kFinderSyncEntryPoint[] = "tarsel_finder_sync_create";

} // namespace platform
