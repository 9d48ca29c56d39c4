#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <limits>
#include <optional>
#include <utility>

#include <cerrno>
#include <sys/types.h>

namespace platform::posix {

// What the file services built on the C library share: the wording of their failures and the
// folder part of a path.

/// "Failed to <action>. File: "<file>". Error: "<why>"".
QString failureMessage(const QString& action, const QString& file, const QString& why);
/// Sets *error (when given) to the failure message; always false, so a caller can return it.
bool fail(QString* error, const QString& action, const QString& file, const QString& why);
/// The C library's wording of an errno value.
QString errnoText(int code);
/// The folder holding an absolute path; "/" for an item at the root.
QString parentOf(const QString& path);
/// Renames without replacing (renameat2 with RENAME_NOREPLACE; on a file system without that
/// flag a test for a taken name, then a rename). 0, or the errno value of the failure (EEXIST
/// when the destination is taken).
int renameNoReplace(const QString& from, const QString& to);

/// Calls `call` again for as long as a signal interrupts it (-1 with EINTR); its last result.
/// Every loop over an interrupted system call is this one.
template <typename Call> auto retryOnInterrupt(Call call)
{
    for (;;) {
        const auto result = call();
        if (!(result < 0 && errno == EINTR)) {
            return result;
        }
    }
}

/// Reads until `size` bytes are in `buffer` or the file ends, from the descriptor's position,
/// or from `offset` when it is not negative (pread; the position stays). The count read, or -1
/// with errno.
qint64 readFull(int fd, char* buffer, qint64 size, qint64 offset = -1);
/// Appends what the descriptor holds up to its end to *bytes. 0, or the errno value of the
/// failure; EFBIG when there is more than `limit` bytes (what was read by then stays appended).
int readAll(int fd, QByteArray* bytes, qint64 limit = std::numeric_limits<qint64>::max());
/// Writes all of `data`. 0, or the errno value of the failure (ENOSPC on a full disk; EIO
/// when the file takes no more bytes without saying why).
int writeAll(int fd, QByteArrayView data);
/// writeAll for a socket: a peer that has gone is an EPIPE failure, not a SIGPIPE.
int sendAll(int fd, QByteArrayView data);
/// Replaces the file `name` in the folder `dirFd` by one holding `data`: the bytes go to a new
/// hidden file beside it, are flushed to the disk and the new file is renamed over `name`, so a
/// reader (and a crash) meets the old contents or the new, never half of them. A link at
/// `name` is replaced, never written through. The new file gets `mode` (else the default
/// mode under the umask). When anything fails the old file stays as it was and the temporary
/// is removed. 0, or the errno value of the failure.
int replaceFile(int dirFd, const QByteArray& name, QByteArrayView data, std::optional<mode_t> mode = std::nullopt);
/// replaceFile for a path; its folder must exist.
int replaceFile(const QString& path, QByteArrayView data, std::optional<mode_t> mode = std::nullopt);

/// A descriptor closed at the end of its scope; it moves, never copies.
class Fd
{
public:
    explicit Fd(int fd = -1)
        : m_fd(fd)
    {
    }
    ~Fd() { reset(); }
    Fd(Fd&& other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {
    }
    Fd& operator=(Fd&& other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool ok() const { return m_fd >= 0; }

private:
    void reset();
    int m_fd;
};

/// Opens a regular file for reading, non-blocking so that a named pipe or a device put at the
/// path cannot hang the caller; anything but a regular file is refused. The descriptor, or -1
/// with the reason in *error (when given).
int openRegularFile(const QString& path, QString* error = nullptr);

} // namespace platform::posix
