// Several digests of one file from one read. Each block is read once into one of two buffers;
// while the digests work on one buffer the next block is read into the other. A small file, or
// a single digest, is digested on the caller's thread; a large one by one thread per digest,
// which meet at a barrier after every block, so the whole pass costs about what the slowest
// digest costs alone.

#include "foundation/RegularFileReader.h"
#include "foundation/StringExpandDigest.h"

#include <zlib.h>

#include <atomic>
#include <barrier>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qv {

namespace {

// Large enough that the meeting after each block costs nothing next to the digest of it, small
// enough that both buffers stay in the processor's cache.
constexpr qsizetype kPassBlockSize = 1024 * 1024;
// Below this many bytes threads cost more than they save.
constexpr qint64 kThreadedFromSize = 8 * kPassBlockSize;

struct Digester
{
    FileDigestKind kind;
    std::function<bool(const char*, qsizetype)> update;
    std::function<QString()> finish; ///< null on failure
};

DigestAlgorithm algorithmOf(FileDigestKind kind)
{
    switch (kind) {
    case FileDigestKind::SHA1:
        return DigestAlgorithm::SHA1;
    case FileDigestKind::SHA256:
        return DigestAlgorithm::SHA256;
    case FileDigestKind::SHA512:
        return DigestAlgorithm::SHA512;
    default:
        return DigestAlgorithm::MD5;
    }
}

Digester makeDigester(FileDigestKind kind)
{
    if (kind == FileDigestKind::CRC32) {
        auto crc = std::make_shared<uLong>(::crc32(0L, Z_NULL, 0));
        return { kind,
                 [crc](const char* data, qsizetype length) {
                     *crc = ::crc32(*crc, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(length));
                     return true;
                 },
                 [crc] { return QString::number(static_cast<quint32>(*crc)); } };
    }
    HashComputationContext context = hashComputationContext(algorithmOf(kind));
    const bool started = context.start && context.start();
    return { kind,
             [context, started](const char* data, qsizetype length) { return started && context.update(data, length); },
             [context] {
                 QByteArray digest(context.digestLength, '\0');
                 if (!context.finish(reinterpret_cast<unsigned char*>(digest.data()))) {
                     return QString();
                 }
                 return QString::fromLatin1(digest.toHex());
             } };
}

bool digestOnThisThread(int fd, std::vector<Digester>& digesters)
{
    std::vector<char> block(kPassBlockSize);
    for (;;) {
        const qsizetype n = detail::readBlock(fd, block.data(), kPassBlockSize);
        if (n <= 0) {
            return n == 0;
        }
        for (Digester& d : digesters) {
            if (!d.update(block.data(), n)) {
                return false;
            }
        }
    }
}

bool digestOnThreads(int fd, std::vector<Digester>& digesters)
{
    std::vector<char> buffers[2] = { std::vector<char>(kPassBlockSize), std::vector<char>(kPassBlockSize) };
    qsizetype lengths[2] = { detail::readBlock(fd, buffers[0].data(), kPassBlockSize), 0 };
    // Written by the reader before a meeting and read by the workers after it: the barrier
    // orders them.
    bool stop = false;
    std::atomic<bool> failed = false;
    std::barrier meeting(static_cast<std::ptrdiff_t>(digesters.size() + 1));
    std::vector<std::jthread> workers;
    workers.reserve(digesters.size());
    for (Digester& d : digesters) {
        workers.emplace_back([&, digester = &d] {
            for (size_t i = 0;; ++i) {
                meeting.arrive_and_wait();
                if (stop) {
                    return;
                }
                if (!failed && !digester->update(buffers[i % 2].data(), lengths[i % 2])) {
                    failed = true;
                }
                meeting.arrive_and_wait();
            }
        });
    }
    for (size_t i = 0;; ++i) {
        stop = lengths[i % 2] <= 0 || failed;
        if (lengths[i % 2] < 0) {
            failed = true;
        }
        meeting.arrive_and_wait();
        if (stop) {
            break;
        }
        lengths[(i + 1) % 2] = detail::readBlock(fd, buffers[(i + 1) % 2].data(), kPassBlockSize);
        meeting.arrive_and_wait();
    }
    workers.clear();
    return !failed;
}

} // namespace

FileDigests digestsOfFileAtPath(const QString& path, const QList<FileDigestKind>& kinds)
{
    FileDigests result;
    const int fd = detail::openRegularFile(path);
    if (fd < 0) {
        return result;
    }
    std::vector<Digester> digesters;
    for (const FileDigestKind kind : kinds) {
        digesters.push_back(makeDigester(kind));
    }
    const off_t size = ::lseek(fd, 0, SEEK_END);
    const bool rewound = size >= 0 && ::lseek(fd, 0, SEEK_SET) == 0;
    bool ok = rewound;
    if (ok) {
        ok = digesters.size() > 1 && size >= kThreadedFromSize ? digestOnThreads(fd, digesters)
                                                               : digestOnThisThread(fd, digesters);
    }
    ::close(fd);
    if (!ok) {
        return result;
    }
    for (Digester& d : digesters) {
        const QString value = d.finish();
        if (value.isEmpty()) {
            return FileDigests();
        }
        result.values.at(static_cast<size_t>(d.kind)) = value;
    }
    result.readable = true;
    return result;
}

FileDigests digestsOfFileAtPath(const QString& path, std::initializer_list<FileDigestKind> kinds)
{
    return digestsOfFileAtPath(path, QList<FileDigestKind>(kinds));
}

} // namespace qv
