// The writer and the name, date and text helpers. The writer gathers the entries and writes the
// archive when it is closed, into a temporary file that then replaces the target, so a failed
// or cancelled write never leaves a partial archive at the path.
//
// A new archive is written with our own records: its files are deflated and, under a
// password, encrypted (WinZip AES-256) on several threads, then written in order. Appending to
// an archive and PKWARE encryption go through libzip, which encrypts on the writing thread.

#include "engine/archive/SSZipArchive.h"
#include "engine/archive/SSZipAes.h"
#include "engine/archive/SSZipDeflater.h"
#include "engine/archive/SSZipFileSource.h"
#include "engine/archive/SSZipRecordWriter.h"
#include "foundation/StringExpandCharset.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <list>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include "platform/LateLibrary.h"

// libzip is opened on first use: these names call through platform/LateLibrary.h. The fuzz
// targets, which build this file alone, link the library instead.
#ifndef TARSEL_LINKED_LIBRARIES
#define zip_close TARSEL_LATE(platform::zipLibrary, zip_close)
#define zip_discard TARSEL_LATE(platform::zipLibrary, zip_discard)
#define zip_file_add TARSEL_LATE(platform::zipLibrary, zip_file_add)
#define zip_file_set_encryption TARSEL_LATE(platform::zipLibrary, zip_file_set_encryption)
#define zip_file_set_external_attributes TARSEL_LATE(platform::zipLibrary, zip_file_set_external_attributes)
#define zip_file_set_mtime TARSEL_LATE(platform::zipLibrary, zip_file_set_mtime)
#define zip_open TARSEL_LATE(platform::zipLibrary, zip_open)
#define zip_register_cancel_callback_with_state                                                                        \
    TARSEL_LATE(platform::zipLibrary, zip_register_cancel_callback_with_state)
#define zip_register_progress_callback_with_state                                                                      \
    TARSEL_LATE(platform::zipLibrary, zip_register_progress_callback_with_state)
#define zip_set_file_compression TARSEL_LATE(platform::zipLibrary, zip_set_file_compression)
#define zip_source_buffer TARSEL_LATE(platform::zipLibrary, zip_source_buffer)
#define zip_source_free TARSEL_LATE(platform::zipLibrary, zip_source_free)
#define zip_strerror TARSEL_LATE(platform::zipLibrary, zip_strerror)
#endif

Q_LOGGING_CATEGORY(lcZipWrite, "tarsel.engine.zip.write", QtWarningMsg)

struct SSZipArchive::Writer
{
    /// An entry as it was added; the archive is written from these when it is closed.
    struct Entry
    {
        QString name;
        bool folder = false;
        QByteArray data; ///< the content of an entry not read from a file
        QString file;
        quint64 fileSize = 0;
        int level = -1;
        QString password;
        bool aes = true;
        quint32 attributes = 0;
        QDateTime date;
    };

    zip_t* zip = nullptr;
    bool appending = false;
    std::vector<Entry> entries;
    /// A name added again replaces the earlier entry, in its place.
    QHash<QString, size_t> byName;
    /// Contents handed to libzip by reference live until the archive is written.
    std::list<QByteArray> buffers;
    /// What the file sources call while close() writes them.
    SSZipFileSource::Hooks hooks;
    /// Deflates the files ahead of libzip while close() writes; outlives the sources.
    std::unique_ptr<SSZipDeflater> deflater;
};

namespace {

/// The deflate level of "the default" (-1): zlib's own default, which costs a fifth of the
/// time of the highest level for half a percent more bytes.
constexpr int kDefaultLevel = 6;

int deflateLevelOf(int level)
{
    return level < 0 ? kDefaultLevel : qMin(level, 9);
}

/// The bytes as one raw deflate stream; false when zlib fails.
bool deflateAll(const QByteArray& data, int level, QByteArray* out)
{
    z_stream stream {};
    if (deflateInit2(&stream, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return false;
    }
    out->resize(qsizetype(deflateBound(&stream, uLong(data.size())) + 16));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out->data());
    stream.avail_out = uInt(out->size());
    const bool ok = ::deflate(&stream, Z_FINISH) == Z_STREAM_END;
    out->truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return ok;
}

/// Claims a hidden name beside the path (O_EXCL, so no other file is ever written to); the
/// descriptor, or -1 with errno.
int claimScratch(const QString& path, QString* scratch)
{
    const QFileInfo target(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *scratch = target.dir().filePath(QStringLiteral(".%1.%2")
                                             .arg(target.fileName())
                                             .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        const int fd = ::open(QFile::encodeName(*scratch).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

} // namespace

SSZipArchive::SSZipArchive(const QString& path)
    : m_path(path)
{
}

SSZipArchive::~SSZipArchive()
{
    if (m_writer) {
        zip_discard(m_writer->zip);
    }
}

bool SSZipArchive::open()
{
    return openWithFlags(ZIP_CREATE | ZIP_TRUNCATE);
}

bool SSZipArchive::openForAppending()
{
    const bool ok = openWithFlags(0);
    if (ok) {
        m_writer->appending = true;
    }
    return ok;
}

bool SSZipArchive::openWithFlags(int flags)
{
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(m_path).constData(), flags, &error);
    if (zip == nullptr) {
        return false;
    }
    m_writer = std::make_unique<Writer>();
    m_writer->zip = zip;
    m_writer->hooks.started = [this](const QString& name) {
        if (m_entryStarted) {
            m_entryStarted(name);
        }
    };
    m_writer->hooks.cancelled = [this] { return m_cancelled && m_cancelled(); };
    m_writer->deflater = std::make_unique<SSZipDeflater>(m_writer->hooks.cancelled);
    return true;
}

bool SSZipArchive::addEntry(const QString& name, const QByteArray* data, const QString& file, quint64 fileSize,
                            int level, const QString& password, bool aes, quint32 attributes, const QDateTime& date,
                            bool isLink)
{
    if (!m_writer || name.isEmpty()) {
        return false;
    }
    Q_UNUSED(isLink)
    Writer::Entry entry;
    entry.name = name;
    entry.folder = data == nullptr && file.isEmpty();
    entry.data = data ? *data : QByteArray();
    entry.file = file;
    entry.fileSize = fileSize;
    entry.level = level;
    entry.password = password;
    entry.aes = aes;
    entry.attributes = attributes;
    entry.date = date;
    const QString key = entry.folder ? name + QLatin1Char('/') : name;
    const auto known = m_writer->byName.constFind(key);
    if (known != m_writer->byName.cend()) {
        m_writer->entries[*known] = std::move(entry);
    } else {
        m_writer->byName.insert(key, m_writer->entries.size());
        m_writer->entries.push_back(std::move(entry));
    }
    return true;
}

bool SSZipArchive::addToLibzip(size_t position)
{
    const Writer::Entry& entry = m_writer->entries[position];
    zip_t* zip = m_writer->zip;
    const bool folder = entry.folder;
    const int level = entry.level;
    const QString& password = entry.password;
    const bool aes = entry.aes;
    const int deflateLevel = deflateLevelOf(level);
    zip_source_t* source = nullptr;
    if (!entry.file.isEmpty()) {
        // Files are deflated on several threads before libzip writes them; stored ones are not.
        SSZipDeflater* deflater = deflateLevel > 0 ? m_writer->deflater.get() : nullptr;
        const qint64 first
            = deflater ? deflater->addFile(QFile::encodeName(entry.file), qint64(entry.fileSize), deflateLevel) : 0;
        source = SSZipFileSource::create(zip, entry.file, entry.name, entry.fileSize,
                                         time_t(entry.date.toSecsSinceEpoch()), &m_writer->hooks, deflater, first);
    } else {
        const QByteArray& kept = m_writer->buffers.emplace_back(entry.data);
        source = zip_source_buffer(zip, kept.constData(), zip_uint64_t(kept.size()), 0);
    }
    if (source == nullptr) {
        return false;
    }
    const QByteArray entryName = (folder ? entry.name + QLatin1Char('/') : entry.name).toUtf8();
    const zip_int64_t index = zip_file_add(zip, entryName.constData(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    const auto at = zip_uint64_t(index);
    // Folders carry no content: stored, never AES (the password still applies).
    const bool store = folder || level == 0;
    bool ok = zip_set_file_compression(zip, at, store ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                       zip_uint32_t(store ? 0 : deflateLevel))
        == 0;
    if (!password.isEmpty()) {
        const zip_uint16_t method = aes && !folder ? ZIP_EM_AES_256 : ZIP_EM_TRAD_PKWARE;
        ok = ok && zip_file_set_encryption(zip, at, method, password.toUtf8().constData()) == 0;
    }
    // Made on Unix: every unzip reads the file type and permission bits of these attributes.
    ok = ok && zip_file_set_external_attributes(zip, at, 0, ZIP_OPSYS_UNIX, entry.attributes) == 0;
    ok = ok && zip_file_set_mtime(zip, at, time_t(entry.date.toSecsSinceEpoch()), 0) == 0;
    return ok;
}

bool SSZipArchive::writeFile(const QString& path, const QString& withPassword)
{
    return writeFileAtPath(path, QString(), -1, withPassword, true);
}

bool SSZipArchive::writeFileAtPath(const QString& path, const QString& withFileName, const QString& withPassword)
{
    return writeFileAtPath(path, withFileName, -1, withPassword, true);
}

bool SSZipArchive::writeFileAtPath(const QString& path, const QString& withFileName, int compressionLevel,
                                   const QString& password, bool aes)
{
    // libzip reads the file when the archive is written; open it now to answer for it now.
    // Non-blocking: a FIFO put in the file's place is refused below instead of waited on.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st;
    if (fd < 0) {
        return false;
    }
    const bool stated = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!stated) {
        return false;
    }
    const QString name = withFileName.isEmpty() ? QFileInfo(path).fileName() : withFileName;
    const quint32 attributes = (quint32(st.st_mode & 07777) | S_IFREG) << 16;
    return addEntry(name, nullptr, path, quint64(st.st_size), compressionLevel, password, aes, attributes,
                    QDateTime::fromSecsSinceEpoch(st.st_mtime), false);
}

bool SSZipArchive::writeFolderAtPath(const QString& path, const QString& withFolderName, const QString& withPassword)
{
    struct stat st;
    const bool stated = ::stat(QFile::encodeName(path).constData(), &st) == 0;
    const quint32 attributes = ((stated ? quint32(st.st_mode & 07777) : 0755u) | S_IFDIR) << 16;
    const QDateTime date = stated ? QDateTime::fromSecsSinceEpoch(st.st_mtime) : QDateTime::currentDateTime();
    return addEntry(withFolderName, nullptr, QString(), 0, 0, withPassword, false, attributes, date, false);
}

bool SSZipArchive::writeSymlinkFileAtPath(const QString& path, const QString& withFileName, int compressionLevel,
                                          const QString& password, bool aes)
{
    const QByteArray native = QFile::encodeName(path);
    char target[1024];
    const ssize_t n = ::readlink(native.constData(), target, sizeof target);
    struct stat st;
    if (n < 0 || ::lstat(native.constData(), &st) != 0) {
        qCWarning(lcZipWrite) << "[SSZipArchive] Failed to read sylink";
        return false;
    }
    const QByteArray content(target, n);
    const QString name = withFileName.isEmpty() ? QFileInfo(path).fileName() : withFileName;
    return addEntry(name, &content, QString(), 0, compressionLevel, password, aes, quint32(st.st_mode) << 16,
                    QDateTime::fromSecsSinceEpoch(st.st_mtime), true);
}

bool SSZipArchive::writeData(const QByteArray& data, const QString& filename, const QString& withPassword)
{
    return writeData(data, filename, -1, withPassword, true);
}

bool SSZipArchive::writeData(const QByteArray& data, const QString& filename, int compressionLevel,
                             const QString& password, bool aes)
{
    return addEntry(filename, &data, QString(), 0, compressionLevel, password, aes, (0644u | S_IFREG) << 16,
                    QDateTime::currentDateTime(), false);
}

bool SSZipArchive::close()
{
    if (!m_writer) {
        return false;
    }
    // PKWARE encryption of a file's content is left to libzip, and so is adding to an archive.
    const bool libzip = m_writer->appending
        || std::any_of(m_writer->entries.cbegin(), m_writer->entries.cend(),
                       [](const Writer::Entry& e) { return !e.folder && !e.password.isEmpty() && !e.aes; });
    const bool ok = libzip ? closeWithLibzip() : closeWithRecords();
    m_writer.reset();
    return ok;
}

bool SSZipArchive::closeWithLibzip()
{
    zip_t* zip = m_writer->zip;
    bool added = true;
    for (size_t i = 0; i < m_writer->entries.size(); ++i) {
        added = added && addToLibzip(i);
    }
    if (!added) {
        qCWarning(lcZipWrite).noquote() << "[SSZipArchive] failed to add an entry to" << m_path;
        zip_discard(zip);
        return false;
    }
    if (m_progress) {
        zip_register_progress_callback_with_state(
            zip, 0.01, [](zip_t*, double done, void* self) { static_cast<SSZipArchive*>(self)->m_progress(done); },
            nullptr, this);
    }
    if (m_cancelled) {
        zip_register_cancel_callback_with_state(
            zip, [](zip_t*, void* self) { return static_cast<SSZipArchive*>(self)->m_cancelled() ? 1 : 0; }, nullptr,
            this);
    }
    m_writer->deflater->start();
    const bool ok = zip_close(zip) == 0;
    if (!ok) {
        qCWarning(lcZipWrite).noquote() << "[SSZipArchive] failed to write" << m_path << zip_strerror(zip);
        zip_discard(zip);
    }
    return ok;
}

bool SSZipArchive::closeWithRecords()
{
    zip_discard(m_writer->zip);
    m_writer->zip = nullptr;
    QString scratch;
    const int fd = claimScratch(m_path, &scratch);
    int error = fd < 0 ? errno : 0;
    bool ok = fd >= 0 && writeRecords(fd, &error);
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        error = errno;
        ok = false;
    }
    if (ok && ::rename(QFile::encodeName(scratch).constData(), QFile::encodeName(m_path).constData()) != 0) {
        error = errno;
        ok = false;
    }
    if (!ok) {
        if (fd >= 0) {
            ::unlink(QFile::encodeName(scratch).constData());
        }
        qCWarning(lcZipWrite).noquote() << "[SSZipArchive] failed to write" << m_path << qt_error_string(error);
    }
    return ok;
}

bool SSZipArchive::writeRecords(int fd, int* error)
{
    const std::vector<Writer::Entry>& entries = m_writer->entries;
    const auto cancelled = [this] { return m_cancelled && m_cancelled(); };
    SSZipRecordWriter out(fd);
    SSZipDeflater deflater(m_writer->hooks.cancelled);
    std::vector<qint64> firstPiece(entries.size(), 0);
    quint64 total = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Writer::Entry& e = entries[i];
        if (!e.file.isEmpty()) {
            const QByteArray password = e.password.isEmpty() ? QByteArray() : e.password.toUtf8();
            firstPiece[i]
                = deflater.addFile(QFile::encodeName(e.file), qint64(e.fileSize), deflateLevelOf(e.level), password);
        }
        total += e.file.isEmpty() ? quint64(e.data.size()) : e.fileSize;
    }
    deflater.start();
    quint64 done = 0;
    double reported = 0;
    const auto advance = [&](quint64 bytes) {
        done += bytes;
        const double fraction = total > 0 ? qMin(1.0, double(done) / double(total)) : 1.0;
        if (m_progress && fraction - reported >= 0.01) {
            reported = fraction;
            m_progress(fraction);
        }
    };
    const auto failWith = [error](int code) {
        *error = code;
        return false;
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        const Writer::Entry& e = entries[i];
        if (cancelled()) {
            return failWith(ECANCELED);
        }
        const int level = e.folder ? 0 : deflateLevelOf(e.level);
        SSZipRecordWriter::Entry record;
        record.name = (e.folder ? e.name + QLatin1Char('/') : e.name).toUtf8();
        record.method = level == 0 ? 0 : 8;
        // Folders carry no content: never encrypted.
        record.aes = !e.folder && !e.password.isEmpty();
        const quint32 dos = _msdosDateWithDate(e.date);
        record.dosDate = dos != 0 ? dos : 0x00210000; // 1 January 1980, the first date there is
        record.externalAttributes = e.attributes;
        if (!e.file.isEmpty()) {
            if (m_entryStarted) {
                m_entryStarted(e.name);
            }
            if (!out.startEntry(record, e.fileSize)) {
                return failWith(out.error());
            }
            quint32 crc = quint32(crc32(0, nullptr, 0));
            bool shrunk = false;
            const qint64 pieces = SSZipDeflater::pieceCount(qint64(e.fileSize));
            for (qint64 p = 0; p < pieces; ++p) {
                if (cancelled()) {
                    return failWith(ECANCELED);
                }
                SSZipDeflater::Piece piece = deflater.take(firstPiece[i] + p);
                if (piece.error != 0) {
                    return failWith(piece.error > 0 ? piece.error : EIO);
                }
                // A file that shrank ends early; one that shrank and grew again would leave a gap.
                if (shrunk && piece.read > 0) {
                    return failWith(EIO);
                }
                shrunk = shrunk || piece.read < piece.planned;
                crc = quint32(crc32_combine(crc, piece.crc, z_off_t(piece.read)));
                record.uncompressedSize += quint64(piece.read);
                record.compressedSize += quint64(piece.head.size() + piece.deflated.size() + piece.code.size());
                if (!out.write(piece.head) || !out.write(piece.deflated) || !out.write(piece.code)) {
                    return failWith(out.error());
                }
                deflater.recycle(std::move(piece.deflated));
                advance(quint64(piece.read));
            }
            record.crc = crc;
        } else if (!e.folder) {
            QByteArray body;
            if (level == 0) {
                body = e.data;
            } else if (!deflateAll(e.data, level, &body)) {
                return failWith(EIO);
            }
            record.crc = quint32(
                crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(e.data.constData()), uInt(e.data.size())));
            record.uncompressedSize = quint64(e.data.size());
            QByteArray head;
            QByteArray code;
            if (record.aes) {
                SSZipAes aes;
                if (!aes.start(e.password.toUtf8()) || !aes.encrypt(body.data(), body.size())) {
                    return failWith(EIO);
                }
                head = aes.header();
                code = aes.code();
                if (code.isEmpty()) {
                    return failWith(EIO);
                }
            }
            record.compressedSize = quint64(head.size() + body.size() + code.size());
            if (!out.startEntry(record, record.uncompressedSize) || !out.write(head) || !out.write(body)
                || !out.write(code)) {
                return failWith(out.error());
            }
            advance(quint64(e.data.size()));
        } else if (!out.startEntry(record, 0)) {
            return failWith(out.error());
        }
        if (!out.finishEntry(record)) {
            return failWith(out.error());
        }
    }
    return out.finish() || failWith(out.error());
}

bool SSZipArchive::createZipFileAtPath(const QString& path, const QStringList& withFilesAtPaths,
                                       const QString& withPassword, bool keepSymlinks,
                                       const WriteProgressHandler& progressHandler)
{
    SSZipArchive archive(path);
    bool success = archive.open();
    qint64 done = 0;
    for (const QString& file : withFilesAtPaths) {
        const bool link = keepSymlinks && QFileInfo(file).isSymLink();
        success &= link ? archive.writeSymlinkFileAtPath(file, QString(), -1, withPassword, true)
                        : archive.writeFile(file, withPassword);
        if (progressHandler) {
            progressHandler(++done, withFilesAtPaths.size());
        }
    }
    return archive.close() && success;
}

bool SSZipArchive::createZipFileAtPath(const QString& path, const QString& withContentsOfDirectory,
                                       bool keepParentDirectory, int compressionLevel, const QString& password,
                                       bool aes, const WriteProgressHandler& progressHandler, bool keepSymlinks)
{
    SSZipArchive archive(path);
    bool success = archive.open();
    const QDir root(withContentsOfDirectory);
    const QString parent = root.dirName();
    QStringList items;
    QDirIterator it(withContentsOfDirectory, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    keepSymlinks ? QDirIterator::Subdirectories
                                 : QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
    while (it.hasNext()) {
        items << it.next();
    }
    if (keepParentDirectory && items.isEmpty()) {
        success &= archive.writeFolderAtPath(withContentsOfDirectory, parent, password);
    }
    const QString self = QFileInfo(path).absoluteFilePath();
    qint64 done = 0;
    for (const QString& item : items) {
        const QFileInfo info(item);
        const QString relative = root.relativeFilePath(item);
        const QString name = keepParentDirectory ? parent + QLatin1Char('/') + relative : relative;
        if (info.absoluteFilePath() == self) {
            qCWarning(lcZipWrite).noquote()
                << "[SSZipArchive] the archive path and the file path:" << item << "are the same, which is forbidden.";
        } else if (keepSymlinks && info.isSymLink()) {
            success &= archive.writeSymlinkFileAtPath(item, name, compressionLevel, password, aes);
        } else if (info.isDir()) {
            if (QDir(item).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
                success &= archive.writeFolderAtPath(item, name, password);
            }
        } else {
            success &= archive.writeFileAtPath(item, name, compressionLevel, password, aes);
        }
        if (progressHandler) {
            progressHandler(++done, items.size());
        }
    }
    return archive.close() && success;
}

QString SSZipArchive::_filenameStringWithCString(const QByteArray& name, quint16 versionMadeBy, quint16 flag,
                                                 const QString& archiveCharset)
{
    // Names made on MS-DOS without the UTF-8 flag come here already converted from code page
    // 437 by libzip's strict reading; everything else is UTF-8 when it reads as UTF-8.
    Q_UNUSED(versionMadeBy)
    Q_UNUSED(flag)
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(name);
    if (!utf8.hasError()) {
        return text;
    }
    // Written by a system that stored its own code page (Latin-1, Shift-JIS, GBK ...) without
    // saying so: the guess for all the archive's names, else one for this name alone. A name
    // that reads with control characters in it was not read right.
    const auto readIn = [&name](const QString& charset) {
        const QString read = qv::stringWithBytes(name, charset);
        const bool plain = !read.isEmpty()
            && std::none_of(read.cbegin(), read.cend(), [](QChar c) { return c.category() == QChar::Other_Control; });
        return plain ? read : QString();
    };
    QString guessed = readIn(archiveCharset);
    if (guessed.isNull()) {
        guessed = readIn(qv::guessedEncodingName(name));
    }
    return guessed.isNull() ? _hexString(name) : guessed;
}

QString SSZipArchive::_guessedCharsetOfNames(const QList<QByteArray>& names)
{
    // Enough text for a good guess, never more than a bounded sample of an archive's names.
    constexpr qsizetype kSample = 64 * 1024;
    QByteArray sample;
    for (const QByteArray& name : names) {
        if (sample.size() >= kSample) {
            break;
        }
        sample.append(name).append('\n');
    }
    return sample.isEmpty() ? QString() : qv::guessedEncodingName(sample.left(kSample));
}

QDateTime SSZipArchive::_dateWithMSDOSFormat(quint32 msdosDateTime)
{
    const QDate date(int((msdosDateTime >> 25) & 0x7f) + 1980, int((msdosDateTime >> 21) & 0x0f),
                     int((msdosDateTime >> 16) & 0x1f));
    const QTime time(int((msdosDateTime >> 11) & 0x1f), int((msdosDateTime >> 5) & 0x3f),
                     int((msdosDateTime & 0x1f) * 2));
    return QDateTime(date, time);
}

quint32 SSZipArchive::_msdosDateWithDate(const QDateTime& value)
{
    const QDateTime local = value.toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    if (!d.isValid() || d.year() < 1980) {
        return 0;
    }
    return quint32(d.year() - 1980) << 25 | quint32(d.month()) << 21 | quint32(d.day()) << 16 | quint32(t.hour()) << 11
        | quint32(t.minute()) << 5 | quint32(t.second() / 2);
}

QString SSZipArchive::_sanitizedPath(const QString& name)
{
    QString path = name;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.startsWith(QLatin1Char('/')) || path.contains(QChar(0))) {
        return QString();
    }
    QStringList kept;
    for (const QString& part : path.split(QLatin1Char('/'))) {
        if (part.isEmpty() || part == QLatin1String(".")) {
            continue;
        }
        if (part == QLatin1String("..")) {
            // Climbing is refused outright, also where it would stay inside.
            return QString();
        }
        kept << part;
    }
    return kept.isEmpty() ? QStringLiteral("") : kept.join(QLatin1Char('/'));
}

QString SSZipArchive::_hexString(const QByteArray& data)
{
    return QString::fromLatin1(data.toHex().toUpper());
}

QString SSZipArchive::_base64RFC4648(const QByteArray& data)
{
    return QString::fromLatin1(data.toBase64(QByteArray::Base64UrlEncoding));
}
