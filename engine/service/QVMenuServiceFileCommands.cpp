// The file and folder commands that act at once on the selection.

#include "engine/service/QVMenuService.h"

#include "foundation/BundleExpand.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/QVHelper.h"
#include "foundation/AlertExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/StringExpandText.h"
#include "platform/Alert.h"
#include "platform/FileOps.h"
#include "platform/Pasteboard.h"
#include "platform/Trash.h"
#include "platform/Volumes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void QVMenuService::copyPathWithOnlyName(bool onlyName)
{
    QStringList lines;
    for (const QUrl& url : selectURLs()) {
        lines << (onlyName ? QFileInfo(url.path()).fileName() : url.path());
    }
    // Joined without the trimming of copyToPasteboard: a name may begin or end with blanks.
    auto& board = platform::Pasteboard::general();
    board.clear();
    board.setString(lines.join(QLatin1Char('\n')));
    QVHelper::playSoundType(QVHelper::SoundCopy);
}

namespace {

// Removing or moving the root, the home folder or a system folder would wreck the account or the
// system, however the path was spelt: such a selection is refused whole, with an alert naming the
// folder, before any confirmation.
bool refusesProtectedFolders(const QStringList& paths, const QString& action)
{
    for (const QString& path : paths) {
        if (qv::isProtectedFolder(path)) {
            QVHelper::playSoundType(QVHelper::SoundError);
            qv::alertWithMsg(QStringLiteral("Failed to %1. File: \"%2\". Error: \"the root folder, the home folder and "
                                            "the system folders are never removed or moved\"")
                                 .arg(action, path));
            return true;
        }
    }
    return false;
}

} // namespace

void QVMenuService::deletePath()
{
    if (refusesProtectedFolders(selectPaths(), QStringLiteral("delete the item"))) {
        return;
    }
    const auto deleteStep = [this]() {
        for (const QString& path : selectPaths()) {
            QString error;
            if (!platform::FileOps::removeItem(path, &error)) {
                qv::alertWithMsg(qv::localized(QStringLiteral("Delete Fail Tip")), nullptr);
            }
        }
        QVHelper::playSoundType(QVHelper::SoundFold);
    };
    if (!QVMenuManager::isPrefCheckOn(QVSwitch::AskBeforeDelete)) {
        deleteStep();
        return;
    }
    platform::Alert alert = qv::alert();
    alert.setAlertStyle(platform::Alert::Style::Warning);
    alert.setMessageText(qv::localized(QStringLiteral("Tip")));
    alert.setInformativeText(qv::localized(QStringLiteral("Delete Tip")));
    alert.addButtonWithTitle(qv::localized(QStringLiteral("OK")));
    alert.addButtonWithTitle(qv::localized(QStringLiteral("Cancel")));
    if (alert.runModal() == platform::Alert::FirstButtonReturn) {
        deleteStep();
    }
}

void QVMenuService::moveToTrash()
{
    // This desktop has no file manager to hand a trash shortcut to: both processes trash the
    // items themselves, through the freedesktop Trash.
    if (refusesProtectedFolders(selectPaths(), QStringLiteral("move the item to the Trash"))) {
        return;
    }
    for (const QString& path : selectPaths()) {
        QString error;
        if (!platform::Trash::trashItem(path, nullptr, &error)) {
            qv::alertWithMsg(qv::localized(QStringLiteral("Delete Fail Tip")), nullptr);
        }
    }
    QVHelper::playSoundType(QVHelper::SoundFold);
}

void QVMenuService::showPackageContents(const QVMenuItemPtr&)
{
    for (const QString& path : selectPaths()) {
        const QStringList entries =
            QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        if (!entries.isEmpty()) {
            qv::openInFinder(QDir(path).filePath(entries.first()));
        }
    }
}

void QVMenuService::ejectVolumes(const QVMenuItemPtr&)
{
    for (const QString& path : selectPaths()) {
        // Each volume reports for itself, through the sound only.
        qv::enterBackground([path]() {
            const bool ok = platform::Volumes::eject(path);
            QVHelper::playSoundType(ok ? QVHelper::SoundCopy : QVHelper::SoundError);
        });
    }
}

QString QVMenuService::copyableText(const QString& path)
{
    if (path.isEmpty()) {
        return QString();
    }
    // Pipes and devices are never opened: reading them could block for ever.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxCopyContentsSize) {
        return QString();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    // Read at most one byte more than the size seen, so a file that grew is still caught without
    // allocating the whole limit every time.
    const QByteArray data = file.read(info.size() + 1);
    if (data.size() > info.size()) {
        return QString();
    }
    return qv::getStringFromData(data);
}

void QVMenuService::copyFileContents()
{
    const QStringList paths = selectPaths();
    if (paths.isEmpty()) {
        return;
    }
    const QString text = copyableText(paths.first());
    if (!qv::isValid(text)) {
        QVHelper::playSoundType(QVHelper::SoundError);
        qv::alertWithMsg(qv::localized(QStringLiteral("Error Common Tip")), nullptr);
        return;
    }
    qv::copyToPasteboard(text);
    QVHelper::playSoundType(QVHelper::SoundCopy);
    if (m_progress.showSuccess) {
        m_progress.showSuccess(qv::localized(QStringLiteral("Success Common Tip")));
    }
}
