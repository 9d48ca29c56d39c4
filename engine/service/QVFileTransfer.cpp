#include "engine/service/QVFileTransfer.h"

#include "foundation/BundleExpand.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/AlertExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/StringExpandText.h"
#include "platform/Alert.h"
#include "platform/FileOps.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcTransfer, "tarsel.engine.transfer")

const QString kCutPasteKey = QStringLiteral("Cut Paste");
const QString kCutPathsKey = QStringLiteral("cutPaths");

} // namespace

bool QVFileTransfer::replaceFileAlert(const QString& target, const QString& orgPath,
                                      const std::function<void(const QString& path)>& block)
{
    if (!qv::isExist(target)) {
        block(target);
        return true;
    }
    platform::Alert alert = qv::alert();
    alert.setAlertStyle(platform::Alert::Style::Critical);
    alert.addButtonWithTitle(qv::localized(QStringLiteral("Keep Both")));
    alert.addButtonWithTitle(qv::localized(QStringLiteral("Stop")));
    alert.addButtonWithTitle(qv::localized(QStringLiteral("Replace")));
    // Closing the question, or having nobody to ask, stops: never the last button, Replace.
    alert.setCancelResponse(Stop);
    alert.setInformativeText(
        qv::stringWithFormat(qv::localized(QStringLiteral("Same FileName Tip")), QFileInfo(target).fileName()));
    switch (alert.runModal()) {
    case KeepBoth:
        block(qv::uniquePath(target));
        return true;
    case Replace: {
        if (!orgPath.isNull()) {
            // A target that is the source, holds it, or lies inside it cannot be removed without
            // destroying the very item about to be written there.
            if (platform::FileOps::containsPath(target, orgPath) || platform::FileOps::containsPath(orgPath, target)) {
                qCInfo(lcTransfer) << "Replace refused: the target and the source overlap" << target << orgPath;
                return false;
            }
        }
        QString error;
        if (!platform::FileOps::removeItem(target, &error)) {
            qCWarning(lcTransfer).noquote()
                << QStringLiteral("Failed to remove. File: \"%1\". Error: \"%2\"").arg(target, error);
            return false;
        }
        block(target);
        return true;
    }
    default:
        return false;
    }
}

std::shared_ptr<QVFileTransfer> QVFileTransfer::create(Mode mode, Hooks hooks)
{
    return std::shared_ptr<QVFileTransfer>(new QVFileTransfer(mode, std::move(hooks)));
}

QVFileTransfer::QVFileTransfer(Mode mode, Hooks hooks)
    : m_mode(mode)
    , m_hooks(std::move(hooks))
{
}

QStringList QVFileTransfer::storedCutPaths()
{
    for (const QVariant& entry : QVMenuManager::storedList(QVMenuManager::kArrayRightMenu)) {
        const QVariantMap map = entry.toMap();
        if (map.value(QStringLiteral("key")).toString() == kCutPasteKey) {
            QStringList paths;
            for (const QVariant& path : map.value(kCutPathsKey).toList()) {
                if (path.canConvert<QString>() && !path.toString().isEmpty()) {
                    paths.append(path.toString());
                }
            }
            return paths;
        }
    }
    return {};
}

bool QVFileTransfer::storeCutPaths(const QStringList& paths)
{
    return QVMenuManager::updateMenuKey(QVMenuManager::kArrayRightMenu, kCutPasteKey, kCutPathsKey,
                                        QVariant(QVariantList(paths.cbegin(), paths.cend())));
}

std::shared_ptr<QVFileTransfer> QVFileTransfer::pasteCutPaths(const QString& folder, Hooks hooks)
{
    const QStringList paths = storedCutPaths();
    storeCutPaths({});
    if (paths.isEmpty() || !qv::isFolder(folder)) {
        return nullptr;
    }
    auto transfer = create(Mode::Move, std::move(hooks));
    return transfer->start(paths, folder) ? transfer : nullptr;
}

bool QVFileTransfer::start(const QStringList& sources, const QString& folder)
{
    QList<Item> items;
    for (const QString& source : sources) {
        items.append({ source, QDir(folder).filePath(QFileInfo(source).fileName()), QString() });
    }
    return queue(items);
}

bool QVFileTransfer::retryFailed()
{
    QList<Item> items;
    for (const Item& item : std::as_const(m_failed)) {
        if (qv::isExist(item.source)) {
            items.append({ item.source, item.destination, QString() });
        }
    }
    m_failed.clear();
    return queue(items);
}

bool QVFileTransfer::queue(const QList<Item>& items)
{
    bool queued = false;
    for (const Item& item : items) {
        replaceFileAlert(item.destination, item.source, [&](const QString& destination) {
            ++m_loadingCount;
            queued = true;
            if (m_hooks.open) {
                m_hooks.open();
            }
            Item job { item.source, destination, QString() };
            auto self = shared_from_this();
            qv::enterBackground([self, job]() mutable {
                const bool ok = self->m_mode == Mode::Copy
                    ? platform::FileOps::copyItem(job.source, job.destination, &job.error)
                    : platform::FileOps::moveItem(job.source, job.destination, &job.error);
                qv::enterForeground([self, job, ok]() { self->finished(job, ok); });
            });
        });
    }
    return queued;
}

QString QVFileTransfer::Item::failureMessage(bool isCopy) const
{
    // The file operation's message names the file it failed on; when that is not the source
    // (the destination was taken, say), the source is named around it.
    if (!error.isEmpty() && error.contains(source)) {
        return error;
    }
    const QString action = isCopy ? QStringLiteral("copy") : QStringLiteral("move");
    if (error.isEmpty()) {
        return QStringLiteral("Failed to %1. File: \"%2\".").arg(action, source);
    }
    return QStringLiteral("Failed to %1. File: \"%2\". Error: \"%3\"").arg(action, source, error);
}

void QVFileTransfer::finished(Item item, bool ok)
{
    --m_loadingCount;
    if (m_hooks.jobEnded) {
        m_hooks.jobEnded();
    }
    if (!ok) {
        qCWarning(lcTransfer).noquote() << item.failureMessage(m_mode == Mode::Copy);
        m_failedThisRound.append(item);
    }
    if (m_loadingCount > 0) {
        return;
    }
    if (m_failedThisRound.isEmpty()) {
        if (m_hooks.succeeded) {
            m_hooks.succeeded(item.destination);
        }
        return;
    }
    m_failed += m_failedThisRound;
    m_failedThisRound.clear();
    if (m_hooks.failed) {
        m_hooks.failed(m_failed);
    }
}
