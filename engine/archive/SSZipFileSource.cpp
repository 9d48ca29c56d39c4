#include "engine/archive/SSZipFileSource.h"
#include "engine/archive/SSZipDeflater.h"
#include "platform/Posix.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include "platform/LateLibrary.h"

// libzip is opened on first use: these names call through platform/LateLibrary.h. The fuzz
// targets, which build this file alone, link the library instead.
#ifndef TARSEL_LINKED_LIBRARIES
#define zip_error_fini TARSEL_LATE(platform::zipLibrary, zip_error_fini)
#define zip_error_init TARSEL_LATE(platform::zipLibrary, zip_error_init)
#define zip_error_set TARSEL_LATE(platform::zipLibrary, zip_error_set)
#define zip_error_to_data TARSEL_LATE(platform::zipLibrary, zip_error_to_data)
#define zip_source_function TARSEL_LATE(platform::zipLibrary, zip_source_function)
#define zip_source_make_command_bitmap TARSEL_LATE(platform::zipLibrary, zip_source_make_command_bitmap)
#define zip_stat_init TARSEL_LATE(platform::zipLibrary, zip_stat_init)
#endif

namespace {

struct Source
{
    QByteArray path;
    QString name;
    quint64 size = 0;
    time_t mtime = 0;
    const SSZipFileSource::Hooks* hooks = nullptr;
    int fd = -1;
    zip_error_t error {};
    // Deflated mode: the pieces of the file, taken in order, and what they added up to.
    SSZipDeflater* deflater = nullptr;
    qint64 firstPiece = 0;
    qint64 pieces = 0;
    qint64 nextPiece = 0;
    SSZipDeflater::Piece current;
    qsizetype served = 0;
    bool shrunk = false;
    bool complete = false;
    quint32 crc = 0;
    quint64 read = 0;
    quint64 deflated = 0;
};

zip_int64_t fail(Source* source, int zipError, int systemError)
{
    zip_error_set(&source->error, zipError, systemError);
    return -1;
}

zip_int64_t openFile(Source* source)
{
    // Links are followed, as the file was when it was added; anything but a regular file
    // (a FIFO swapped in meanwhile) is refused rather than read and waited on.
    source->fd = ::open(source->path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (source->fd < 0) {
        return fail(source, ZIP_ER_OPEN, errno);
    }
    struct stat st;
    if (::fstat(source->fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(source->fd);
        source->fd = -1;
        return fail(source, ZIP_ER_OPEN, EINVAL);
    }
    if (source->hooks && source->hooks->started) {
        source->hooks->started(source->name);
    }
    return 0;
}

zip_int64_t openPieces(Source* source)
{
    source->nextPiece = 0;
    source->current = SSZipDeflater::Piece();
    source->served = 0;
    source->shrunk = false;
    source->complete = false;
    source->crc = quint32(crc32(0, nullptr, 0));
    source->read = 0;
    source->deflated = 0;
    if (source->hooks && source->hooks->started) {
        source->hooks->started(source->name);
    }
    return 0;
}

/// The next piece into `current`; false (the error set) when it failed.
bool nextPiece(Source* source)
{
    SSZipDeflater::Piece piece = source->deflater->take(source->firstPiece + source->nextPiece++);
    if (piece.error == ECANCELED) {
        fail(source, ZIP_ER_CANCELLED, 0);
        return false;
    }
    if (piece.error != 0) {
        fail(source, piece.error > 0 ? ZIP_ER_READ : ZIP_ER_INTERNAL, qMax(piece.error, 0));
        return false;
    }
    // A file that shrank ends early; one that shrank and grew again would leave a gap.
    if (source->shrunk && piece.read > 0) {
        fail(source, ZIP_ER_READ, EIO);
        return false;
    }
    source->shrunk = source->shrunk || piece.read < piece.planned;
    source->crc = quint32(crc32_combine(source->crc, piece.crc, z_off_t(piece.read)));
    source->read += quint64(piece.read);
    source->deflated += quint64(piece.deflated.size());
    source->deflater->recycle(std::move(source->current.deflated));
    source->current = std::move(piece);
    source->served = 0;
    return true;
}

zip_int64_t readPieces(Source* source, void* data, zip_uint64_t length)
{
    if (source->hooks && source->hooks->cancelled && source->hooks->cancelled()) {
        return fail(source, ZIP_ER_CANCELLED, 0);
    }
    while (source->served == source->current.deflated.size()) {
        if (source->nextPiece == source->pieces) {
            source->complete = true;
            return 0;
        }
        if (!nextPiece(source)) {
            return -1;
        }
    }
    const qsizetype n = qMin(qsizetype(length), source->current.deflated.size() - source->served);
    std::memcpy(data, source->current.deflated.constData() + source->served, size_t(n));
    source->served += n;
    return zip_int64_t(n);
}

zip_int64_t readFile(Source* source, void* data, zip_uint64_t length)
{
    if (source->hooks && source->hooks->cancelled && source->hooks->cancelled()) {
        return fail(source, ZIP_ER_CANCELLED, 0);
    }
    const ssize_t n = platform::posix::retryOnInterrupt([&] { return ::read(source->fd, data, length); });
    return n >= 0 ? zip_int64_t(n) : fail(source, ZIP_ER_READ, errno);
}

zip_int64_t callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto* source = static_cast<Source*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        return source->deflater ? openPieces(source) : openFile(source);
    case ZIP_SOURCE_READ:
        return source->deflater ? readPieces(source, data, length) : readFile(source, data, length);
    case ZIP_SOURCE_CLOSE:
        if (source->fd >= 0) {
            ::close(source->fd);
            source->fd = -1;
        }
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &source->error);
        if (st == nullptr) {
            return -1;
        }
        zip_stat_init(st);
        st->size = source->size;
        st->mtime = source->mtime;
        st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        if (source->deflater) {
            // Already deflated: libzip copies the data as it is (and encrypts it).
            st->comp_method = ZIP_CM_DEFLATE;
            st->valid |= ZIP_STAT_COMP_METHOD;
            if (source->complete) {
                st->size = source->read;
                st->comp_size = source->deflated;
                st->crc = source->crc;
                st->valid |= ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC;
            }
        }
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&source->error, data, length);
    case ZIP_SOURCE_FREE:
        if (source->fd >= 0) {
            ::close(source->fd);
        }
        zip_error_fini(&source->error);
        delete source;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        return fail(source, ZIP_ER_OPNOTSUPP, 0);
    }
}

} // namespace

zip_source* SSZipFileSource::create(zip* archive, const QString& path, const QString& name, quint64 size, time_t mtime,
                                    const Hooks* hooks, SSZipDeflater* deflater, qint64 firstPiece)
{
    auto* source = new Source;
    source->path = QFile::encodeName(path);
    source->name = name;
    source->size = size;
    source->mtime = mtime;
    source->hooks = hooks;
    source->deflater = deflater;
    source->firstPiece = firstPiece;
    source->pieces = SSZipDeflater::pieceCount(qint64(size));
    zip_error_init(&source->error);
    zip_source_t* made = zip_source_function(archive, callback, source);
    if (made == nullptr) {
        zip_error_fini(&source->error);
        delete source;
    }
    return made;
}
