#include "engine/service/folders/QVFolderCommands.h"

#include "engine/service/QVCommandContext.h"
#include "engine/service/QVCommandFailures.h"
#include "engine/service/QVHelper.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/QVFile.h"
#include "foundation/QVNameDialogs.h"
#include "foundation/StringExpandText.h"
#include "platform/FileOps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <sys/stat.h>

Q_LOGGING_CATEGORY(lcFolders, "tarsel.engine.folders", QtWarningMsg)

namespace {

// Tries at most this many free names when others keep taking them meanwhile.
constexpr int kNameAttempts = 100;

void showError(const QString& message)
{
    qCWarning(lcFolders).noquote() << message;
    qv::alertWithMsg(qv::localized(QStringLiteral("Error Common Tip")));
}

// Moves the item to the first free variant of the path, claimed by a rename that never replaces.
bool moveToFree(const QString& from, const QString& to, QString* error)
{
    platform::FileOps::Outcome outcome;
    if (!platform::FileOps::transferItem(from, to, true, platform::FileOps::Placement::FreeVariant, &outcome)) {
        *error = outcome.error;
        return false;
    }
    if (!outcome.notice.isEmpty()) {
        qCWarning(lcFolders).noquote() << outcome.notice;
    }
    return true;
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Another file system is mounted on the entry: it cannot leave the folder it is mounted in.
bool isMountPointIn(const QString& folder, const QString& entry)
{
    struct stat inner
    {
    };
    struct stat outer
    {
    };
    return ::lstat(QFile::encodeName(QDir(folder).filePath(entry)).constData(), &inner) == 0
        && ::lstat(QFile::encodeName(folder).constData(), &outer) == 0 && inner.st_dev != outer.st_dev;
}

// Says which entries stayed in the folder after a move failed, and why: the user sees a folder
// half emptied and must know what is still inside and what stopped it.
void reportStayed(const QString& folder, const QString& failed, const QStringList& rest, const QString& error)
{
    QStringList stayed = { failed };
    for (const QString& entry : rest) {
        if (!entry.startsWith(QLatin1Char('.'))) {
            stayed << entry;
        }
    }
    const QString why = isMountPointIn(folder, failed)
        ? QStringLiteral("\"%1\" is a mount point: another file system is mounted there, and it cannot be moved")
              .arg(failed)
        : error;
    QStringList quoted;
    for (const QString& entry : std::as_const(stayed)) {
        quoted << QLatin1Char('"') + entry + QLatin1Char('"');
    }
    const QString message
        = QStringLiteral("Failed to unembed the folder. File: \"%1\". Error: \"%2\". These entries stayed in it: %3")
              .arg(folder, why, quoted.join(QStringLiteral(", ")));
    qCWarning(lcFolders).noquote() << message;
    QVCommandFailures::note(message);
    qv::alertWithMsg(qv::localized(QStringLiteral("Error Common Tip")) + QLatin1Char('\n') + message);
}

} // namespace

void QVFolderCommands::clean()
{
    if (const QVProgressHooks& progress = m_context.progressHooks(); progress.clean) {
        progress.clean();
    }
}

QString QVFolderCommands::makeFreeFolder(const QString& path, QString* error)
{
    QDir().mkpath(QFileInfo(path).path());
    // mkdir, not mkpath: a folder that appeared meanwhile must not be taken over.
    return platform::FileOps::makeFreeFolder(path, error);
}

void QVFolderCommands::embedFolder(QVPendingWork::Hold pending)
{
    const QStringList paths = m_context.selectPaths();
    if (paths.isEmpty()) {
        return;
    }
    const QString defaultName = QVFile(paths.first()).name();
    if (paths.size() == 1) {
        embedStep(defaultName, NotClassified);
        return;
    }
    // The process stays until the dialog has been answered; the dialog may keep its handler
    // for longer, so the handler lets go of the work once it has run.
    auto held = std::make_shared<QVPendingWork::Hold>(std::move(pending));
    const bool shown = QVNameDialogs::openEmbedFolder(defaultName, [this, held](const QString& name, int mode) {
        embedStep(name, mode);
        clean();
        held->reset();
    });
    if (!shown) {
        held->reset();
    }
}

void QVFolderCommands::embedStep(const QString& name, int mode)
{
    const QStringList paths = m_context.selectPaths();
    if (paths.isEmpty() || !QVNameDialogs::isFolderName(name)) {
        return;
    }
    const QString requested = QDir(QFileInfo(paths.first()).path()).filePath(name);
    QString error;
    const QString folder = makeFreeFolder(requested, &error);
    if (folder.isNull()) {
        qCWarning(lcFolders).noquote() << error;
        QVHelper::playSoundType(QVHelper::SoundError);
        return;
    }
    for (const QString& path : paths) {
        const QVFile item(path);
        QString destination = QDir(folder).filePath(item.filename());
        if (mode == ByExtension && qv::isValid(item.ext())) {
            const QString sub = QDir(folder).filePath(item.ext());
            QDir().mkdir(sub);
            destination = QDir(sub).filePath(item.filename());
        }
        if (!platform::FileOps::moveItem(path, destination, &error)) {
            showError(error);
        }
    }
    // Embedding a single folder "Photos" gives "Photos/Photos", not "Photos-1/Photos".
    if (folder != requested && !qv::isExist(requested)) {
        platform::FileOps::renameNoReplace(folder, requested);
    }
    QVHelper::playSoundType(QVHelper::SoundFold);
}

QString QVFolderCommands::stagingPathFor(const QString& folder)
{
    const QFileInfo info(folder);
    const QString base = QDir(info.path()).filePath(QLatin1Char('.') + info.fileName());
    QString candidate = base;
    for (qint64 n = 1; qv::isExist(candidate); ++n) {
        candidate = base + QLatin1Char('-') + QString::number(n);
    }
    return candidate;
}

QString QVFolderCommands::renameBack(const QString& staging, const QString& folder)
{
    QString error;
    const QString target = platform::FileOps::renameToFreeVariant(staging, folder, &error);
    if (!target.isNull()) {
        return target;
    }
    qCWarning(lcFolders).noquote() << error;
    return staging;
}

bool QVFolderCommands::unembedOne(const QString& folder)
{
    const QString parent = QFileInfo(folder).path();
    QString staging;
    QString error;
    for (int attempt = 0; attempt < kNameAttempts && staging.isNull(); ++attempt) {
        const QString candidate = stagingPathFor(folder);
        if (platform::FileOps::renameNoReplace(folder, candidate, &error)) {
            staging = candidate;
        } else if (!qv::isExist(candidate)) {
            break;
        }
    }
    if (staging.isNull()) {
        showError(error);
        return false;
    }
    int moved = 0;
    const QStringList entries = entriesOf(staging);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString& entry = entries.at(i);
        if (entry.startsWith(QLatin1Char('.'))) {
            continue;
        }
        if (!moveToFree(QDir(staging).filePath(entry), QDir(parent).filePath(entry), &error)) {
            const QString kept = renameBack(staging, folder);
            reportStayed(kept, entry, entries.mid(i + 1), error);
            return false;
        }
        ++moved;
    }
    if (moved == 0) {
        renameBack(staging, folder);
        qv::alertWithMsg(qv::localized(QStringLiteral("Empty Folder Tip")));
    } else if (entriesOf(staging).isEmpty()) {
        QDir().rmdir(staging);
    } else {
        // Dot entries (".git", ".directory") stay, in the folder under its own or a free name.
        renameBack(staging, folder);
    }
    return true;
}

void QVFolderCommands::unembedFolder()
{
    for (const QString& path : m_context.selectPaths()) {
        if (!qv::isFolder(path)) {
            continue;
        }
        if (!unembedOne(path)) {
            return;
        }
    }
    QVHelper::playSoundType(QVHelper::SoundFold);
}

QString QVFolderCommands::newFolderBase()
{
    const QStringList paths = m_context.selectPaths();
    const QString base = paths.isEmpty() ? qv::homePath() : paths.first();
    if (qv::isFolder(base) && (!m_context.isSelectURL() || !m_context.isOpenFromMainApp())) {
        return base;
    }
    return QFileInfo(base).path();
}

void QVFolderCommands::createFolder(QVPendingWork::Hold pending)
{
    const QString folder = newFolderBase();
    auto held = std::make_shared<QVPendingWork::Hold>(std::move(pending));
    const bool shown = QVNameDialogs::openNewFolder(
        qv::localized(QStringLiteral("Untitled")), [this, folder, held](const QString& name) {
            // Cancel hands back the empty name: nothing is made.
            if (QVNameDialogs::isFolderName(name)) {
                QString error;
                if (makeFreeFolder(QDir(folder).filePath(name), &error).isNull()) {
                    QVHelper::playSoundType(QVHelper::SoundError);
                    showError(error);
                }
                clean();
            }
            held->reset();
        });
    if (!shown) {
        held->reset();
    }
}
