#pragma once

#include "foundation/StringExpandDigest.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

/// One row of the file hash window: a file row (empty title, the file's path as value, its
/// digest rows as children) or a digest row (the digest's label and its text; a null value for
/// a file that could not be read).
struct QVHashRow
{
    QString title;
    QString value;
    QList<QVHashRow> children;

    bool isDigestRow() const { return !title.isEmpty(); }
};

/// The rows of the window for a list of files and the ticked digests, and whether the files
/// agree. Plain data: computed on the background queue, shown on the main one.
struct QVHashTable
{
    /// Ticked digests by qv::FileDigestKind.
    using Ticks = std::array<bool, qv::kFileDigestKindCount>;

    QList<QVHashRow> rows;
    bool equal = true;

    /// Digests every path once for all ticked kinds. Each digest is compared with the first
    /// file's value of that kind; with two or more files a file without a value for a ticked
    /// kind (it could not be read) makes them different whatever its place, since nothing can
    /// say it agrees.
    static QVHashTable compute(const QStringList& paths, const Ticks& ticks);
    /// The digest rows of one file's digests, in the window's order; CRC-32 gives a decimal and
    /// a hexadecimal row.
    static QList<QVHashRow> digestRows(const qv::FileDigests& digests, const Ticks& ticks);
};
