#pragma once

#include <QByteArray>
#include <QList>

/// Writes the records of a new zip archive to a file descriptor, entry after entry: each local
/// header, the entry's data as the caller hands it over, then the central directory and the
/// end records. Sizes and CRC are written into the local header once the entry is complete
/// (the file must be seekable). Zip64 records are added where sizes, offsets or the entry count
/// need them; an entry planned below 4 GiB that still ends above is refused (EFBIG).
///
/// Entries are "made on Unix": the external attributes carry the file type and permission bits.
/// Names are UTF-8 (flagged so when they are not plain ASCII). An encrypted entry is WinZip AES-256
/// ("AE-2": method 99 with its extra field, the CRC left 0); its data is handed over encrypted.
class SSZipRecordWriter final
{
public:
    struct Entry
    {
        QByteArray name; ///< as stored: a folder's name ends with "/"
        quint16 method = 0; ///< of the data itself: 0 stored, 8 deflated
        bool aes = false;
        quint32 crc = 0; ///< of the uncompressed bytes
        quint64 compressedSize = 0; ///< the bytes stored, encryption's included
        quint64 uncompressedSize = 0;
        quint32 dosDate = 0; ///< MS-DOS date (high 16 bits) and time (low 16 bits)
        quint32 externalAttributes = 0;
        quint64 offset = 0; ///< of the local header, set by startEntry
        bool zip64 = false; ///< the local header holds 64-bit sizes, set by startEntry
    };

    /// The descriptor stays the caller's.
    explicit SSZipRecordWriter(int fd);
    Q_DISABLE_COPY_MOVE(SSZipRecordWriter)

    /// Writes the entry's local header; plannedSize bounds the data that follows (the
    /// uncompressed size, known in advance).
    bool startEntry(Entry& entry, quint64 plannedSize);
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& data) { return write(data.constData(), data.size()); }
    /// Completes the local header with the entry's final sizes and CRC, and keeps its record.
    bool finishEntry(const Entry& entry);
    /// Writes the central directory and the end records, and flushes everything.
    bool finish();
    /// The errno of the first failure (0 when none).
    int error() const { return m_error; }

private:
    bool flush();
    bool fail(int error);
    bool patch(quint64 at, const QByteArray& bytes);

    int m_fd = -1;
    int m_error = 0;
    QByteArray m_buffer;
    quint64 m_flushed = 0; ///< bytes already in the file; the buffer follows them
    QList<Entry> m_entries;
};
