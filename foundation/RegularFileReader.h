#pragma once

// Reading a regular file the way the digests do: the shared pieces of the one-digest routines
// and the one-pass routine of several digests.

#include <QString>

namespace qv::detail {

/// A read-only descriptor of the file when it is a regular file, advised for sequential
/// reading; -1 for anything else (a folder, a named pipe, a device) or when it cannot be
/// opened. The caller closes it.
int openRegularFile(const QString& path);
/// Reads until the buffer is full or the file ends (retrying interrupted reads); the bytes
/// read, 0 at the end, -1 on a read error.
qsizetype readBlock(int fd, char* buffer, qsizetype size);

} // namespace qv::detail
