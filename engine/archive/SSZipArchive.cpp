// The writer over libzip and the name, date and text helpers. libzip gathers the entries and
// writes the archive when it is closed, into a temporary file that then replaces the target,
// so a failed or cancelled write never leaves a partial archive at the path.

#include "engine/archive/SSZipArchive.h"
#include "engine/archive/SSZipDeflater.h"
#include "engine/archive/SSZipFileSource.h"
#include "foundation/StringExpandCharset.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStringDecoder>

#include <algorithm>
#include <list>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

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
    zip_t* zip = nullptr;
    bool failed = false;
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
    return openWithFlags(0);
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
    zip_t* zip = m_writer->zip;
    const bool folder = data == nullptr && file.isEmpty();
    const int deflateLevel = level < 0 ? kDefaultLevel : qMin(level, 9);
    zip_source_t* source = nullptr;
    if (!file.isEmpty()) {
        // Files are deflated on several threads before libzip writes them; stored ones are not.
        SSZipDeflater* deflater = deflateLevel > 0 ? m_writer->deflater.get() : nullptr;
        const qint64 first = deflater ? deflater->addFile(QFile::encodeName(file), qint64(fileSize), deflateLevel) : 0;
        source = SSZipFileSource::create(zip, file, name, fileSize, time_t(date.toSecsSinceEpoch()), &m_writer->hooks,
                                         deflater, first);
    } else {
        const QByteArray& kept = m_writer->buffers.emplace_back(data ? *data : QByteArray());
        source = zip_source_buffer(zip, kept.constData(), zip_uint64_t(kept.size()), 0);
    }
    if (source == nullptr) {
        return false;
    }
    const QByteArray entryName = (folder ? name + QLatin1Char('/') : name).toUtf8();
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
    ok = ok && zip_file_set_external_attributes(zip, at, 0, ZIP_OPSYS_UNIX, attributes) == 0;
    ok = ok && zip_file_set_mtime(zip, at, time_t(date.toSecsSinceEpoch()), 0) == 0;
    Q_UNUSED(isLink)
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
    zip_t* zip = m_writer->zip;
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
    m_writer.reset();
    return ok;
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
