#pragma once

#include <QList>
#include <QUrl>

/// The application's sharing commands (app command methods 7, 8 and 9), which the extension and
/// the application's own menus always hand to the application. This desktop has no AirDrop and
/// no WeChat sharing service: those say so in an alert. "As Desktop Picture" sets the first
/// selected image as the wallpaper and says so when the desktop offers no way to.
class QVSharingService final
{
public:
    QVSharingService() = delete;

    /// Whether the method is one of the sharing commands.
    static bool handles(qint64 method);
    /// Runs the sharing command on the items. Items the service cannot take (a desktop picture
    /// that is no image) end it silently, with a log line.
    static void perform(qint64 method, const QList<QUrl>& items);
};
