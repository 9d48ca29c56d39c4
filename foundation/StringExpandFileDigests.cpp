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
// moment catches up instead of holding up all the others at every block. The reader itself
// feeds the cheapest digest (CRC-32) from each block it read, which saves a thread and its
// hand-offs. A thread is woken only when what it waits for happened: a worker when a block was
// filled, the reader when the last digest let go of the slot it needs.
bool digestOnThreads(int fd, std::vector<Digester>& digesters)
{
    std::vector<Digester*> onReader;
    std::vector<Digester*> onWorkers;
    for (Digester& d : digesters) {
        (d.kind == FileDigestKind::CRC32 && onReader.empty() ? onReader : onWorkers).push_back(&d);
    }
    std::vector<std::vector<char>> slots(kRingSlots, std::vector<char>(kPassBlockSize));
    std::vector<qsizetype> lengths(kRingSlots, 0);
    std::mutex mutex;
    std::condition_variable filled; // workers wait here for the next block
    std::condition_variable freed; // the reader waits here for a slot
    qint64 produced = 0; // blocks filled so far
    bool ended = false; // no block follows the last one produced
    bool failed = false;
    int workersWaiting = 0;
    qint64 readerWaitsFor = -1; // the block every digest must be done with before the reader goes on
    std::vector<qint64> consumed(onWorkers.size(), 0); // blocks each digest is done with
    const auto slowest = [&] { return *std::min_element(consumed.begin(), consumed.end()); };

    std::vector<std::jthread> workers;
    workers.reserve(onWorkers.size());
    for (size_t w = 0; w < onWorkers.size(); ++w) {
        workers.emplace_back([&, w] {
            for (qint64 k = 0;; ++k) {
                {
                    std::unique_lock lock(mutex);
                    if (!(produced > k || ended || failed)) {
                        ++workersWaiting;
                        filled.wait(lock, [&] { return produced > k || ended || failed; });
                        --workersWaiting;
                    }
                    if (produced <= k || failed) {
                        return;
                    }
                }
                const size_t slot = size_t(k % kRingSlots);
                const bool ok = onWorkers[w]->update(slots[slot].data(), lengths[slot]);
                std::lock_guard lock(mutex);
                consumed[w] = k + 1;
                if (!ok) {
                    failed = true;
                    filled.notify_all();
                    freed.notify_one();
                } else if (readerWaitsFor >= 0 && slowest() >= readerWaitsFor) {
                    freed.notify_one();
                }
            }
        });
    }
    bool readOk = true;
    for (qint64 k = 0;; ++k) {
        {
            std::unique_lock lock(mutex);
            // Slot k % kRingSlots last held block k - kRingSlots.
            const qint64 needed = k - kRingSlots + 1;
            if (!consumed.empty() && !failed && slowest() < needed) {
                readerWaitsFor = needed;
                freed.wait(lock, [&] { return failed || slowest() >= needed; });
                readerWaitsFor = -1;
            }
            if (failed) {
                break;
            }
        }
        const size_t slot = size_t(k % kRingSlots);
        const qsizetype n = detail::readBlock(fd, slots[slot].data(), kPassBlockSize);
        if (n > 0) {
            for (Digester* d : onReader) {
                readOk = readOk && d->update(slots[slot].data(), n);
            }
        }
        std::lock_guard lock(mutex);
        lengths[slot] = n;
        if (n <= 0 || !readOk) {
            failed = failed || n < 0 || !readOk;
            ended = true;
            filled.notify_all();
            break;
        }
        produced = k + 1;
        if (workersWaiting > 0) {
            filled.notify_all();
        }
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
