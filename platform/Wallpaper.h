#pragma once

#include "platform/Status.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace platform {

/// The desktop picture: the desktop portal's Wallpaper interface over D-Bus when the session
/// has one, else the desktop's own tool found on PATH (gsettings for GNOME and its kin,
/// xfconf-query for Xfce, plasma-apply-wallpaperimage for Plasma), the one of the running desktop
/// tried first. Tools run from argument vectors; nothing goes through a shell.
class Wallpaper final
{
public:
    Wallpaper() = delete;

    struct Result : Status
    {
        QString backend; ///< what set the picture: "portal", "gsettings", ...
    };

    /// Whether the file can be a desktop picture: an existing regular file that an image reader
    /// recognises by its contents.
    static bool canSetPicture(const QString& path);
    /// Sets the image as the picture of every screen; the first backend that succeeds ends it.
    static Result setDesktopPicture(const QString& path);

    /// Replaces the portal call (tests): answers whether the portal took the picture; an
    /// unset hook means the session bus.
    using PortalCall = std::function<bool(const QString& uri, QString* error)>;
    static void setPortalCall(PortalCall call);

    /// The tool backends in the order they are tried for the current desktop
    /// ($XDG_CURRENT_DESKTOP): the desktop's own tool first.
    static QStringList toolOrder();
};

} // namespace platform
