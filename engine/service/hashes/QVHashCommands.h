#pragma once

#include "engine/model/QVMenuItem.h"
#include "engine/service/QVPendingWork.h"
#include "foundation/StringExpandDigest.h"

#include <QString>
#include <QStringList>

class QVCommandContext;

/// "File Info": one digest of the first selected file in an alert it can be copied from, or the
/// file hash window over the whole selection ("All Info", or the entry itself).
class QVHashCommands final
{
public:
    explicit QVHashCommands(QVCommandContext& context)
        : m_context(context)
    {
    }
    Q_DISABLE_COPY_MOVE(QVHashCommands)

    /// The item's tag picks the digest: 1 MD5, 2 SHA1, 3 SHA256, 4 SHA512, 5 CRC32; any other
    /// opens the hash window. A folder as the first item does nothing. A digest is worked out in
    /// the background and its alert answered under the pending work.
    void copyfileInfo(const QVMenuItemPtr& item, QVPendingWork::Hold pending);

    /// What the alert of one digest shows and what its buttons copy.
    struct DigestAlert
    {
        QString messageText;
        QString informativeText;
        QStringList buttons;
        /// The text each button copies, by button; a button without one only closes.
        QStringList copies;
    };
    /// The alert for the digest kind named by the key ("MD5" ... "CRC32") of those digests. A
    /// file that could not be read says "Error Common Tip" and offers nothing to copy, CRC-32
    /// included (its "0" would pass for the checksum of an empty file).
    static DigestAlert digestAlert(const QString& key, qv::FileDigestKind kind, const qv::FileDigests& digests);
    /// "%08llx" of the CRC-32's decimal text; null when the text is not a number.
    static QString crc32Hex(const QString& decimal);

private:
    void showDigest(const QString& key, qv::FileDigestKind kind, const QString& path, QVPendingWork::Hold pending);

    QVCommandContext& m_context;
};
