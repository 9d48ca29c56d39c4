#include "engine/service/hashes/QVHashCommands.h"

#include "engine/service/QVCommandContext.h"
#include "engine/service/QVHelper.h"
#include "engine/service/QVPendingWork.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/FileToolWindows.h"
#include "foundation/ObjectGCD.h"
#include "foundation/StringExpandText.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcHashes, "tarsel.engine.hashes", QtWarningMsg)

namespace {

// The children of "File Info" after "All Info", in menu order.
struct DigestEntry
{
    const char* key;
    qv::FileDigestKind kind;
};
constexpr DigestEntry kDigestEntries[] = {
    { "MD5", qv::FileDigestKind::MD5 },       { "SHA1", qv::FileDigestKind::SHA1 },
    { "SHA256", qv::FileDigestKind::SHA256 }, { "SHA512", qv::FileDigestKind::SHA512 },
    { "CRC32", qv::FileDigestKind::CRC32 },
};

QString copyTitle(const char* what)
{
    return qv::localized(QStringLiteral("Copy")) + qv::localized(QString::fromLatin1(what));
}

} // namespace

QString QVHashCommands::crc32Hex(const QString& decimal)
{
    bool ok = false;
    const qulonglong value = decimal.toULongLong(&ok);
    return ok ? QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')) : QString();
}

QVHashCommands::DigestAlert QVHashCommands::digestAlert(const QString& key, qv::FileDigestKind kind,
                                                        const qv::FileDigests& digests)
{
    DigestAlert alert;
    alert.messageText = key;
    const QString value = digests.value(kind);
    if (!digests.readable || !qv::isValid(value)) {
        alert.informativeText = qv::localized(QStringLiteral("Error Common Tip"));
        alert.buttons = { qv::localized(QStringLiteral("OK")) };
        alert.copies = { QString() };
        return alert;
    }
    if (kind == qv::FileDigestKind::CRC32) {
        const QString hex = crc32Hex(value);
        alert.informativeText = QStringLiteral("%1: %2\n%3: %4")
                                    .arg(qv::localized(QStringLiteral("Decimal")), value,
                                         qv::localized(QStringLiteral("Hexadecimal")), hex);
        alert.buttons = { copyTitle("Decimal"), copyTitle("Hexadecimal") };
        alert.copies = { value, hex };
        return alert;
    }
    alert.informativeText = value;
    alert.buttons = { qv::localized(QStringLiteral("Copy")), qv::localized(QStringLiteral("Cancel")) };
    alert.copies = { value, QString() };
    return alert;
}

void QVHashCommands::copyfileInfo(const QVMenuItemPtr& item, QVPendingWork::Hold pending)
{
    const QList<QUrl> urls = m_context.selectURLs();
    if (urls.isEmpty() || qv::isFolder(urls.first().toLocalFile())) {
        return;
    }
    const qint64 tag = item ? item->tag() : 0;
    if (tag < 1 || tag > qint64(std::size(kDigestEntries))) {
        if (!qv::openFileHashWindow(urls)) {
            qCWarning(lcHashes) << "this process has no file hash window";
            qv::alertWithMsg(qv::stringWithFormat(qv::localized(QStringLiteral("Not Available Tip")),
                                                  qv::localized(QStringLiteral("File Info"))));
        }
        return;
    }
    const DigestEntry& entry = kDigestEntries[tag - 1];
    showDigest(QString::fromLatin1(entry.key), entry.kind, urls.first().toLocalFile(), std::move(pending));
}

void QVHashCommands::showDigest(const QString& key, qv::FileDigestKind kind, const QString& path,
                                QVPendingWork::Hold pending)
{
    if (const QVProgressHooks& progress = m_context.progressHooks(); progress.open) {
        progress.open();
    }
    // A copy: the job may end after the engine that started it. The job is pending work until
    // its alert has been answered, so that the host, which ends when no work is left, shows it.
    const QVProgressHooks hooks = m_context.progressHooks();
    qv::enterBackground([key, kind, path, hooks, pending] {
        const qv::FileDigests digests = qv::digestsOfFileAtPath(path, { kind });
        qv::enterForeground([key, kind, digests, hooks, pending] {
            if (hooks.clean) {
                hooks.clean();
            }
            const DigestAlert shown = digestAlert(key, kind, digests);
            platform::Alert alert = qv::alert();
            alert.setMessageText(shown.messageText);
            alert.setInformativeText(shown.informativeText);
            for (const QString& title : shown.buttons) {
                alert.addButtonWithTitle(title);
            }
            const qsizetype button = alert.runModal() - platform::Alert::FirstButtonReturn;
            if (button >= 0 && button < shown.copies.size() && !shown.copies.at(button).isEmpty()) {
                qv::copyToPasteboard(shown.copies.at(button));
                QVHelper::playSoundType(QVHelper::SoundCopy);
            }
        });
    });
}
