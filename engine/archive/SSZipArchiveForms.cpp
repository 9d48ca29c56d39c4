// The short forms of extraction and the inspections that read only entry records.

#include "engine/archive/SSZipArchive.h"
#include "engine/archive/SSZipArchiveReader.h"

bool SSZipArchive::isFilePasswordProtectedAtPath(const QString& path)
{
    const SSZipArchiveReader reader(path);
    for (qint64 index = 0; index < reader.count(); ++index) {
        SSZipFileInfo info;
        QByteArray raw;
        if (!reader.info(index, &info, &raw)) {
            return false;
        }
        if (info.flag & 0x0001) {
            return true;
        }
    }
    return false;
}

quint64 SSZipArchive::payloadSizeForArchiveAtPath(const QString& path, SSZipError* error)
{
    const SSZipArchiveReader reader(path);
    if (!reader.isOpen()) {
        if (error != nullptr) {
            *error = SSZipError::make(SSZipError::FailedOpenZipFile, QStringLiteral("failed to open zip file"));
        }
        return 0;
    }
    quint64 total = 0;
    for (qint64 index = 0; index < reader.count(); ++index) {
        SSZipFileInfo info;
        QByteArray raw;
        if (!reader.info(index, &info, &raw)) {
            if (error != nullptr) {
                *error = SSZipError::make(SSZipError::FileInfoNotLoadable,
                                          QStringLiteral("failed to retrieve info for file"));
            }
            return total;
        }
        total += info.uncompressedSize;
    }
    return total;
}

bool SSZipArchive::unzipFileAtPath(const QString& path, const QString& destination)
{
    return unzipFileAtPath(path, destination, true, true, 0, QString(), nullptr, nullptr, {}, {});
}

bool SSZipArchive::unzipFileAtPath(const QString& path, const QString& destination, SSZipArchiveDelegate* delegate)
{
    return unzipFileAtPath(path, destination, true, true, 0, QString(), nullptr, delegate, {}, {});
}

bool SSZipArchive::unzipFileAtPath(const QString& path, const QString& destination, bool overwrite,
                                   const QString& password, SSZipError* error, SSZipArchiveDelegate* delegate)
{
    return unzipFileAtPath(path, destination, true, overwrite, 0, password, error, delegate, {}, {});
}

bool SSZipArchive::unzipFileAtPath(const QString& path, const QString& destination, bool overwrite,
                                   const QString& password, const ProgressHandler& progressHandler,
                                   const CompletionHandler& completionHandler)
{
    return unzipFileAtPath(path, destination, true, overwrite, 0, password, nullptr, nullptr, progressHandler,
                           completionHandler);
}

bool SSZipArchive::unzipFileAtPath(const QString& path, const QString& destination,
                                   const ProgressHandler& progressHandler, const CompletionHandler& completionHandler)
{
    return unzipFileAtPath(path, destination, true, true, 0, QString(), nullptr, nullptr, progressHandler,
                           completionHandler);
}
