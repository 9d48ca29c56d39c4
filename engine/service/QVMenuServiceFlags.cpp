// Commands that change how items show: hidden or visible, locked or unlocked, their custom
// icons; the system's own hidden files; the file manager's properties window.

#include "engine/service/QVMenuService.h"

#include "foundation/BundleExpand.h"
#include "engine/service/QVHelper.h"
#include "foundation/AlertExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVCheckPermit.h"
#include "foundation/StringExpandText.h"
#include "platform/Alert.h"
#include "platform/FileFlags.h"
#include "platform/Panels.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QImage>
#include <QLoggingCategory>

#include <chrono>

Q_LOGGING_CATEGORY(lcFlags, "tarsel.engine.flags", QtWarningMsg)

namespace {

const QString kTerminalService = QStringLiteral("New Terminal at Folder");
const QString kITermService = QStringLiteral("New iTerm2 Window Here");
constexpr std::chrono::milliseconds kIconSetDelay { 10 };

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
void applyIcon(const QImage& image, const QStringList& paths)
{
    setIcons(QImage(), paths);
    if (image.isNull()) {
        return;
    }
    QVMenuService::beginPendingWork();
    qv::enterForegroundWithDelay(kIconSetDelay, [image, paths] {
        setIcons(image, paths);
        QVMenuService::endPendingWork();
    });
}

} // namespace

void QVMenuService::hideAndShowFiles(const QVMenuItemPtr& item)
{
    QStringList paths = selectPaths();
    if (!m_isSelectURL) {
        paths = paths.isEmpty() ? QStringList() : visibleEntries(paths.first());
    }
    QString error;
    const bool ok = platform::FileFlags::setHidden(paths, hidesFiles(*item), &error);
    if (!ok) {
        qCWarning(lcFlags).noquote() << error;
    }
    // A list that could not be written must not sound like success.
    QVHelper::playSoundType(ok ? QVHelper::SoundFold : QVHelper::SoundError);
}

void QVMenuService::lockUnlockFiles(const QVMenuItemPtr&)
{
    const QStringList paths = selectPaths();
    // Decided once, from the first item, as the menu titled the entry "Lock" or "Unlock": a
    // mixed selection is locked or unlocked as a whole.
    const bool lock = paths.isEmpty() || !platform::FileFlags::isLocked(paths.first());
    bool ok = true;
    for (const QString& path : paths) {
        QString error;
        if (!platform::FileFlags::setLocked(path, lock, &error)) {
            qCWarning(lcFlags).noquote() << error;
            ok = false;
        }
    }
    QVHelper::playSoundType(ok ? QVHelper::SoundDing : QVHelper::SoundError);
}

void QVMenuService::showSystemFiles(const QVMenuItemPtr& item)
{
    const QString show = qv::localized(QStringLiteral("System Hide Files Show"));
    const QString hide = qv::localized(QStringLiteral("System Hide Files Hide"));
    platform::Alert choice = qv::alert();
    choice.setMessageText(qv::localized(item->key()));
    choice.setInformativeText(qv::localized(QStringLiteral("System Hide Files Tip")));
    choice.addButtonWithTitle(show);
    choice.addButtonWithTitle(hide);
    choice.addButtonWithTitle(qv::localized(QStringLiteral("Cancel")));
    const int chosen = choice.runModal();
    if (chosen != platform::Alert::FirstButtonReturn && chosen != platform::Alert::FirstButtonReturn + 1) {
        return;
    }
    const bool showAll = chosen == platform::Alert::FirstButtonReturn;
    // Only copied: the user runs it in the terminal that opens next.
    qv::copyToPasteboard(
        qv::stringWithFormat(item->command(), showAll ? QStringLiteral("true") : QStringLiteral("false")));

    platform::Alert paste = qv::alert();
    paste.setMessageText(showAll ? show : hide);
    paste.setInformativeText(qv::localized(QStringLiteral("Copy Instruction Tip")));
    paste.addButtonWithTitle(qv::localized(QStringLiteral("Paste to Terminal")));
    paste.addButtonWithTitle(qv::localized(QStringLiteral("Paste to iTerm2")));
    paste.addButtonWithTitle(qv::localized(QStringLiteral("Cancel")));
    const int where = paste.runModal();
    if (where == platform::Alert::FirstButtonReturn) {
        openServe(kTerminalService, qv::desktopPath());
    } else if (where == platform::Alert::FirstButtonReturn + 1) {
        openServe(kITermService, qv::desktopPath());
    }
}

bool QVMenuService::_canSimuFinderShortcut()
{
    // There is no synthetic shortcut on this desktop: the request goes to the file manager over
    // D-Bus, so what matters is that one answers there. No accessibility grant is involved.
    if (platform::Workspace::hasFileManager()) {
        return true;
    }
    qv::alertWithMsg(qv::localized(QStringLiteral("Please select Finder first")), nullptr);
    return false;
}

void QVMenuService::getInfo(const QVMenuItemPtr&)
{
    if (_canSimuFinderShortcut() && !platform::Workspace::showItemProperties(selectPaths())) {
        qCWarning(lcFlags) << "the file manager did not show the properties of the selection";
    }
}

void QVMenuService::setFolderIcon(const QVMenuItemPtr& item)
{
    const QImage image = item->key() == QLatin1String("Recover Icon") ? QImage() : item->menuIcon();
    if (m_isSelectURL) {
        applyIcon(image, selectPaths());
        return;
    }
    QVCheckPermit::activePanelForOSX15();
    platform::PanelOptions options;
    options.canChooseFiles = true;
    options.canChooseDirectories = true;
    options.allowsMultipleSelection = true;
    options.prompt = qv::localized(QStringLiteral("Choose"));
    options.directory = selectPaths().value(0);
    const platform::PanelResult result = platform::Panels::runOpenPanel(options);
    if (result.isOK()) {
        applyIcon(image, result.paths);
    }
}
