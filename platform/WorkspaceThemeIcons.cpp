// Items' own icons: the icon a desktop entry names, looked up in the freedesktop icon themes at
// its largest size, and a folder's custom icon.

#include "platform/Paths.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QImageReader>

#include <limits>

namespace platform {

namespace {

constexpr int kMaxInheritance = 10;

QStringList dataDirs()
{
    const QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    return (dirs.isEmpty() ? QStringLiteral("/usr/local/share:/usr/share") : dirs)
        .split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

// Where themes live, the user's first.
QStringList iconRoots()
{
    QStringList roots { Paths::home() + QStringLiteral("/.icons"), Paths::dataHome() + QStringLiteral("/icons") };
    for (const QString& dir : dataDirs()) {
        roots << dir + QStringLiteral("/icons");
    }
    return roots;
}

bool readsSvg()
{
    return QImageReader::supportedImageFormats().contains("svg");
}

QStringList iconExtensions()
{
    QStringList extensions { QStringLiteral("png"), QStringLiteral("xpm") };
    if (readsSvg()) {
        extensions << QStringLiteral("svg") << QStringLiteral("svgz");
    }
    return extensions;
}

// The themes it inherits from, as its index.theme says (the first one found).
QStringList inheritedThemes(const QString& theme, const QStringList& roots)
{
    for (const QString& root : roots) {
        QFile index(root + QLatin1Char('/') + theme + QStringLiteral("/index.theme"));
        if (!index.open(QIODevice::ReadOnly | QIODevice::Text)) {
            continue;
        }
        while (!index.atEnd()) {
            const QString line = QString::fromUtf8(index.readLine()).trimmed();
            if (line.startsWith(QLatin1String("Inherits="))) {
                return line.mid(9).split(QLatin1Char(','), Qt::SkipEmptyParts);
            }
        }
        return {};
    }
    return {};
}

// The current theme, the themes it inherits from (depth first), then hicolor.
QStringList themeChain(const QStringList& roots)
{
    QStringList chain;
    QStringList pending;
    if (const QString current = QIcon::themeName(); !current.isEmpty()) {
        pending << current;
    }
    while (!pending.isEmpty() && chain.size() < kMaxInheritance) {
        const QString theme = pending.takeFirst().trimmed();
        if (theme.isEmpty() || chain.contains(theme) || theme == QLatin1String("hicolor")) {
            continue;
        }
        chain << theme;
        pending = inheritedThemes(theme, roots) + pending;
    }
    chain << QStringLiteral("hicolor");
    return chain;
}

// How good a picture is as the largest: a scalable one beats any fixed size, then the area.
qint64 rankOf(const QString& file)
{
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix == QLatin1String("svg") || suffix == QLatin1String("svgz")) {
        return std::numeric_limits<qint64>::max();
    }
    const QSize size = QImageReader(file).size();
    return size.isValid() ? qint64(size.width()) * size.height() : 0;
}

struct Best
{
    QString file;
    qint64 rank = -1;

    void consider(const QString& folder, const QString& name, const QStringList& extensions)
    {
        for (const QString& extension : extensions) {
            const QString candidate = folder + QLatin1Char('/') + name + QLatin1Char('.') + extension;
            if (QFileInfo(candidate).isFile()) {
                if (const qint64 r = rankOf(candidate); r > rank) {
                    rank = r;
                    file = candidate;
                }
            }
        }
    }
};

// Every size and context folder of one theme under one root: "48x48/apps" and "apps/48" alike.
void searchTheme(const QString& themeDir, const QString& name, const QStringList& extensions, Best& best)
{
    const QDir::Filters folders = QDir::Dirs | QDir::NoDotAndDotDot;
    for (const QString& first : QDir(themeDir).entryList(folders)) {
        const QString level1 = themeDir + QLatin1Char('/') + first;
        best.consider(level1, name, extensions);
        for (const QString& second : QDir(level1).entryList(folders)) {
            best.consider(level1 + QLatin1Char('/') + second, name, extensions);
        }
    }
}

QImage loadIcon(const QString& file, int size)
{
    QImageReader reader(file);
    reader.setDecideFormatFromContent(true);
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix == QLatin1String("svg") || suffix == QLatin1String("svgz")) {
        const QSize natural = reader.size();
        reader.setScaledSize(natural.isValid() ? natural.scaled(size, size, Qt::KeepAspectRatio) : QSize(size, size));
    }
    return reader.read();
}

// An Icon= value: an absolute path to a picture, or an icon's name.
QImage iconFromValue(const QString& value, int size)
{
    if (value.isEmpty()) {
        return {};
    }
    if (QDir::isAbsolutePath(value)) {
        return QFileInfo(value).isFile() ? loadIcon(value, size) : QImage();
    }
    const QString file = Workspace::themeIconFile(value);
    return file.isEmpty() ? QImage() : loadIcon(file, size);
}

} // namespace

QString Workspace::themeIconFile(const QString& name)
{
    // A name written with its extension ("app.png") is still looked up by its name.
    QString base = name;
    for (const QString& extension : { QStringLiteral(".png"), QStringLiteral(".svg"), QStringLiteral(".xpm") }) {
        if (base.endsWith(extension, Qt::CaseInsensitive)) {
            base.chop(extension.size());
        }
    }
    if (base.isEmpty() || base.contains(QLatin1Char('/'))) {
        return QString();
    }
    const QStringList roots = iconRoots();
    const QStringList extensions = iconExtensions();
    for (const QString& theme : themeChain(roots)) {
        Best best;
        for (const QString& root : roots) {
            searchTheme(root + QLatin1Char('/') + theme, base, extensions, best);
        }
        if (!best.file.isEmpty()) {
            return best.file;
        }
    }
    Best best;
    for (const QString& dir : dataDirs()) {
        best.consider(dir + QStringLiteral("/pixmaps"), base, extensions);
    }
    return best.file;
}

QImage Workspace::ownIcon(const QString& path, int size)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        return iconFromValue(folderIcon(info.absoluteFilePath()), size);
    }
    if (info.suffix() == QLatin1String("desktop")) {
        const std::optional<QHash<QString, QString>> entry = readDesktopEntry(path);
        return entry ? iconFromValue(entry->value(QStringLiteral("Icon")), size) : QImage();
    }
    return {};
}

} // namespace platform
