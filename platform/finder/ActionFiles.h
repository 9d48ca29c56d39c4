#pragma once

#include "platform/Status.h"

#include <QList>
#include <QString>

namespace platform {

/// Action files a file manager reads from a folder of its own (Nemo's actions, Dolphin's service
/// menus, Nautilus's scripts, the file-manager actions of PCManFM-Qt): one file per action, each
/// of them ours by the marker line it carries. A file of one of our names without the marker is
/// the user's: it is never replaced or removed.
class ActionFiles final
{
public:
    ActionFiles() = delete;

    struct File
    {
        QString name; ///< the file name in the folder
        QString content; ///< the whole text, marker line included
        bool executable = false;
    };

    /// The comment line that marks a file as Tarsel's: "# tarsel-action-id: <id>".
    static QString markerLine(const QString& id);

    /// Writes the files (each through a temporary file and a rename) unless they already hold
    /// exactly this content; a file of the same name that is not ours is left alone and reported.
    static FileChange write(const QString& folder, const QList<File>& files);

    /// Removes those of the named files that are ours.
    static FileChange remove(const QString& folder, const QStringList& names);

    /// How many of the named files are in place and ours.
    static int oursInPlace(const QString& folder, const QStringList& names);
};

} // namespace platform
