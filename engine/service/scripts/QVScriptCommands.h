#pragma once

#include "engine/model/QVMenuItem.h"
#include "engine/service/QVPendingWork.h"

#include <QByteArray>
#include <QList>
#include <QString>

class QVCommandContext;
class QVCommonPathCommands;

/// The user's scripts: a script entry of the main menu or of "Common Script" expanded for the
/// selection (QVScriptPlaceholders) and run, shell scripts ("sh") by "/bin/bash -c" and
/// AppleScripts ("scpt") by the AppleScript stand-in, one run after another on the background
/// queue; and "Execute Script", which runs the selected script files themselves.
///
/// A shell script's output, or the script itself when it failed, is shown in the script result
/// window (QVScriptResult); an AppleScript's error text likewise. Each result plays sound 5 on
/// success and 4 on failure.
class QVScriptCommands final
{
public:
    QVScriptCommands(QVCommandContext& context, QVCommonPathCommands& commonPaths)
        : m_context(context)
        , m_commonPaths(commonPaths)
    {
    }
    Q_DISABLE_COPY_MOVE(QVScriptCommands)

    /// A script chosen inside a top entry's submenu (the top entry "Common Script", or a script
    /// of its own that uses "@rftocommonpath" with the common folders beneath it). The script
    /// that uses "@rftocommonpath" gets its folder from the chosen entry first; false, running
    /// nothing, when no folder was chosen.
    bool executeScriptWithItem(const QVMenuItemPtr& top, const QVMenuItemPtr& child, const QVMenuItemPtr& grandchild,
                               const QVMenuItemPtr& greatGrandchild, const QVPendingWork::Hold& pending);
    /// Expands the item's script for the selection and runs it (once, or once per item), after
    /// access to "/" was granted; commonPath is the folder for "@rftocommonpath". The runs are
    /// pending work until their results are shown.
    void executeScript(const QVMenuItemPtr& item, const QString& commonPath, const QVPendingWork::Hold& pending);
    /// "Execute Script": runs each selected file with the extension "sh" by "/bin/sh" and each
    /// "scpt" by the AppleScript stand-in; the output or the failure is shown in an alert.
    void executeSelectedScripts(const QVPendingWork::Hold& pending);

    /// Whole days since the first start recorded under QVMenuManager::kFirstStartDate, which is
    /// recorded now when missing.
    static qint64 dayCount();

private:
    /// The selected paths as the file system names them.
    QList<QByteArray> selectedPathBytes();
    /// Where the result window's terminal opens: the first selected folder, a selected file's
    /// folder, else the Desktop.
    QString resultFolder();
    void runShell(const QString& title, const QString& script, const QString& folder,
                  const QVPendingWork::Hold& pending);
    void runAppleScript(const QString& title, const QString& script, const QVPendingWork::Hold& pending);

    QVCommandContext& m_context;
    QVCommonPathCommands& m_commonPaths;
};
