#include "toolwindows/filehash/QVHashRows.h"

#include "foundation/BundleExpand.h"

#include <optional>

namespace {

const char* const kTitles[] = { "MD5", "SHA1", "SHA256", "SHA512" };

QString crcTitle(const char* radix)
{
    return QStringLiteral("%1 (%2)").arg(QStringLiteral("CRC32"), qv::localized(QString::fromLatin1(radix)));
}

QString crcHex(const QString& decimal)
{
    bool ok = false;
    const qulonglong value = decimal.toULongLong(&ok);
    return ok ? QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')) : QString();
}

} // namespace

QList<QVHashRow> QVHashTable::digestRows(const qv::FileDigests& digests, const Ticks& ticks)
{
    QList<QVHashRow> rows;
    for (int kind = 0; kind < qv::kFileDigestKindCount; ++kind) {
        if (!ticks.at(size_t(kind))) {
            continue;
        }
        const QString value = digests.values.at(size_t(kind));
        if (kind == int(qv::FileDigestKind::CRC32)) {
            rows.append({ crcTitle("Decimal"), value, {} });
            rows.append({ crcTitle("Hexadecimal"), value.isEmpty() ? QString() : crcHex(value), {} });
        } else {
            rows.append({ QString::fromLatin1(kTitles[kind]), value, {} });
        }
    }
    return rows;
}

QVHashTable QVHashTable::compute(const QStringList& paths, const Ticks& ticks)
{
    QList<qv::FileDigestKind> kinds;
    for (int kind = 0; kind < qv::kFileDigestKindCount; ++kind) {
        if (ticks.at(size_t(kind))) {
            kinds.append(qv::FileDigestKind(kind));
        }
    }
    QVHashTable table;
    std::array<std::optional<QString>, qv::kFileDigestKindCount> references;
    bool missing = false;
    for (const QString& path : paths) {
        const qv::FileDigests digests = qv::digestsOfFileAtPath(path, kinds);
        for (const qv::FileDigestKind kind : kinds) {
            const QString value = digests.value(kind);
            std::optional<QString>& reference = references.at(size_t(kind));
            if (value.isEmpty()) {
                missing = true;
            } else if (!reference) {
                reference = value;
            } else if (*reference != value) {
                table.equal = false;
            }
        }
        table.rows.append({ QString(), path, digestRows(digests, ticks) });
    }
    if (missing && paths.size() > 1) {
        table.equal = false;
    }
    return table;
}
