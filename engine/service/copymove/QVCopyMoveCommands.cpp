#include "engine/service/copymove/QVCopyMoveCommands.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/QVCommandContext.h"
#include "engine/service/QVHelper.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/QVCheckPermit.h"
#include "foundation/StringExpandText.h"

#include <QFileInfo>

#include <algorithm>
#include <memory>

namespace {

QString failureText(const QList<QVFileTransfer::Item>& failed, bool isCopy)
{
    QStringList lines;
    for (const QVFileTransfer::Item& item : failed) {
        lines << item.failureMessage(isCopy);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

QVFileTransfer::Hooks QVCopyMoveCommands::transferHooks(bool revealLast, bool isCopy, const TransferRef& transfer)
{
    QVFileTransfer::Hooks hooks;
    // Every item counts, but the progress window opens once for the items of one run (and again
    // for a retry): opening it again for each of thousands of items raised it each time.
    auto shown = std::make_shared<bool>(false);
    hooks.open = [this, shown]() {
        m_context.setLoadingCount(m_context.loadingCount() + 1);
        if (*shown) {
            return;
        }
        *shown = true;
        if (const QVProgressHooks& progress = m_context.progressHooks(); progress.open) {
            progress.open();
        }
    };
    hooks.jobEnded = [this]() { m_context.setLoadingCount(m_context.loadingCount() - 1); };
    hooks.succeeded = [this, revealLast, shown](const QString& lastDestination) {
        *shown = false;
        if (revealLast && QVMenuManager::isPrefCheckOn(QVSwitch::RevealAfterTransfer)) {
            qv::openInFinder(lastDestination);
        }
        if (const QVProgressHooks& progress = m_context.progressHooks(); progress.showSuccess) {
            progress.showSuccess(qv::localized(QStringLiteral("Success Common Tip")));
        }
        QVHelper::playSoundType(QVHelper::SoundCopy);
    };
    // A move across file systems that left new or changed entries in a source folder says so.
    hooks.noticed = [](const QStringList& notices) { qv::alertWithMsg(notices.join(QLatin1Char('\n')), nullptr); };
    // A copy or a move that failed asks for full disk access; a paste only says what failed.
    const bool askFullDiskAccess = revealLast;
    hooks.failed = [this, isCopy, askFullDiskAccess, transfer, shown](const QList<QVFileTransfer::Item>& failedNow) {
        *shown = false;
        const QList<QVFileTransfer::Item> failed = failedNow;
        if (const QVProgressHooks& progress = m_context.progressHooks(); progress.clean) {
            progress.clean();
        }
        const RootRetry retry = retryWithRootAccess(failed, transfer);
        if (retry == RootRetry::Retried) {
            return;
        }
        QVHelper::playSoundType(QVHelper::SoundError);
        // Every source of a failed item is still in place; say which ones and why.
        qv::alertWithMsg(failureText(failed, isCopy), nullptr);
        if (askFullDiskAccess && retry != RootRetry::Refused) {
            QVCheckPermit::accessPrivacy();
        }
    };
    return hooks;
}

QVCopyMoveCommands::RootRetry QVCopyMoveCommands::retryWithRootAccess(const QList<QVFileTransfer::Item>& failed,
                                                                      const TransferRef& transfer)
{
    QStringList unwritable;
    for (const QVFileTransfer::Item& item : failed) {
        if (qv::isExist(item.source) && !qv::isWritable(item.source)) {
            unwritable << item.source;
        }
    }
    if (unwritable.isEmpty()) {
        return RootRetry::NotAsked;
    }
    bool permitted = false;
    m_context.checkFolderAccess(
        QStringLiteral("/"), [&permitted] { permitted = true; }, [] {});
    if (!permitted) {
        return RootRetry::Refused;
    }
    const auto writable = [](const QString& source) { return qv::isWritable(source); };
    if (std::none_of(unwritable.cbegin(), unwritable.cend(), writable)) {
        return RootRetry::NotRetried;
    }
    // Only the items that failed run again: those that succeeded are already in place, and a
    // moved item's source is gone.
    const std::shared_ptr<QVFileTransfer> again = transfer->lock();
    return again && again->retryFailed() ? RootRetry::Retried : RootRetry::NotRetried;
}

void QVCopyMoveCommands::_moveAndCopyToPath(const QStringList& paths, const QString& folder, bool isCopy)
{
    bool permitted = false;
    QVCheckPermit::checkPermitWithPath(
        folder, [&]() { permitted = true; }, []() {});
    if (!permitted) {
        QVHelper::playSoundType(QVHelper::SoundError);
        return;
    }
    // Each command counts its own jobs, and the engine's count is never reset: an earlier
    // command's jobs may still be queued.
    auto ref = std::make_shared<std::weak_ptr<QVFileTransfer>>();
    auto transfer = QVFileTransfer::create(isCopy ? QVFileTransfer::Mode::Copy : QVFileTransfer::Mode::Move,
                                           transferHooks(true, isCopy, ref));
    *ref = transfer;
    m_lastTransfer = transfer;
    transfer->start(paths, folder);
}

void QVCopyMoveCommands::cutPasteItem(const QVMenuItemPtr& item)
{
    if (!item) {
        return;
    }
    const QStringList selected = m_context.selectPaths();
    QString target = selected.value(0);
    bool permitted = false;
    QVCheckPermit::checkPermitWithPath(
        target, [&]() { permitted = true; }, []() {});
    if (!permitted) {
        QVHelper::playSoundType(QVHelper::SoundError);
        return;
    }
    if (item->isPaste() && qv::isFolder(target) && !QVFileTransfer::storedCutPaths().isEmpty()) {
        if (!qv::isWritable(target)) {
            target = QVCheckPermit::selectFolderWithPrompt(qv::localized(QStringLiteral("Paste")), target);
            if (target.isNull()) {
                QVFileTransfer::storeCutPaths({});
                return;
            }
        }
        auto ref = std::make_shared<std::weak_ptr<QVFileTransfer>>();
        m_lastTransfer = QVFileTransfer::pasteCutPaths(target, transferHooks(false, false, ref));
        *ref = m_lastTransfer;
        return;
    }
    if (item->isCutPaste()) {
        QVFileTransfer::storeCutPaths(selected);
        QVHelper::playSoundType(QVHelper::SoundCopy);
        return;
    }
    QVFileTransfer::storeCutPaths({});
    QVHelper::playSoundType(QVHelper::SoundError);
}
