#include "engine/archive/SSZipRecordWriter.h"

#include "platform/Posix.h"

#include <algorithm>
#include <cerrno>

#include <unistd.h>

namespace {

constexpr quint32 kLocalSignature = 0x04034b50;
constexpr quint32 kCentralSignature = 0x02014b50;
constexpr quint32 kEndSignature = 0x06054b50;
constexpr quint32 kZip64EndSignature = 0x06064b50;
constexpr quint32 kZip64LocatorSignature = 0x07064b50;
constexpr quint16 kZip64Extra = 0x0001;
constexpr quint16 kAesExtra = 0x9901;
constexpr quint16 kAesMethod = 99;
constexpr quint16 kUtf8Flag = 0x0800;
constexpr quint16 kEncryptedFlag = 0x0001;
/// Made by version 6.3 on Unix.
constexpr quint16 kMadeBy = 0x033f;
constexpr quint32 kMax32 = 0xffffffffu;
constexpr quint16 kMax16 = 0xffff;
constexpr qsizetype kBufferSize = 1024 * 1024;
constexpr quint64 kLocalFixedSize = 30;

void put16(QByteArray& out, quint16 v)
{
    out.append(char(v & 0xff)).append(char(v >> 8));
}

void put32(QByteArray& out, quint32 v)
{
    put16(out, quint16(v & 0xffff));
    put16(out, quint16(v >> 16));
}

void put64(QByteArray& out, quint64 v)
{
    put32(out, quint32(v & kMax32));
    put32(out, quint32(v >> 32));
}

bool isAscii(const QByteArray& name)
{
    return std::all_of(name.cbegin(), name.cend(), [](char c) { return (uchar(c) & 0x80) == 0; });
}

quint16 flagsOf(const SSZipRecordWriter::Entry& entry)
{
    return quint16((entry.aes ? kEncryptedFlag : 0) | (isAscii(entry.name) ? 0 : kUtf8Flag));
}

quint16 versionNeeded(const SSZipRecordWriter::Entry& entry, bool zip64)
{
    return entry.aes ? 51 : zip64 ? 45 : 20;
}

/// The AES extra field: vendor version 2 ("AE-2"), vendor "AE", strength 3 (256 bits), the
/// data's own method.
void putAesExtra(QByteArray& out, const SSZipRecordWriter::Entry& entry)
{
    put16(out, kAesExtra);
    put16(out, 7);
    put16(out, 2);
    out.append("AE", 2);
    out.append(char(3));
    put16(out, entry.method);
}

} // namespace

SSZipRecordWriter::SSZipRecordWriter(int fd)
    : m_fd(fd)
{
    m_buffer.reserve(kBufferSize + 64 * 1024);
}

bool SSZipRecordWriter::fail(int error)
{
    if (m_error == 0) {
        m_error = error;
    }
    return false;
}

bool SSZipRecordWriter::flush()
{
    const int code = platform::posix::writeAll(m_fd, m_buffer);
    if (code != 0) {
        return fail(code);
    }
    m_flushed += quint64(m_buffer.size());
    m_buffer.clear();
    return true;
}

bool SSZipRecordWriter::write(const char* data, qint64 size)
{
    if (m_error != 0) {
        return false;
    }
    m_buffer.append(data, qsizetype(size));
    return m_buffer.size() < kBufferSize || flush();
}

bool SSZipRecordWriter::patch(quint64 at, const QByteArray& bytes)
{
    if (m_error != 0) {
        return false;
    }
    if (at >= m_flushed) {
        std::copy(bytes.cbegin(), bytes.cend(), m_buffer.begin() + qsizetype(at - m_flushed));
        return true;
    }
    // Records are appended whole, so one lies either in the file or in the buffer.
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = platform::posix::retryOnInterrupt(
            [&] { return ::pwrite(m_fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(at) + done); });
        if (n <= 0) {
            return fail(n < 0 ? errno : EIO);
        }
        done += n;
    }
    return true;
}

bool SSZipRecordWriter::startEntry(Entry& entry, quint64 plannedSize)
{
    entry.offset = m_flushed + quint64(m_buffer.size());
    // Deflate may grow incompressible data a little, and encryption adds its few bytes: an
    // entry that may come near 4 GiB gets 64-bit sizes in its local header.
    entry.zip64 = plannedSize + plannedSize / 64 + 64 * 1024 >= kMax32;
    QByteArray header;
    put32(header, kLocalSignature);
    put16(header, versionNeeded(entry, entry.zip64));
    put16(header, flagsOf(entry));
    put16(header, entry.aes ? kAesMethod : entry.method);
    put32(header, entry.dosDate);
    put32(header, 0); // CRC, compressed and uncompressed size: written when the entry is complete
    put32(header, entry.zip64 ? kMax32 : 0);
    put32(header, entry.zip64 ? kMax32 : 0);
    put16(header, quint16(entry.name.size()));
    put16(header, quint16((entry.zip64 ? 20 : 0) + (entry.aes ? 11 : 0)));
    header.append(entry.name);
    if (entry.zip64) {
        put16(header, kZip64Extra);
        put16(header, 16);
        put64(header, 0);
        put64(header, 0);
    }
    if (entry.aes) {
        putAesExtra(header, entry);
    }
    return write(header);
}

bool SSZipRecordWriter::finishEntry(const Entry& entry)
{
    if (!entry.zip64 && (entry.compressedSize >= kMax32 || entry.uncompressedSize >= kMax32)) {
        return fail(EFBIG);
    }
    QByteArray sizes;
    // The CRC of an AE-2 entry stays 0: the authentication code checks the data instead.
    put32(sizes, entry.aes ? 0 : entry.crc);
    put32(sizes, entry.zip64 ? kMax32 : quint32(entry.compressedSize));
    put32(sizes, entry.zip64 ? kMax32 : quint32(entry.uncompressedSize));
    bool ok = patch(entry.offset + 14, sizes);
    if (entry.zip64) {
        QByteArray wide;
        put64(wide, entry.uncompressedSize);
        put64(wide, entry.compressedSize);
        ok = ok && patch(entry.offset + kLocalFixedSize + quint64(entry.name.size()) + 4, wide);
    }
    if (ok) {
        m_entries.append(entry);
    }
    return ok;
}

bool SSZipRecordWriter::finish()
{
    const quint64 start = m_flushed + quint64(m_buffer.size());
    for (const Entry& entry : std::as_const(m_entries)) {
        const bool wideUncompressed = entry.uncompressedSize >= kMax32;
        const bool wideCompressed = entry.compressedSize >= kMax32;
        const bool wideOffset = entry.offset >= kMax32;
        QByteArray zip64;
        if (wideUncompressed) {
            put64(zip64, entry.uncompressedSize);
        }
        if (wideCompressed) {
            put64(zip64, entry.compressedSize);
        }
        if (wideOffset) {
            put64(zip64, entry.offset);
        }
        QByteArray record;
        put32(record, kCentralSignature);
        put16(record, kMadeBy);
        put16(record, versionNeeded(entry, !zip64.isEmpty()));
        put16(record, flagsOf(entry));
        put16(record, entry.aes ? kAesMethod : entry.method);
        put32(record, entry.dosDate);
        put32(record, entry.aes ? 0 : entry.crc);
        put32(record, wideCompressed ? kMax32 : quint32(entry.compressedSize));
        put32(record, wideUncompressed ? kMax32 : quint32(entry.uncompressedSize));
        put16(record, quint16(entry.name.size()));
        put16(record, quint16((zip64.isEmpty() ? 0 : 4 + zip64.size()) + (entry.aes ? 11 : 0)));
        put16(record, 0); // comment
        put16(record, 0); // disk
        put16(record, 0); // internal attributes
        put32(record, entry.externalAttributes);
        put32(record, wideOffset ? kMax32 : quint32(entry.offset));
        record.append(entry.name);
        if (!zip64.isEmpty()) {
            put16(record, kZip64Extra);
            put16(record, quint16(zip64.size()));
            record.append(zip64);
        }
        if (entry.aes) {
            putAesExtra(record, entry);
        }
        if (!write(record)) {
            return false;
        }
    }
    const quint64 end = m_flushed + quint64(m_buffer.size());
    const quint64 size = end - start;
    const quint64 count = quint64(m_entries.size());
    const bool wide = count >= kMax16 || size >= kMax32 || start >= kMax32;
    QByteArray records;
    if (wide) {
        put32(records, kZip64EndSignature);
        put64(records, 44); // the size of the rest of this record
        put16(records, kMadeBy);
        put16(records, 45);
        put32(records, 0); // this disk
        put32(records, 0); // the disk of the central directory
        put64(records, count);
        put64(records, count);
        put64(records, size);
        put64(records, start);
        put32(records, kZip64LocatorSignature);
        put32(records, 0);
        put64(records, end);
        put32(records, 1); // disks in all
    }
    put32(records, kEndSignature);
    put16(records, 0);
    put16(records, 0);
    put16(records, quint16(qMin<quint64>(count, kMax16)));
    put16(records, quint16(qMin<quint64>(count, kMax16)));
    put32(records, quint32(qMin<quint64>(size, kMax32)));
    put32(records, quint32(qMin<quint64>(start, kMax32)));
    put16(records, 0); // comment
    return write(records) && flush();
}
