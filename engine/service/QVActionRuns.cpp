// The run functions of the action table: each hands the chosen entry to the family that carries
// its command out.

#include "engine/service/QVActionRuns.h"

#include "engine/service/QVActionTable.h"
#include "engine/service/QVCommandFamilies.h"
#include "foundation/StringExpand.h"

// Open with, services and the settings page.

bool QVActionRuns::openMainTabViewWithItem(Commands& c, const Request& r)
{
    c.openWith.openMainTabViewWithItem(r.top);
    return true;
}

bool QVActionRuns::openChildWithApp(Commands& c, const Request& r)
{
    if (!qv::isValid(r.child->appName())) {
        return false;
    }
    r.child->setTag(r.childIndex);
    c.openWith.openWithApp(r.chosen(), QString());
    return true;
}

bool QVActionRuns::openWithApp(Commands& c, const Request& r)
{
    c.openWith.openWithApp(r.top, QString());
    return true;
}

bool QVActionRuns::openServe(Commands& c, const Request& r)
{
    c.openWith.openServe(r.top->serve(), QString());
    return true;
}

// New files from templates.

bool QVActionRuns::createChildFile(Commands& c, const Request& r)
{
    c.newFiles.createFileWithItem(r.child);
    return true;
}

bool QVActionRuns::createFileWithItem(Commands& c, const Request& r)
{
    c.newFiles.createFileWithItem(r.top);
    return true;
}

// Common paths.

bool QVActionRuns::openCommonPath(Commands& c, const Request& r)
{
    if (r.child->isCommonPathShortcutAdd()) {
        c.commonPaths.addToCommonPath();
    } else {
        c.commonPaths.openCommonPath(r.child->path(), r.grandchild);
    }
    return true;
}

bool QVActionRuns::toCommonPathWithItem(Commands& c, const Request& r)
{
    c.commonPaths.toCommonPathWithItem(r.top, r.child, r.grandchild, r.greatGrandchild);
    return true;
}

bool QVActionRuns::addToCommonPath(Commands& c, const Request&)
{
    c.commonPaths.addToCommonPath();
    return true;
}

// User scripts.

bool QVActionRuns::executeChildScript(Commands& c, const Request& r)
{
    return c.scripts.executeScriptWithItem(r.top, r.child, r.grandchild, r.greatGrandchild);
}

bool QVActionRuns::executeItemScript(Commands& c, const Request& r)
{
    c.scripts.executeScript(r.top);
    return true;
}

bool QVActionRuns::executeSelectedScripts(Commands& c, const Request&)
{
    c.scripts.executeScript();
    return true;
}

// Flags, links and folder icons.

bool QVActionRuns::setFolderIcon(Commands& c, const Request& r)
{
    c.flagsAndLinks.setFolderIcon(r.child);
    return true;
}

bool QVActionRuns::hideAndShowFiles(Commands& c, const Request& r)
{
    c.flagsAndLinks.hideAndShowFiles(r.top);
    return true;
}

bool QVActionRuns::lockUnlockFiles(Commands& c, const Request&)
{
    c.flagsAndLinks.lockUnlockFiles();
    return true;
}

bool QVActionRuns::sendToDesktopShortcut(Commands& c, const Request&)
{
    c.flagsAndLinks.sendToDesktopShortcut();
    return true;
}

// Images and text.

bool QVActionRuns::convertItem(Commands& c, const Request& r)
{
    r.child->setTag(r.childIndex);
    return c.images.convertItem(r.child, r.top);
}

bool QVActionRuns::resizeChildItem(Commands& c, const Request& r)
{
    c.images.resizeItem(r.child, r.top);
    return true;
}

bool QVActionRuns::resizeItem(Commands& c, const Request& r)
{
    c.images.resizeItem(nullptr, r.top);
    return true;
}

bool QVActionRuns::extractIcon(Commands& c, const Request&)
{
    c.images.extractIcon();
    return true;
}

bool QVActionRuns::convertTextToUTF8(Commands& c, const Request&)
{
    c.texts.convertTextToUTF8();
    return true;
}

// File info and digests.

bool QVActionRuns::copyChildFileInfo(Commands& c, const Request& r)
{
    r.child->setTag(r.childIndex);
    c.hashes.copyfileInfo(r.child);
    return true;
}

bool QVActionRuns::copyfileInfo(Commands& c, const Request& r)
{
    r.top->setTag(0);
    c.hashes.copyfileInfo(r.top);
    return true;
}

// File commands.

bool QVActionRuns::deletePath(Commands& c, const Request&)
{
    c.files.deletePath();
    return true;
}

bool QVActionRuns::moveToTrash(Commands& c, const Request&)
{
    c.files.moveToTrash();
    return true;
}

bool QVActionRuns::copyPath(Commands& c, const Request&)
{
    c.files.copyPathWithOnlyName(false);
    return true;
}

bool QVActionRuns::copyName(Commands& c, const Request&)
{
    c.files.copyPathWithOnlyName(true);
    return true;
}

bool QVActionRuns::showSystemFiles(Commands& c, const Request& r)
{
    c.files.showSystemFiles(r.top);
    return true;
}

bool QVActionRuns::getInfo(Commands& c, const Request&)
{
    c.files.getInfo();
    return true;
}

bool QVActionRuns::startColorPicker(Commands& c, const Request& r)
{
    return c.files.startColorPicker() || QVActionTable::notAvailable(c, r);
}

bool QVActionRuns::showPackageContents(Commands& c, const Request&)
{
    c.files.showPackageContents();
    return true;
}

bool QVActionRuns::ejectVolumes(Commands& c, const Request&)
{
    c.files.ejectVolumes();
    return true;
}

bool QVActionRuns::copyFileContents(Commands& c, const Request&)
{
    c.files.copyFileContents();
    return true;
}

// Copy, move and paste.

bool QVActionRuns::cutPasteItem(Commands& c, const Request& r)
{
    c.copyMove.cutPasteItem(r.top);
    return true;
}

// Compression, folders and garbled names.

bool QVActionRuns::encryptedCompress(Commands& c, const Request&)
{
    c.compress.encryptedCompress();
    return true;
}

bool QVActionRuns::embedFolder(Commands& c, const Request&)
{
    c.folders.embedFolder();
    return true;
}

bool QVActionRuns::createFolder(Commands& c, const Request&)
{
    c.folders.createFolder();
    return true;
}

bool QVActionRuns::unembedFolder(Commands& c, const Request&)
{
    c.folders.unembedFolder();
    return true;
}

bool QVActionRuns::fixingGarbledNames(Commands& c, const Request&)
{
    c.garbledNames.fixingGarbledNames();
    return true;
}
