#pragma once

#include <QString>

#include <utility>

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
