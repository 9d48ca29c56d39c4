#pragma once

#include <QString>

namespace platform {

/// The freedesktop.org Trash: an item is renamed into "files/" of a trash folder, beside an
/// "info/NAME.trashinfo" record of where it came from and when it was deleted.
///
/// Items on the file system of $XDG_DATA_HOME go to the home trash $XDG_DATA_HOME/Trash (the
/// record holds the absolute path). Items on another file system go to the trash of that file
/// system's top folder: "$top/.Trash/$uid" when "$top/.Trash" is a real folder with the sticky
/// bit, else "$top/.Trash-$uid" (the record holds the path relative to $top). When neither can
/// be used the item stays where it is and the call fails with a message; nothing is ever
/// copied across file systems or deleted.
class Trash final
{
public:
    Trash() = delete;

    /// Moves the item to its trash; `trashedPath`, when given, receives its new path.
    static bool trashItem(const QString& path, QString* trashedPath = nullptr, QString* error = nullptr);
    /// The home trash folder ($XDG_DATA_HOME/Trash).
    static QString homeTrash();
};

} // namespace platform
