#include "engine/archive/SSZipFileSource.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

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

zip_int64_t readFile(Source* source, void* data, zip_uint64_t length)
{
    if (source->hooks && source->hooks->cancelled && source->hooks->cancelled()) {
        return fail(source, ZIP_ER_CANCELLED, 0);
    }
    for (;;) {
        const ssize_t n = ::read(source->fd, data, length);
        if (n >= 0) {
            return zip_int64_t(n);
        }
        if (errno != EINTR) {
            return fail(source, ZIP_ER_READ, errno);
        }
    }
}

zip_int64_t callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto* source = static_cast<Source*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        return openFile(source);
    case ZIP_SOURCE_READ:
        return readFile(source, data, length);
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
                                    const Hooks* hooks)
{
    auto* source = new Source { QFile::encodeName(path), name, size, mtime, hooks, -1, {} };
    zip_error_init(&source->error);
    zip_source_t* made = zip_source_function(archive, callback, source);
    if (made == nullptr) {
        zip_error_fini(&source->error);
        delete source;
    }
    return made;
}
