// Feeds arbitrary bytes to the zip archive reader as extraction and the password test read an
// archive: every entry's record, its name as text, the name the destination would get, and its
// content with and without a password. Besides never crashing, a name the sanitiser lets
// through must be relative and free of ".." components, and a link target judged to stay
// inside the destination must never start at the root.

#include "engine/archive/SSZipArchive.h"
#include "engine/archive/SSZipArchiveReader.h"
#include "engine/archive/SSZipDestination.h"

#include <cstddef>
#include <cstdint>

namespace {

void readAll(const SSZipArchiveReader& reader, qint64 index, const QString& password)
{
    SSZipArchiveReader::Failure failure = SSZipArchiveReader::Failure::None;
    const std::unique_ptr<SSZipArchiveReader::Entry> entry = reader.open(index, password, &failure);
    if (!entry) {
        return;
    }
    char buffer[4096];
    qint64 total = 0;
    // Bounded: a small input may claim gigabytes of content.
    for (qint64 n; total < (1 << 20) && (n = entry->read(buffer, sizeof buffer)) > 0;) {
        total += n;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const SSZipArchiveReader reader(bytes);
    const qint64 count = qMin<qint64>(reader.count(), 64);
    for (qint64 index = 0; index < count; ++index) {
        SSZipFileInfo info;
        QByteArray raw;
        QByteArray strict;
        if (!reader.info(index, &info, &raw, &strict)) {
            continue;
        }
        const QString name = SSZipArchive::_filenameStringWithCString(raw, info.versionMadeBy, info.flag);
        const QString safe = SSZipArchive::_sanitizedPath(name);
        if (!safe.isNull()
            && (safe.startsWith(QLatin1Char('/')) || safe.split(QLatin1Char('/')).contains(QStringLiteral("..")))) {
            __builtin_trap();
        }
        if (!safe.isEmpty() && SSZipDestination::isInside(safe, raw) && raw.startsWith('/')) {
            __builtin_trap();
        }
        readAll(reader, index, QString());
        readAll(reader, index, QStringLiteral("480913572266"));
    }
    return 0;
}
