#pragma once

#include "engine/model/QVMenuItem.h"
#include "engine/service/QVPendingWork.h"

#include <QStringList>

#include <optional>
#include <span>

struct QVCommandFamilies;

/// One chosen menu entry as the action table sees it: the top record of the main list and, for
/// a pick inside its submenu, the chosen child and up to two levels below it; the selection read
/// once when the click was decoded; and the pending work the command runs under.
struct QVActionRequest
{
    QVMenuItemPtr top;
    QVMenuItemPtr child; ///< null for a pick of the top entry itself
    QVMenuItemPtr grandchild; ///< the entry chosen beneath the child, or null
    QVMenuItemPtr greatGrandchild; ///< the entry chosen beneath the grandchild, or null
    qsizetype childIndex = -1; ///< the child's index among top's children
    /// The items the command works on, read once when the click was decoded and checked there
    /// (no name that is not valid UTF-8 unless the command repairs such names).
    QStringList paths;
    /// The command was handed over by the app command URL; the application runs it by its key.
    bool handedOver = false;
    /// Held from before a row that leaves work behind runs until its last continuation is gone
    /// (null for the other rows): the host does not exit while the command still works.
    QVPendingWork::Hold pending;

    /// What the child commands act on: the grandchild when one was chosen, else the child.
    const QVMenuItemPtr& chosen() const { return grandchild ? grandchild : child; }
};

/// One row of the action table: which top records it is for, the call that runs its command,
/// and how the dispatch treats it.
struct QVActionRow
{
    enum Flag : unsigned {
        FolderAccess = 1, ///< folder access for the selection is obtained before it runs
        HandedToApp = 2, ///< handed to the application by the app command URL (no run function)
        CountsUse = 4, ///< a run counts one use of the top entry
        /// The command moves, renames or removes the selected items: it never runs on a
        /// protected folder (qv::isProtectedFolder), refused before anything is asked.
        MovesSelection = 8,
        /// The command moves the items a cut remembered (its destination is no concern): it
        /// never runs when one of them is a protected folder.
        MovesCutItems = 16,
        /// The command leaves work behind (a background job, a dialog, a step a moment later):
        /// the request carries pending work that its continuations hold until they are done.
        LeavesWork = 32,
    };
    using Test = bool (*)(const QVActionRequest& request);
    /// Runs the command; false when it ran nothing (nothing is counted then).
    using Run = bool (*)(QVCommandFamilies& commands, const QVActionRequest& request);

    const char* key; ///< the top record's key this row is for; null for any key
    Test test; ///< a further test on the request; null for none
    Run run; ///< the row's call into its family; null for a hand-off to the application
    unsigned flags;

    bool matches(const QVActionRequest& request) const;
    bool has(Flag flag) const { return (flags & flag) != 0; }
};

/// The ordered table that picks the command for a chosen entry: one table for picks inside a
/// top entry's submenu, one for picks of the entry itself. The first row that matches decides,
/// and the row itself holds the call that carries the command out.
class QVActionTable final
{
public:
    QVActionTable() = delete;

    static std::span<const QVActionRow> childRows();
    static std::span<const QVActionRow> leafRows();

    /// The request for the top record and the child indexes ("01".."99", 1-based) that follow it
    /// in a tag, on these paths; none when an index fits no entry.
    static std::optional<QVActionRequest> request(const QVMenuItemPtr& top, QStringList indexes,
                                                  const QStringList& paths = {});
    /// The first row of the request's table that matches; null for none (nothing runs).
    static const QVActionRow* rowFor(const QVActionRequest& request);
    /// The row that runs a command handed over by the app command URL: the first leaf row named
    /// for the request's key that runs in this process. A hand-off row, or one that matches any
    /// key (the settings page), never does: the command would go round in a circle or open
    /// something the sender never asked for. Null for none.
    static const QVActionRow* handedOverRowFor(const QVActionRequest& request);
    /// Runs the row's command for the request; true when it ran and counts a use. A row that
    /// moves, renames or removes items is refused first when one of them is a protected folder,
    /// and a row that leaves work behind runs under pending work: every road to a command (menu,
    /// hand-over) passes here, so no command can forget either.
    static bool run(const QVActionRow& row, QVCommandFamilies& commands, QVActionRequest request);

    /// The items the row's command would move, rename or remove (none for other rows).
    static QStringList movedItems(const QVActionRow& row, const QVActionRequest& request);

    /// For a command that cannot run in this process: tells the user so ("Not Available Tip")
    /// and logs it; runs and counts nothing.
    static bool notAvailable(const QVActionRequest& request);
};
