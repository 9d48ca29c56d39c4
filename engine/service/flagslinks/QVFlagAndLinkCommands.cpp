#include "engine/service/flagslinks/QVFlagAndLinkCommands.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/QVCommandContext.h"
#include "engine/service/QVCommandFailures.h"
#include "engine/service/QVHelper.h"
#include "engine/service/QVPendingWork.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVCheckPermit.h"
#include "foundation/StringExpand.h"
#include "platform/FileFlags.h"
#include "platform/FileOps.h"
#include "platform/Panels.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLoggingCategory>

#include <cerrno>
#include <chrono>

Q_LOGGING_CATEGORY(lcFlags, "tarsel.engine.flags", QtWarningMsg)

namespace {

constexpr std::chrono::milliseconds kIconSetDelay { 10 };

// The last path component, also for a path given with a trailing slash.
QString lastComponent(const QString& path)
{
    return QFileInfo(QDir::cleanPath(path)).fileName();
}

// The list builder gives the hide entries the command "chflags hidden" and the unhide entries
// "chflags nohidden"; the key decides where it is one of the four.
bool hidesFiles(const QVMenuItem& item)
{
    if (item.isHideSelectedFiles() || item.isHideAllFiles()) {
        return true;
    }
    if (item.isUnhideSelectedFiles() || item.isUnhideAllFiles()) {
        return false;
    }
    return !item.command().contains(QLatin1String("nohidden"));
}

// What a shell's "folder/*" names: every entry whose name does not begin with ".".
QStringList visibleEntries(const QString& folder)
{
    const QDir dir(folder);
    QStringList paths;
    const QStringList names = dir.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (!name.startsWith(QLatin1Char('.'))) {
            paths << dir.filePath(name);
        }
    }
    return paths;
}

void setIcons(const QImage& image, const QStringList& paths)
{
    for (const QString& path : paths) {
        QString error;
        if (!platform::Workspace::setIcon(image, path, &error)) {
            qCWarning(lcFlags).noquote() << error;
        }
    }
}

// Clears the custom icons, then sets the image a moment later on the main queue.
void applyIcon(const QImage& image, const QStringList& paths, const QVPendingWork::Hold& pending)
{
    setIcons(QImage(), paths);
    if (image.isNull()) {
        return;
    }
    qv::enterForegroundWithDelay(kIconSetDelay, [image, paths, pending] { setIcons(image, paths); });
}

} // namespace

void QVFlagAndLinkCommands::hideAndShowFiles(const QVMenuItemPtr& item)
{
    QStringList paths = m_context.selectPaths();
    if (!m_context.isSelectURL()) {
        paths = paths.isEmpty() ? QStringList() : visibleEntries(paths.first());
    }
    QString error;
    const bool ok = platform::FileFlags::setHidden(paths, hidesFiles(*item), &error);
    // A list that could not be written must not sound or end like success.
    QVHelper::playSoundType(ok ? QVHelper::SoundFold : QVHelper::SoundError);
    if (!ok) {
        QVCommandFailures::note(error);
        qv::alertWithMsg(error);
    }
}

void QVFlagAndLinkCommands::lockUnlockFiles()
{
    const QStringList paths = m_context.selectPaths();
    // Decided once, from the first item, as the menu titled the entry "Lock" or "Unlock": a
    // mixed selection is locked or unlocked as a whole.
    const bool lock = paths.isEmpty() || !platform::FileFlags::isLocked(paths.first());
    // An item that could not be changed (a link is never locked: its target was not selected)
    // is named; the others still change.
    QStringList failures;
    for (const QString& path : paths) {
        QString error;
        if (!platform::FileFlags::setLocked(path, lock, &error)) {
            qCWarning(lcFlags).noquote() << error;
            failures << error;
        }
    }
    QVHelper::playSoundType(failures.isEmpty() ? QVHelper::SoundDing : QVHelper::SoundError);
    if (!failures.isEmpty()) {
        qv::alertWithMsg(failures.join(QLatin1Char('\n')));
    }
}

void QVFlagAndLinkCommands::setFolderIcon(const QVMenuItemPtr& item, QVPendingWork::Hold pending)
{
    const QImage image = item->key() == QLatin1String("Recover Icon") ? QImage() : item->menuIcon();
    if (m_context.isSelectURL()) {
        applyIcon(image, m_context.selectPaths(), pending);
        return;
    }
    QVCheckPermit::activePanelForOSX15();
    platform::PanelOptions options;
    options.canChooseFiles = true;
    options.canChooseDirectories = true;
    options.allowsMultipleSelection = true;
    options.prompt = qv::localized(QStringLiteral("Choose"));
    options.directory = m_context.selectPaths().value(0);
    const platform::PanelResult result = platform::Panels::runOpenPanel(options);
    if (result.isOK()) {
        applyIcon(image, result.paths, pending);
    }
}

void QVFlagAndLinkCommands::_createSymlinkTo(const QString& folder)
{
    const bool reveal = QVMenuManager::isPrefCheckOn(QVSwitch::RevealAfterTransfer)
        && QDir::cleanPath(folder) != QDir::cleanPath(qv::desktopPath());
    for (const QString& path : m_context.selectPaths()) {
        // The link is made by symlink(), which never replaces: a name taken meanwhile moves on to
        // the next variant.
        const QString aliasPath = platform::FileOps::claimFreeVariant(
            QDir(folder).filePath(lastComponent(path)), [&path](const QString& candidate) {
                return QVHelper::createBookmarkAtURL(QUrl::fromLocalFile(candidate), QUrl::fromLocalFile(path))
                    ? 0
                    : (qv::isExist(candidate) ? EEXIST : EIO);
            });
        if (aliasPath.isNull()) {
            QVHelper::playSoundType(QVHelper::SoundError);
            continue;
        }
        QVHelper::playSoundType(QVHelper::SoundDing);
        if (reveal) {
            qv::openInFinder(aliasPath);
        }
    }
}

void QVFlagAndLinkCommands::sendToDesktopShortcut()
{
    // A new account may not have its Desktop folder yet; the shortcut still belongs there.
    const QString desktop = qv::desktopPath();
    QDir().mkpath(desktop);
    _createSymlinkTo(desktop);
}
