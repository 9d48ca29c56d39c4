#pragma once

#include "platform/FileOps.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

/// Copies and moves of the engine: the name conflict rule, and one copy, move or paste command
/// that queues its items on the background queue and reports on the main thread.
///
/// A command counts only its own jobs, so a second command started while the first one's jobs
/// are still queued never disturbs the first one's count. Nothing is replaced but what the user
/// chose to replace, and that only once the new item stands complete beside it; a move across
/// file systems removes from the source only what it copied. A failed item leaves its source and
/// its destination as they were, and a retry runs only the items that failed.
class QVFileTransfer final : public std::enable_shared_from_this<QVFileTransfer>
{
public:
    /// The conflict alert's answers.
    enum Response { KeepBoth = 1000, Stop = 1001, Replace = 1002 };

    using Placement = platform::FileOps::Placement;
    /// Where and how the writer puts its item: the path, and whether it may take a variant of
    /// it or replace what is there.
    using Block = std::function<void(const QString& path, Placement placement)>;

    /// The name conflict rule for writing at target an item that comes from source (null for a
    /// new item). Nothing at target: block(target, NoReplace) at once. Otherwise the critical
    /// alert "Keep Both" / "Stop" / "Replace" with "Same FileName Tip": Keep Both hands back
    /// target with FreeVariant (the writer claims the first free "name-N.ext"); Stop hands back
    /// nothing; Replace hands back target with Replace (the writer makes the new item complete
    /// beside it and then swaps it in), except when target and source are the same item or one
    /// contains the other (canonical paths): replacing would destroy the source, so nothing
    /// happens. The rule itself removes nothing. True when the block ran.
    static bool replaceFileAlert(const QString& target, const QString& orgPath, const Block& block);

    /// One item of a command: where it comes from and where it goes.
    struct Item
    {
        QString source;
        QString destination; ///< where it goes; once it went, where it is
        QString error; ///< why it failed, empty while it has not
        Placement placement = Placement::NoReplace;
        QString notice; ///< it went, but the user should know something (see FileOps::Outcome)

        /// The failure told to the user, naming the source once: the file operation's own
        /// message when it names the source, else that message wrapped with the source.
        QString failureMessage(bool isCopy) const;
    };

    /// What the command tells the rest of the engine (all called on the main thread).
    struct Hooks
    {
        std::function<void()> open; ///< a job was queued: show progress
        std::function<void()> jobEnded; ///< a job ended, before the reports below
        std::function<void(const QString& lastDestination)> succeeded; ///< the last job ended well
        std::function<void(const QList<Item>& failed)> failed; ///< jobs ended, some items failed
        /// Jobs ended, and some that went left something to say (before succeeded or failed).
        std::function<void(const QStringList& notices)> noticed;
        /// Called on the background queue after each entry a job copied (FileOps::Progress).
        platform::FileOps::Progress copied;
    };

    enum class Mode { Copy, Move };

    static std::shared_ptr<QVFileTransfer> create(Mode mode, Hooks hooks);

    /// Applies the conflict rule to each source in order (destination = folder joined with its
    /// last component), then queues the items handed back as one background job that runs them
    /// in order; each still counts, opens and reports as an item of its own. False when nothing
    /// was queued (every item stopped, or no sources).
    bool start(const QStringList& sources, const QString& folder);
    /// Queues again the items that failed, except those whose source is gone; their
    /// destinations go through the conflict rule again. False when nothing was queued.
    bool retryFailed();

    /// The paths "Cut Paste" remembers: "cutPaths" of that entry in "array right menu", shared
    /// by every process through the shared defaults.
    static QStringList storedCutPaths();
    static bool storeCutPaths(const QStringList& paths);
    /// Pastes the remembered paths into the folder: empties the list at once and starts a move of
    /// them. Null when the folder is not a folder or nothing was cut (the list is emptied all
    /// the same) or when every item was stopped.
    static std::shared_ptr<QVFileTransfer> pasteCutPaths(const QString& folder, Hooks hooks);

    Mode mode() const { return m_mode; }
    /// Items queued and not yet reported back.
    qint64 loadingCount() const { return m_loadingCount; }
    const QList<Item>& failedItems() const { return m_failed; }

private:
    QVFileTransfer(Mode mode, Hooks hooks);
    /// The conflict rule, once whether something is at target is known.
    /// The block may be any callable taking what a Block takes: the thousands of items of one
    /// command each call it, and a plain lambda spares them a std::function apiece.
    template <typename Accept>
    static bool askWhenTaken(bool taken, const QString& target, const QString& orgPath, const Accept& block);
    bool queue(QList<Item> items);
    void finished(Item item, bool ok);
    // Runs the accepted items in order on the background queue, then reports each one back.
    void runInBackground(QList<Item> jobs);

    Mode m_mode;
    Hooks m_hooks;
    qint64 m_loadingCount = 0;
    QList<Item> m_failed;
    QList<Item> m_failedThisRound;
    QStringList m_notices;
};
