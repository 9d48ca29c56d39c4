#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

/// One entry's record as the archive stores it (the central directory's fields that libzip
/// reports), handed to progress blocks and to the delegate.
struct SSZipFileInfo
{
    quint16 versionMadeBy = 0; ///< high byte: the system that made the entry (0 MS-DOS, 3 Unix)
    quint16 flag = 0; ///< general-purpose flag: bit 0 encrypted, bit 11 UTF-8 name
    quint16 compressionMethod = 0;
    quint32 dosDate = 0;
    quint32 crc = 0;
    quint64 compressedSize = 0;
    quint64 uncompressedSize = 0;
    quint32 sizeFilename = 0;
    quint32 externalAttributes = 0;
    quint16 encryptionMethod = 0;
};

/// The archive-wide record.
struct SSZipGlobalInfo
{
    quint64 numberEntry = 0;
};

/// An error of extraction or of the password test: a domain ("SSZipArchiveErrorDomain",
/// "NSPOSIXErrorDomain", "NSCocoaErrorDomain"), a code and the text that says what failed.
struct SSZipError
{
    static inline const QString kDomain = QStringLiteral("SSZipArchiveErrorDomain");
    static inline const QString kPOSIXDomain = QStringLiteral("NSPOSIXErrorDomain");

    enum Code {
        FailedOpenZipFile = -1,
        FailedOpenFileInZip = -2,
        FileInfoNotLoadable = -3,
        FileContentNotReadable = -4,
        FailedToWriteFile = -5,
        InvalidArguments = -6,
        /// An entry whose name or link target points outside the destination, or whose path
        /// runs through a link: the archive is refused, nothing of that entry is written.
        UnsafeEntry = -7,
    };

    QString domain;
    int code = 0;
    QString localizedDescription;

    bool isNull() const { return domain.isEmpty(); }
    static SSZipError make(int code, const QString& text, const QString& domain = kDomain)
    {
        return SSZipError { domain, code, text };
    }
};

/// Messages an extraction sends as it goes; every one is optional (the defaults do nothing).
class SSZipArchiveDelegate
{
public:
    virtual ~SSZipArchiveDelegate() = default;
    virtual void zipArchiveWillUnzipArchiveAtPath(const QString& /*path*/, const SSZipGlobalInfo& /*zipInfo*/) { }
    /// False stops the whole extraction (result false, no error).
    virtual bool zipArchiveShouldUnzipFileAtIndex(qint64 /*fileIndex*/, qint64 /*totalFiles*/,
                                                  const QString& /*archivePath*/, const SSZipFileInfo& /*fileInfo*/)
    {
        return true;
    }
    /// False leaves this one entry out and goes on: the name is the sanitised one, relative to
    /// the destination (a caller that takes only some folders of an archive says so here).
    virtual bool zipArchiveShouldExtractEntry(const QString& /*name*/, const SSZipFileInfo& /*fileInfo*/)
    {
        return true;
    }
    virtual void zipArchiveWillUnzipFileAtIndex(qint64 /*fileIndex*/, qint64 /*totalFiles*/,
                                                const QString& /*archivePath*/, const SSZipFileInfo& /*fileInfo*/)
    {
    }
    virtual void zipArchiveProgressEvent(quint64 /*loaded*/, quint64 /*total*/) { }
    virtual void zipArchiveDidUnzipFileAtIndex(qint64 /*fileIndex*/, qint64 /*totalFiles*/,
                                               const QString& /*archivePath*/, const SSZipFileInfo& /*fileInfo*/)
    {
    }
    virtual void zipArchiveDidUnzipArchiveAtPath(const QString& /*path*/, const SSZipGlobalInfo& /*zipInfo*/,
                                                 const QString& /*unzippedPath*/)
    {
    }
};

/// Zip archives: extraction over libzip (password, overwrite rule, attributes, progress), the
/// password test, and a writer that adds entries one by one (PKWARE or WinZip AES encryption).
/// A new archive is written with our own records, its files deflated and encrypted with WinZip
/// AES-256 on several threads (folders are never encrypted); PKWARE encryption and appending
/// go through libzip.
///
/// Extraction never writes outside its destination: absolute names, ".." components, link
/// entries whose target leaves the destination and paths that run through a link already on
/// disk are refused (error UnsafeEntry). Every file and folder is opened below a descriptor of
/// the destination with O_NOFOLLOW, so a link placed by an earlier entry (or by anybody else)
/// is never written through. Restored permission bits are kept to 0777 (no set-id, no sticky
/// bit), always with owner read and write.
///
/// Everything runs synchronously on the caller's thread, blocks and delegate messages included.
class SSZipArchive final
{
public:
    using ProgressHandler
        = std::function<void(const QString& entry, const SSZipFileInfo& zipInfo, qint64 entryNumber, qint64 total)>;
    using CompletionHandler = std::function<void(const QString& path, bool succeeded, const SSZipError& error)>;
    using WriteProgressHandler = std::function<void(qint64 entryNumber, qint64 total)>;

    /// A writer for the archive at the path; nothing is opened yet.
    explicit SSZipArchive(const QString& path);
    ~SSZipArchive();
    Q_DISABLE_COPY_MOVE(SSZipArchive)

    // --- Extraction ----------------------------------------------------------------------
    static bool unzipFileAtPath(const QString& path, const QString& destination);
    static bool unzipFileAtPath(const QString& path, const QString& destination, SSZipArchiveDelegate* delegate);
    static bool unzipFileAtPath(const QString& path, const QString& destination, bool overwrite,
                                const QString& password, SSZipError* error, SSZipArchiveDelegate* delegate = nullptr);
    static bool unzipFileAtPath(const QString& path, const QString& destination, bool overwrite,
                                const QString& password, const ProgressHandler& progressHandler,
                                const CompletionHandler& completionHandler);
    static bool unzipFileAtPath(const QString& path, const QString& destination, const ProgressHandler& progressHandler,
                                const CompletionHandler& completionHandler);
    /// The full form every shorter one fills in.
    static bool unzipFileAtPath(const QString& path, const QString& destination, bool preserveAttributes,
                                bool overwrite, int nestedZipLevel, const QString& password, SSZipError* error,
                                SSZipArchiveDelegate* delegate, const ProgressHandler& progressHandler,
                                const CompletionHandler& completionHandler);

    // --- Inspection ----------------------------------------------------------------------
    /// True when the password opens the first encrypted entry (or there is none); a wrong
    /// password answers false and leaves the error empty.
    static bool isPasswordValidForArchiveAtPath(const QString& path, const QString& password, SSZipError* error);
    static bool isFilePasswordProtectedAtPath(const QString& path);
    static quint64 payloadSizeForArchiveAtPath(const QString& path, SSZipError* error);

    // --- Writing, one shot ---------------------------------------------------------------
    static bool createZipFileAtPath(const QString& path, const QStringList& withFilesAtPaths,
                                    const QString& withPassword = QString(), bool keepSymlinks = false,
                                    const WriteProgressHandler& progressHandler = {});
    /// The folder's contents; an empty sub-folder becomes a folder entry, links are followed
    /// unless keepSymlinks. aes false with a password means PKWARE encryption.
    static bool createZipFileAtPath(const QString& path, const QString& withContentsOfDirectory,
                                    bool keepParentDirectory, int compressionLevel = -1,
                                    const QString& password = QString(), bool aes = true,
                                    const WriteProgressHandler& progressHandler = {}, bool keepSymlinks = false);

    // --- Writing, entry by entry ---------------------------------------------------------
    QString path() const { return m_path; }
    /// Starts a new archive (an existing file at the path is replaced when close() succeeds).
    bool open();
    bool openForAppending();
    bool writeFile(const QString& path, const QString& withPassword);
    bool writeFileAtPath(const QString& path, const QString& withFileName, const QString& withPassword);
    bool writeFileAtPath(const QString& path, const QString& withFileName, int compressionLevel,
                         const QString& password, bool aes);
    bool writeFolderAtPath(const QString& path, const QString& withFolderName, const QString& withPassword);
    bool writeSymlinkFileAtPath(const QString& path, const QString& withFileName, int compressionLevel,
                                const QString& password, bool aes);
    bool writeData(const QByteArray& data, const QString& filename, const QString& withPassword);
    bool writeData(const QByteArray& data, const QString& filename, int compressionLevel, const QString& password,
                   bool aes);
    /// Writes the archive out; false when any entry could not be stored.
    bool close();
    /// Called between entries while close() writes, also from the threads that deflate the
    /// files (so it must be safe to call from any thread); returning true stops the write
    /// (close() then answers false and leaves no archive behind).
    void setCancelCheck(std::function<bool()> cancelled) { m_cancelled = std::move(cancelled); }
    /// Called while close() writes, with the fraction done.
    void setWriteProgress(std::function<void(double)> progress) { m_progress = std::move(progress); }
    /// Called while close() writes, as each file entry starts (with its name in the archive).
    void setEntryStarted(std::function<void(const QString& name)> started) { m_entryStarted = std::move(started); }

    // --- Helpers -------------------------------------------------------------------------
    /// The entry name as text: code page 437 for names made on MS-DOS without the UTF-8 flag,
    /// else UTF-8, else in the character set guessed for the archive's names (`archiveCharset`,
    /// when the caller has guessed one) or for this name alone, else the bytes in upper-case
    /// hexadecimal.
    static QString _filenameStringWithCString(const QByteArray& name, quint16 versionMadeBy, quint16 flag,
                                              const QString& archiveCharset = QString());
    /// The character set guessed from all the names of an archive that are neither code page
    /// 437 nor UTF-8 (one short name alone says little about its encoding); empty for none.
    static QString _guessedCharsetOfNames(const QList<QByteArray>& names);
    static QDateTime _dateWithMSDOSFormat(quint32 msdosDateTime);
    static quint32 _msdosDateWithDate(const QDateTime& date);
    /// Backslashes as "/", "." and empty components dropped. Null when the name is absolute or
    /// has a ".." component: such a name is refused, never rewritten into the destination.
    static QString _sanitizedPath(const QString& name);
    static QString _hexString(const QByteArray& data);
    static QString _base64RFC4648(const QByteArray& data);

private:
    struct Writer;
    bool openWithFlags(int flags);
    bool closeWithLibzip();
    bool addToLibzip(size_t position);
    bool closeWithRecords();
    /// Writes the whole archive to the descriptor; false with the errno of the failure.
    bool writeRecords(int fd, int* error);
    bool addEntry(const QString& name, const QByteArray* data, const QString& file, quint64 fileSize, int level,
                  const QString& password, bool aes, quint32 attributes, const QDateTime& date, bool isLink);

    QString m_path;
    std::unique_ptr<Writer> m_writer;
    std::function<bool()> m_cancelled;
    std::function<void(double)> m_progress;
    std::function<void(const QString&)> m_entryStarted;
};
