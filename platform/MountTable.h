#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace platform {

/// The kernel's table of mounts (/proc/self/mountinfo): where each file system is mounted and
/// what it was mounted from, with the kernel's octal escapes ("\040" for a blank) decoded.
class MountTable final
{
public:
    MountTable() = delete;

    struct Entry
    {
        QString mountPoint; ///< the fifth field
        QString source; ///< the second field after the "-" separator; empty when the line has none
    };

    static const QString kKernelPath;

    /// The entries of a table text in its order; a line of fewer than five fields is skipped.
    static QList<Entry> parse(const QByteArray& text);
    /// The entries of the table file now; empty (and logged) when it cannot be read.
    static QList<Entry> read();
    /// The table file; tests point it at a file of their own (empty restores the kernel's).
    static void setPath(const QString& path);
    static QString path();
};

} // namespace platform
