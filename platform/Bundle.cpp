#include "platform/Bundle.h"

#include "platform/Paths.h"
#include "platform/Posix.h"
#include "platform/System.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QImageReader>
#include <QLoggingCategory>
#include <QMutex>
#include <QPixmap>
#include <QResource>
#include <QStringConverter>
#include <QStringDecoder>

#include <optional>

#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcBundle, "tarsel.platform.bundle", QtWarningMsg)

#ifndef TARSEL_VERSION
#error "TARSEL_VERSION must be defined by the build"
#endif

namespace platform {

namespace {

const QString kRoot = QStringLiteral(":/tarsel/");
const QString kDefaultTable = QStringLiteral("Localizable");
const QString kInfoTable = QStringLiteral("InfoPlist");
const QString kDevelopmentLanguage = QStringLiteral("en");
const QStringList kImageTypes { QStringLiteral("png"), QStringLiteral("svg"), QStringLiteral("icns"),
                                QStringLiteral("jpg") };
// Folders a resource looked up by bare name may live in, after the root itself.
const QStringList kResourceFolders { QStringLiteral("sounds/"), QStringLiteral("images/"), QStringLiteral("templates/"),
                                     QStringLiteral("other/") };
constexpr int kThemeImageSize = 128;

// Tarsel's image names and the freedesktop icon names that stand in for them.
constexpr std::pair<const char*, const char*> kThemeNames[] = {
    { "folder", "folder" },
    { "newfile", "document-new" },
    { "favorites", "folder-favorites" },
    { "app", "application-x-executable" },
    { "script", "text-x-script" },
    { "shell", "utilities-terminal" },
    { "applescript", "text-x-script" },
    { "foldericon", "folder-pictures" },
    { "airdrop", "network-wireless" },
    { "weixin", "mail-send" },
    { "symlink", "emblem-symbolic-link" },
    { "link", "emblem-symbolic-link" },
    { "desktop_pic", "preferences-desktop-wallpaper" },
    { "copy", "edit-copy" },
    { "copy1", "edit-copy" },
    { "copypath", "edit-copy" },
    { "move", "go-jump" },
    { "convert", "view-refresh" },
    { "resize", "zoom-fit-best" },
    { "cut", "edit-cut" },
    { "paste", "edit-paste" },
    { "delete", "edit-delete" },
    { "trash", "user-trash" },
    { "eject", "media-eject" },
    { "lock", "changes-prevent" },
    { "unlock", "changes-allow" },
    { "hidefile", "view-hidden" },
    { "showfile", "view-visible" },
    { "compress", "package-x-generic" },
    { "package", "package-x-generic" },
    { "embed", "insert-object" },
    { "unembed", "edit-undo" },
    { "fileinfo", "document-properties" },
    { "fix", "tools-check-spelling" },
    { "terminal", "utilities-terminal" },
    { "iterm2", "utilities-terminal" },
    { "colorpicker", "color-select" },
    { "about", "help-about" },
    { "intro", "help-contents" },
    { "question", "help-faq" },
    { "set", "preferences-system" },
    { "add", "list-add" },
    { "remove", "list-remove" },
    { "star", "starred" },
    { "icon", "system-file-manager" },
    { "file", "text-x-generic" },
    { "img", "image-x-generic" },
    { "txt", "text-plain" },
    { "rtf", "text-rtf" },
    { "md", "text-markdown" },
    { "json", "application-json" },
    { "html", "text-html" },
    { "xml", "text-xml" },
    { "css", "text-css" },
    { "js", "application-javascript" },
    { "py", "text-x-python" },
    { "sh", "application-x-shellscript" },
    { "docx", "x-office-document" },
    { "pages", "x-office-document" },
    { "wps", "x-office-document" },
    { "xlsx", "x-office-spreadsheet" },
    { "numbers", "x-office-spreadsheet" },
    { "et", "x-office-spreadsheet" },
    { "pptx", "x-office-presentation" },
    { "key", "x-office-presentation" },
    { "dps", "x-office-presentation" },
    { "zip", "package-x-generic" },
    { "pdf", "application-pdf" },
};

const QHash<QString, QString>& themeNames()
{
    static const QHash<QString, QString> map = [] {
        QHash<QString, QString> names;
        for (const auto& [name, icon] : kThemeNames) {
            names.insert(QLatin1String(name), QLatin1String(icon));
        }
        return names;
    }();
    return map;
}

// --- ".strings" parsing -----------------------------------------------------------------------

class StringsParser
{
public:
    explicit StringsParser(const QString& text)
        : m_text(text)
    {
    }

    QHash<QString, QString> parse()
    {
        QHash<QString, QString> table;
        while (skipSpaceAndComments()) {
            if (peek() == QLatin1Char('{') || peek() == QLatin1Char('}') || peek() == QLatin1Char(';')) {
                ++m_pos; // an old-style dictionary may wrap the entries in braces
                continue;
            }
            const std::optional<QString> key = token();
            if (!key) {
                return fail(table, "a quoted key");
            }
            if (!skipSpaceAndComments()) {
                table.insert(*key, *key);
                break;
            }
            if (peek() == QLatin1Char(';')) {
                ++m_pos;
                table.insert(*key, *key); // "key"; stands for "key" = "key";
                continue;
            }
            if (peek() != QLatin1Char('=')) {
                return fail(table, "'='");
            }
            ++m_pos;
            skipSpaceAndComments();
            const std::optional<QString> value = token();
            if (!value) {
                return fail(table, "a quoted value");
            }
            table.insert(*key, *value);
            if (skipSpaceAndComments()) {
                if (peek() != QLatin1Char(';')) {
                    return fail(table, "';'");
                }
                ++m_pos;
            }
        }
        return table;
    }

private:
    QChar peek(int ahead = 0) const
    {
        const qsizetype at = m_pos + ahead;
        return at < m_text.size() ? m_text.at(at) : QChar();
    }

    QHash<QString, QString>& fail(QHash<QString, QString>& table, const char* expected)
    {
        qCWarning(lcBundle).noquote() << "strings table: expected" << expected << "at offset" << m_pos
                                      << "; the rest of the table is ignored";
        return table;
    }

    // Skips blanks and comments; false at the end of the text.
    bool skipSpaceAndComments()
    {
        while (m_pos < m_text.size()) {
            const QChar c = m_text.at(m_pos);
            if (c.isSpace() || c == QChar(0xFEFF)) {
                ++m_pos;
            } else if (c == QLatin1Char('/') && peek(1) == QLatin1Char('*')) {
                const qsizetype end = m_text.indexOf(QLatin1String("*/"), m_pos + 2);
                m_pos = end < 0 ? m_text.size() : end + 2;
            } else if (c == QLatin1Char('/') && peek(1) == QLatin1Char('/')) {
                const qsizetype end = m_text.indexOf(QLatin1Char('\n'), m_pos + 2);
                m_pos = end < 0 ? m_text.size() : end + 1;
            } else {
                return true;
            }
        }
        return false;
    }

    static bool isBareChar(QChar c)
    {
        return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$') || c == QLatin1Char('+')
            || c == QLatin1Char('/') || c == QLatin1Char(':') || c == QLatin1Char('.') || c == QLatin1Char('-');
    }

    std::optional<QString> token()
    {
        if (peek() == QLatin1Char('"')) {
            return quoted();
        }
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && isBareChar(m_text.at(m_pos))
               && !(m_text.at(m_pos) == QLatin1Char('/')
                    && (peek(1) == QLatin1Char('/') || peek(1) == QLatin1Char('*')))) {
            ++m_pos;
        }
        if (m_pos == start) {
            return std::nullopt;
        }
        return m_text.mid(start, m_pos - start);
    }

    static int hexValue(QChar c)
    {
        bool ok = false;
        const int value = QStringView(&c, 1).toInt(&ok, 16);
        return ok ? value : -1;
    }

    // Up to maxDigits hex digits; -1 when there is none.
    int hexDigits(int maxDigits)
    {
        int value = 0;
        int n = 0;
        for (; n < maxDigits && m_pos < m_text.size() && hexValue(m_text.at(m_pos)) >= 0; ++n) {
            value = value * 16 + hexValue(m_text.at(m_pos++));
        }
        return n == 0 ? -1 : value;
    }

    // The character an escape stands for, `e` being the one after the backslash; the digits an
    // escape carries are taken from the text.
    QChar escaped(QChar e)
    {
        switch (e.unicode()) {
        case 'n':
            return QLatin1Char('\n');
        case 't':
            return QLatin1Char('\t');
        case 'r':
            return QLatin1Char('\r');
        case 'a':
            return QChar(0x07);
        case 'b':
            return QChar(0x08);
        case 'f':
            return QChar(0x0C);
        case 'v':
            return QChar(0x0B);
        case 'U':
        case 'u': {
            // Four hex digits of a UTF-16 unit; a surrogate pair is written as two escapes.
            const int unit = hexDigits(4);
            return unit < 0 ? e : QChar(char16_t(unit));
        }
        default:
            break;
        }
        if (e >= QLatin1Char('0') && e <= QLatin1Char('7')) {
            int value = e.unicode() - '0';
            for (int i = 0; i < 2 && m_pos < m_text.size() && m_text.at(m_pos) >= QLatin1Char('0')
                 && m_text.at(m_pos) <= QLatin1Char('7');
                 ++i) {
                value = value * 8 + (m_text.at(m_pos++).unicode() - '0');
            }
            return QChar(char16_t(value));
        }
        return e; // \" \\ \' and any other character stand for themselves
    }

    std::optional<QString> quoted()
    {
        ++m_pos; // opening quote
        QString out;
        while (m_pos < m_text.size()) {
            const QChar c = m_text.at(m_pos++);
            if (c == QLatin1Char('"')) {
                return out;
            }
            if (c != QLatin1Char('\\')) {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size()) {
                break;
            }
            out += escaped(m_text.at(m_pos++));
        }
        return std::nullopt; // no closing quote
    }

    const QString& m_text;
    qsizetype m_pos = 0;
};

QString decodeStrings(const QByteArray& data)
{
    std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForData(data);
    if (!encoding) {
        // Tables written without a byte-order mark are UTF-8, unless they plainly are UTF-16.
        if (data.size() >= 2 && data.at(0) == 0 && data.at(1) != 0) {
            encoding = QStringConverter::Utf16BE;
        } else if (data.size() >= 2 && data.at(0) != 0 && data.at(1) == 0) {
            encoding = QStringConverter::Utf16LE;
        } else {
            encoding = QStringConverter::Utf8;
        }
    }
    QStringDecoder decoder(*encoding, QStringDecoder::Flag::Stateless);
    return decoder.decode(data);
}

// --- shared state -------------------------------------------------------------------------------

using Table = QHash<QString, QString>;

// One image of the drawn-image cache: the stamp of the resource it was drawn from, and the image.
struct ScaledImage
{
    qint64 modified = 0;
    qint64 size = 0;
    QImage image;
};

struct BundleState
{
    QMutex mutex;
    std::optional<QStringList> languages; // lproj names to search, most preferred first
    QHash<QString, QList<const Table*>> chain; // table name -> its tables in language order
    QHash<QString, Table> tables; // "<lang>/<table>" -> parsed table
    QHash<QString, QString> imagePaths; // image name -> its bundled file, empty when none
    QHash<QString, QImage> images; // bundled images by file
    QHash<QByteArray, ScaledImage> scaled; // the drawn-image cache as read from scaledFrom
    std::optional<QString> scaledFrom; // the cache file read
    bool scaledClean = false; // the file held records only, up to its end
};

BundleState& state()
{
    static BundleState s;
    return s;
}

// "pt-Latn-BR" searches pt-Latn-BR, pt-Latn, pt-BR, pt (and each with "_" for "-"), in the
// order of the user's languages; English closes the list when the user did not name it.
QStringList languageFolders()
{
    QStringList folders;
    const auto add = [&folders](const QStringList& parts) {
        for (const QString& candidate : { parts.join(QLatin1Char('-')), parts.join(QLatin1Char('_')) }) {
            if (!folders.contains(candidate)) {
                folders << candidate;
            }
        }
    };
    const QStringList preferred = System::preferredLanguages();
    for (const QString& tag : preferred) {
        const QStringList parts = tag.split(QLatin1Char('-'), Qt::SkipEmptyParts);
        if (parts.isEmpty()) {
            continue;
        }
        const QString language = parts.first();
        const bool hasScript = parts.size() > 1 && parts.at(1).size() == 4;
        const QString script = hasScript ? parts.at(1) : QString();
        const QString region = parts.size() > (hasScript ? 2 : 1) ? parts.at(hasScript ? 2 : 1) : QString();
        add(parts);
        if (!script.isEmpty()) {
            add({ language, script });
        }
        if (!region.isEmpty()) {
            add({ language, region });
        }
        add({ language });
    }
    if (!folders.contains(kDevelopmentLanguage)) {
        folders << kDevelopmentLanguage;
    }
    return folders;
}

const QList<const Table*>& tableChainLocked(BundleState& s, const QString& tableName)
{
    auto it = s.chain.constFind(tableName);
    if (it != s.chain.constEnd()) {
        return *it;
    }
    if (!s.languages) {
        s.languages = languageFolders();
    }
    QList<const Table*> chain;
    for (const QString& lang : std::as_const(*s.languages)) {
        QFile file(kRoot + lang + QStringLiteral(".lproj/") + tableName + QStringLiteral(".strings"));
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QString id = lang + QLatin1Char('/') + tableName;
        s.tables.insert(id, Bundle::parseStrings(decodeStrings(file.readAll())));
        chain << &s.tables[id];
    }
    return *s.chain.insert(tableName, chain);
}

std::optional<QString> lookUp(const QString& key, const QString& tableName)
{
    BundleState& s = state();
    QMutexLocker lock(&s.mutex);
    for (const Table* table : tableChainLocked(s, tableName)) {
        auto it = table->constFind(key);
        if (it != table->constEnd()) {
            return *it;
        }
    }
    return std::nullopt;
}

QString findBundledImage(const QString& name)
{
    const QString base = kRoot + QStringLiteral("images/") + name;
    const QString suffix = name.section(QLatin1Char('.'), -1).toLower();
    if (name.contains(QLatin1Char('.')) && kImageTypes.contains(suffix) && QFile::exists(base)) {
        return base;
    }
    for (const QString& type : kImageTypes) {
        if (QFile::exists(base + QLatin1Char('.') + type)) {
            return base + QLatin1Char('.') + type;
        }
    }
    return QString();
}

// The bundled file of an image name, empty when none. The resources are compiled in, so an
// answer once found is kept: menus ask for the same few names again and again.
QString bundledImagePath(const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1String(".."))) {
        return QString();
    }
    BundleState& s = state();
    QMutexLocker lock(&s.mutex);
    auto it = s.imagePaths.constFind(name);
    if (it == s.imagePaths.constEnd()) {
        it = s.imagePaths.insert(name, findBundledImage(name));
    }
    return *it;
}

// The bundled image of a name, read once; null when none is bundled or it cannot be read.
QImage bundledImage(const QString& name)
{
    const QString path = bundledImagePath(name);
    if (path.isEmpty()) {
        return QImage();
    }
    BundleState& s = state();
    QMutexLocker lock(&s.mutex);
    auto it = s.images.constFind(path);
    if (it == s.images.constEnd()) {
        // Read with the format its suffix names, and only with that: left to guess, the first
        // image makes Qt load every image format plug-in to ask each one, even with the format
        // named.
        QImageReader reader(path, path.section(QLatin1Char('.'), -1).toLatin1());
        reader.setAutoDetectImageFormat(false);
        const QImage image = reader.read();
        if (image.isNull()) {
            qCWarning(lcBundle) << "bundled image could not be read:" << path;
        }
        it = s.images.insert(path, image);
    }
    return *it;
}

// Theme icons are looked up under our own lock: QIcon's theme cache is not meant for
// concurrent use.
QIcon themeIcon(const QString& name)
{
    if (name.isEmpty() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        return QIcon();
    }
    static QMutex themeMutex;
    // Each name is looked up in the theme once (per theme): a lookup walks the theme's folders.
    static QHash<QString, QIcon> found;
    static QString foundIn;
    QMutexLocker lock(&themeMutex);
    const QString theme = QIcon::themeName() + QLatin1Char('\n') + QIcon::fallbackThemeName() + QLatin1Char('\n')
        + QIcon::themeSearchPaths().join(QLatin1Char('\n'));
    if (foundIn != theme) {
        found.clear();
        foundIn = theme;
    }
    const auto known = found.constFind(name);
    if (known != found.constEnd()) {
        return *known;
    }
    QIcon icon;
    const QString mapped = themeNames().value(name);
    for (const QString& candidate : { mapped, name }) {
        if (!candidate.isEmpty() && QIcon::hasThemeIcon(candidate)) {
            icon = QIcon::fromTheme(candidate);
            break;
        }
    }
    found.insert(name, icon);
    return icon;
}

QImage imageOfIcon(const QIcon& icon)
{
    QSize size(kThemeImageSize, kThemeImageSize);
    const QList<QSize> sizes = icon.availableSizes();
    for (const QSize& s : sizes) {
        if (s.width() > size.width() && s.width() <= 2 * kThemeImageSize) {
            size = s;
        }
    }
    return icon.pixmap(size).toImage();
}

// The drawn-image cache file: a header, then records appended one write each (several processes
// may add at once), the last record of a key counting. A record: its length (u32), the key's
// length (u16) and bytes, the resource's time stamp and size (i64 each), width and height (u16),
// then width x height pixels of 32 bits (premultiplied ARGB), all in the machine's byte order.
// A record that does not fit the rules (a torn or foreign tail) ends the reading.
const QByteArray kScaledMagic("tarsel drawn images 1\n");
constexpr int kScaledMaxSide = 256;
constexpr qint64 kScaledMaxFile = 4 * 1024 * 1024;

QString scaledCacheFile()
{
    return Paths::cacheHome() + QStringLiteral("/tarsel/menu-images");
}

QByteArray scaledKey(const QString& name, const QSize& size)
{
    return name.toUtf8() + '@' + QByteArray::number(size.width()) + 'x' + QByteArray::number(size.height());
}

template <typename T> bool take(const QByteArray& data, qsizetype& at, qsizetype end, T* value)
{
    if (end - at < qsizetype(sizeof(T))) {
        return false;
    }
    std::memcpy(value, data.constData() + at, sizeof(T));
    at += qsizetype(sizeof(T));
    return true;
}

QHash<QByteArray, ScaledImage> readScaledCache(bool* clean)
{
    QHash<QByteArray, ScaledImage> cache;
    *clean = false;
    QFile file(scaledCacheFile());
    if (!file.open(QIODevice::ReadOnly) || file.size() > kScaledMaxFile) {
        return cache;
    }
    const QByteArray data = file.readAll();
    if (!data.startsWith(kScaledMagic)) {
        return cache;
    }
    qsizetype at = kScaledMagic.size();
    while (at < data.size()) {
        quint32 length = 0;
        if (!take(data, at, data.size(), &length) || length > quint32(data.size() - at)) {
            break;
        }
        const qsizetype end = at + qsizetype(length);
        quint16 keyLength = 0;
        ScaledImage entry;
        quint16 width = 0;
        quint16 height = 0;
        if (!take(data, at, end, &keyLength) || end - at < keyLength) {
            break;
        }
        const QByteArray key = data.mid(at, keyLength);
        at += keyLength;
        if (!take(data, at, end, &entry.modified) || !take(data, at, end, &entry.size) || !take(data, at, end, &width)
            || !take(data, at, end, &height) || width == 0 || height == 0 || width > kScaledMaxSide
            || height > kScaledMaxSide || end - at != qsizetype(width) * height * 4) {
            break;
        }
        entry.image = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < height; ++y) {
            std::memcpy(entry.image.scanLine(y), data.constData() + at + qsizetype(y) * width * 4, size_t(width) * 4);
        }
        at = end;
        cache.insert(key, entry);
    }
    *clean = at == data.size();
    return cache;
}

QByteArray scaledRecord(const QByteArray& key, const ScaledImage& entry)
{
    const QImage& image = entry.image;
    QByteArray record;
    const quint16 keyLength = quint16(key.size());
    const quint16 width = quint16(image.width());
    const quint16 height = quint16(image.height());
    record.append(reinterpret_cast<const char*>(&keyLength), sizeof keyLength).append(key);
    record.append(reinterpret_cast<const char*>(&entry.modified), sizeof entry.modified);
    record.append(reinterpret_cast<const char*>(&entry.size), sizeof entry.size);
    record.append(reinterpret_cast<const char*>(&width), sizeof width);
    record.append(reinterpret_cast<const char*>(&height), sizeof height);
    for (int y = 0; y < height; ++y) {
        record.append(reinterpret_cast<const char*>(image.constScanLine(y)), qsizetype(width) * 4);
    }
    const quint32 length = quint32(record.size());
    record.prepend(reinterpret_cast<const char*>(&length), sizeof length);
    return record;
}

// Adds one record to the cache file. A file that is missing, foreign, too big or was not read
// cleanly to its end (a torn record would swallow the next) is replaced by one holding what this
// process knows. A cache that cannot be written is left alone: the image is drawn again next time.
void appendScaledCache(const QByteArray& key, const QHash<QByteArray, ScaledImage>& known, bool clean)
{
    const QString folder = Paths::cacheHome() + QStringLiteral("/tarsel");
    if (!Paths::ensureFolder(folder)) {
        return;
    }
    const QByteArray record = scaledRecord(key, known.value(key));
    const QByteArray path = QFile::encodeName(scaledCacheFile());
    posix::Fd fd(::open(path.constData(), O_RDWR | O_APPEND | O_CLOEXEC | O_NOFOLLOW));
    struct stat st
    {
    };
    QByteArray head(kScaledMagic.size(), '\0');
    const bool usable = clean && fd.ok() && ::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode)
        && st.st_size + record.size() <= kScaledMaxFile
        && posix::readFull(fd.get(), head.data(), head.size(), 0) == head.size() && head == kScaledMagic;
    if (usable) {
        posix::writeAll(fd.get(), record);
        return;
    }
    fd = posix::Fd();
    // A fresh file replaces what was there, whole: no reader sees it half written.
    QByteArray whole = kScaledMagic;
    for (auto it = known.constBegin(); it != known.constEnd(); ++it) {
        whole += scaledRecord(it.key(), it.value());
    }
    if (whole.size() > kScaledMaxFile) {
        whole = kScaledMagic + record;
    }
    if (posix::replaceFile(scaledCacheFile(), whole, 0600) != 0) {
        qCWarning(lcBundle) << "the drawn-image cache could not be written:" << scaledCacheFile();
    }
}

} // namespace

QImage Bundle::scaledImageNamed(const QString& name, const QSize& size)
{
    const QString path = bundledImagePath(name);
    if (path.isEmpty() || size.isEmpty() || size.width() > kScaledMaxSide || size.height() > kScaledMaxSide) {
        return QImage();
    }
    const QResource resource(path);
    const qint64 modified = resource.lastModified().toMSecsSinceEpoch();
    const qint64 resourceSize = resource.size();
    const QByteArray key = scaledKey(name, size);
    BundleState& s = state();
    {
        // Read once, and again only when the cache folder is another (a new home).
        QMutexLocker lock(&s.mutex);
        const QString file = scaledCacheFile();
        if (s.scaledFrom != file) {
            s.scaled = readScaledCache(&s.scaledClean);
            s.scaledFrom = file;
        }
        const auto it = s.scaled.constFind(key);
        if (it != s.scaled.constEnd() && it->modified == modified && it->size == resourceSize) {
            return it->image;
        }
    }
    const QImage source = bundledImage(name);
    if (source.isNull()) {
        return QImage();
    }
    const QImage drawn
        = source.size() == size ? source : source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Kept as premultiplied ARGB, the form the file holds: converting it is exact.
    const ScaledImage entry { modified, resourceSize, drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied) };
    if (entry.image.convertToFormat(drawn.format()) != drawn) {
        return drawn;
    }
    QMutexLocker lock(&s.mutex);
    s.scaled.insert(key, entry);
    appendScaledCache(key, s.scaled, s.scaledClean);
    s.scaledClean = true;
    return drawn;
}

QHash<QString, QString> Bundle::parseStrings(const QString& text)
{
    return StringsParser(text).parse();
}

QString Bundle::localizedString(const QString& key, const QString& fallback, const QString& table)
{
    if (!key.isEmpty()) {
        if (std::optional<QString> text = lookUp(key, table.isEmpty() ? kDefaultTable : table)) {
            return *text;
        }
    }
    return fallback.isEmpty() ? key : fallback;
}

QString Bundle::infoValue(const QString& key)
{
    if (key == QLatin1String("CFBundleIdentifier")) {
        return System::bundleIdentifier();
    }
    if (key == QLatin1String("CFBundleShortVersionString") || key == QLatin1String("CFBundleVersion")) {
        return QStringLiteral(TARSEL_VERSION);
    }
    if (key.isEmpty()) {
        return QString();
    }
    if (std::optional<QString> text = lookUp(key, kInfoTable)) {
        return *text;
    }
    if (key == QLatin1String("CFBundleName") || key == QLatin1String("CFBundleDisplayName")
        || key == QLatin1String("CFBundleExecutable")) {
        return System::bundleIdentifier() == System::kExtensionBundleId ? QStringLiteral("TarselFinderExtension")
                                                                        : QStringLiteral("Tarsel");
    }
    return QString();
}

QString Bundle::resourcePath(const QString& name, const QString& type)
{
    if (name.isEmpty() || name.contains(QLatin1String(".."))) {
        return QString();
    }
    const QString file = type.isEmpty() ? name : name + QLatin1Char('.') + type;
    QStringList candidates { kRoot + file };
    for (const QString& folder : kResourceFolders) {
        candidates << kRoot + folder + file;
    }
    {
        BundleState& s = state();
        QMutexLocker lock(&s.mutex);
        if (!s.languages) {
            s.languages = languageFolders();
        }
        for (const QString& lang : std::as_const(*s.languages)) {
            candidates << kRoot + lang + QStringLiteral(".lproj/") + file;
        }
    }
    for (const QString& candidate : std::as_const(candidates)) {
        if (QFile::exists(candidate)) {
            return candidate;
        }
    }
    return QString();
}

QByteArray Bundle::resourceData(const QString& name, const QString& type)
{
    const QString path = resourcePath(name, type);
    if (path.isEmpty()) {
        return QByteArray();
    }
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QImage Bundle::imageNamed(const QString& name)
{
    const QImage image = bundledImage(name);
    if (!image.isNull()) {
        return image;
    }
    const QIcon icon = themeIcon(name);
    return icon.isNull() ? QImage() : imageOfIcon(icon);
}

QIcon Bundle::iconNamed(const QString& name)
{
    // Made from the image read once with its format named: an icon given the file would have Qt
    // load every image format plug-in to ask each one whether it reads the file.
    if (!bundledImagePath(name).isEmpty()) {
        const QImage image = bundledImage(name);
        return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
    }
    return themeIcon(name);
}

bool Bundle::hasImageNamed(const QString& name)
{
    // Asked before nearly every imageNamed, so neither a bundled image nor a theme icon is
    // drawn to answer (every bundled image can be read: the bundle's tests read them all).
    return !bundledImagePath(name).isEmpty() || !themeIcon(name).isNull();
}

} // namespace platform
