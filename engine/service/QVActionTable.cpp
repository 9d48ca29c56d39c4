// The action table: which command a chosen menu entry runs. Each row is one key (or a test on
// the chosen entry) and the call that carries its command out; the rows are tried top to bottom and the first
// that matches decides, so a row placed earlier wins over a later one for the same key ("Color
// Picker" runs in place before it is handed to the application).

#include "engine/service/QVActionTable.h"

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
// Commands whose work goes on after their call has returned.
constexpr unsigned kLeavesWork = kCommand | QVActionRow::LeavesWork;

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

// A row's call into its family: the method on nothing, on the top record, on the chosen child,
// or on the pending work the dispatch holds for it. The rows that need more write the call out.
template <auto family, auto method> bool call(Commands& c, const Request&)
{
    ((c.*family).*method)();
    return true;
}

template <auto family, auto method> bool callWithTop(Commands& c, const Request& r)
{
    ((c.*family).*method)(r.top);
    return true;
}

template <auto family, auto method> bool callWithChild(Commands& c, const Request& r)
{
    ((c.*family).*method)(r.child);
    return true;
}

template <auto family, auto method> bool callHeld(Commands& c, const Request& r)
{
    ((c.*family).*method)(r.pending);
    return true;
}

// The folder the entry chosen beneath a "… to" entry stands for; null when none was chosen.
QString chosenFolder(Commands& c, const Request& r)
{
    return c.commonPaths.chooseFolder(r.top, r.child, r.grandchild, r.greatGrandchild);
}

// "Copy to" and "Move to": the selection as the click read it goes into the folder.
template <bool isCopy> bool transferTo(Commands& c, const Request& r)
{
    if (const QString folder = chosenFolder(c, r); !folder.isNull()) {
        c.copyMove._moveAndCopyToPath(r.paths, folder, isCopy);
    }
    return true;
}

bool symlinkTo(Commands& c, const Request& r)
{
    if (const QString folder = chosenFolder(c, r); !folder.isNull()) {
        c.flagsAndLinks._createSymlinkTo(folder);
    }
    return true;
}

bool terminalTo(Commands& c, const Request& r)
{
    if (const QString folder = chosenFolder(c, r); !folder.isNull()) {
        c.openWith.openServe(r.top->serve(), folder);
    }
    return true;
}

bool openChildWithApp(Commands& c, const Request& r)
{
    if (!qv::isValid(r.child->appName())) {
        return false;
    }
    r.child->setTag(r.childIndex);
    c.openWith.openWithApp(r.chosen(), QString());
    return true;
}

bool openCommonPath(Commands& c, const Request& r)
{
    if (r.child->isCommonPathShortcutAdd()) {
        c.commonPaths.addToCommonPath(r.pending);
    } else {
        c.commonPaths.openCommonPath(r.child->path(), r.grandchild);
    }
    return true;
}

bool convertItem(Commands& c, const Request& r)
{
    r.child->setTag(r.childIndex);
    return c.images.convertItem(r.child, r.top);
}

bool copyChildFileInfo(Commands& c, const Request& r)
{
    r.child->setTag(r.childIndex);
    c.hashes.copyfileInfo(r.child, r.pending);
    return true;
}

bool copyfileInfo(Commands& c, const Request& r)
{
    r.top->setTag(0);
    c.hashes.copyfileInfo(r.top, r.pending);
    return true;
}

// A process that holds no colour picker (a test, a program without windows) tells the user so.
bool startColorPicker(Commands& c, const Request& r)
{
    return c.files.startColorPicker() || QVActionTable::notAvailable(r);
}

using C = QVCommandFamilies;

// A pick inside a top entry's submenu.
const QVActionRow kChildRows[] = {
    { nullptr, isGoSet, callWithTop<&C::openWith, &QVOpenWithCommands::openMainTabViewWithItem>, kUncounted },
    { "New File", nullptr, callWithChild<&C::newFiles, &QVNewFileCommands::createFileWithItem>, kCommand },
    { "Common Path", nullptr, openCommonPath, kLeavesWork },
    { nullptr, opensApplications, openChildWithApp, kCommand },
    { nullptr, runsScripts,
      [](Commands& c, const Request& r) {
          return c.scripts.executeScriptWithItem(r.top, r.child, r.grandchild, r.greatGrandchild, r.pending);
      },
      kLeavesWork },
    { "Folder Icon", nullptr,
      [](Commands& c, const Request& r) {
          c.flagsAndLinks.setFolderIcon(r.child, r.pending);
          return true;
      },
      kLeavesWork },
    // Text files become UTF-8 in the application, always: the extension hands them over, and
    // the application to itself.
    { "Convert to", isUtf8Candidate, nullptr, kHandOff },
    // "UTF-8" is not a picture conversion: convertItem answers false for it.
    { "Convert to", nullptr, convertItem, kCommand },
    { "Resize Image", nullptr,
      [](Commands& c, const Request& r) {
          c.images.resizeItem(r.child, r.top);
          return true;
      },
      kCommand },
    { "File Info", nullptr, copyChildFileInfo, kLeavesWork },
    // The "… to" entries: the common-path family only chooses the folder, the row acts on it.
    { "Copy to", nullptr, transferTo<true>, kCommand },
    { "Move to", nullptr, transferTo<false>, kMovesSelection },
    { "Create Symlink to", nullptr, symlinkTo, kCommand },
    { "Terminal To", nullptr, terminalTo, kCommand },
    { "iTerm2 To", nullptr, terminalTo, kCommand },
};

// A pick of a top entry itself (one without children, or chosen without an index).
const QVActionRow kLeafRows[] = {
    { nullptr, hasAppName,
      [](Commands& c, const Request& r) {
          c.openWith.openWithApp(r.top, QString());
          return true;
      },
      kCommand },
    { nullptr, hasServe,
      [](Commands& c, const Request& r) {
          c.openWith.openServe(r.top->serve(), QString());
          return true;
      },
      kCommand },
    { "Delete", nullptr, call<&C::files, &QVFileCommands::deletePath>, kMovesSelection },
    { "Move to Trash", nullptr, call<&C::files, &QVFileCommands::moveToTrash>, kMovesSelection },
    { "Copy Path", nullptr,
      [](Commands& c, const Request&) {
          c.files.copyPathWithOnlyName(false);
          return true;
      },
      kCommand },
    { "System Hide Files", nullptr, callWithTop<&C::files, &QVFileCommands::showSystemFiles>, kCommand },
    { "Copy File(Folder) Name", nullptr,
      [](Commands& c, const Request&) {
          c.files.copyPathWithOnlyName(true);
          return true;
      },
      kCommand },
    { nullptr, showsOrHidesFiles, callWithTop<&C::flagsAndLinks, &QVFlagAndLinkCommands::hideAndShowFiles>, kCommand },
    { "Lock and Unlock", nullptr, call<&C::flagsAndLinks, &QVFlagAndLinkCommands::lockUnlockFiles>, kCommand },
    { "Cut Paste", nullptr, callWithTop<&C::copyMove, &QVCopyMoveCommands::cutPasteItem>, kMovesSelection },
    { "Paste", nullptr, callWithTop<&C::copyMove, &QVCopyMoveCommands::cutPasteItem>, kMovesCutItems },
    { nullptr, isMainMenuNewFile, callWithTop<&C::newFiles, &QVNewFileCommands::createFileWithItem>, kCommand },
    { nullptr, hasScript,
      [](Commands& c, const Request& r) {
          c.scripts.executeScript(r.top, QString(), r.pending);
          return true;
      },
      kLeavesWork },
    { "Encrypted Compression", runsInPlace, callHeld<&C::compress, &QVCompressCommands::encryptedCompress>,
      kLeavesWork },
    { "Color Picker", runsInPlace, startColorPicker, kCommand },
    { "Embed in Folder", runsInPlace, callHeld<&C::folders, &QVFolderCommands::embedFolder>,
      kMovesSelection | QVActionRow::LeavesWork },
    { "New Folder", runsInPlace, callHeld<&C::folders, &QVFolderCommands::createFolder>, kLeavesWork },
    { "Unembed Folder", nullptr, call<&C::folders, &QVFolderCommands::unembedFolder>, kMovesSelection },
    { "Execute Script", nullptr, callHeld<&C::scripts, &QVScriptCommands::executeSelectedScripts>, kLeavesWork },
    { "Extract Icon", nullptr, call<&C::images, &QVImageCommands::extractIcon>, kCommand },
    { "Resize Image", nullptr,
      [](Commands& c, const Request& r) {
          c.images.resizeItem(nullptr, r.top);
          return true;
      },
      kCommand },
    { "Fixing Garbled Names", nullptr, call<&C::garbledNames, &QVGarbledNameCommands::fixingGarbledNames>,
      kMovesSelection },
    { "Send to Desktop Shortcut", nullptr, call<&C::flagsAndLinks, &QVFlagAndLinkCommands::sendToDesktopShortcut>,
      kCommand },
    { "Get Info", nullptr, call<&C::files, &QVFileCommands::getInfo>, kCommand },
    { "Show Package Contents", nullptr, call<&C::files, &QVFileCommands::showPackageContents>, kCommand },
    { "Eject", nullptr, call<&C::files, &QVFileCommands::ejectVolumes>, kCommand },
    { "Copy File Contents", nullptr, call<&C::files, &QVFileCommands::copyFileContents>, kCommand },
    { "Common Path", isCommonPathShortcutAdd, callHeld<&C::commonPaths, &QVCommonPathCommands::addToCommonPath>,
      kLeavesWork },
    { "File Info", nullptr, copyfileInfo, kLeavesWork },
    // The conversion to UTF-8 as the application receives it from any sender: the entry itself,
    // its encoding already chosen.
    { "Convert to", isHandedOver,
      [](Commands& c, const Request&) {
          c.texts.convertTextToUTF8();
          return true;
      },
      kCommand },
    { "AirDrop", nullptr, nullptr, kHandOff },
    { "As Desktop Picture", nullptr, nullptr, kHandOff },
    { "Send to Wechat", nullptr, nullptr, kHandOff },
    { "Encrypted Compression", nullptr, nullptr, kHandOff },
    { "Color Picker", nullptr, nullptr, kHandOff },
    { "Embed in Folder", nullptr, nullptr, kHandOff | QVActionRow::MovesSelection },
    { "New Folder", nullptr, nullptr, kHandOff },
    // Anything else opens the settings page of its list.
    { nullptr, nullptr, callWithTop<&C::openWith, &QVOpenWithCommands::openMainTabViewWithItem>, kCommand },
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

std::optional<QVActionRequest> QVActionTable::request(const QVMenuItemPtr& top, QStringList indexes,
                                                      const QStringList& paths)
{
    QVActionRequest request;
    request.top = top;
    request.paths = paths;
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

QStringList QVActionTable::movedItems(const QVActionRow& row, const QVActionRequest& request)
{
    if (row.has(QVActionRow::MovesCutItems)) {
        return QVFileTransfer::storedCutPaths();
    }
    return row.has(QVActionRow::MovesSelection) ? request.paths : QStringList();
}

bool QVActionTable::run(const QVActionRow& row, QVCommandFamilies& commands, QVActionRequest request)
{
    const QString action = QStringLiteral("run \"%1\"").arg(qv::localized(request.top->key()));
    if (QVHelper::refusesProtectedFolders(movedItems(row, request), action)) {
        return false;
    }
    if (row.has(QVActionRow::LeavesWork)) {
        request.pending = QVPendingWork::hold();
    }
    if (row.has(QVActionRow::HandedToApp)) {
        commands.openWith.openFromMainApp(request.top);
    } else if (row.run == nullptr || !row.run(commands, request)) {
        return false;
    }
    return row.has(QVActionRow::CountsUse);
}

bool QVActionTable::notAvailable(const QVActionRequest& request)
{
    qCWarning(lcActions).noquote() << "command for" << request.top->key() << "is not available on this system yet";
    qv::alertWithMsg(
        qv::stringWithFormat(qv::localized(QStringLiteral("Not Available Tip")), request.top->menuTitle()));
    return false;
}
