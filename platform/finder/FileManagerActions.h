#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

/// Tarsel's entries in the user's file managers: the custom actions through which each file
/// manager calls the host program `tarsel-finder` with the selection. Each file manager keeps
/// them in its own files under the user's home:
///   Thunar               $XDG_CONFIG_HOME/Thunar/uca.xml (merged, see UcaActions)
///   Nemo                 $XDG_DATA_HOME/nemo/actions/
///   Caja                 $XDG_CONFIG_HOME/caja/scripts/ (its Scripts menu)
///   Dolphin, Konqueror   $XDG_DATA_HOME/kio/servicemenus/ (executable)
///   Nautilus             $XDG_DATA_HOME/nautilus/scripts/ (its Scripts menu)
///   PCManFM-Qt           $XDG_DATA_HOME/file-manager/actions/
/// A file manager counts as installed when one of its programs is on PATH. The written actions
/// start the host by its absolute path, so the file manager's PATH does not matter.
class FileManagerActions final
{
public:
    FileManagerActions() = delete;

    /// What turning on or off did in one file manager.
    struct Outcome
    {
        QString name; ///< "Thunar", "Nemo", ...
        bool installed = false;
        bool ok = false; ///< the file manager's actions are now as asked
        bool changed = false; ///< a file was written or removed
        bool restartNeeded = false; ///< the running file manager shows the change only after a restart
        QString message; ///< what went wrong or was left alone (the files are then untouched)
    };

    /// The host program: `tarsel-finder` beside the running program, else the first on PATH;
    /// empty when there is none.
    static QString hostProgram();

    /// The names of the supported file managers installed here.
    static QStringList installed();

    /// True when at least one installed file manager holds Tarsel's actions.
    static bool anyHasActions();

    /// Writes Tarsel's actions, calling `host` (an absolute path), for every installed file
    /// manager. A host path a file manager's command line cannot carry is refused.
    static QList<Outcome> enable(const QString& host);

    /// Removes Tarsel's actions from every supported file manager, installed or not.
    static QList<Outcome> disable();

    /// Lines for a person: what was done, what needs a restart, what was left alone and why.
    static QStringList describe(const QList<Outcome>& outcomes, bool enabling);
};

} // namespace platform
