#pragma once

#include <QString>

namespace platform {

/// The freedesktop.org Trash: an item is renamed into "files/" of a trash folder, beside an
/// "info/NAME.trashinfo" record of where it came from and when it was deleted.
///
/// Items on the file system of $XDG_DATA_HOME go to the home trash $XDG_DATA_HOME/Trash (the
/// record holds the absolute path). Items on another file system go to the trash of that file
/// system's top folder: "$top/.Trash/$uid" when "$top/.Trash" is a real folder (not a link) with
/// the sticky bit, else "$top/.Trash-$uid" (the record holds the path relative to $top). Either
/// must be a real folder owned by this user with permissions 700; a missing one is made so, and
/// one that another account made, that others may enter or that is a link is never used. When
/// none can be used the item stays where it is and the call fails with a message naming the
/// folders and why; nothing is ever copied across file systems or deleted.
///
/// The name in "files/" is the item's own, made unique with a number and cut (at a character
/// boundary, keeping a short extension) where "NAME.trashinfo" would exceed one file name's
/// length; the record always holds the full original path.
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
