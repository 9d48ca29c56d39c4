#pragma once

#include "engine/archive/SSZipArchive.h"

#include <QByteArray>
#include <QString>

#include <memory>

/// The reading half of libzip as SSZipArchive needs it: entry records, raw names and entry
/// contents, with libzip's errors sorted into the few kinds the archive layer tells apart.
/// Keeps libzip's header out of everything else.
class SSZipArchiveReader final
{
public:
    enum class Failure {
        None,
        Password, ///< no password, or a wrong one
        Crc, ///< the content does not match its checksum
        Data, ///< the compressed data is damaged (also a wrong PKWARE password that passed its check byte)
        Other,
    };

    /// One open entry; reading goes on until read() answers 0 (end) or -1 (failure()).
    class Entry
    {
    public:
        virtual ~Entry() = default;
        virtual qint64 read(char* buffer, qint64 size) = 0;
        virtual Failure failure() const = 0;
    };

    explicit SSZipArchiveReader(const QString& path);
    /// Reads an archive held in memory (the fuzz target).
    explicit SSZipArchiveReader(const QByteArray& bytes);
    ~SSZipArchiveReader();
    Q_DISABLE_COPY_MOVE(SSZipArchiveReader)

    bool isOpen() const { return m_archive != nullptr; }
    qint64 count() const;
    /// The entry's record and its raw name bytes; false when they cannot be read.
    bool info(qint64 index, SSZipFileInfo* info, QByteArray* rawName, QByteArray* strictName = nullptr) const;
    /// Opens the entry with the password (none when empty); null with the failure on error.
    std::unique_ptr<Entry> open(qint64 index, const QString& password, Failure* failure) const;

private:
    struct Archive;
    std::unique_ptr<Archive> m_archive;
};
