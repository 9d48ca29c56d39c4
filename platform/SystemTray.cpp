// The tray query needs QtWidgets; it lives apart from System.cpp so that the parts of System the
// fuzz targets build stay on QtCore and QtGui.
#include "platform/System.h"

#include <QGuiApplication>
#include <QSystemTrayIcon>

namespace platform {

QString System::trayUnavailableReason()
{
    // Offscreen there is no tray to ask for (asking would look for one over the session bus).
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        return QStringLiteral("There is no display to show the tray icon on.");
    }
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return QStringLiteral("This desktop session has no tray to show the icon in: it appears once a tray "
                              "host runs (GNOME needs an extension for one).");
    }
    return QString();
}

} // namespace platform
