// Several digests of one file from one read. Each block is read once, and every digest is fed
// from that same buffer. A small file, or a single digest, is digested on the caller's thread;
// a large one by one thread per digest over a ring of blocks, so the whole pass costs about
// what the slowest digest costs alone.

#include "foundation/RegularFileReader.h"
#include "foundation/StringExpandDigest.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qv {

namespace {

// Large enough that handing a block over costs nothing next to digesting it.
constexpr qsizetype kPassBlockSize = 1024 * 1024;
// Blocks in flight between the reader and the slowest digest.
constexpr qint64 kRingSlots = 8;
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
    // One buffer per thread, kept and never cleared: a list of small files would otherwise
    // pay for a fresh, zero-filled megabyte per file, which costs more than reading the file.
    thread_local const std::unique_ptr<char[]> block(new char[size_t(kPassBlockSize)]);
    for (;;) {
        const qsizetype n = detail::readBlock(fd, block.get(), kPassBlockSize);
        if (n <= 0) {
            return n == 0;
        }
        for (Digester& d : digesters) {
            if (!d.update(block.get(), n)) {
                return false;
            }
        }
    }
}

// A ring of blocks: the reader fills a slot once every digest is done with the block it held;
// each digest works through the blocks at its own pace, so a digest that was held up for a
// moment catches up instead of holding up all the others at every block.
bool digestOnThreads(int fd, std::vector<Digester>& digesters)
{
    std::vector<std::vector<char>> slots(kRingSlots, std::vector<char>(kPassBlockSize));
    std::vector<qsizetype> lengths(kRingSlots, 0);
    std::mutex mutex;
    std::condition_variable changed;
    qint64 produced = 0; // blocks filled so far
    bool ended = false; // no block follows the last one produced
    bool failed = false;
    std::vector<qint64> consumed(digesters.size(), 0); // blocks each digest is done with

    std::vector<std::jthread> workers;
    workers.reserve(digesters.size());
    for (size_t w = 0; w < digesters.size(); ++w) {
        workers.emplace_back([&, w] {
            for (qint64 k = 0;; ++k) {
                {
                    std::unique_lock lock(mutex);
                    changed.wait(lock, [&] { return produced > k || ended || failed; });
                    if (produced <= k || failed) {
                        return;
                    }
                }
                const size_t slot = size_t(k % kRingSlots);
                const bool ok = digesters[w].update(slots[slot].data(), lengths[slot]);
                std::lock_guard lock(mutex);
                consumed[w] = k + 1;
                failed = failed || !ok;
                changed.notify_all();
            }
        });
    }
    for (qint64 k = 0;; ++k) {
        {
            std::unique_lock lock(mutex);
            changed.wait(
                lock, [&] { return failed || *std::min_element(consumed.begin(), consumed.end()) > k - kRingSlots; });
            if (failed) {
                break;
            }
        }
        const size_t slot = size_t(k % kRingSlots);
        const qsizetype n = detail::readBlock(fd, slots[slot].data(), kPassBlockSize);
        std::lock_guard lock(mutex);
        lengths[slot] = n;
        if (n <= 0) {
            failed = failed || n < 0;
            ended = true;
            changed.notify_all();
            break;
        }
        produced = k + 1;
        changed.notify_all();
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
