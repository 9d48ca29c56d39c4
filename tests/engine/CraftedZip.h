#pragma once

// Writes zip archives byte by byte, stored (not compressed) entries only, with whatever names,
// link bits and checksums a test wants: the crafted archives no well-behaved writer makes.

#include <QByteArray>
#include <QList>
#include <QtEndian>

#include <zlib.h>

namespace tarsel::test {

struct CraftedEntry
{
    QByteArray name; ///< raw bytes, NUL and backslashes included
    QByteArray content; ///< a link's content is its target
    quint32 mode = 0100644; ///< file type and permission bits (0120777 for a link)
    bool badCrc = false;
};

inline void putLE(QByteArray& out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.append(char((value >> (8 * i)) & 0xff));
    }
}

inline QByteArray craftZip(const QList<CraftedEntry>& entries)
{
    QByteArray out;
    QByteArray central;
    for (const CraftedEntry& e : entries) {
        const quint32 offset = quint32(out.size());
        quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(e.content.constData()), uInt(e.content.size())));
        if (e.badCrc) {
            crc ^= 0xffffffffu;
        }
        const auto header = [&](QByteArray& to, bool isCentral) {
            putLE(to, isCentral ? 0x02014b50 : 0x04034b50, 4);
            if (isCentral) {
                putLE(to, 0x0314, 2); // made by Unix
            }
            putLE(to, 20, 2); // version needed
            putLE(to, 0, 2); // flags
            putLE(to, 0, 2); // stored
            putLE(to, 0x0000, 2); // time
            putLE(to, 0x5a21, 2); // date: 2025-01-01
            putLE(to, crc, 4);
            putLE(to, quint32(e.content.size()), 4);
            putLE(to, quint32(e.content.size()), 4);
            putLE(to, quint32(e.name.size()), 2);
            putLE(to, 0, 2); // extra
            if (isCentral) {
                putLE(to, 0, 2); // comment
                putLE(to, 0, 2); // disk
                putLE(to, 0, 2); // internal attributes
                putLE(to, e.mode << 16, 4);
                putLE(to, offset, 4);
            }
            to.append(e.name);
        };
        header(out, false);
        out.append(e.content);
        header(central, true);
    }
    const quint32 centralOffset = quint32(out.size());
    out.append(central);
    putLE(out, 0x06054b50, 4);
    putLE(out, 0, 4);
    putLE(out, quint32(entries.size()), 2);
    putLE(out, quint32(entries.size()), 2);
    putLE(out, quint32(central.size()), 4);
    putLE(out, centralOffset, 4);
    putLE(out, 0, 2);
    return out;
}

} // namespace tarsel::test
