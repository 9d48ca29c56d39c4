#include "engine/archive/SSZipDeflater.h"
#include "engine/archive/SSZipAes.h"

#include "platform/Posix.h"

#include <QtGlobal>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

constexpr qint64 kDictionarySize = 32 * 1024;
constexpr int kMaxThreads = 8;
constexpr int kPiecesAheadPerThread = 4;

/// Reads up to size bytes at the offset; the count read, or -1 with errno.
qint64 readAt(int fd, char* into, qint64 size, qint64 offset)
{
    return platform::posix::readFull(fd, into, size, offset);
}

/// One deflate stream per thread, reset for every piece: setting a stream up allocates a few
/// hundred kilobytes, which a new stream per piece would map and unmap again and again.
class ThreadStream
{
public:
    ThreadStream() = default;
    ~ThreadStream()
    {
        if (m_ready) {
            deflateEnd(&m_stream);
        }
    }
    ThreadStream(const ThreadStream&) = delete;
    ThreadStream& operator=(const ThreadStream&) = delete;

    /// The stream reset for a new raw deflate stream at the level; null when zlib fails.
    z_stream* ready(int level)
    {
        if (m_ready && m_level != level) {
            deflateEnd(&m_stream);
            m_ready = false;
        }
        if (!m_ready) {
            m_stream = z_stream {};
            m_ready = deflateInit2(&m_stream, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
            m_level = level;
            return m_ready ? &m_stream : nullptr;
        }
        return deflateReset(&m_stream) == Z_OK ? &m_stream : nullptr;
    }

private:
    z_stream m_stream {};
    int m_level = 0;
    bool m_ready = false;
};

} // namespace

/// A planned file: opened by the first piece that needs it, closed when its last piece has
/// been taken.
struct SSZipDeflater::File
{
    QByteArray path;
    int level = 6;
    QByteArray password;
    qint64 firstJob = 0;
    qint64 lastJob = 0;
    /// The next piece to encrypt, and whether a thread is encrypting one (under the mutex).
    qint64 nextSeal = 0;
    bool sealing = false;
    std::unique_ptr<SSZipAes> aes;
    std::once_flag opened;
    int fd = -1;
    int openError = 0;

    ~File()
    {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    int descriptor()
    {
        std::call_once(opened, [this] {
            // Links are followed, as they were when the file was added; anything but a regular
            // file (a FIFO swapped in meanwhile) is refused rather than read and waited on.
            fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
            struct stat st;
            if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
                ::close(fd);
                fd = -1;
                errno = EINVAL;
            }
            openError = fd < 0 ? errno : 0;
        });
        return fd;
    }
};

struct SSZipDeflater::Job
{
    std::shared_ptr<File> file;
    qint64 offset = 0;
    bool last = false;
    bool done = false;
    bool sealed = false; ///< encrypted (or nothing to encrypt): ready for the writer
    Piece piece;
};

SSZipDeflater::SSZipDeflater(std::function<bool()> cancelled)
    : m_cancelled(std::move(cancelled))
{
}

SSZipDeflater::~SSZipDeflater()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads) {
        thread.join();
    }
}

qint64 SSZipDeflater::pieceCount(qint64 size)
{
    return size <= 0 ? 1 : (size + kPieceSize - 1) / kPieceSize;
}

qint64 SSZipDeflater::addFile(const QByteArray& path, qint64 size, int level, const QByteArray& password)
{
    auto file = std::make_shared<File>();
    file->path = path;
    file->level = qBound(0, level, 9);
    file->password = password;
    const qint64 first = qint64(m_jobs.size());
    const qint64 count = pieceCount(size);
    file->firstJob = first;
    file->nextSeal = first;
    file->lastJob = first + count - 1;
    for (qint64 i = 0; i < count; ++i) {
        Job job;
        job.file = file;
        job.offset = i * kPieceSize;
        job.last = i == count - 1;
        // The last piece takes whatever the planned size leaves; a file that has grown since
        // is archived as it was planned.
        job.piece.planned = job.last ? qMax<qint64>(0, size - job.offset) : kPieceSize;
        m_jobs.push_back(std::move(job));
    }
    return first;
}

void SSZipDeflater::start()
{
    if (m_jobs.empty() || !m_threads.empty()) {
        return;
    }
    const int threads = qBound(1, int(std::thread::hardware_concurrency()), kMaxThreads);
    m_window = qint64(threads) * kPiecesAheadPerThread;
    for (int i = 0; i < qMin<qint64>(threads, qint64(m_jobs.size())); ++i) {
        m_threads.emplace_back([this] { work(); });
    }
}

bool SSZipDeflater::claim(qint64* index)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock,
                   [this] { return m_stopping || m_next >= qint64(m_jobs.size()) || m_next < m_taken + m_window; });
    if (m_stopping || m_next >= qint64(m_jobs.size())) {
        return false;
    }
    *index = m_next++;
    return true;
}

void SSZipDeflater::recycle(QByteArray&& buffer)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (buffer.capacity() > 0 && qint64(m_spare.size()) < m_window) {
        m_spare.push_back(std::move(buffer));
    }
}

void SSZipDeflater::work()
{
    for (qint64 index = 0; claim(&index);) {
        Job& job = m_jobs[size_t(index)];
        if (!(m_cancelled && m_cancelled())) {
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                if (!m_spare.empty()) {
                    job.piece.deflated = std::move(m_spare.back());
                    m_spare.pop_back();
                }
            }
            deflate(job);
        } else {
            job.piece.error = ECANCELED;
        }
        finish(index);
    }
}

void SSZipDeflater::finish(qint64 index)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_jobs[size_t(index)].done = true;
    // Held here: the writer drops a file's last reference when it takes its last piece.
    const std::shared_ptr<File> file = m_jobs[size_t(index)].file;
    while (!file->sealing && file->nextSeal <= file->lastJob && m_jobs[size_t(file->nextSeal)].done) {
        Job& next = m_jobs[size_t(file->nextSeal)];
        file->sealing = true;
        lock.unlock();
        if (!file->password.isEmpty()) {
            seal(*file, next);
        }
        lock.lock();
        next.sealed = true;
        file->sealing = false;
        ++file->nextSeal;
        m_changed.notify_all();
    }
    lock.unlock();
    m_changed.notify_all();
}

void SSZipDeflater::seal(File& file, Job& job)
{
    Piece& piece = job.piece;
    if (job.offset == 0 && piece.error == 0) {
        // Every entry has a salt of its own, so its keys are derived here, on this thread.
        file.aes = std::make_unique<SSZipAes>();
        if (file.aes->start(file.password)) {
            piece.head = file.aes->header();
        } else {
            piece.error = -1;
        }
    }
    if (piece.error != 0 || !file.aes) {
        // The writer stops at the first piece that failed; nothing after it is encrypted.
        piece.error = piece.error != 0 ? piece.error : -1;
        file.aes.reset();
        return;
    }
    if (!file.aes->encrypt(piece.deflated.data(), piece.deflated.size())) {
        piece.error = -1;
    }
    if (job.last && piece.error == 0) {
        piece.code = file.aes->code();
        piece.error = piece.code.isEmpty() ? -1 : 0;
    }
    if (job.last || piece.error != 0) {
        file.aes.reset();
    }
}

void SSZipDeflater::deflate(Job& job)
{
    Piece& piece = job.piece;
    const int fd = job.file->descriptor();
    if (fd < 0) {
        piece.error = job.file->openError;
        return;
    }
    const bool store = job.file->level == 0;
    const qint64 primed = store ? 0 : qMin(job.offset, kDictionarySize);
    // One input buffer per thread, kept for every piece it deflates.
    thread_local QByteArray input;
    input.resize(primed + piece.planned);
    const qint64 got = readAt(fd, input.data(), input.size(), job.offset - primed);
    if (got < 0) {
        piece.error = errno;
        return;
    }
    const qint64 dictionary = qMin(primed, got);
    piece.read = got - dictionary;
    const auto* bytes = reinterpret_cast<const Bytef*>(input.constData());
    piece.crc = quint32(crc32(crc32(0, nullptr, 0), bytes + dictionary, uInt(piece.read)));
    if (store) {
        piece.deflated = QByteArray(input.constData(), qsizetype(piece.read));
        return;
    }

    thread_local ThreadStream threadStream;
    z_stream* stream = threadStream.ready(job.file->level);
    if (stream == nullptr) {
        piece.error = -1;
        return;
    }
    if (dictionary > 0) {
        deflateSetDictionary(stream, bytes, uInt(dictionary));
    }
    // Room for the whole piece at once: deflate's bound plus the sync flush's few bytes.
    piece.deflated.resize(qsizetype(deflateBound(stream, uLong(piece.read)) + 16));
    stream->next_in = const_cast<Bytef*>(bytes + dictionary);
    stream->avail_in = uInt(piece.read);
    stream->next_out = reinterpret_cast<Bytef*>(piece.deflated.data());
    stream->avail_out = uInt(piece.deflated.size());
    const int flush = job.last ? Z_FINISH : Z_SYNC_FLUSH;
    const int result = ::deflate(stream, flush);
    const bool ok = (job.last ? result == Z_STREAM_END : result == Z_OK) && stream->avail_in == 0;
    piece.deflated.truncate(qsizetype(stream->total_out));
    if (!ok) {
        piece.error = -1;
        piece.deflated.clear();
    }
}

SSZipDeflater::Piece SSZipDeflater::take(qint64 index)
{
    if (m_threads.empty()) {
        // Not started: the caller deflates the piece itself.
        Job& job = m_jobs[size_t(index)];
        if (!job.done) {
            deflate(job);
            finish(index);
        }
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    // Asking for a piece moves the window up to it, so it is reached whatever was skipped.
    m_taken = qMax(m_taken, index);
    m_changed.notify_all();
    m_changed.wait(lock, [this, index] { return m_jobs[size_t(index)].sealed; });
    m_taken = qMax(m_taken, index + 1);
    Piece piece = std::move(m_jobs[size_t(index)].piece);
    m_jobs[size_t(index)].piece = Piece();
    m_jobs[size_t(index)].file.reset();
    lock.unlock();
    m_changed.notify_all();
    return piece;
}
