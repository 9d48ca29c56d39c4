#pragma once

#include <QImage>
#include <QString>

#include <utility>

/// Application icon sets made from one square picture: a macOS ".icns" file, or an asset folder
/// "AppIcon.appiconset" with its "Contents.json" for macOS, iOS, watchOS or Android. Every file
/// is a PNG drawn at its own pixel size. Runs on the caller's thread (the engine's background
/// work); the refusal of a picture that is not square is posted to the main queue.
class QVIconSets final
{
public:
    QVIconSets() = delete;

    /// Set types: -1 macOS ".icns", 0 macOS asset set, 1 iOS, 2 watchOS, 3 and above Android.
    enum Type { Icns = -1, MacOS = 0, IOS = 1, WatchOS = 2, Android = 3 };

    /// Makes the set of the type beside `base` (the source picture's path without its
    /// extension). A picture that is not square only gets the alert "Convert Icns image
    /// invalid"; a file that could not be written plays the error sound. True when every file
    /// was written.
    static bool createIconToPath(const QImage& image, const QString& base, int type);

    /// The macOS files into the set folder, or (icns) straight into "AppIcon.icns" beside the
    /// source under a free name, so an existing icon file is never replaced.
    static bool convertOSXIconToPath(const QImage& image, const QString& base, bool icns);
    static bool convertiOSIconToPath(const QImage& image, const QString& base);
    static bool convertiWatchIconToPath(const QImage& image, const QString& base);
    static bool convertAndroidIconToPath(const QImage& image, const QString& base);

    /// The free folder base + "(OSX)" / "(iOS)" / "(iWatch)" / "(Android)", created, and the
    /// "AppIcon.appiconset" folder created inside it; null texts when a folder cannot be made.
    static std::pair<QString, QString> getFolderPath(const QString& base, int type);
    /// Writes "Contents.json" for the PNG files of the set folder, in the order the folder lists.
    static bool createConfigJsonToPath(const QString& folder, int type);

    /// prefix + "SxS.png" at S pixels.
    static bool create1xIconWithSize(const QImage& image, const QString& size, const QString& folder,
                                     const QString& prefix);
    /// prefix + "SxS@2x.png" at 2S pixels and, unless only, the 1x file.
    static bool create2xIconWithSize(const QImage& image, const QString& size, const QString& folder,
                                     const QString& prefix, bool only);
    /// prefix + "SxS@3x.png" at 3S pixels and, unless only, the 2x file (never the 1x).
    static bool create3xIconWithSize(const QImage& image, const QString& size, const QString& folder,
                                     const QString& prefix, bool only);

    /// An icon container of PNG images: the picture at 16, 32, 128, 256, 512 and 1024 pixels
    /// under the element types this desktop's readers and macOS know them by.
    static QByteArray icnsData(const QImage& image);
};
