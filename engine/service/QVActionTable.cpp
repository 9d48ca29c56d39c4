// The action table: which command a chosen menu entry runs. Each row is one key (or a test on
// the chosen entry) and the command of that key; the rows are tried top to bottom and the first
// that matches decides, so a row placed earlier wins over a later one for the same key ("Color
// Picker" runs in place before it is handed to the application).

#include "engine/service/QVActionTable.h"

#include "engine/service/QVCommandFamilies.h"
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

constexpr auto kNotAvailable = &QVActionTable::notAvailable;

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

bool toCommonPath(Commands& c, const Request& r)
{
    c.commonPaths.toCommonPathWithItem(r.top, r.child, r.grandchild, r.greatGrandchild);
    return true;
}

// A pick inside a top entry's submenu.
const QVActionRow kChildRows[] = {
    { nullptr, isGoSet, "openMainTabViewWithItem",
      [](Commands& c, const Request& r) {
          c.openWith.openMainTabViewWithItem(r.top);
          return true;
      },
      kUncounted },
    { "New File", nullptr, "createFileWithItem",
      [](Commands& c, const Request& r) {
          c.newFiles.createFileWithItem(r.child);
          return true;
      },
      kCommand },
    { "Common Path", nullptr, "openCommonPath",
      [](Commands& c, const Request& r) {
          if (r.child->isCommonPathShortcutAdd()) {
              c.commonPaths.addToCommonPath();
          } else {
              c.commonPaths.openCommonPath(r.child->path(), r.grandchild);
          }
          return true;
      },
      kCommand },
    { nullptr, opensApplications, "openWithApp",
      [](Commands& c, const Request& r) {
          if (!qv::isValid(r.child->appName())) {
              return false;
          }
          r.child->setTag(r.childIndex);
          c.openWith.openWithApp(r.chosen(), QString());
          return true;
      },
      kCommand },
    { nullptr, runsScripts, "executeScript",
      [](Commands& c, const Request& r) {
          return c.scripts.executeScriptWithItem(r.top, r.child, r.grandchild, r.greatGrandchild);
      },
      kCommand },
    { "Folder Icon", nullptr, "setFolderIcon",
      [](Commands& c, const Request& r) {
          c.flagsAndLinks.setFolderIcon(r.child);
          return true;
      },
      kCommand },
    // Text files become UTF-8 in the application, always: the extension hands them over, and
    // the application to itself.
    { "Convert to", isUtf8Candidate, "convertTextToUTF8", nullptr, kHandOff },
    // "UTF-8" is not a picture conversion: convertItem answers false for it.
    { "Convert to", nullptr, "convertItem",
      [](Commands& c, const Request& r) {
          r.child->setTag(r.childIndex);
          return c.images.convertItem(r.child, r.top);
      },
      kCommand },
    { "Resize Image", nullptr, "resizeItem",
      [](Commands& c, const Request& r) {
          c.images.resizeItem(r.child, r.top);
          return true;
      },
      kCommand },
    { "File Info", nullptr, "copyfileInfo",
      [](Commands& c, const Request& r) {
          r.child->setTag(r.childIndex);
          c.hashes.copyfileInfo(r.child);
          return true;
      },
      kCommand },
    { "Copy to", nullptr, "toCommonPathWithItem", toCommonPath, kCommand },
    { "Move to", nullptr, "toCommonPathWithItem", toCommonPath, kCommand },
    { "Create Symlink to", nullptr, "toCommonPathWithItem", toCommonPath, kCommand },
    { "Terminal To", nullptr, "toCommonPathWithItem", toCommonPath, kCommand },
    { "iTerm2 To", nullptr, "toCommonPathWithItem", toCommonPath, kCommand },
};

// A pick of a top entry itself (one without children, or chosen without an index).
const QVActionRow kLeafRows[] = {
    { nullptr, hasAppName, "openWithApp",
      [](Commands& c, const Request& r) {
          c.openWith.openWithApp(r.top, QString());
          return true;
      },
      kCommand },
    { nullptr, hasServe, "openServe",
      [](Commands& c, const Request& r) {
          c.openWith.openServe(r.top->serve(), QString());
          return true;
      },
      kCommand },
    { "Delete", nullptr, "deletePath",
      [](Commands& c, const Request&) {
          c.files.deletePath();
          return true;
      },
      kCommand },
    { "Move to Trash", nullptr, "moveToTrash",
      [](Commands& c, const Request&) {
          c.files.moveToTrash();
          return true;
      },
      kCommand },
    { "Copy Path", nullptr, "copyPathWithOnlyName",
      [](Commands& c, const Request&) {
          c.files.copyPathWithOnlyName(false);
          return true;
      },
      kCommand },
    { "System Hide Files", nullptr, "showSystemFiles",
      [](Commands& c, const Request& r) {
          c.files.showSystemFiles(r.top);
          return true;
      },
      kCommand },
    { "Copy File(Folder) Name", nullptr, "copyPathWithOnlyName",
      [](Commands& c, const Request&) {
          c.files.copyPathWithOnlyName(true);
          return true;
      },
      kCommand },
    { nullptr, showsOrHidesFiles, "hideAndShowFiles",
      [](Commands& c, const Request& r) {
          c.flagsAndLinks.hideAndShowFiles(r.top);
          return true;
      },
      kCommand },
    { "Lock and Unlock", nullptr, "lockUnlockFiles",
      [](Commands& c, const Request&) {
          c.flagsAndLinks.lockUnlockFiles();
          return true;
      },
      kCommand },
    { "Cut Paste", nullptr, "cutPasteItem",
      [](Commands& c, const Request& r) {
          c.copyMove.cutPasteItem(r.top);
          return true;
      },
      kCommand },
    { "Paste", nullptr, "cutPasteItem",
      [](Commands& c, const Request& r) {
          c.copyMove.cutPasteItem(r.top);
          return true;
      },
      kCommand },
    { nullptr, isMainMenuNewFile, "createFileWithItem",
      [](Commands& c, const Request& r) {
          c.newFiles.createFileWithItem(r.top);
          return true;
      },
      kCommand },
    { nullptr, hasScript, "executeScript",
      [](Commands& c, const Request& r) {
          c.scripts.executeScript(r.top);
          return true;
      },
      kCommand },
    { "Encrypted Compression", runsInPlace, "encryptedCompress",
      [](Commands& c, const Request&) {
          c.compress.encryptedCompress();
          return true;
      },
      kCommand },
    { "Color Picker", runsInPlace, "startColorPicker", kNotAvailable, kCommand },
    { "Embed in Folder", runsInPlace, "embedFolder",
      [](Commands& c, const Request&) {
          c.folders.embedFolder();
          return true;
      },
      kCommand },
    { "New Folder", runsInPlace, "createFolder",
      [](Commands& c, const Request&) {
          c.folders.createFolder();
          return true;
      },
      kCommand },
    { "Unembed Folder", nullptr, "unembedFolder",
      [](Commands& c, const Request&) {
          c.folders.unembedFolder();
          return true;
      },
      kCommand },
    { "Execute Script", nullptr, "executeScript",
      [](Commands& c, const Request&) {
          c.scripts.executeScript();
          return true;
      },
      kCommand },
    { "Extract Icon", nullptr, "extractIcon",
      [](Commands& c, const Request&) {
          c.images.extractIcon();
          return true;
      },
      kCommand },
    { "Resize Image", nullptr, "resizeItem",
      [](Commands& c, const Request& r) {
          c.images.resizeItem(nullptr, r.top);
          return true;
      },
      kCommand },
    { "Fixing Garbled Names", nullptr, "fixingGarbledNames",
      [](Commands& c, const Request&) {
          c.garbledNames.fixingGarbledNames();
          return true;
      },
      kCommand },
    { "Send to Desktop Shortcut", nullptr, "sendToDesktopShortcut",
      [](Commands& c, const Request&) {
          c.flagsAndLinks.sendToDesktopShortcut();
          return true;
      },
      kCommand },
    { "Get Info", nullptr, "getInfo",
      [](Commands& c, const Request&) {
          c.files.getInfo();
          return true;
      },
      kCommand },
    { "Show Package Contents", nullptr, "showPackageContents",
      [](Commands& c, const Request&) {
          c.files.showPackageContents();
          return true;
      },
      kCommand },
    { "Eject", nullptr, "ejectVolumes",
      [](Commands& c, const Request&) {
          c.files.ejectVolumes();
          return true;
      },
      kCommand },
    { "Copy File Contents", nullptr, "copyFileContents",
      [](Commands& c, const Request&) {
          c.files.copyFileContents();
          return true;
      },
      kCommand },
    { "Common Path", isCommonPathShortcutAdd, "addToCommonPath",
      [](Commands& c, const Request&) {
          c.commonPaths.addToCommonPath();
          return true;
      },
      kCommand },
    { "File Info", nullptr, "copyfileInfo",
      [](Commands& c, const Request& r) {
          r.top->setTag(0);
          c.hashes.copyfileInfo(r.top);
          return true;
      },
      kCommand },
    // The conversion to UTF-8 as the application receives it from any sender: the entry itself,
    // its encoding already chosen.
    { "Convert to", isHandedOver, "convertTextToUTF8",
      [](Commands& c, const Request&) {
          c.texts.convertTextToUTF8();
          return true;
      },
      kCommand },
    { "AirDrop", nullptr, "openFromMainApp", nullptr, kHandOff },
    { "As Desktop Picture", nullptr, "openFromMainApp", nullptr, kHandOff },
    { "Send to Wechat", nullptr, "openFromMainApp", nullptr, kHandOff },
    { "Encrypted Compression", nullptr, "openFromMainApp", nullptr, kHandOff },
    { "Color Picker", nullptr, "openFromMainApp", nullptr, kHandOff },
    { "Embed in Folder", nullptr, "openFromMainApp", nullptr, kHandOff },
    { "New Folder", nullptr, "openFromMainApp", nullptr, kHandOff },
    // Anything else opens the settings page of its list.
    { nullptr, nullptr, "openMainTabViewWithItem",
      [](Commands& c, const Request& r) {
          c.openWith.openMainTabViewWithItem(r.top);
          return true;
      },
      kCommand },
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

bool QVActionTable::run(const QVActionRow& row, QVCommandFamilies& commands, QVActionRequest request)
{
    request.command = row.command;
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
