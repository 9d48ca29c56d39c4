#pragma once

#include <QString>
#include <QStringList>

namespace platform {

/// Facts about the running system and the running deliverable.
class System final
{
public:
    System() = delete;

    static inline const QString kAppBundleId = QStringLiteral("com.valden.tarsel");
    static inline const QString kExtensionBundleId = QStringLiteral("com.valden.tarsel.FinderExtension");
    static inline const QString kGroupId = QStringLiteral("group.com.valden.tarsel");

    /// The bundle identifier of the running deliverable: the application's by default; the
    /// plug-in's entry point sets the extension's in the plug-in's own copy of this layer.
    static QString bundleIdentifier();
    static void setBundleIdentifier(const QString& bundleId);

    /// The system version the commands compare against: $TARSEL_SYSTEM_VERSION, default "15.0".
    static QString systemVersion();
    static int majorVersion();
    static int minorVersion();

    /// The user's preferred languages as BCP-47 tags with script ("zh-Hans-CN", "en-Latn-US").
    static QStringList preferredLanguages();

    /// True when the application palette is dark (window text lighter than the window).
    static bool isDarkPalette();

    /// Why this desktop session cannot show a tray icon now (no display, no tray host), in
    /// words for the user; empty when it can.
    static QString trayUnavailableReason();
};

} // namespace platform
