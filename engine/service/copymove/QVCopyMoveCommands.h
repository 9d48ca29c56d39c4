#pragma once

#include "engine/model/QVMenuItem.h"
#include "engine/service/QVFileTransfer.h"

#include <QList>
#include <QString>

#include <memory>

class QVCommandContext;

/// Copy to, Move to, Cut Paste and Paste: the selected (or remembered) items go into a folder on
/// the background queue behind the progress window, each through the name conflict rule.
class QVCopyMoveCommands final
{
public:
    explicit QVCopyMoveCommands(QVCommandContext& context)
        : m_context(context)
    {
    }
    Q_DISABLE_COPY_MOVE(QVCopyMoveCommands)

    /// Copies or moves the items (the selection as the click read it) into the folder behind the
    /// progress window.
    void _moveAndCopyToPath(const QStringList& paths, const QString& folder, bool isCopy);
    /// "Cut Paste" remembers the selection; "Paste" moves the remembered items into the first
    /// selected folder.
    void cutPasteItem(const QVMenuItemPtr& item);
    /// The command running now (copy, move or paste), null when none was started.
    std::shared_ptr<QVFileTransfer> lastTransfer() const { return m_lastTransfer; }

private:
    /// The command's own transfer, filled in once it exists, so that its failure can retry it.
    using TransferRef = std::shared_ptr<std::weak_ptr<QVFileTransfer>>;
    QVFileTransfer::Hooks transferHooks(bool revealLast, bool isCopy, const TransferRef& transfer);
    /// After a failure: when a failed item's source could not be written, asks for access to
    /// "/" and, once a source has become writable, runs the failed items again.
    enum class RootRetry { NotAsked, Refused, Retried, NotRetried };
    RootRetry retryWithRootAccess(const QList<QVFileTransfer::Item>& failed, const TransferRef& transfer);

    QVCommandContext& m_context;
    std::shared_ptr<QVFileTransfer> m_lastTransfer;
};
