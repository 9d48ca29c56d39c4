#include "engine/service/images/QVIconSets.h"

#include "engine/service/QVHelper.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ImageIcon.h"
#include "foundation/ObjectGCD.h"
#include "foundation/StringExpand.h"
#include "platform/FileOps.h"
#include "platform/ImageIO.h"
#include "platform/ImageResample.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>

#include <cstring>

namespace {

using platform::ImageIO;

QString fileName(const QString& prefix, const QString& size, const QString& scale)
{
    return prefix + size + QLatin1Char('x') + size + scale + QStringLiteral(".png");
}

bool writeIcon(const QImage& image, int pixels, const QString& path)
{
    return qv::saveImageType(qv::imageWithSize(image, QSize(pixels, pixels)), ImageIO::Format::Png, path);
}

bool writeScaled(const QImage& image, const QString& size, double scale, const QString& folder, const QString& prefix,
                 const QString& suffix)
{
    const int pixels = qRound(size.toDouble() * scale);
    return writeIcon(image, pixels, folder + QLatin1Char('/') + fileName(prefix, size, suffix));
}

QString watchSubtype(const QString& name)
{
    static const std::pair<const char*, const char*> subtypes[] = {
        { "notificationCenter_24", "38mm" }, { "notificationCenter_27", "42mm" }, { "appLauncher_40", "38mm" },
        { "longLook_44", "42mm" },           { "shortLook_86", "38mm" },          { "shortLook_98", "42mm" },
    };
    for (const auto& [start, subtype] : subtypes) {
        if (name.startsWith(QLatin1String(start))) {
            return QLatin1String(subtype);
        }
    }
    return {};
}

QString androidResolution(const QString& name)
{
    if (name.contains(QLatin1String("36@1.3x"))) {
        return QStringLiteral("mdpi 48pt");
    }
    if (name.contains(QLatin1String("36@2x"))) {
        return QStringLiteral("hdpi 72pt");
    }
    if (name.contains(QLatin1String("36@2.7x"))) {
        return QStringLiteral("xhdpi 96pt");
    }
    return QStringLiteral("ldpi 36pt");
}

// The image object of one file, or an empty object for a name the set does not describe.
QJsonObject imageEntry(const QString& name, int type)
{
    const QString stem = name.left(name.lastIndexOf(QLatin1Char('.')));
    const QStringList parts = stem.split(QLatin1Char('_'));
    if (parts.size() != 2) {
        return {};
    }
    const QStringList sizeScale = parts[1].split(QLatin1Char('@'));
    QJsonObject entry { { QStringLiteral("size"), sizeScale[0] }, { QStringLiteral("filename"), name } };
    const QString scale = sizeScale.size() > 1 ? sizeScale[1] : QStringLiteral("1x");
    if (type <= QVIconSets::MacOS) {
        entry[QStringLiteral("scale")] = scale;
        entry[QStringLiteral("idiom")] = QStringLiteral("mac");
    } else if (type == QVIconSets::IOS) {
        entry[QStringLiteral("scale")] = scale;
        entry[QStringLiteral("idiom")] = name.toLower().contains(QLatin1String("ipad")) ? QStringLiteral("ipad")
            : name.contains(QLatin1String("store")) ? QStringLiteral("ios-marketing")
                                                    : QStringLiteral("iphone");
    } else if (type == QVIconSets::WatchOS) {
        entry[QStringLiteral("scale")] = scale;
        entry[QStringLiteral("idiom")] = QStringLiteral("watch");
        const QString prefix = parts[0];
        entry[QStringLiteral("role")] = prefix.startsWith(QLatin1String("companion"))
            ? QStringLiteral("companionSettings")
            : prefix.startsWith(QLatin1String("shortLook")) ? QStringLiteral("quickLook")
                                                            : prefix;
        if (const QString subtype = watchSubtype(name); !subtype.isEmpty()) {
            entry[QStringLiteral("subtype")] = subtype;
        }
    } else {
        entry[QStringLiteral("idiom")] = QStringLiteral("android");
        entry[QStringLiteral("resolution")] = androidResolution(name);
    }
    return entry;
}

void appendElement(QByteArray& container, const char* type, const QByteArray& data)
{
    QByteArray header(8, '\0');
    std::memcpy(header.data(), type, 4);
    qToBigEndian<quint32>(quint32(data.size() + 8), header.data() + 4);
    container += header + data;
}

} // namespace

bool QVIconSets::createIconToPath(const QImage& image, const QString& base, int type)
{
    if (image.isNull()) {
        return false;
    }
    if (image.width() != image.height()) {
        const QString text = qv::stringWithFormat(qv::localized(QStringLiteral("Convert Icns image invalid")),
                                                  qint64(image.width()), qint64(image.height()));
        qv::enterForeground([text] { qv::alertWithMsg(text); });
        return false;
    }
    // No icon is larger than 1024 pixels: a photo is reduced once (with the resize filter), not
    // once for each of the dozen sizes, which took seconds for every set made from a photo.
    constexpr int kLargestIcon = 1024;
    const QImage source = image.width() > kLargestIcon
        ? platform::ImageResample::scaled(image, QSize(kLargestIcon, kLargestIcon))
        : image;
    bool ok = false;
    switch (type) {
    case Icns:
    case MacOS:
        ok = convertOSXIconToPath(source, base, type == Icns);
        break;
    case IOS:
        ok = convertiOSIconToPath(source, base);
        break;
    case WatchOS:
        ok = convertiWatchIconToPath(source, base);
        break;
    default:
        ok = convertAndroidIconToPath(source, base);
        break;
    }
    if (!ok) {
        QVHelper::playSoundType(QVHelper::SoundError);
    }
    return ok;
}

bool QVIconSets::convertOSXIconToPath(const QImage& image, const QString& base, bool icns)
{
    if (icns) {
        const QByteArray data = icnsData(image);
        return !data.isEmpty()
            && !platform::FileOps::writeFreeVariant(
                    QFileInfo(base).absolutePath() + QStringLiteral("/AppIcon.icns"),
                    [&data](const QString& scratch, QString*) { return ImageIO::writeData(data, scratch).ok; })
                    .isNull();
    }
    const auto [outer, folder] = getFolderPath(base, MacOS);
    if (folder.isNull() || !qv::createDir(folder)) {
        return false;
    }
    const QString prefix = QStringLiteral("icon_");
    bool ok = true;
    for (const char* size : { "512", "256", "128", "16" }) {
        ok = create2xIconWithSize(image, QLatin1String(size), folder, prefix, false) && ok;
    }
    return createConfigJsonToPath(folder, MacOS) && ok;
}

bool QVIconSets::convertiOSIconToPath(const QImage& image, const QString& base)
{
    const QString folder = getFolderPath(base, IOS).second;
    if (folder.isNull()) {
        return false;
    }
    bool ok = true;
    const auto two = [&](const char* prefix, const char* size, bool only) {
        ok = create2xIconWithSize(image, QLatin1String(size), folder, QLatin1String(prefix), only) && ok;
    };
    const auto three = [&](const char* prefix, const char* size) {
        ok = create3xIconWithSize(image, QLatin1String(size), folder, QLatin1String(prefix), false) && ok;
    };
    two("iPadApp_", "76", false);
    two("iPadNotifications_", "20", false);
    two("iPadSpootlight5_", "29", false);
    two("iPadSpootlight7_", "40", false);
    two("iPadProApp_", "83.5", true);
    three("iPhoneApp_", "60");
    three("iPhoneNotification_", "20");
    three("iPhoneSpootlight5_", "29");
    three("iPhoneSpootlight7_", "40");
    ok = create1xIconWithSize(image, QStringLiteral("1024"), folder, QStringLiteral("store_")) && ok;
    return createConfigJsonToPath(folder, IOS) && ok;
}

bool QVIconSets::convertiWatchIconToPath(const QImage& image, const QString& base)
{
    const QString folder = getFolderPath(base, WatchOS).second;
    if (folder.isNull()) {
        return false;
    }
    bool ok = true;
    const auto two = [&](const char* prefix, const char* size) {
        ok = create2xIconWithSize(image, QLatin1String(size), folder, QLatin1String(prefix), true) && ok;
    };
    two("appLauncher_", "40");
    two("companion_", "29");
    ok = create3xIconWithSize(image, QStringLiteral("29"), folder, QStringLiteral("companion_"), true) && ok;
    two("longLook_", "44");
    two("notificationCenter_", "24");
    two("notificationCenter_", "27.5");
    two("shortLook_", "86");
    two("shortLook_", "98");
    return createConfigJsonToPath(folder, WatchOS) && ok;
}

bool QVIconSets::convertAndroidIconToPath(const QImage& image, const QString& base)
{
    const QString folder = getFolderPath(base, Android).second;
    if (folder.isNull()) {
        return false;
    }
    const QString prefix = QStringLiteral("AndroidIcon_");
    bool ok = create2xIconWithSize(image, QStringLiteral("36"), folder, prefix, false);
    // The two in-between densities have pixel sizes of their own, not 36 times the scale.
    ok = writeIcon(image, 48,
                   folder + QLatin1Char('/') + fileName(prefix, QStringLiteral("36"), QStringLiteral("@1.3x")))
        && ok;
    ok = writeIcon(image, 96,
                   folder + QLatin1Char('/') + fileName(prefix, QStringLiteral("36"), QStringLiteral("@2.7x")))
        && ok;
    return createConfigJsonToPath(folder, Android) && ok;
}

std::pair<QString, QString> QVIconSets::getFolderPath(const QString& base, int type)
{
    const char* suffix = type <= MacOS ? "(OSX)" : type == IOS ? "(iOS)" : type == WatchOS ? "(iWatch)" : "(Android)";
    // The outer folder is claimed by its own mkdir: a set that another conversion made meanwhile
    // under the same name is never emptied or written into.
    const QString outer = platform::FileOps::makeFreeFolder(base + QLatin1String(suffix));
    const QString inner = outer + QStringLiteral("/AppIcon.appiconset");
    if (outer.isNull() || !qv::createDir(inner)) {
        return {};
    }
    return { outer, inner };
}

bool QVIconSets::createConfigJsonToPath(const QString& folder, int type)
{
    QJsonArray images;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString& name : names) {
        if (name.startsWith(QLatin1Char('.'))) {
            continue;
        }
        if (const QJsonObject entry = imageEntry(name, type); !entry.isEmpty()) {
            images.append(entry);
        }
    }
    const QJsonObject info { { QStringLiteral("version"), 1 }, { QStringLiteral("author"), QStringLiteral("xcode") } };
    const QJsonObject root { { QStringLiteral("images"), images }, { QStringLiteral("info"), info } };
    return ImageIO::writeData(QJsonDocument(root).toJson(QJsonDocument::Indented),
                              folder + QStringLiteral("/Contents.json"))
        .ok;
}

bool QVIconSets::create1xIconWithSize(const QImage& image, const QString& size, const QString& folder,
                                      const QString& prefix)
{
    return writeScaled(image, size, 1, folder, prefix, QString());
}

bool QVIconSets::create2xIconWithSize(const QImage& image, const QString& size, const QString& folder,
                                      const QString& prefix, bool only)
{
    const bool ok = writeScaled(image, size, 2, folder, prefix, QStringLiteral("@2x"));
    return (only || create1xIconWithSize(image, size, folder, prefix)) && ok;
}

bool QVIconSets::create3xIconWithSize(const QImage& image, const QString& size, const QString& folder,
                                      const QString& prefix, bool only)
{
    const bool ok = writeScaled(image, size, 3, folder, prefix, QStringLiteral("@3x"));
    return (only || writeScaled(image, size, 2, folder, prefix, QStringLiteral("@2x"))) && ok;
}

QByteArray QVIconSets::icnsData(const QImage& image)
{
    // The element types of the iconset files: 16 and its @2x, 128, 256 and 512 and their @2x.
    static const std::pair<const char*, int> elements[] = {
        { "icp4", 16 },  { "ic11", 32 },  { "ic07", 128 }, { "ic13", 256 },
        { "ic08", 256 }, { "ic14", 512 }, { "ic09", 512 }, { "ic10", 1024 },
    };
    QByteArray body;
    for (const auto& [type, pixels] : elements) {
        const QByteArray png
            = ImageIO::encode(qv::imageWithSize(image, QSize(pixels, pixels)), ImageIO::Format::Png, 100);
        if (png.isEmpty()) {
            return {};
        }
        appendElement(body, type, png);
    }
    QByteArray container;
    appendElement(container, "icns", body);
    return container;
}
