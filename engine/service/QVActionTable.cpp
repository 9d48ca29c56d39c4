// The action table: which command a chosen menu entry runs. Each row is one key (or a test on
// the chosen entry) and the command of that key; the rows are tried top to bottom and the first
// that matches decides, so a row placed earlier wins over a later one for the same key ("Color
// Picker" runs in place before it is handed to the application).

#include "engine/service/QVActionTable.h"

#include "engine/service/QVActionRuns.h"
#include "engine/service/QVCommandContext.h"
#include "engine/service/QVCommandFamilies.h"
#include "engine/service/QVFileTransfer.h"
#include "engine/service/QVHelper.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/QVCheckPermit.h"
#include "foundation/StringExpand.h"
#include "foundation/StringExpandText.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcActions, "tarsel.engine.dispatch", QtWarningMsg)

namespace {

using Commands = QVCommandFamilies;
using Request = QVActionRequest;

constexpr unsigned kCommand = QVActionRow::FolderAccess | QVActionRow::CountsUse;
constexpr unsigned kHandOff = QVActionRow::FolderAccess | QVActionRow::HandedToApp | QVActionRow::CountsUse;
// Opening the settings page from inside a submenu is no use of the entry.
constexpr unsigned kUncounted = QVActionRow::FolderAccess;
// Commands that move, rename or remove the selected items, or the items a cut remembered.
constexpr unsigned kMovesSelection = kCommand | QVActionRow::MovesSelection;
constexpr unsigned kMovesCutItems = kCommand | QVActionRow::MovesCutItems;

bool hasAppName(const Request& r)
{
    return qv::isValid(r.top->appName());
}

bool hasServe(const Request& r)
{
    return qv::isValid(r.top->serve());
}

bool hasScript(const Request& r)
{
    return qv::isValid(r.top->script());
}

bool showsOrHidesFiles(const Request& r)
{
    return r.top->isShowHideFile();
}

bool isMainMenuNewFile(const Request& r)
{
    return r.top->isMainMenuNewFile();
}

bool isCommonPathShortcutAdd(const Request& r)
{
    return r.top->isCommonPathShortcutAdd();
}

// The commands the extension hands to the application on systems where it may, and runs in
// place everywhere else.
bool runsInPlace(const Request&)
{
    return !QVCheckPermit::canUseMainApp();
}

bool isHandedOver(const Request& r)
{
    return r.handedOver;
}

bool isGoSet(const Request& r)
{
    return r.child->key() == QLatin1String("Go Set");
}

bool opensApplications(const Request& r)
{
    return r.top->isCommonApp() || qv::isValid(r.top->appName());
}

bool runsScripts(const Request& r)
{
    return r.top->isCommonScript() || r.top->isToCommomPathScript();
}

bool isUtf8Candidate(const Request& r)
{
    return r.child->key() == QLatin1String("UTF-8");
}

using Run = QVActionRuns;

// A pick inside a top entry's submenu.
const QVActionRow kChildRows[] = {
    { nullptr, isGoSet, "openMainTabViewWithItem", Run::openMainTabViewWithItem, kUncounted },
    { "New File", nullptr, "createFileWithItem", Run::createChildFile, kCommand },
    { "Common Path", nullptr, "openCommonPath", Run::openCommonPath, kCommand },
    { nullptr, opensApplications, "openWithApp", Run::openChildWithApp, kCommand },
    { nullptr, runsScripts, "executeScript", Run::executeChildScript, kCommand },
    { "Folder Icon", nullptr, "setFolderIcon", Run::setFolderIcon, kCommand },
    // Text files become UTF-8 in the application, always: the extension hands them over, and
    // the application to itself.
    { "Convert to", isUtf8Candidate, "convertTextToUTF8", nullptr, kHandOff },
    // "UTF-8" is not a picture conversion: convertItem answers false for it.
    { "Convert to", nullptr, "convertItem", Run::convertItem, kCommand },
    { "Resize Image", nullptr, "resizeItem", Run::resizeChildItem, kCommand },
    { "File Info", nullptr, "copyfileInfo", Run::copyChildFileInfo, kCommand },
    { "Copy to", nullptr, "toCommonPathWithItem", Run::toCommonPathWithItem, kCommand },
    { "Move to", nullptr, "toCommonPathWithItem", Run::toCommonPathWithItem, kMovesSelection },
    { "Create Symlink to", nullptr, "toCommonPathWithItem", Run::toCommonPathWithItem, kCommand },
    { "Terminal To", nullptr, "toCommonPathWithItem", Run::toCommonPathWithItem, kCommand },
    { "iTerm2 To", nullptr, "toCommonPathWithItem", Run::toCommonPathWithItem, kCommand },
};

// A pick of a top entry itself (one without children, or chosen without an index).
const QVActionRow kLeafRows[] = {
    { nullptr, hasAppName, "openWithApp", Run::openWithApp, kCommand },
    { nullptr, hasServe, "openServe", Run::openServe, kCommand },
    { "Delete", nullptr, "deletePath", Run::deletePath, kMovesSelection },
    { "Move to Trash", nullptr, "moveToTrash", Run::moveToTrash, kMovesSelection },
    { "Copy Path", nullptr, "copyPathWithOnlyName", Run::copyPath, kCommand },
    { "System Hide Files", nullptr, "showSystemFiles", Run::showSystemFiles, kCommand },
    { "Copy File(Folder) Name", nullptr, "copyPathWithOnlyName", Run::copyName, kCommand },
    { nullptr, showsOrHidesFiles, "hideAndShowFiles", Run::hideAndShowFiles, kCommand },
    { "Lock and Unlock", nullptr, "lockUnlockFiles", Run::lockUnlockFiles, kCommand },
    { "Cut Paste", nullptr, "cutPasteItem", Run::cutPasteItem, kMovesSelection },
    { "Paste", nullptr, "cutPasteItem", Run::cutPasteItem, kMovesCutItems },
    { nullptr, isMainMenuNewFile, "createFileWithItem", Run::createFileWithItem, kCommand },
    { nullptr, hasScript, "executeScript", Run::executeItemScript, kCommand },
    { "Encrypted Compression", runsInPlace, "encryptedCompress", Run::encryptedCompress, kCommand },
    { "Color Picker", runsInPlace, "startColorPicker", Run::startColorPicker, kCommand },
    { "Embed in Folder", runsInPlace, "embedFolder", Run::embedFolder, kMovesSelection },
    { "New Folder", runsInPlace, "createFolder", Run::createFolder, kCommand },
    { "Unembed Folder", nullptr, "unembedFolder", Run::unembedFolder, kMovesSelection },
    { "Execute Script", nullptr, "executeScript", Run::executeSelectedScripts, kCommand },
    { "Extract Icon", nullptr, "extractIcon", Run::extractIcon, kCommand },
    { "Resize Image", nullptr, "resizeItem", Run::resizeItem, kCommand },
    { "Fixing Garbled Names", nullptr, "fixingGarbledNames", Run::fixingGarbledNames, kMovesSelection },
    { "Send to Desktop Shortcut", nullptr, "sendToDesktopShortcut", Run::sendToDesktopShortcut, kCommand },
    { "Get Info", nullptr, "getInfo", Run::getInfo, kCommand },
    { "Show Package Contents", nullptr, "showPackageContents", Run::showPackageContents, kCommand },
    { "Eject", nullptr, "ejectVolumes", Run::ejectVolumes, kCommand },
    { "Copy File Contents", nullptr, "copyFileContents", Run::copyFileContents, kCommand },
    { "Common Path", isCommonPathShortcutAdd, "addToCommonPath", Run::addToCommonPath, kCommand },
    { "File Info", nullptr, "copyfileInfo", Run::copyfileInfo, kCommand },
    // The conversion to UTF-8 as the application receives it from any sender: the entry itself,
    // its encoding already chosen.
    { "Convert to", isHandedOver, "convertTextToUTF8", Run::convertTextToUTF8, kCommand },
    { "AirDrop", nullptr, "openFromMainApp", nullptr, kHandOff },
    { "As Desktop Picture", nullptr, "openFromMainApp", nullptr, kHandOff },
    { "Send to Wechat", nullptr, "openFromMainApp", nullptr, kHandOff },
    { "Encrypted Compression", nullptr, "openFromMainApp", nullptr, kHandOff },
    { "Color Picker", nullptr, "openFromMainApp", nullptr, kHandOff },
    { "Embed in Folder", nullptr, "openFromMainApp", nullptr, kHandOff | QVActionRow::MovesSelection },
    { "New Folder", nullptr, "openFromMainApp", nullptr, kHandOff },
    // Anything else opens the settings page of its list.
    { nullptr, nullptr, "openMainTabViewWithItem", Run::openMainTabViewWithItem, kCommand },
};

} // namespace

bool QVActionRow::matches(const QVActionRequest& request) const
{
    if (key != nullptr && request.top->key() != QLatin1String(key)) {
        return false;
    }
    return test == nullptr || test(request);
}

std::span<const QVActionRow> QVActionTable::childRows()
{
    return kChildRows;
}

std::span<const QVActionRow> QVActionTable::leafRows()
{
    return kLeafRows;
}

std::optional<QVActionRequest> QVActionTable::request(const QVMenuItemPtr& top, QStringList indexes)
{
    QVActionRequest request;
    request.top = top;
    if (top->children().isEmpty() || indexes.isEmpty()) {
        return request;
    }
    const qsizetype c = indexes.takeFirst().toLongLong();
    if (c < 1 || c > top->children().size()) {
        return std::nullopt;
    }
    request.childIndex = c - 1;
    request.child = top->children().at(c - 1);
    // The settings entry opens its page whatever indexes follow it.
    if (request.child->key() == QLatin1String("Go Set")) {
        return request;
    }
    const QVMenuItemList& children = request.child->children();
    const qsizetype g = indexes.isEmpty() ? -1 : indexes.takeFirst().toLongLong() - 1;
    const qsizetype h = indexes.isEmpty() ? -1 : indexes.first().toLongLong() - 1;
    if (children.isEmpty() || g < 0) {
        return request;
    }
    // Indexes that fit no entry (a changed list, a forged tag) run nothing, like a bad child.
    if (g >= children.size()) {
        return std::nullopt;
    }
    request.grandchild = children.at(g);
    const QVMenuItemList& grandchildren = request.grandchild->children();
    if (grandchildren.isEmpty() || h < 0) {
        return request;
    }
    if (h >= grandchildren.size()) {
        return std::nullopt;
    }
    request.greatGrandchild = grandchildren.at(h);
    return request;
}

const QVActionRow* QVActionTable::rowFor(const QVActionRequest& request)
{
    for (const QVActionRow& row : request.child ? childRows() : leafRows()) {
        if (row.matches(request)) {
            return &row;
        }
    }
    return nullptr;
}

const QVActionRow* QVActionTable::handedOverRowFor(const QVActionRequest& request)
{
    for (const QVActionRow& row : leafRows()) {
        if (row.key != nullptr && !row.has(QVActionRow::HandedToApp) && row.matches(request)) {
            return &row;
        }
    }
    return nullptr;
}

QStringList QVActionTable::movedItems(const QVActionRow& row, QVCommandFamilies& commands)
{
    if (row.has(QVActionRow::MovesCutItems)) {
        return QVFileTransfer::storedCutPaths();
    }
    return row.has(QVActionRow::MovesSelection) ? commands.context.selectPaths() : QStringList();
}

bool QVActionTable::run(const QVActionRow& row, QVCommandFamilies& commands, QVActionRequest request)
{
    request.command = row.command;
    const QString action = QStringLiteral("run \"%1\"").arg(qv::localized(request.top->key()));
    if (QVHelper::refusesProtectedFolders(movedItems(row, commands), action)) {
        return false;
    }
    if (row.has(QVActionRow::HandedToApp)) {
        commands.openWith.openFromMainApp(request.top);
    } else if (row.run == nullptr || !row.run(commands, request)) {
        return false;
    }
    return row.has(QVActionRow::CountsUse);
}

bool QVActionTable::notAvailable(QVCommandFamilies&, const QVActionRequest& request)
{
    qCWarning(lcActions).noquote() << "command" << request.command << "for" << request.top->key()
                                   << "is not available on this system yet";
    qv::alertWithMsg(
        qv::stringWithFormat(qv::localized(QStringLiteral("Not Available Tip")), request.top->menuTitle()));
    return false;
}
