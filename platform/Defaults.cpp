#include "platform/Defaults.h"

#include "platform/Paths.h"
#include "platform/Posix.h"
#include "platform/System.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTimeZone>

#include <map>
#include <memory>
#include <utility>

#include <plist/plist.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcDefaults, "tarsel.platform.defaults")

namespace platform {

namespace {

// Seconds between the Unix epoch and the property-list epoch (2001-01-01 UTC).
constexpr qint64 kPlistEpochOffset = 978307200;

struct PlistDeleter
{
    void operator()(void* p) const
    {
        if (p) {
            plist_free(static_cast<plist_t>(p));
        }
    }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// Text that XML 1.0 cannot carry. A suite must stay a well-formed XML property list that any
// standard reader parses, but libplist writes every character as it is, and XML has no form at
// all (not even a character reference) for most C0 controls, U+FFFE, U+FFFF and unpaired
// surrogates; a name holding ESC made the whole file unreadable to other programs. Such text
// is stored in a reversible escaped form:
//   - it begins with U+FDD0, a noncharacter that interchanged text does not hold;
//   - then follows the text with every UTF-16 unit XML cannot carry written as "\uXXXX"
//     (four upper-case hex digits) and every backslash doubled.
// Any other text, which is nearly all, is stored as it is, so existing files read unchanged; a
// text that itself begins with U+FDD0 is escaped too, so every text reads back exactly. Tab,
// line feed and carriage return stay as they are: XML carries them.
constexpr char16_t kEscapedTextMark = 0xFDD0;

bool xmlCarries(const QString& text, qsizetype i)
{
    const char16_t c = text.at(i).unicode();
    if (c < 0x20) {
        return c == u'\t' || c == u'\n' || c == u'\r';
    }
    if (c == 0xFFFE || c == 0xFFFF) {
        return false;
    }
    if (QChar::isHighSurrogate(c)) {
        return i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
    }
    if (QChar::isLowSurrogate(c)) {
        return i > 0 && text.at(i - 1).isHighSurrogate();
    }
    return true;
}

// The UTF-8 bytes a text is stored as.
QByteArray storedText(const QString& text)
{
    bool plain = text.isEmpty() || text.at(0).unicode() != kEscapedTextMark;
    for (qsizetype i = 0; plain && i < text.size(); ++i) {
        plain = xmlCarries(text, i);
    }
    if (plain) {
        return text.toUtf8();
    }
    QString out(1, QChar(kEscapedTextMark));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\')) {
            out += QStringLiteral("\\\\");
        } else if (!xmlCarries(text, i)) {
            out += QStringLiteral("\\u")
                + QString::number(uint(c.unicode()), 16).rightJustified(4, QLatin1Char('0')).toUpper();
        } else {
            out += c;
        }
    }
    return out.toUtf8();
}

// The text a stored string stands for (the reverse of storedText).
QString textOfStored(const char* bytes, qsizetype size)
{
    const QString stored = QString::fromUtf8(bytes ? bytes : "", size);
    if (stored.isEmpty() || stored.at(0).unicode() != kEscapedTextMark) {
        return stored;
    }
    QString text;
    text.reserve(stored.size());
    for (qsizetype i = 1; i < stored.size(); ++i) {
        const QChar c = stored.at(i);
        if (c != QLatin1Char('\\') || i + 1 >= stored.size()) {
            text += c;
        } else if (stored.at(i + 1) == QLatin1Char('\\')) {
            text += c;
            ++i;
        } else if (stored.at(i + 1) == QLatin1Char('u') && i + 5 < stored.size()) {
            bool ok = false;
            const ushort unit = QStringView(stored).sliced(i + 2, 4).toUShort(&ok, 16);
            if (ok) {
                text += QChar(unit);
                i += 5;
            } else {
                text += c;
            }
        } else {
            text += c;
        }
    }
    return text;
}

plist_t toPlist(const QVariant& v);

plist_t listToPlist(const QVariantList& list)
{
    plist_t array = plist_new_array();
    for (const QVariant& item : list) {
        if (plist_t node = toPlist(item)) {
            plist_array_append_item(array, node);
        }
    }
    return array;
}

plist_t mapToPlist(const QVariantMap& map)
{
    plist_t dict = plist_new_dict();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (plist_t node = toPlist(it.value())) {
            plist_dict_set_item(dict, storedText(it.key()).constData(), node);
        }
    }
    return dict;
}

plist_t toPlist(const QVariant& v)
{
    if (!v.isValid() || v.isNull()) {
        // A null string is still a value; other nulls (an absent QVariant) are not stored.
        if (v.typeId() != QMetaType::QString) {
            return nullptr;
        }
    }
    switch (v.typeId()) {
    case QMetaType::Bool:
        return plist_new_bool(v.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        // Property-list integers are stored as 64-bit patterns; negatives round-trip by cast.
        return plist_new_uint(static_cast<uint64_t>(v.toLongLong()));
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return plist_new_uint(v.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(v.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray data = v.toByteArray();
        return plist_new_data(data.constData(), static_cast<uint64_t>(data.size()));
    }
    case QMetaType::QDateTime:
    case QMetaType::QDate: {
        const qint64 ms = v.toDateTime().toMSecsSinceEpoch() - kPlistEpochOffset * 1000;
        qint64 sec = ms / 1000;
        qint64 msRest = ms % 1000;
        if (msRest < 0) {
            msRest += 1000;
            sec -= 1;
        }
        return plist_new_date(static_cast<int32_t>(sec), static_cast<int32_t>(msRest * 1000));
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return listToPlist(v.toList());
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        return mapToPlist(v.toMap());
    }
    default:
        if (v.canConvert<QVariantMap>() && v.typeId() != QMetaType::QString) {
            return mapToPlist(v.toMap());
        }
        return plist_new_string(storedText(v.toString()).constData());
    }
}

QVariant fromPlist(plist_t node, int depth, bool* tooDeep);

// A node that holds no other nodes.
QVariant scalarFromPlist(plist_t node, plist_type type)
{
    switch (type) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return QVariant(b != 0);
    }
    case PLIST_UINT: {
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        return QVariant(static_cast<qint64>(u));
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return QVariant(d);
    }
    case PLIST_STRING: {
        uint64_t len = 0;
        const char* s = plist_get_string_ptr(node, &len);
        return QVariant(textOfStored(s, static_cast<qsizetype>(len)));
    }
    case PLIST_DATA: {
        uint64_t len = 0;
        const char* d = plist_get_data_ptr(node, &len);
        return QVariant(QByteArray(d ? d : "", static_cast<qsizetype>(len)));
    }
    case PLIST_DATE: {
        int32_t sec = 0;
        int32_t usec = 0;
        plist_get_date_val(node, &sec, &usec);
        const qint64 ms = (static_cast<qint64>(sec) + kPlistEpochOffset) * 1000 + usec / 1000;
        return QVariant(QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()));
    }
    default:
        return {};
    }
}

QVariant listFromPlist(plist_t node, int depth, bool* tooDeep)
{
    QVariantList list;
    const uint32_t n = plist_array_get_size(node);
    list.reserve(static_cast<qsizetype>(n));
    for (uint32_t i = 0; i < n; ++i) {
        const QVariant item = fromPlist(plist_array_get_item(node, i), depth + 1, tooDeep);
        if (*tooDeep) {
            return {};
        }
        if (item.isValid()) {
            list.append(item);
        }
    }
    return list;
}

QVariant mapFromPlist(plist_t node, int depth, bool* tooDeep)
{
    QVariantMap map;
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(node, &iter);
    if (!iter) {
        return map;
    }
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, iter, &key, &value);
        if (!key) {
            break;
        }
        const QVariant item = fromPlist(value, depth + 1, tooDeep);
        if (item.isValid()) {
            map.insert(textOfStored(key, qsizetype(qstrlen(key))), item);
        }
        free(key);
        if (*tooDeep) {
            break;
        }
    }
    free(iter);
    return map;
}

// Converts a parsed node. Containers deeper than Defaults::kMaxNesting set *tooDeep and
// convert as empty, so a hostile file cannot exhaust the stack.
QVariant fromPlist(plist_t node, int depth, bool* tooDeep)
{
    if (!node) {
        return {};
    }
    const plist_type type = plist_get_node_type(node);
    if ((type == PLIST_ARRAY || type == PLIST_DICT) && depth > Defaults::kMaxNesting) {
        *tooDeep = true;
        return {};
    }
    switch (type) {
    case PLIST_ARRAY:
        return listFromPlist(node, depth, tooDeep);
    case PLIST_DICT:
        return mapFromPlist(node, depth, tooDeep);
    default:
        return scalarFromPlist(node, type);
    }
}

struct FileSignature
{
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    qint64 mtimeNs = 0;

    bool operator==(const FileSignature&) const = default;
};

FileSignature signatureOf(const QByteArray& path)
{
    struct stat st
    {
    };
    if (::stat(path.constData(), &st) != 0) {
        return {};
    }
    return { true, st.st_dev, st.st_ino, st.st_size,
             static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec };
}

struct ReadResult
{
    QVariantMap values;
    // Empty when the file read fine or does not exist.
    QString error;
    FileSignature signature;
    // The file's bytes as read; empty when it could not be read or does not exist.
    QByteArray bytes;
};

QString readFailure(const QByteArray& path, const QString& why)
{
    return posix::failureMessage(QStringLiteral("read defaults"), QFile::decodeName(path), why);
}

// Reads and parses the file. A missing file is an empty dictionary without error. Opened
// non-blocking, so a FIFO put in the file's place never hangs the reader, and refused unless it
// is a regular file of a sane size. When the bytes equal `known` (those an earlier read parsed
// into `knownValues`), the values are taken from there instead of parsed again: parsing is what
// a read costs, and equal bytes parse to equal values.
ReadResult readFile(const QByteArray& path, const QByteArray* known = nullptr, const QVariantMap* knownValues = nullptr)
{
    ReadResult result;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int code = errno;
        result.signature = signatureOf(path);
        if (code != ENOENT) {
            result.error = readFailure(path, posix::errnoText(code));
        }
        return result;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0) {
        result.error = readFailure(path, posix::errnoText(errno));
        ::close(fd);
        return result;
    }
    result.signature = { true, st.st_dev, st.st_ino, st.st_size,
                         static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec };
    if (!S_ISREG(st.st_mode)) {
        result.error = readFailure(path, QStringLiteral("not a regular file"));
        ::close(fd);
        return result;
    }
    if (st.st_size > Defaults::kMaxFileSize) {
        result.error = readFailure(path, QStringLiteral("larger than %1 bytes").arg(Defaults::kMaxFileSize));
        ::close(fd);
        return result;
    }
    QByteArray bytes;
    if (const int code = posix::readAll(fd, &bytes, Defaults::kMaxFileSize)) {
        result.error = readFailure(path,
                                   code == EFBIG ? QStringLiteral("larger than %1 bytes").arg(Defaults::kMaxFileSize)
                                                 : posix::errnoText(code));
        ::close(fd);
        return result;
    }
    ::close(fd);
    // An empty file holds nothing a write could lose.
    if (bytes.isEmpty()) {
        return result;
    }
    if (known != nullptr && knownValues != nullptr && !known->isEmpty() && bytes == *known) {
        result.values = *knownValues;
        result.bytes = *known; // shares the data
        return result;
    }
    QString why;
    if (!Defaults::parse(bytes, &result.values, &why)) {
        result.error = readFailure(path, why);
    } else {
        result.bytes = std::move(bytes);
    }
    return result;
}

// The name beside the file for its damaged bytes, stamped with the local time.
QByteArray damagedCopyName(const QByteArray& path, int attempt)
{
    QByteArray name
        = path + ".damaged-" + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")).toLatin1();
    if (attempt > 1) {
        name += '-' + QByteArray::number(attempt);
    }
    return name;
}

// Keeps what is at path under a new name beside it without touching it: a second hard link, so
// the bytes (and a FIFO or a file nobody may read) stay exactly as they are, or, where links
// are refused, a copy of the bytes that were read. Never replaces an earlier copy.
bool keepDamagedCopy(const QByteArray& path, QByteArray* copyPath, QString* why)
{
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const QByteArray candidate = damagedCopyName(path, attempt);
        if (::link(path.constData(), candidate.constData()) == 0) {
            *copyPath = candidate;
            return true;
        }
        if (errno == EEXIST) {
            continue;
        }
        const int linkErrno = errno;
        // Where hard links are not offered, copy the bytes of a regular file.
        struct stat st
        {
        };
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
            *why = posix::errnoText(linkErrno);
            return false;
        }
        const int in = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (in < 0) {
            *why = posix::errnoText(errno);
            return false;
        }
        const int out = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (out < 0) {
            const int code = errno;
            ::close(in);
            if (code == EEXIST) {
                continue;
            }
            *why = posix::errnoText(code);
            return false;
        }
        int failure = 0;
        char buf[65536];
        for (qint64 n = 1; n > 0 && failure == 0;) {
            n = posix::readFull(in, buf, sizeof buf);
            failure = n < 0 ? errno : posix::writeAll(out, QByteArrayView(buf, n));
        }
        const bool ok = failure == 0;
        ::close(in);
        if (::close(out) != 0 || !ok) {
            *why = posix::errnoText(ok ? errno : failure);
            ::unlink(candidate.constData());
            return false;
        }
        *copyPath = candidate;
        return true;
    }
    *why = QStringLiteral("too many earlier copies");
    return false;
}

// Writes the values as the whole new suite file, which replaces the old one in one step.
bool writeSuite(const QString& path, const QVariantMap& values, QString* why)
{
    PlistPtr root(mapToPlist(values));
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(static_cast<plist_t>(root.get()), &xml, &length);
    if (!xml) {
        *why = QStringLiteral("cannot encode the property list");
        return false;
    }
    const int code = posix::replaceFile(path, QByteArrayView(xml, length), 0600);
    plist_to_xml_free(xml);
    if (code != 0) {
        *why = posix::errnoText(code);
    }
    return code == 0;
}

// Holds the exclusive lock of a suite file for the duration of one read-modify-write.
class FileLock
{
public:
    explicit FileLock(const QByteArray& lockPath)
    {
        m_fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0) {
            posix::retryOnInterrupt([this] { return ::flock(m_fd, LOCK_EX); });
        }
    }
    ~FileLock()
    {
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_UN);
            ::close(m_fd);
        }
    }
    bool ok() const { return m_fd >= 0; }
    Q_DISABLE_COPY_MOVE(FileLock)

private:
    int m_fd = -1;
};

} // namespace

struct Defaults::State
{
    QVariantMap values;
    FileSignature signature;
    // The bytes `values` were parsed from or written as; empty when unknown.
    QByteArray bytes;
    bool loaded = false;
    QString lastError;
    QString readError;
    QString damagedCopy;
    // The damaged file last logged, so one damaged file is reported once, however often read.
    FileSignature reportedDamage;
    bool damageReported = false;

    void takeRead(const ReadResult& read)
    {
        readError = read.error;
        if (read.error.isEmpty()) {
            return;
        }
        if (!damageReported || !(reportedDamage == read.signature)) {
            qCWarning(lcDefaults).noquote() << read.error;
            reportedDamage = read.signature;
            damageReported = true;
        }
    }

    // An open batch: how deep it is nested, the file lock it holds (none when it could not be
    // taken: then writes go to the file one by one) and the file as it read when it began.
    int batchDepth = 0;
    std::unique_ptr<FileLock> batchLock;
    ReadResult batchRead;

    bool fail(const QString& filePath, const QString& why)
    {
        lastError = posix::failureMessage(QStringLiteral("write defaults"), filePath, why);
        qCWarning(lcDefaults).noquote() << lastError;
        return false;
    }

    // Stores `next` in place of the file as it read (`read`), with the file lock held.
    bool store(const QString& filePath, const ReadResult& read, const QVariantMap& next)
    {
        const QByteArray path = QFile::encodeName(filePath);
        if (next == read.values) {
            // Nothing changed: nothing is written, and a damaged file stays as it is.
            if (read.error.isEmpty()) {
                values = next;
                bytes = read.bytes;
                signature = read.signature;
                loaded = true;
            }
            return true;
        }
        if (!read.error.isEmpty()) {
            // What could not be read is kept before anything takes its place.
            QByteArray copy;
            QString why;
            if (!keepDamagedCopy(path, &copy, &why)) {
                return fail(filePath, QStringLiteral("the unreadable file could not be kept aside (%1)").arg(why));
            }
            damagedCopy = QFile::decodeName(copy);
            qCWarning(lcDefaults).noquote()
                << QStringLiteral("Kept the unreadable defaults aside before writing. File: \"%1\". Copy: \"%2\"")
                       .arg(filePath, damagedCopy);
        }

        QString why;
        if (!writeSuite(filePath, next, &why)) {
            return fail(filePath, why);
        }
        values = next;
        // What a read of the new file answers comes from parsing it (a value may read back in
        // its stored form), so the next read parses it once.
        bytes.clear();
        signature = signatureOf(path);
        loaded = true;
        lastError.clear();
        readError.clear();
        return true;
    }
};

bool Defaults::parse(const QByteArray& bytes, QVariantMap* values, QString* error)
{
    values->clear();
    // Some editors save a UTF-8 byte-order mark in front; the property-list parser refuses it.
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF")) {
        view = view.sliced(3);
    }
    if (view.isEmpty() || view.size() > kMaxFileSize) {
        *error = view.isEmpty() ? QStringLiteral("not a property list") : QStringLiteral("too large");
        return false;
    }
    // Suites are XML property lists. The binary form is refused: libplist's binary reader
    // aborts the process on some damaged files (a dictionary key that is not a string), and
    // nothing here writes that form.
    if (view.startsWith("bplist")) {
        *error = QStringLiteral("a binary property list, which is not read here");
        return false;
    }
    if (!view.trimmed().startsWith("<")) {
        *error = QStringLiteral("not a property list");
        return false;
    }
    plist_t root = nullptr;
    plist_from_xml(view.data(), static_cast<uint32_t>(view.size()), &root);
    PlistPtr holder(root);
    if (!root) {
        *error = QStringLiteral("not a property list");
        return false;
    }
    if (plist_get_node_type(root) != PLIST_DICT) {
        *error = QStringLiteral("the property list does not hold a dictionary");
        return false;
    }
    bool tooDeep = false;
    const QVariant converted = fromPlist(root, 1, &tooDeep);
    if (tooDeep) {
        *error = QStringLiteral("nested deeper than %1 levels").arg(kMaxNesting);
        return false;
    }
    *values = converted.toMap();
    return true;
}

Defaults::Defaults(const QString& filePath)
    : m_filePath(filePath)
    , m_state(std::make_unique<State>())
{
}

Defaults::~Defaults() = default;

Defaults& Defaults::forFile(const QString& filePath)
{
    // One object per file for the whole process: callers keep the reference, so an entry is
    // never removed. The registry owns them and destroys them at exit.
    static QMutex registryMutex;
    static std::map<QString, std::unique_ptr<Defaults>> registry;
    const QString key = QDir::cleanPath(filePath);
    QMutexLocker lock(&registryMutex);
    std::unique_ptr<Defaults>& slot = registry[key];
    if (!slot) {
        slot = std::make_unique<Defaults>(key);
    }
    return *slot;
}

Defaults& Defaults::standard()
{
    return forFile(Paths::standardDefaultsFile(System::bundleIdentifier()));
}

Defaults& Defaults::suite(const QString& name)
{
    if (name.startsWith(QStringLiteral("group."))) {
        return forFile(Paths::groupSuiteFile(name));
    }
    return forFile(Paths::standardDefaultsFile(name));
}

void Defaults::refreshLocked() const
{
    if (m_state->batchLock) {
        // A batch holds the file: nobody else writes it, and the values in memory are newer.
        return;
    }
    const QByteArray path = QFile::encodeName(m_filePath);
    const FileSignature sig = signatureOf(path);
    // Coarse file-system timestamps and reused inode numbers can make two quick writes look
    // alike, so a file changed within the last moments is always read again.
    const qint64 nowNs = QDateTime::currentMSecsSinceEpoch() * 1000000LL;
    const bool recent = sig.exists && nowNs - sig.mtimeNs < 200 * 1000000LL;
    if (m_state->loaded && sig == m_state->signature && !recent) {
        return;
    }
    const ReadResult read = readFile(path, &m_state->bytes, &m_state->values);
    m_state->values = read.values;
    m_state->bytes = read.bytes;
    m_state->takeRead(read);
    m_state->signature = sig;
    m_state->loaded = true;
}

QVariant Defaults::value(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    refreshLocked();
    return m_state->values.value(key);
}

bool Defaults::contains(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    refreshLocked();
    return m_state->values.contains(key);
}

QVariantMap Defaults::dictionaryRepresentation() const
{
    QMutexLocker lock(&m_mutex);
    refreshLocked();
    return m_state->values;
}

QString Defaults::lastError() const
{
    QMutexLocker lock(&m_mutex);
    return m_state->lastError;
}

QString Defaults::lastReadError() const
{
    QMutexLocker lock(&m_mutex);
    refreshLocked();
    return m_state->readError;
}

QString Defaults::lastDamagedCopy() const
{
    QMutexLocker lock(&m_mutex);
    return m_state->damagedCopy;
}

bool Defaults::updateAll(const std::function<void(QVariantMap&)>& fn)
{
    QMutexLocker lock(&m_mutex);
    if (m_state->batchLock) {
        // The batch holds the file, and the values in memory are the file's.
        fn(m_state->values);
        return true;
    }
    const QByteArray path = QFile::encodeName(m_filePath);
    if (!Paths::ensureFolder(QFileInfo(m_filePath).absolutePath())) {
        return m_state->fail(m_filePath, QStringLiteral("cannot create the folder"));
    }
    FileLock fileLock(path + ".lock");
    if (!fileLock.ok()) {
        return m_state->fail(m_filePath, posix::errnoText(errno));
    }

    // Always start from the file as it is now: another process may have written since.
    const ReadResult read = readFile(path, &m_state->bytes, &m_state->values);
    m_state->takeRead(read);
    QVariantMap values = read.values;
    fn(values);
    return m_state->store(m_filePath, read, values);
}

void Defaults::beginBatch()
{
    QMutexLocker lock(&m_mutex);
    if (m_state->batchDepth++ > 0) {
        return;
    }
    const QByteArray path = QFile::encodeName(m_filePath);
    if (!Paths::ensureFolder(QFileInfo(m_filePath).absolutePath())) {
        return;
    }
    auto fileLock = std::make_unique<FileLock>(path + ".lock");
    if (!fileLock->ok()) {
        return;
    }
    m_state->batchRead = readFile(path, &m_state->bytes, &m_state->values);
    m_state->takeRead(m_state->batchRead);
    m_state->values = m_state->batchRead.values;
    m_state->bytes = m_state->batchRead.bytes;
    m_state->signature = m_state->batchRead.signature;
    m_state->loaded = true;
    m_state->batchLock = std::move(fileLock);
}

bool Defaults::endBatch()
{
    QMutexLocker lock(&m_mutex);
    if (m_state->batchDepth == 0 || --m_state->batchDepth > 0 || !m_state->batchLock) {
        return true;
    }
    const ReadResult read = std::exchange(m_state->batchRead, ReadResult());
    const QVariantMap values = m_state->values;
    if (!read.error.isEmpty()) {
        // The damaged file is read again until something replaces it.
        m_state->loaded = false;
    }
    const bool stored = m_state->store(m_filePath, read, values);
    m_state->batchLock.reset();
    return stored;
}

Defaults::Batch::Batch(Defaults& defaults)
    : m_defaults(&defaults)
{
    m_defaults->beginBatch();
}

Defaults::Batch::~Batch()
{
    commit();
}

bool Defaults::Batch::commit()
{
    if (!m_open) {
        return true;
    }
    m_open = false;
    return m_defaults->endBatch();
}

bool Defaults::update(const QString& key, const std::function<QVariant(const QVariant&)>& fn)
{
    return updateAll([&](QVariantMap& values) {
        const QVariant next = fn(values.value(key));
        if (next.isValid()) {
            values.insert(key, next);
        } else {
            values.remove(key);
        }
    });
}

bool Defaults::setValue(const QString& key, const QVariant& value)
{
    return update(key, [&](const QVariant&) { return value; });
}

bool Defaults::remove(const QString& key)
{
    return setValue(key, QVariant());
}

bool Defaults::setDictionaryRepresentation(const QVariantMap& all)
{
    return updateAll([&](QVariantMap& values) { values = all; });
}

bool Defaults::boolValue(const QString& key) const
{
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        return s == QStringLiteral("yes") || s == QStringLiteral("true") || s.toLongLong() != 0;
    }
    return v.toBool();
}

qint64 Defaults::integerValue(const QString& key) const
{
    return value(key).toLongLong();
}

double Defaults::doubleValue(const QString& key) const
{
    return value(key).toDouble();
}

QString Defaults::stringValue(const QString& key) const
{
    const QVariant v = value(key);
    switch (v.typeId()) {
    case QMetaType::QString:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return v.toString();
    default:
        return {};
    }
}

QVariantList Defaults::arrayValue(const QString& key) const
{
    const QVariant v = value(key);
    return v.typeId() == QMetaType::QVariantList ? v.toList() : QVariantList();
}

QVariantMap Defaults::dictionaryValue(const QString& key) const
{
    const QVariant v = value(key);
    return v.typeId() == QMetaType::QVariantMap ? v.toMap() : QVariantMap();
}

} // namespace platform
