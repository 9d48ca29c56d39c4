#pragma once

#include <QByteArray>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QString>

namespace platform {

/// The running deliverable's resources: localisation tables, images and other files,
/// compiled in as Qt resources under ":/tarsel/".
///
/// Localisation tables are Apple ".strings" files ("key" = "text";) under
/// resources/<lang>.lproj/<table>.strings. A key missing from every table answers the
/// fallback value when one is given and not empty, else the key itself.
class Bundle final
{
public:
    Bundle() = delete;

    /// Looks a key up in a table ("Localizable" when empty) of the user's language, then English.
    static QString localizedString(const QString& key, const QString& fallback = QString(),
                                   const QString& table = QString());
    /// A value of the bundle's information table (InfoPlist.strings and built-in keys such as
    /// "CFBundleIdentifier", "CFBundleShortVersionString", "CFBundleDisplayName").
    static QString infoValue(const QString& key);

    /// The Qt resource path of a resource file ("ok.ogg" or name + type), empty when missing.
    static QString resourcePath(const QString& name, const QString& type = QString());
    static QByteArray resourceData(const QString& name, const QString& type = QString());

    /// An image by name from resources/images (any of png, svg, icns, jpg), else the desktop
    /// icon theme through a name map; a null image when neither has it.
    static QImage imageNamed(const QString& name);
    static QIcon iconNamed(const QString& name);
    /// True when imageNamed would answer an image.
    static bool hasImageNamed(const QString& name);
    /// The bundled image of a name drawn at that size (scaled smoothly, as menus show it); a
    /// null image when the name has no bundled image. Drawn images are kept across processes in
    /// the user's cache folder, each with the time stamp and size of its resource, so that a
    /// process showing a menu need not decode a single image file.
    static QImage scaledImageNamed(const QString& name, const QSize& size);

    /// Parses the text of a ".strings" table; exposed for tests and tools.
    static QHash<QString, QString> parseStrings(const QString& text);
};

} // namespace platform
