// Custom icons of files and folders: the image kept as a PNG file of our own, named in the
// folder's `.directory` (which KDE's file managers read) and in the GIO metadata (which GNOME's
// read).

#include "platform/Workspace.h"

#include "platform/LineFile.h"
#include "platform/Paths.h"
#include "platform/Posix.h"
#include "platform/System.h"
#include "platform/Task.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QImage>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QUrl>

Q_DECLARE_LOGGING_CATEGORY(lcWorkspace)

namespace platform {

namespace {

const QString kDirectoryFile = QStringLiteral(".directory");
const QString kEntryGroup = QStringLiteral("[Desktop Entry]");
const QString kIconKey = QStringLiteral("Icon");
const QString kGio = QStringLiteral("gio");
const QString kGioAttribute = QStringLiteral("metadata::custom-icon");
constexpr int kGioTimeoutMs = 10000;

using posix::fail;

bool isGroupHeader(const QString& line)
{
    const QString t = line.trimmed();
    return t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'));
}

// The plain "Icon" key; localised forms such as "Icon[de]" are other keys.
bool isIconLine(const QString& line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    return eq > 0 && line.left(eq).trimmed() == kIconKey;
}

// The lines with the Icon key of the [Desktop Entry] group set to `icon`, or removed for a
// null icon. Every other line stays as it is.
QStringList withIconLine(const QStringList& lines, const QString& icon)
{
    QStringList out;
    bool inEntry = false;
    bool written = false;
    for (const QString& line : lines) {
        if (isGroupHeader(line)) {
            inEntry = line.trimmed() == kEntryGroup;
            out << line;
            if (inEntry && !icon.isNull() && !written) {
                out << kIconKey + QLatin1Char('=') + icon;
                written = true;
            }
            continue;
        }
        if (inEntry && isIconLine(line)) {
            continue;
        }
        out << line;
    }
    if (!icon.isNull() && !written) {
        if (!out.isEmpty() && !out.last().trimmed().isEmpty()) {
            out << QString();
        }
        out << kEntryGroup << kIconKey + QLatin1Char('=') + icon;
    }
    return out;
}

// Only group headers and blank lines: the file says nothing any more.
bool saysNothing(const QStringList& lines)
{
    for (const QString& line : lines) {
        if (!line.trimmed().isEmpty() && !isGroupHeader(line)) {
            return false;
        }
    }
    return true;
}

bool writeDirectoryFile(const QString& folder, const QString& icon, QString* error)
{
    const auto edit = [&icon](QStringList& lines, bool exists) {
        if (icon.isNull() && !exists) {
            return LineFile::Edit::Keep;
        }
        const QStringList before = lines;
        lines = withIconLine(before, icon);
        if (exists && lines == before) {
            return LineFile::Edit::Keep;
        }
        return icon.isNull() && saysNothing(lines) ? LineFile::Edit::Remove : LineFile::Edit::Write;
    };
    return LineFile::update(folder + QLatin1Char('/') + kDirectoryFile, QStringLiteral("folder settings"), edit, error);
}

// Stores the image once per distinct content; the path of its PNG, null on failure.
QString storeIcon(const QImage& image, QString* error)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        fail(error, QStringLiteral("encode the icon"), QString(), QStringLiteral("the image cannot be written as PNG"));
        return QString();
    }
    const QString folder
        = Paths::applicationSupport(System::bundleIdentifier()) + QLatin1Char('/') + Workspace::kCustomIconsFolder;
    const QString name = QString::fromLatin1(QCryptographicHash::hash(png, QCryptographicHash::Sha256).toHex());
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (QFileInfo(path).isFile() && QFileInfo(path).size() == png.size()) {
        return path;
    }
    if (!Paths::ensureFolder(folder)) {
        fail(error, QStringLiteral("store the icon"), folder, QStringLiteral("cannot create the folder"));
        return QString();
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(png) != png.size() || !out.commit()) {
        fail(error, QStringLiteral("store the icon"), path, out.errorString());
        return QString();
    }
    return path;
}

// GIO metadata is what GNOME's file managers show; without gio (or its metadata service) the
// icon still stands in `.directory`, so a failure here is only logged.
void setGioIcon(const QString& path, const QString& iconFile)
{
    if (!Workspace::hasProgram(kGio)) {
        return;
    }
    const QStringList args = iconFile.isNull()
        ? QStringList { QStringLiteral("set"), QStringLiteral("-t"), QStringLiteral("unset"), path, kGioAttribute }
        : QStringList { QStringLiteral("set"), path, kGioAttribute,
                        QString::fromUtf8(QUrl::fromLocalFile(iconFile).toEncoded()) };
    const Task::Result result = Task::run(kGio, args, Task::Output::Capture, Task::Output::Capture, kGioTimeoutMs);
    if (!result.ok()) {
        qCDebug(lcWorkspace).noquote() << "gio did not take the custom icon of" << path << ":"
                                       << QString::fromLocal8Bit(result.standardError).trimmed();
    }
}

} // namespace

bool Workspace::setIcon(const QImage& image, const QString& path, QString* error)
{
    const QFileInfo info(path);
    const QString action
        = image.isNull() ? QStringLiteral("remove the custom icon") : QStringLiteral("set the custom icon");
    if (path.isEmpty() || !info.exists()) {
        return fail(error, action, path, QStringLiteral("no such file or folder"));
    }
    const QString target = info.absoluteFilePath();
    QString iconFile;
    if (!image.isNull()) {
        iconFile = storeIcon(image, error);
        if (iconFile.isNull()) {
            return false;
        }
    }
    if (info.isDir() && !writeDirectoryFile(target, iconFile, error)) {
        return false;
    }
    setGioIcon(target, iconFile);
    return true;
}

QString Workspace::folderIcon(const QString& path)
{
    bool inEntry = false;
    for (const QString& line : LineFile::read(path + QLatin1Char('/') + kDirectoryFile)) {
        if (isGroupHeader(line)) {
            inEntry = line.trimmed() == kEntryGroup;
        } else if (inEntry && isIconLine(line)) {
            return line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
        }
    }
    return QString();
}

} // namespace platform
