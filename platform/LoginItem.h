#pragma once

#include "platform/Status.h"

#include <QString>
#include <QStringList>

namespace platform {

/// Starting Tarsel when the user logs in: the XDG autostart entry
/// $XDG_CONFIG_HOME/autostart/tarsel.desktop, which the session manager runs at login.
/// The entry is ours when its Exec line starts a program of our file name; an entry of the
/// same name that starts something else belongs to someone else and is never replaced or removed.
class LoginItem final
{
public:
    LoginItem() = delete;

    /// The autostart entry's path.
    static QString file();

    /// True when our entry is in place and the session will run it: not Hidden=true and not
    /// X-GNOME-Autostart-enabled=false. `program` defaults to the running application.
    static bool isEnabled(const QString& program = QString());

    /// Writes (atomically) or removes our entry. Switching on starts `program` (absolute path,
    /// defaults to the running application) with `arguments`. Switching off an entry that is
    /// not ours leaves it alone and succeeds, since ours is off either way.
    static Status setEnabled(bool on, const QString& program = QString(), const QStringList& arguments = QStringList());

    /// The Exec value (before the key file's own escaping) that starts `program` with
    /// `arguments`: every argument in double quotes, '"', '`', '$' and '\' escaped, '%' doubled.
    static QString execLine(const QString& program, const QStringList& arguments);
};

} // namespace platform
