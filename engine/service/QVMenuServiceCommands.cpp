// The commands of the engine under their own names: each one runs in its family's class, with
// this engine as the family's context. A command that leaves work behind runs under pending
// work held here, as the action table holds it for a click.

#include "engine/service/QVMenuService.h"

#include "engine/service/QVCommandFamilies.h"
#include "engine/service/QVCommandFailures.h"
#include "engine/service/QVPendingWork.h"
#include "engine/service/openwith/QVHandOffFailures.h"

static_assert(QVMenuService::kMaxCopyContentsSize == QVFileCommands::kMaxCopyContentsSize);

void QVMenuService::CommandsDeleter::operator()(QVCommandFamilies* commands) const
{
    delete commands;
}

QVCommandFamilies& QVMenuService::commands()
{
    if (!m_commands) {
        QVCommandContext& context = *this;
        m_commands.reset(new QVCommandFamilies(context));
    }
    return *m_commands;
}

// --- Open-with, services and hand-offs -----------------------------------------------------

bool QVMenuService::openWithApp(const QVMenuItemPtr& item, const QString& withPath)
{
    return commands().openWith.openWithApp(item, withPath);
}

void QVMenuService::openBorellaWithItem(const QVMenuItemPtr& item)
{
    commands().openWith.openBorellaWithItem(item);
}

void QVMenuService::openServe(const QString& serve, const QString& withPath)
{
    commands().openWith.openServe(serve, withPath);
}

qint64 QVMenuService::mainAppMethodForItem(const QVMenuItem& item)
{
    return QVOpenWithCommands::mainAppMethodForItem(item);
}

void QVMenuService::openFromMainApp(const QVMenuItemPtr& item)
{
    commands().openWith.openFromMainApp(item);
}

QString QVMenuService::settingsPageForItem(const QVMenuItemPtr& item)
{
    return QVOpenWithCommands::settingsPageForItem(item);
}

void QVMenuService::openMainTabViewWithItem(const QVMenuItemPtr& item)
{
    commands().openWith.openMainTabViewWithItem(item);
}

void QVMenuService::openFailWithItem(const QVMenuItemPtr& item, const QString& detail)
{
    commands().openWith.openFailWithItem(item, detail);
}

void QVMenuService::openTerminalAt(const QString& withPath, bool newTab)
{
    commands().openWith.openTerminalAt(withPath, newTab);
}

QStringList QVMenuService::failedHandOffs()
{
    return QVHandOffFailures::all();
}

QStringList QVMenuService::failedCommands()
{
    return QVHandOffFailures::all() + QVCommandFailures::all();
}

void QVMenuService::noteFailedHandOff(const QString& message)
{
    QVHandOffFailures::note(message);
}

// --- Common paths and aliases --------------------------------------------------------------

void QVMenuService::openCommonPath(const QString& path, const QVMenuItemPtr& withItem)
{
    commands().commonPaths.openCommonPath(path, withItem);
}

void QVMenuService::addToCommonPath()
{
    commands().commonPaths.addToCommonPath(QVPendingWork::hold());
}

void QVMenuService::_createSymlinkTo(const QString& folder)
{
    commands().flagsAndLinks._createSymlinkTo(folder);
}

void QVMenuService::sendToDesktopShortcut()
{
    commands().flagsAndLinks.sendToDesktopShortcut();
}

QString QVMenuService::toCommonPathWithItem(const QVMenuItemPtr& top, const QVMenuItemPtr& item1,
                                            const QVMenuItemPtr& item2, const QVMenuItemPtr& item3)
{
    return commands().commonPaths.chooseFolder(top, item1, item2, item3);
}

// --- File and folder commands --------------------------------------------------------------

void QVMenuService::copyPathWithOnlyName(bool onlyName)
{
    commands().files.copyPathWithOnlyName(onlyName);
}

void QVMenuService::deletePath()
{
    commands().files.deletePath();
}

void QVMenuService::moveToTrash()
{
    commands().files.moveToTrash();
}

void QVMenuService::showPackageContents(const QVMenuItemPtr&)
{
    commands().files.showPackageContents();
}

void QVMenuService::ejectVolumes(const QVMenuItemPtr&)
{
    commands().files.ejectVolumes();
}

void QVMenuService::copyFileContents()
{
    commands().files.copyFileContents();
}

QString QVMenuService::copyableText(const QString& path)
{
    return QVFileCommands::copyableText(path);
}

void QVMenuService::showSystemFiles(const QVMenuItemPtr& item)
{
    commands().files.showSystemFiles(item);
}

void QVMenuService::getInfo(const QVMenuItemPtr&)
{
    commands().files.getInfo();
}

bool QVMenuService::_canSimuFinderShortcut()
{
    return commands().files._canSimuFinderShortcut();
}

// --- Flags and icons -----------------------------------------------------------------------

void QVMenuService::hideAndShowFiles(const QVMenuItemPtr& item)
{
    commands().flagsAndLinks.hideAndShowFiles(item);
}

void QVMenuService::lockUnlockFiles(const QVMenuItemPtr&)
{
    commands().flagsAndLinks.lockUnlockFiles();
}

void QVMenuService::setFolderIcon(const QVMenuItemPtr& item)
{
    commands().flagsAndLinks.setFolderIcon(item, QVPendingWork::hold());
}

// --- Copy, move, cut and paste -------------------------------------------------------------

bool QVMenuService::_replaceFileAlert(const QString& target, const QString& orgPath, const QVFileTransfer::Block& block)
{
    return QVFileTransfer::replaceFileAlert(target, orgPath, block);
}

void QVMenuService::_moveAndCopyToPath(const QString& folder, bool isCopy)
{
    commands().copyMove._moveAndCopyToPath(selectPaths(), folder, isCopy);
}

void QVMenuService::cutPasteItem(const QVMenuItemPtr& item)
{
    commands().copyMove.cutPasteItem(item);
}

void QVMenuService::encryptedCompress()
{
    commands().compress.encryptedCompress(QVPendingWork::hold());
}

std::shared_ptr<QVFileTransfer> QVMenuService::lastTransfer() const
{
    return m_commands ? m_commands->copyMove.lastTransfer() : nullptr;
}

// --- File info, text and names ---------------------------------------------------------------

void QVMenuService::copyfileInfo(const QVMenuItemPtr& item)
{
    commands().hashes.copyfileInfo(item, QVPendingWork::hold());
}

void QVMenuService::fixingGarbledNames()
{
    commands().garbledNames.fixingGarbledNames();
}

void QVMenuService::convertTextToUTF8()
{
    commands().texts.convertTextToUTF8();
}

// --- User scripts --------------------------------------------------------------------------

void QVMenuService::executeScript(const QVMenuItemPtr& item, const QString& commonPath)
{
    commands().scripts.executeScript(item, commonPath, QVPendingWork::hold());
}

void QVMenuService::executeScript()
{
    commands().scripts.executeSelectedScripts(QVPendingWork::hold());
}

// --- New files, embed, unembed and new folder ---------------------------------------------

void QVMenuService::createFileWithItem(const QVMenuItemPtr& item)
{
    commands().newFiles.createFileWithItem(item);
}

void QVMenuService::embedFolder()
{
    commands().folders.embedFolder(QVPendingWork::hold());
}

void QVMenuService::unembedFolder()
{
    commands().folders.unembedFolder();
}

void QVMenuService::createFolder()
{
    commands().folders.createFolder(QVPendingWork::hold());
}
