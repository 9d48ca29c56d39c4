#pragma once

#include <QString>
#include <QStringList>

namespace platform {

/// Small text files of one entry a line that other programs read too (a folder's hidden list,
/// its settings): read whole, and rewritten atomically so that no reader sees half a file.
class LineFile final
{
public:
    LineFile() = delete;

    /// The lines, without the newline that ends the last one; empty when it cannot be read.
    static QStringList read(const QString& path);
    /// Writes the lines, each ended by a newline, to a temporary file renamed over the old one.
    /// False with the reason when it could not be written.
    static bool write(const QString& path, const QStringList& lines, QString* why = nullptr);
};

} // namespace platform
