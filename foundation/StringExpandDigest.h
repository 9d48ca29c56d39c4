#pragma once

#include <QList>
#include <QString>

#include <array>
#include <functional>
#include <initializer_list>

namespace qv {

/// The digest algorithms the file and text digests offer.
enum class DigestAlgorithm { MD5, SHA1, SHA256, SHA512 };

/// One digest computation, as the streaming file digest drives it: `start` once, `update`
/// with every block read, `finish` into a buffer of `digestLength` bytes. The digest state
/// lives in whatever the functions share; each returns false on failure.
struct HashComputationContext
{
    std::function<bool()> start;
    std::function<bool(const char* data, qsizetype length)> update;
    std::function<bool(unsigned char* digest)> finish;
    int digestLength = 0;
};

/// A fresh computation context of the algorithm, with its own state.
HashComputationContext hashComputationContext(DigestAlgorithm algorithm);

// File digests. The argument is a file path; the answer is the digest as lower-case hex
// ("%02x" per byte), or nil when the file cannot be opened, a read fails, or the item is not a
// regular file (a folder, a named pipe, a device). Files are read in blocks, never whole, so
// any size can be hashed.
QString md5HashOfFileAtPath(const QString& path);
QString sha1HashOfFileAtPath(const QString& path);
QString sha256HashOfFileAtPath(const QString& path);
QString sha512HashOfFileAtPath(const QString& path);
/// The streaming routine behind the four above.
QString hashOfFileAtPath(const QString& path, const HashComputationContext& context);

/// CRC-32 (the reflected IEEE 802.3 one of zip and zlib) of the file as unsigned decimal text
/// ("%u"). An empty file, a file that cannot be opened or read, and anything but a regular file
/// (a folder, for one) give "0".
QString crc32HashOfFileAtPath(const QString& path);

/// The digests a file window and the file info command offer, in the order they show them.
enum class FileDigestKind { MD5, SHA1, SHA256, SHA512, CRC32 };
constexpr int kFileDigestKindCount = 5;

/// The digests of one file, read once. A file that cannot be opened or read gives no value at
/// all (`readable` false), CRC-32 included: an unreadable file never passes for one whose
/// CRC-32 is 0.
struct FileDigests
{
    bool readable = false;
    /// Indexed by FileDigestKind; null for a kind not asked for or an unreadable file. Hex as
    /// the single-file routines give it, CRC-32 as unsigned decimal.
    std::array<QString, kFileDigestKindCount> values;

    QString value(FileDigestKind kind) const { return values.at(static_cast<size_t>(kind)); }
};

/// Every digest asked for, from one read of the file: each block read is handed to all of
/// them. Large files are digested by one thread per digest over the same blocks, so the whole
/// takes about as long as the slowest digest alone.
FileDigests digestsOfFileAtPath(const QString& path, std::initializer_list<FileDigestKind> kinds);
FileDigests digestsOfFileAtPath(const QString& path, const QList<FileDigestKind>& kinds);

/// The MD5 of the contents at the path, lower-case hex, when something exists there; the last
/// path component without its extension when nothing does; nil for a folder, anything else but
/// a regular file, or a file that cannot be read.
QString fileMD5(const QString& path);

// Text digests: the digest of the text's UTF-8 bytes as upper-case hex ("%02X" per byte).
QString MD5(const QString& text);
QString SHA1(const QString& text);
QString SHA256(const QString& text);
QString SHA512(const QString& text);

} // namespace qv
