#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

#include <ctime>

class SSZipDeflater;
struct zip;
struct zip_source;

/// A file's content as a libzip source that opens the file only when the archive is written,
/// so a large folder never holds one descriptor per entry. Opening the file announces the
/// entry (`started`), and every read first asks `cancelled`: a cancel stops the write inside a
/// large file, not only between entries.
class SSZipFileSource final
{
public:
    struct Hooks
    {
        std::function<void(const QString& name)> started;
        std::function<bool()> cancelled;
    };

    SSZipFileSource() = delete;

    /// A source for the file at the path, stored under the name with the given size and time
    /// (those of the file when it was added). With a deflater it hands libzip the file already
    /// deflated (the pieces from firstPiece on), so libzip copies instead of compressing; else
    /// the file's bytes. Null when libzip refuses it.
    static zip_source* create(zip* archive, const QString& path, const QString& name, quint64 size, time_t mtime,
                              const Hooks* hooks, SSZipDeflater* deflater = nullptr, qint64 firstPiece = 0);
};
