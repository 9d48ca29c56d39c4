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

#include <utility>
#include <vector>

namespace {

Q_LOGGING_CATEGORY(lcTransfer, "tarsel.engine.transfer")

const QString kCutPasteKey = QStringLiteral("Cut Paste");
const QString kCutPathsKey = QStringLiteral("cutPaths");

// The folder joined with the source's last component, as QDir(folder).filePath(QFileInfo(source)
// .fileName()) gives it. The plain case (a folder without a trailing slash, a name Qt would not
// take for a resource path) is joined directly: a selection of thousands pays for each item.
QString destinationIn(const QDir& dir, const QString& folder, const QString& source)
{
    const QStringView name = QStringView(source).mid(source.lastIndexOf(QLatin1Char('/')) + 1);
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || name.isEmpty() || name.startsWith(QLatin1Char(':'))) {
        return dir.filePath(QFileInfo(source).fileName());
    }
    QString destination;
    destination.reserve(folder.size() + 1 + name.size());
    destination.append(folder).append(QLatin1Char('/')).append(name);
    return destination;
}

} // namespace

bool QVFileTransfer::replaceFileAlert(const QString& target, const QString& orgPath, const Block& block)
{
    return askWhenTaken(qv::isExist(target), target, orgPath, block);
}

template <typename Accept>
bool QVFileTransfer::askWhenTaken(bool taken, const QString& target, const QString& orgPath, const Accept& block)
{
    if (!taken) {
        block(target, Placement::NoReplace);
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
        block(target, Placement::FreeVariant);
        return true;
    case Replace:
        if (!orgPath.isNull()) {
            // A target that is the source, holds it, or lies inside it cannot be replaced without
            // destroying the very item about to be written there.
            if (platform::FileOps::containsPath(target, orgPath) || platform::FileOps::containsPath(orgPath, target)) {
                qCInfo(lcTransfer) << "Replace refused: the target and the source overlap" << target << orgPath;
                return false;
            }
        }
        // Nothing is removed here: the writer swaps the complete new item in, so a write that
        // fails (a full disk) leaves the old item as it was.
        block(target, Placement::Replace);
        return true;
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
    items.reserve(sources.size());
    const QDir dir(folder);
    for (const QString& source : sources) {
        items.append({ source, destinationIn(dir, folder, source), QString(), Placement::NoReplace, QString() });
    }
    return queue(std::move(items));
}

bool QVFileTransfer::retryFailed()
{
    QList<Item> items;
    for (const Item& item : std::as_const(m_failed)) {
        if (qv::isExist(item.source)) {
            items.append({ item.source, item.destination, QString(), Placement::NoReplace, QString() });
        }
    }
    m_failed.clear();
    return queue(std::move(items));
}

bool QVFileTransfer::queue(QList<Item> items)
{
    // Every conflict is asked first, here on the main thread, one item after another; the items
    // handed back then go to the background queue as one job that runs them in order and
    // reports them back together. One job for the whole selection: a job per item cost a
    // round trip between the threads per file, more than copying a small file does.
    QList<Item> jobs;
    jobs.reserve(items.size());
    // The destinations mostly share one folder: each is looked up in it, opened once.
    platform::FileOps::EntryProbe probe;
    // Each item accepted is counted at once, but told (which opens the progress window) only
    // once the job is queued, so that opening the window overlaps the copy instead of holding it
    // back; before a question is asked, the items accepted so far are told, as the user sees
    // them go.
    qsizetype untold = 0;
    const auto tellAccepted = [&] {
        for (; untold > 0; --untold) {
            if (m_hooks.open) {
                m_hooks.open();
            }
        }
    };
    for (Item& item : items) {
        const bool taken = !item.destination.isEmpty() && probe.exists(item.destination);
        if (taken) {
            tellAccepted();
        }
        askWhenTaken(taken, item.destination, item.source, [&](const QString& destination, Placement placement) {
            ++m_loadingCount;
            ++untold;
            // The item itself becomes the job: its strings are handed on, not copied.
            if (&destination != &item.destination) {
                item.destination = destination;
            }
            item.placement = placement;
            item.error.clear();
            item.notice.clear();
            jobs.append(std::move(item));
        });
    }
    if (jobs.isEmpty()) {
        return false;
    }
    runInBackground(std::move(jobs));
    // Nothing the job reports can arrive before this returns to the event loop.
    tellAccepted();
    return true;
}

void QVFileTransfer::runInBackground(QList<Item> jobs)
{
    auto self = shared_from_this();
    qv::enterBackground([self, jobs = std::move(jobs)]() mutable {
        std::vector<bool> oks;
        oks.reserve(size_t(jobs.size()));
        for (Item& job : jobs) {
            platform::FileOps::Outcome outcome;
            const bool ok = platform::FileOps::transferItem(job.source, job.destination, self->m_mode == Mode::Move,
                                                            job.placement, &outcome, self->m_hooks.copied);
            if (ok) {
                job.destination = outcome.placed;
            }
            job.error = outcome.error;
            job.notice = outcome.notice;
            oks.push_back(ok);
        }
        qv::enterForeground([self, jobs = std::move(jobs), oks = std::move(oks)]() {
            for (qsizetype i = 0; i < jobs.size(); ++i) {
                self->finished(jobs.at(i), oks.at(size_t(i)));
            }
        });
    });
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
    } else if (!item.notice.isEmpty()) {
        qCInfo(lcTransfer).noquote() << item.notice;
        m_notices.append(item.notice);
    }
    if (m_loadingCount > 0) {
        return;
    }
    if (!m_notices.isEmpty()) {
        const QStringList notices = std::exchange(m_notices, {});
        if (m_hooks.noticed) {
            m_hooks.noticed(notices);
        }
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
