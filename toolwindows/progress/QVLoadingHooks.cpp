#include "toolwindows/progress/QVLoadingHooks.h"

#include "engine/service/QVMenuService.h"
#include "toolwindows/progress/QVLoadingWinCtl.h"

#include <QPointer>

QVProgressHooks loadingWindowHooks(QObject* owner, std::function<QVLoadingWinCtl*(bool create)> window,
                                   std::function<void()> clean)
{
    const QPointer<QObject> alive(owner);
    auto shown = [alive, window]() -> QVLoadingWinCtl* { return alive ? window(true) : nullptr; };
    auto cleanUp = [alive, clean] {
        if (alive) {
            clean();
        }
    };
    QVProgressHooks hooks;
    hooks.open = [shown] {
        if (QVLoadingWinCtl* w = shown()) {
            w->open();
        }
    };
    hooks.setPercent = [shown](double percent) {
        if (QVLoadingWinCtl* w = shown()) {
            w->setPercent(percent);
        }
    };
    hooks.showSuccess = [shown, cleanUp](const QString& message) {
        QVLoadingWinCtl* w = shown();
        if (w == nullptr) {
            return;
        }
        // The process stays until the success message has closed itself and the windows are
        // cleaned up; the completion runs even when the window was dropped meanwhile.
        QVMenuService::beginPendingWork();
        w->showSuccess(message, [cleanUp] {
            cleanUp();
            QVMenuService::endPendingWork();
        });
    };
    hooks.clean = cleanUp;
    hooks.setProgress = [shown](double percent, const QString& tip) {
        // The percentage first: a tip then replaces its text while no percentage is known, so
        // the entry being added shows, and a known percentage keeps the label.
        if (QVLoadingWinCtl* w = shown()) {
            w->setPercent(percent);
            w->setTip(tip);
        }
    };
    hooks.setCancelHandler = [alive, window](std::function<void()> cancel) {
        // Clearing the handler never makes a window just to clear it.
        if (QVLoadingWinCtl* w = alive ? window(bool(cancel)) : nullptr) {
            w->setCancelHandler(std::move(cancel));
        }
    };
    return hooks;
}
