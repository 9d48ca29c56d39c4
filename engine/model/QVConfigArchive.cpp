#include "engine/model/QVConfigArchive.h"

#include "engine/model/QVAssetFile.h"
#include "engine/archive/SSZipArchive.h"
#include "engine/archive/SSZipArchiveReader.h"
#include "platform/Defaults.h"
#include "platform/Posix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// Takes from an archive only the asset folders and "config.plist": a crafted "configuration"
/// must not place anything else into the shared folder.
class AssetFilter final : public SSZipArchiveDelegate
{
public:
    bool zipArchiveShouldExtractEntry(const QString& name, const SSZipFileInfo&) override
    {
        return QVConfigArchive::maxEntrySize(name) > 0;
    }
};

bool refuse(QString* error, const QString& why)
{
    if (error != nullptr) {
        *error = why;
    }
    return false;
}

QString mebibytes(quint64 bytes)
{
    return QStringLiteral("%1 MiB").arg(double(bytes) / double(1 << 20), 0, 'f', 1);
}

/// The file type the entry's Unix mode gives; 0 when it was not made on a Unix system.
quint32 unixType(const SSZipFileInfo& info)
{
    return (info.versionMadeBy >> 8) == 3 ? (info.externalAttributes >> 16) & S_IFMT : 0;
}

bool checkEntry(const SSZipFileInfo& info, const QString& name, const QVConfigArchive::Limits& limits, QString* error)
{
    const quint32 type = unixType(info);
    if (type == S_IFLNK) {
        return refuse(error, QStringLiteral("the archive holds a symbolic link: \"%1\"").arg(name));
    }
    if (type != 0 && type != S_IFREG && type != S_IFDIR) {
        return refuse(error, QStringLiteral("the archive holds a special file: \"%1\"").arg(name));
    }
    const quint64 bound = QVConfigArchive::maxEntrySize(name);
    if (bound > 0 && info.uncompressedSize > bound) {
        return refuse(error, QStringLiteral("\"%1\" is larger than %2").arg(name, mebibytes(bound)));
    }
    if (info.uncompressedSize > limits.ratioFloor
        && info.uncompressedSize / qMax<quint64>(info.compressedSize, 1) > limits.maxRatio) {
        return refuse(error, QStringLiteral("\"%1\" is compressed more than %2 to 1").arg(name).arg(limits.maxRatio));
    }
    return true;
}

/// Opens the extracted config.plist below its folder without following a link or waiting on a
/// FIFO, and reads it if it is a regular file within the defaults' own bound.
bool readPlistBytes(const QString& plist, QByteArray* bytes, QString* error)
{
    const int fd
        = ::open(QFile::encodeName(plist).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return refuse(error,
                      errno == ENOENT ? QStringLiteral("the archive holds no \"config.plist\"")
                                      : QStringLiteral("\"config.plist\" cannot be read: %1")
                                            .arg(QString::fromLocal8Bit(std::strerror(errno))));
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > platform::Defaults::kMaxFileSize) {
        ::close(fd);
        return refuse(error,
                      QStringLiteral("\"config.plist\" is not a regular file of at most %1")
                          .arg(mebibytes(platform::Defaults::kMaxFileSize)));
    }
    bytes->clear();
    const int code = platform::posix::readAll(fd, bytes, platform::Defaults::kMaxFileSize);
    ::close(fd);
    return code == 0 || refuse(error, QStringLiteral("\"config.plist\" cannot be read"));
}

enum class ValueKind { List, Switch, Number, Text, Dictionary, Any };

ValueKind kindOf(const QString& key)
{
    if (key.startsWith(QLatin1String("array "))) {
        return ValueKind::List;
    }
    if (key.startsWith(QLatin1String("pref check")) || key == QLatin1String("open new file")
        || key == QLatin1String("compress skip junk") || key == QLatin1String("new file hide extension")
        || key == QLatin1String("is reviewed")) {
        return ValueKind::Switch;
    }
    if (key == QLatin1String("common path next menu") || key == QLatin1String("new file display mode")
        || key == QLatin1String("use count")) {
        return ValueKind::Number;
    }
    if (key == QLatin1String("fold menu name") || key.startsWith(QLatin1String("color picker format"))) {
        return ValueKind::Text;
    }
    if (key == QLatin1String("use count detail")) {
        return ValueKind::Dictionary;
    }
    return ValueKind::Any;
}

bool isNumber(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

/// Plain values and containers of them, at most `depth` levels deep, strings and lists bounded.
bool isPlain(const QVariant& v, int depth)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::QDateTime:
        return true;
    case QMetaType::QString:
        return v.toString().size() <= QVConfigArchive::kMaxStringSize;
    case QMetaType::QByteArray:
        return v.toByteArray().size() <= QVConfigArchive::kMaxStringSize;
    case QMetaType::QVariantList: {
        const QVariantList list = v.toList();
        return depth > 0 && list.size() <= QVConfigArchive::kMaxListEntries
            && std::all_of(list.cbegin(), list.cend(),
                           [depth](const QVariant& item) { return isPlain(item, depth - 1); });
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = v.toMap();
        return depth > 0 && map.size() <= QVConfigArchive::kMaxListEntries
            && std::all_of(map.cbegin(), map.cend(),
                           [depth](const QVariant& item) { return isPlain(item, depth - 1); });
    }
    default:
        return isNumber(v);
    }
}

/// A template or icon path of an entry: empty, inside its sub-folder of this shared folder, or
/// inside the same sub-folder of the group container elsewhere (then moved onto this one).
bool acceptPath(const QString& path, QVAssetFile::Kind kind, const QString& sharedFolder, QString* accepted)
{
    if (path.isEmpty() || !QVAssetFile::relativePath(path, sharedFolder, kind).isNull()) {
        *accepted = path;
        return true;
    }
    const QString cleaned = QDir::cleanPath(path);
    const QStringList parts = cleaned.split(QLatin1Char('/'));
    if (!cleaned.startsWith(QLatin1Char('/')) || parts.size() < 4
        || parts.at(parts.size() - 3) != QFileInfo(QDir::cleanPath(sharedFolder)).fileName()) {
        return false;
    }
    const QString moved = QDir::cleanPath(sharedFolder) + QLatin1Char('/') + parts.at(parts.size() - 2)
        + QLatin1Char('/') + parts.last();
    if (QVAssetFile::relativePath(moved, sharedFolder, kind).isNull()) {
        return false;
    }
    *accepted = moved;
    return true;
}

bool acceptEntry(const QVariant& value, const QString& sharedFolder, QVariant* accepted, QString* why)
{
    // An entry holds plain values and, for its cut paths, one list of them. Anything else in a
    // list the store reader skips; it is taken as it is, within the same bounds.
    if (!isPlain(value, 2)) {
        return refuse(why, QStringLiteral("an entry holds values too large or nested too deep"));
    }
    *accepted = value;
    if (value.typeId() != QMetaType::QVariantMap) {
        return true;
    }
    QVariantMap entry = value.toMap();
    const std::pair<const char*, QVAssetFile::Kind> paths[]
        = { { "templatePath", QVAssetFile::Kind::Template }, { "iconPath", QVAssetFile::Kind::Icon } };
    for (const auto& [field, kind] : paths) {
        const QString key = QString::fromLatin1(field);
        if (!entry.contains(key)) {
            continue;
        }
        const QVariant stored = entry.value(key);
        QString path;
        if (stored.typeId() != QMetaType::QString || !acceptPath(stored.toString(), kind, sharedFolder, &path)) {
            return refuse(why,
                          QStringLiteral("the entry \"%1\" names a file outside the shared %2 folder: \"%3\"")
                              .arg(entry.value(QStringLiteral("key")).toString(),
                                   key == QLatin1String("templatePath") ? QStringLiteral("QVFileTemplate")
                                                                        : QStringLiteral("icon"),
                                   stored.toString()));
        }
        entry.insert(key, path);
    }
    *accepted = entry;
    return true;
}

} // namespace

const QStringList& QVConfigArchive::assetFolders()
{
    static const QStringList folders { "QVRightMenuIcon", "QVAppIcon", "QVFileTemplate", "QVFolderIcon", "QVCache" };
    return folders;
}

quint64 QVConfigArchive::maxEntrySize(const QString& name)
{
    if (name == kConfigPlistName) {
        return quint64(platform::Defaults::kMaxFileSize);
    }
    const QString folder = name.section(QLatin1Char('/'), 0, 0);
    if (folder == name || !assetFolders().contains(folder)) {
        return 0;
    }
    // The templates folder and the dialogs' staging folder hold templates; the others icons.
    return folder == QLatin1String("QVFileTemplate") || folder == QLatin1String("QVCache")
        ? quint64(QVAssetFile::kMaxTemplateSize)
        : quint64(QVAssetFile::kMaxIconSize);
}

bool QVConfigArchive::checkRecords(const QString& archive, const Limits& limits, QString* error)
{
    const SSZipArchiveReader reader(archive);
    if (!reader.isOpen()) {
        return refuse(error, QStringLiteral("not a zip archive"));
    }
    const qint64 count = reader.count();
    if (count > limits.maxEntries) {
        return refuse(error, QStringLiteral("the archive holds more than %1 entries").arg(limits.maxEntries));
    }
    quint64 total = 0;
    quint64 compressed = 0;
    for (qint64 index = 0; index < count; ++index) {
        SSZipFileInfo info;
        QByteArray raw;
        if (!reader.info(index, &info, &raw)) {
            return refuse(error, QStringLiteral("an entry's record cannot be read"));
        }
        const QString decoded = SSZipArchive::_filenameStringWithCString(raw, info.versionMadeBy, info.flag);
        const QString name = SSZipArchive::_sanitizedPath(decoded);
        if (name.isNull()) {
            return refuse(error, QStringLiteral("an entry leads outside the archive's folder: \"%1\"").arg(decoded));
        }
        if (!checkEntry(info, name, limits, error)) {
            return false;
        }
        // Only what a restore takes is written; the rest is never extracted.
        if (maxEntrySize(name) > 0) {
            total += info.uncompressedSize;
            compressed += info.compressedSize;
        }
        if (total > limits.maxTotalSize) {
            return refuse(error,
                          QStringLiteral("the archive unpacks to more than %1").arg(mebibytes(limits.maxTotalSize)));
        }
    }
    if (total > limits.ratioFloor && total / qMax<quint64>(compressed, 1) > limits.maxRatio) {
        return refuse(error, QStringLiteral("the archive is compressed more than %1 to 1").arg(limits.maxRatio));
    }
    return true;
}

bool QVConfigArchive::unpack(const QString& archive, const QString& scratch, const QString& password,
                             const Limits& limits, QString* error)
{
    if (!checkRecords(archive, limits, error)) {
        return false;
    }
    AssetFilter filter;
    SSZipError failure;
    if (!SSZipArchive::unzipFileAtPath(archive, scratch, true, true, 0, password, &failure, &filter, {}, {})) {
        return refuse(error,
                      failure.localizedDescription.isEmpty() ? QStringLiteral("the archive cannot be read")
                                                             : failure.localizedDescription);
    }
    return true;
}

bool QVConfigArchive::validateValue(const QString& key, const QVariant& value, const QString& sharedFolder,
                                    QVariant* accepted, QString* why)
{
    const auto wrong = [&](const char* wanted) {
        return refuse(why, QStringLiteral("\"%1\" is not %2").arg(key, QLatin1String(wanted)));
    };
    *accepted = value;
    switch (kindOf(key)) {
    case ValueKind::List: {
        if (value.typeId() != QMetaType::QVariantList) {
            return wrong("a list");
        }
        QVariantList list = value.toList();
        if (list.size() > kMaxListEntries) {
            return refuse(why, QStringLiteral("\"%1\" holds more than %2 entries").arg(key).arg(kMaxListEntries));
        }
        for (QVariant& entry : list) {
            QString reason;
            if (!acceptEntry(entry, sharedFolder, &entry, &reason)) {
                return refuse(why, QStringLiteral("\"%1\": %2").arg(key, reason));
            }
        }
        *accepted = list;
        return true;
    }
    case ValueKind::Switch:
        return value.typeId() == QMetaType::Bool || isNumber(value) || wrong("a switch");
    case ValueKind::Number:
        return isNumber(value) || wrong("a number");
    case ValueKind::Text:
        return (value.typeId() == QMetaType::QString && isPlain(value, 0)) || wrong("a text");
    case ValueKind::Dictionary:
        return (value.typeId() == QMetaType::QVariantMap && isPlain(value, kMaxValueNesting)) || wrong("a dictionary");
    case ValueKind::Any:
        return isPlain(value, kMaxValueNesting) || wrong("a plain value");
    }
    return false;
}

bool QVConfigArchive::readConfiguration(const QString& plist, const QStringList& keys, const QString& sharedFolder,
                                        QVariantMap* values, QString* error)
{
    values->clear();
    QByteArray bytes;
    if (!readPlistBytes(plist, &bytes, error)) {
        return false;
    }
    QVariantMap stored;
    QString why;
    if (!platform::Defaults::parse(bytes, &stored, &why)) {
        return refuse(error, QStringLiteral("\"config.plist\" cannot be read: %1").arg(why));
    }
    QVariantMap accepted;
    for (const QString& key : keys) {
        if (!stored.contains(key)) {
            continue;
        }
        QVariant value;
        if (!validateValue(key, stored.value(key), sharedFolder, &value, &why)) {
            return refuse(error, why);
        }
        accepted.insert(key, value);
    }
    *values = accepted;
    return true;
}
