#pragma once

// PNG files written byte by byte, for pictures no encoder would make (huge sides, odd chunks).

#include <QByteArray>
#include <QtEndian>

#include <zlib.h>

namespace tarsel::test {

/// Appends a chunk to the PNG: its length, type, data and checksum.
inline void appendChunk(QByteArray& png, const char* type, const QByteArray& data)
{
    QByteArray length(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), length.data());
    const QByteArray body = QByteArray(type, 4) + data;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))),
                          crc.data());
    png += length + body + crc;
}

} // namespace tarsel::test
