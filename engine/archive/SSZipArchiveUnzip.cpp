// Extraction and the password test: one entry at a time through a 4096-byte buffer, every
// path reached below the destination's descriptor (SSZipDestination).

#include "engine/archive/SSZipArchive.h"
#include "engine/archive/SSZipArchiveReader.h"
#include "engine/archive/SSZipDestination.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QLoggingCategory>
#include <QPair>
#include <QStringDecoder>

#include <functional>
#include <optional>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcUnzip, "tarsel.engine.zip", QtWarningMsg)

namespace {

using Failure = SSZipArchiveReader::Failure;
constexpr qint64 kBufferSize = 4096;

bool isDirectoryName(const QByteArray& raw)
{
    return raw.endsWith('/') || raw.endsWith('\\');
}

bool isLink(const SSZipFileInfo& info)
{
    return (info.versionMadeBy >> 8) == 3 && ((info.externalAttributes >> 16) & S_IFMT) == S_IFLNK;
}

/// Names made on MS-DOS without the UTF-8 flag are code page 437, which libzip's strict reading
/// has already converted.
bool isUtf8(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    return !utf8.hasError();
}

bool isDosName(const SSZipFileInfo& info)
{
    return (info.versionMadeBy >> 8) == 0 && !(info.flag & 0x0800);
}

QString decodedName(const SSZipFileInfo& info, const QByteArray& raw, const QByteArray& strict,
                    const std::function<QString()>& archiveCharset)
{
    const bool dosName = isDosName(info);
    const QByteArray& name = dosName ? strict : raw;
    const bool utf8 = isUtf8(name);
    return SSZipArchive::_filenameStringWithCString(name, info.versionMadeBy, dosName ? 0x0800 : info.flag,
                                                    utf8 ? QString() : archiveCharset());
}

SSZipError unsafe(const QString& name)
{
    return SSZipError::make(SSZipError::UnsafeEntry,
                            QStringLiteral("refused entry outside the destination: \"%1\"").arg(name));
}

class Extraction
{
public:
    Extraction(const SSZipArchiveReader& reader, const SSZipDestination& destination, const QString& password,
               bool overwrite)
        : m_reader(reader)
        , m_destination(destination)
        , m_password(password)
        , m_overwrite(overwrite)
    {
    }

    bool preserveAttributes = true;
    int nestedZipLevel = 0;
    SSZipArchiveDelegate* delegate = nullptr;
    SSZipError error;
    bool crcFailed = false;
    QList<QPair<QString, qint64>> folderDates;

    /// Every entry in order, then the folders' dates; false when extraction stopped.
    bool all(const QString& path, quint64 fileSize, const SSZipArchive::ProgressHandler& progressHandler);
    /// False stops the loop. *extracted tells whether the entry was written (not skipped).
    bool entry(qint64 index, SSZipFileInfo* info, QString* name, bool* extracted);

private:
    /// The character set guessed once from every name that is neither code page 437 nor UTF-8.
    const QString& namesCharset()
    {
        if (!m_namesCharset) {
            constexpr qsizetype kSample = 64 * 1024;
            QList<QByteArray> names;
            qsizetype sampled = 0;
            for (qint64 i = 0; i < m_reader.count() && sampled < kSample; ++i) {
                SSZipFileInfo info;
                QByteArray raw;
                if (m_reader.info(i, &info, &raw) && !isDosName(info) && !isUtf8(raw)) {
                    names << raw;
                    sampled += raw.size();
                }
            }
            m_namesCharset = SSZipArchive::_guessedCharsetOfNames(names);
        }
        return *m_namesCharset;
    }
    void record(const SSZipError& e)
    {
        if (error.isNull()) {
            error = e;
        }
    }
    /// No free space stops extraction; any other failure to make a folder is only logged.
    bool folderMade(int made);
    bool writeLink(SSZipArchiveReader::Entry& content, const QString& name);
    bool writeFile(SSZipArchiveReader::Entry& content, const QString& name, const SSZipFileInfo& info);
    void restoreAttributes(int fd, const QString& name, const SSZipFileInfo& info);

    const SSZipArchiveReader& m_reader;
    const SSZipDestination& m_destination;
    const QString& m_password;
    bool m_overwrite;
    char m_buffer[kBufferSize];
    std::optional<QString> m_namesCharset;
};

bool Extraction::entry(qint64 index, SSZipFileInfo* info, QString* name, bool* extracted)
{
    *extracted = false;
    Failure failure = Failure::None;
    std::unique_ptr<SSZipArchiveReader::Entry> content = m_reader.open(index, m_password, &failure);
    if (!content) {
        record(SSZipError::make(SSZipError::FailedOpenFileInZip, QStringLiteral("failed to open file in zip file")));
        return false;
    }
    QByteArray raw;
    QByteArray strict;
    if (!m_reader.info(index, info, &raw, &strict)) {
        record(SSZipError::make(SSZipError::FileInfoNotLoadable, QStringLiteral("failed to retrieve info for file")));
        return false;
    }
    const QString decoded = decodedName(*info, raw, strict, [this] { return namesCharset(); });
    if (decoded.startsWith(QLatin1String("__MACOSX/"))) {
        return true;
    }
    *name = SSZipArchive::_sanitizedPath(decoded);
    if (name->isNull()) {
        record(unsafe(decoded));
        return false;
    }
    if (name->isEmpty()) {
        *name = QString::number(index);
    }
    if (delegate != nullptr && !delegate->zipArchiveShouldExtractEntry(*name, *info)) {
        return true;
    }
    const bool directory = isDirectoryName(raw);
    if (preserveAttributes && directory && info->dosDate != 0) {
        folderDates << qMakePair(*name, SSZipArchive::_dateWithMSDOSFormat(info->dosDate).toSecsSinceEpoch());
    }
    const int made = directory ? m_destination.makeFolders(*name) : m_destination.parentOf(*name, true).error;
    if (made == ELOOP || made == ENOTDIR) {
        // A component of the path is a link (or a file): never write through it.
        record(unsafe(*name));
        return false;
    }
    if (!folderMade(made)) {
        return false;
    }
    if (!directory && !m_overwrite && m_destination.exists(*name)) {
        return true;
    }
    *extracted = true;
    if (isLink(*info)) {
        return writeLink(*content, *name);
    }
    return directory || writeFile(*content, *name, *info);
}

bool Extraction::folderMade(int made)
{
    if (made == ENOSPC) {
        record(SSZipError::make(made, QStringLiteral("no space left on device"), QStringLiteral("NSCocoaErrorDomain")));
        return false;
    }
    if (made != 0) {
        qCWarning(lcUnzip).noquote() << "[SSZipArchive] Error:" << qt_error_string(made);
    }
    return true;
}

bool Extraction::writeLink(SSZipArchiveReader::Entry& content, const QString& name)
{
    QByteArray target;
    for (qint64 n; (n = content.read(m_buffer, kBufferSize)) != 0;) {
        if (n < 0 || target.size() > 4 * kBufferSize) {
            return false;
        }
        target.append(m_buffer, n);
    }
    if (!SSZipDestination::isInside(name, target)) {
        record(unsafe(name));
        return false;
    }
    if (const int e = m_destination.makeLink(name, target, m_overwrite); e != 0) {
        const QString text
            = QStringLiteral("Failed to create symbolic link at \"%1\" to \"%2\" - symlink() error code: %3")
                  .arg(name, QString::fromUtf8(target))
                  .arg(e);
        qCWarning(lcUnzip).noquote() << "[SSZipArchive]" << text;
        record(SSZipError::make(-1, text, SSZipError::kPOSIXDomain));
        return false;
    }
    return true;
}

bool Extraction::writeFile(SSZipArchiveReader::Entry& content, const QString& name, const SSZipFileInfo& info)
{
    int openError = 0;
    const int fd = m_destination.openForWriting(name, &openError);
    if (fd < 0) {
        if (openError == EISDIR) {
            return true;
        }
        qCWarning(lcUnzip).noquote() << "[SSZipArchive] Failed to open file on unzipping.(" << name << ")";
        if (openError == ELOOP) {
            record(unsafe(name));
            return false;
        }
        if (openError == EMFILE || openError == ENOSPC) {
            record(SSZipError::make(openError, qt_error_string(openError), SSZipError::kPOSIXDomain));
            return false;
        }
        return true;
    }
    bool success = true;
    quint64 written = 0;
    for (qint64 n; (n = content.read(m_buffer, kBufferSize)) != 0;) {
        if (n < 0) {
            crcFailed = content.failure() == Failure::Crc;
            success = false;
            break;
        }
        // An entry never writes more than its record says it holds: a caller that bounded the
        // archive by its records (a few kilobytes claiming a few bytes each) gets that bound.
        written += quint64(n);
        if (written > info.uncompressedSize) {
            record(SSZipError::make(SSZipError::FileContentNotReadable,
                                    QStringLiteral("entry larger than its record says: \"%1\"").arg(name)));
            success = false;
            break;
        }
        if (::write(fd, m_buffer, size_t(n)) != n) {
            qCWarning(lcUnzip).noquote() << "[SSZipArchive] Failed to write file (check your free space)";
            record(SSZipError::make(SSZipError::FailedToWriteFile,
                                    QStringLiteral("Failed to write file (check your free space)")));
            success = false;
            break;
        }
    }
    if (success && preserveAttributes) {
        restoreAttributes(fd, name, info);
    }
    ::close(fd);
    return success;
}

void Extraction::restoreAttributes(int fd, const QString& name, const SSZipFileInfo& info)
{
    if (info.dosDate != 0) {
        struct timespec times[2];
        times[0].tv_sec = times[1].tv_sec = SSZipArchive::_dateWithMSDOSFormat(info.dosDate).toSecsSinceEpoch();
        times[0].tv_nsec = times[1].tv_nsec = 0;
        if (::futimens(fd, times) != 0) {
            qCWarning(lcUnzip) << "[SSZipArchive] Failed to set attributes - whilst setting modification date";
        }
    }
    // Only the permission bits: a stored set-user-id, set-group-id or sticky bit is dropped.
    const mode_t mode = ((info.externalAttributes >> 16) & 0777) | 0600;
    if (::fchmod(fd, mode) != 0) {
        qCWarning(lcUnzip).noquote() << "[SSZipArchive] Failed to set attributes - whilst setting permissions" << name;
    }
}

bool Extraction::all(const QString& path, quint64 fileSize, const SSZipArchive::ProgressHandler& progressHandler)
{
    bool success = true;
    quint64 position = 0;
    const qint64 total = m_reader.count();
    for (qint64 index = 0; index < total && success; ++index) {
        SSZipFileInfo info;
        QString name;
        bool extracted = false;
        if (delegate != nullptr) {
            // The record is read again inside entry(); here it only feeds the delegate.
            QByteArray raw;
            m_reader.info(index, &info, &raw);
            if (!delegate->zipArchiveShouldUnzipFileAtIndex(index, total, path, info)) {
                return false;
            }
            delegate->zipArchiveWillUnzipFileAtIndex(index, total, path, info);
            position += info.compressedSize;
            delegate->zipArchiveProgressEvent(position, fileSize);
        }
        success = entry(index, &info, &name, &extracted);
        if (!success || !extracted) {
            continue;
        }
        const QString full = QDir(m_destination.folder()).filePath(name);
        if (nestedZipLevel > 0 && name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive)) {
            if (SSZipArchive::unzipFileAtPath(full, QFileInfo(full).path(), preserveAttributes, m_overwrite,
                                              nestedZipLevel - 1, m_password, nullptr, nullptr, {}, {})) {
                QFile::remove(full);
            }
        }
        if (delegate != nullptr) {
            delegate->zipArchiveDidUnzipFileAtIndex(index, total, path, info);
        }
        if (progressHandler) {
            progressHandler(name, info, index, total);
        }
    }
    if (preserveAttributes && success) {
        for (const auto& [folderName, seconds] : folderDates) {
            if (m_destination.setDate(folderName, seconds) != 0) {
                qCWarning(lcUnzip).noquote() << "[SSZipArchive] Set attributes failed for directory:" << folderName;
            }
        }
    }
    return success;
}

} // namespace

bool SSZipArchive::unzipFileAtPath(const QString& path, const QString& destination, bool preserveAttributes,
                                   bool overwrite, int nestedZipLevel, const QString& password, SSZipError* error,
                                   SSZipArchiveDelegate* delegate, const ProgressHandler& progressHandler,
                                   const CompletionHandler& completionHandler)
{
    const auto fail = [&](const SSZipError& e) {
        if (error != nullptr) {
            *error = e;
        }
        if (completionHandler) {
            completionHandler(QString(), false, e);
        }
        return false;
    };
    if (path.isEmpty() || destination.isEmpty()) {
        return fail(SSZipError::make(SSZipError::InvalidArguments, QStringLiteral("received invalid argument(s)")));
    }
    const SSZipArchiveReader reader(path);
    if (!reader.isOpen()) {
        return fail(SSZipError::make(SSZipError::FailedOpenZipFile, QStringLiteral("failed to open zip file")));
    }
    const SSZipDestination folder(destination);
    if (!folder.isOpen()) {
        return fail(SSZipError::make(SSZipError::InvalidArguments, QStringLiteral("received invalid argument(s)")));
    }
    const quint64 fileSize = quint64(QFileInfo(path).size());
    const SSZipGlobalInfo global { quint64(reader.count()) };
    if (delegate != nullptr) {
        delegate->zipArchiveWillUnzipArchiveAtPath(path, global);
        delegate->zipArchiveProgressEvent(0, fileSize);
    }
    Extraction run(reader, folder, password, overwrite);
    run.preserveAttributes = preserveAttributes;
    run.nestedZipLevel = nestedZipLevel;
    run.delegate = delegate;
    const bool success = run.all(path, fileSize, progressHandler);
    if (delegate != nullptr) {
        if (success) {
            delegate->zipArchiveDidUnzipArchiveAtPath(path, global, destination);
        }
        delegate->zipArchiveProgressEvent(fileSize, fileSize);
    }
    SSZipError reported = run.error;
    if (reported.isNull() && run.crcFailed) {
        reported = SSZipError::make(SSZipError::FileInfoNotLoadable, QStringLiteral("crc check failed for file"));
    }
    if (error != nullptr) {
        *error = reported;
    }
    if (completionHandler) {
        completionHandler(path, success, reported);
    }
    return success;
}

bool SSZipArchive::isPasswordValidForArchiveAtPath(const QString& path, const QString& password, SSZipError* error)
{
    const auto fail = [error](int code, const char* text) {
        if (error != nullptr) {
            *error = SSZipError::make(code, QString::fromLatin1(text));
        }
        return false;
    };
    const SSZipArchiveReader reader(path);
    if (!reader.isOpen()) {
        return fail(SSZipError::FailedOpenZipFile, "failed to open zip file");
    }
    for (qint64 index = 0; index < reader.count(); ++index) {
        Failure failure = Failure::None;
        const std::unique_ptr<SSZipArchiveReader::Entry> content = reader.open(index, password, &failure);
        if (!content) {
            return failure == Failure::Password
                ? false
                : fail(SSZipError::FailedOpenFileInZip, "failed to open file in zip archive");
        }
        SSZipFileInfo info;
        QByteArray raw;
        if (!reader.info(index, &info, &raw)) {
            return fail(SSZipError::FileInfoNotLoadable, "failed to retrieve info for file");
        }
        if (info.flag & 0x0001) {
            char probe[10];
            const qint64 n = content->read(probe, qint64(qMin<quint64>(info.uncompressedSize, sizeof probe)));
            if (n >= 0) {
                return true;
            }
            const Failure why = content->failure();
            return why == Failure::Data || why == Failure::Crc || why == Failure::Password
                ? false
                : fail(SSZipError::FileContentNotReadable, "failed to read contents of file entry");
        }
    }
    return true;
}
