#include "engine/model/QVMenuManager.h"

#include "foundation/BundleExpand.h"
#include "foundation/StringExpand.h"

#include "platform/Defaults.h"
#include "platform/Paths.h"
#include "platform/System.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcMenuStore, "tarsel.engine.model")

namespace {

#ifdef QV_EXTENSION_BUILD
// The extension only ever shows lists, so switched-off entries never leave the store.
constexpr bool kLeaveOutDisabled = true;
#else
constexpr bool kLeaveOutDisabled = false;
#endif

QString text(const QVariantMap& entry, const char* key)
{
    return entry.value(QLatin1String(key)).toString();
}
bool flag(const QVariantMap& entry, const char* key)
{
    return entry.value(QLatin1String(key)).toBool();
}

// "formats" is stored as extensions joined by ",". Only a valid string is split, and empty
// pieces are dropped: an empty piece would be a format that no file with an extension matches,
// which hides the entry instead of accepting every file.
QStringList formatsOf(const QVariantMap& entry)
{
    const QString joined = text(entry, "formats");
    QStringList formats;
    if (!qv::isValid(joined)) {
        return formats;
    }
    for (const QString& piece : joined.split(QLatin1Char(','))) {
        const QString format = piece.trimmed();
        if (!format.isEmpty()) {
            formats << format;
        }
    }
    return formats;
}

QStringList stringsOf(const QVariant& value)
{
    QStringList strings;
    for (const QVariant& v : value.toList()) {
        strings << v.toString();
    }
    return strings;
}

// Tilde expanded and redundant parts ("//", "/./", "/../") removed.
QString standardizedPath(const QString& path)
{
    QString expanded = path;
    if (expanded == QLatin1String("~") || expanded.startsWith(QLatin1String("~/"))) {
        expanded = platform::Paths::home() + expanded.mid(1);
    }
    return expanded.isEmpty() ? expanded : QDir::cleanPath(expanded);
}

// Whether the path names an item inside the folder, compared by whole path components after
// resolving links in the item's parent folder, so "../" parts or a lookalike prefix
// ("QVAppIcon2") never count as inside.
bool liesInside(const QString& path, const QString& folder)
{
    if (!qv::isValid(path)) {
        return false;
    }
    const QFileInfo item(QDir::cleanPath(path));
    QString parent = QFileInfo(item.absolutePath()).canonicalFilePath();
    QString root = QFileInfo(folder).canonicalFilePath();
    if (parent.isEmpty() || root.isEmpty()) {
        return false;
    }
    const QString itemPath = parent + QLatin1Char('/') + item.fileName();
    return itemPath.startsWith(root + QLatin1Char('/')) && itemPath.size() > root.size() + 1;
}

void removeOwnedFile(const QString& path, const QString& folder)
{
    if (!liesInside(path, folder)) {
        if (qv::isValid(path)) {
            qCInfo(lcMenuStore).noquote() << "Kept a file outside the shared folder:" << path;
        }
        return;
    }
    if (QFileInfo::exists(path) && !QFile::remove(path)) {
        qCWarning(lcMenuStore).noquote()
            << QStringLiteral("Failed to remove a file of a menu entry. File: \"%1\".").arg(path);
    }
}

// The first entry whose "key" (or, with matchPath, also "path") equals the item key; -1 when none.
qsizetype indexOfEntry(const QVariantList& list, const QString& itemKey, bool matchPath)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QVariantMap entry = list.at(i).toMap();
        if (text(entry, "key") == itemKey || (matchPath && text(entry, "path") == itemKey)) {
            return i;
        }
    }
    return -1;
}

// Needs an item selection / shown whatever the selection.
void needsSelection(QVMenuItem& item)
{
    item.setIsNeedSelectURL(true);
}
void alwaysShown(QVMenuItem& item)
{
    item.setIsNotNeedURL(true);
}

// The first trait rule that matches the record fills in what the main list derives from its key.
void applyTraits(const QVMenuItemPtr& record, const QVariantMap& entry, QVMenuItemList& belongApp)
{
    QVMenuItem& item = *record;
    const QString& key = item.key();
    auto is = [&key](const char* literal) { return key == QLatin1String(literal); };

    // Terminal entries run a system service; the window entries are also offered in the common
    // folders' submenus.
    struct Terminal
    {
        const char* key;
        const char* serve;
        bool offeredWithApps;
    };
    static const Terminal terminals[] = {
        { "Terminal Window", "New Terminal at Folder", true },   { "Terminal To", "New Terminal at Folder", false },
        { "Terminal Tab", "New Terminal Tab at Folder", false }, { "iTerm2 Window", "New iTerm2 Window Here", true },
        { "iTerm2 To", "New iTerm2 Window Here", false },        { "iTerm2 Tab", "New iTerm2 Tab Here", false },
    };
    for (const Terminal& terminal : terminals) {
        if (is(terminal.key)) {
            item.setServe(QLatin1String(terminal.serve));
            alwaysShown(item);
            if (terminal.offeredWithApps) {
                belongApp << record;
            }
            return;
        }
    }

    if (item.isConvert() || item.isResizeImage()) {
        QStringList formats = QVMenuManager::imageFormats();
        if (item.isConvert()) {
            formats << QStringLiteral("pdf") << QStringLiteral("txt");
        }
        item.setFormats(formats);
    } else if (item.isDesktopPicture()) {
        item.setFormats(
            { QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("jp2") });
    } else if (item.isHideSelectedFiles() || item.isHideAllFiles()) {
        item.setIsShowHideFile(true);
        item.setCommand(QStringLiteral("chflags hidden"));
        item.setIsNeedSelectURL(item.isHideSelectedFiles());
    } else if (item.isUnhideAllFiles() || item.isUnhideSelectedFiles()) {
        item.setIsShowHideFile(true);
        item.setCommand(QStringLiteral("chflags nohidden"));
        item.setIsNeedSelectURL(item.isUnhideSelectedFiles());
    } else if (is("System Hide Files")) {
        item.setCommand(
            QStringLiteral("defaults write com.apple.finder AppleShowAllFiles -boolean %@; killall Finder"));
        alwaysShown(item);
    } else if (item.isLockUnlock()) {
        needsSelection(item);
    } else if (qv::isValid(item.appName())) {
        alwaysShown(item);
        if (!qv::isValid(item.appCmd()) && (item.isBorella() || item.isBorellaPro())) {
            needsSelection(item);
        } else {
            belongApp << record;
        }
    } else if (item.isCutPaste()) {
        item.setCutPaths(stringsOf(entry.value(QStringLiteral("cutPaths"))));
        needsSelection(item);
    } else if (item.isFolderIcon()) {
        alwaysShown(item);
    } else if (item.isCopy() || item.isMove() || item.isSymlinkTo() || item.isCompress()) {
        needsSelection(item);
    } else if (is("Delete") || item.isMoveToTrash()) {
        needsSelection(item);
    } else if (item.isCommonApp() || item.isCommonPath() || item.isCommonScript()) {
        alwaysShown(item);
    } else if (item.isEmbedFolder()) {
        needsSelection(item);
    } else if (item.isUnembedFolder() || item.isShowPackageContents()) {
        item.setIsNeedFolder(true);
        needsSelection(item);
    } else if (item.isColorPicker()) {
        alwaysShown(item);
        item.setDisabledAuth(true);
    } else if (item.isExecuteScript()) {
        needsSelection(item);
        item.setFormats({ QStringLiteral("sh"), QStringLiteral("scpt") });
    } else if (item.isCopyFileContents()) {
        needsSelection(item);
    } else if (item.isNewFile() || item.isNewFolder()) {
        alwaysShown(item);
    } else if (item.isAirDrop() || item.isSendToDesktopShortcut() || item.isExtractIcon() || item.isFixingGarbledNames()
               || item.isEject()) {
        needsSelection(item);
    } else if (item.isSendToWechat()) {
        needsSelection(item);
        item.setIsNeedFile(true);
    }
}

// Reads a sub-list and builds one record per entry, leaving switched-off entries out in the
// extension build; fill copies the list's own keys into the record.
QVMenuItemList buildSubList(const QString& listKey, bool leaveOutDisabled,
                            const std::function<void(QVMenuItem&, const QVariantMap&)>& fill)
{
    QVMenuItemList records;
    for (const QVariant& value : QVMenuManager::storedList(listKey)) {
        // A hand-edited or damaged configuration may hold anything; only dictionaries are entries.
        if (value.typeId() != QMetaType::QVariantMap) {
            continue;
        }
        const QVariantMap entry = value.toMap();
        if (leaveOutDisabled && flag(entry, "disabled")) {
            continue;
        }
        auto record = QVMenuItem::create();
        record->setDisabled(flag(entry, "disabled"));
        fill(*record, entry);
        records << record;
    }
    return records;
}

// The fields the application lists (common apps, archive-utility commands) share.
void fillApplication(QVMenuItem& item, const QVariantMap& e)
{
    item.setKey(text(e, "key"));
    item.setIcon(text(e, "icon"));
    item.setIconPath(text(e, "iconPath"));
    item.setDisplayName(text(e, "displayName"));
    item.setIsAddToMainMenu(flag(e, "toMainMenu"));
    item.setAppBundleId(text(e, "appBundleId"));
    item.setIsNeedFolder(flag(e, "needFolder"));
    item.setIsNeedFile(flag(e, "needFile"));
    item.setAppCmd(text(e, "appCmd"));
    item.setFormats(formatsOf(e));
}

} // namespace

QVMenuManager& QVMenuManager::sharedInstance()
{
    static QVMenuManager instance;
    return instance;
}

// The suite and the container are looked up on every call rather than kept: the platform layer
// already shares one Defaults object per file, and a lookup follows HOME and XDG_DATA_HOME, which
// is what lets each test run against a private configuration.
platform::Defaults& QVMenuManager::sharedDefaults()
{
    return platform::Defaults::suite(platform::System::kGroupId);
}

bool QVMenuManager::isPrefCheckOn(QVSwitch number)
{
    return sharedDefaults().boolValue(prefCheck(number));
}

QString QVMenuManager::sharedFolder()
{
    const QString folder = platform::Paths::groupContainer(platform::System::kGroupId);
    if (!platform::Paths::ensureFolder(folder)) {
        qCWarning(lcMenuStore).noquote()
            << QStringLiteral("Failed to create the shared folder. File: \"%1\".").arg(folder);
    }
    return folder;
}

QVMenuItemList& QVMenuManager::belongAppMenuArray()
{
    return sharedInstance().m_belongAppMenuArray;
}

QString QVMenuManager::createFolderName(const QString& name)
{
    const QString path = sharedFolder() + QLatin1Char('/') + name;
    QFileInfo info(path);
    if (!info.exists() && !info.isSymLink() && !QDir().mkdir(path)) {
        qCWarning(lcMenuStore).noquote() << QStringLiteral("Failed to create a folder. File: \"%1\".").arg(path);
    }
    return path;
}

QStringList QVMenuManager::imageFormats()
{
    return { QStringLiteral("icns"), QStringLiteral("png"),  QStringLiteral("tiff"), QStringLiteral("jpg"),
             QStringLiteral("jpeg"), QStringLiteral("jpe"),  QStringLiteral("jp2"),  QStringLiteral("bmp"),
             QStringLiteral("gif"),  QStringLiteral("svg"),  QStringLiteral("fax"),  QStringLiteral("wbmp"),
             QStringLiteral("webp"), QStringLiteral("pic"),  QStringLiteral("tif"),  QStringLiteral("ico"),
             QStringLiteral("heic"), QStringLiteral("jfif"), QStringLiteral("rp"),   QStringLiteral("net") };
}

bool QVMenuManager::existKey(const QString& key, const QVMenuItemList& forArray)
{
    return std::any_of(forArray.cbegin(), forArray.cend(),
                       [&key](const QVMenuItemPtr& item) { return item->key() == key; });
}

QVariantList QVMenuManager::storedList(const QString& listKey)
{
    return sharedDefaults().arrayValue(listKey);
}

bool QVMenuManager::editList(const QString& listKey, const std::function<void(QVariantList&)>& edit)
{
    platform::Defaults& defaults = sharedDefaults();
    const bool written = defaults.update(listKey, [&](const QVariant& current) {
        // A value of another type edits as an empty list, but is only replaced by a real change.
        QVariantList list = current.typeId() == QMetaType::QVariantList ? current.toList() : QVariantList();
        const QVariantList before = list;
        edit(list);
        // An edit that finds no list or no matching entry writes nothing: an engine that starts
        // before the application's first start must not leave an empty main list behind.
        return list == before ? current : QVariant(list);
    });
    if (!written) {
        qCWarning(lcMenuStore).noquote() << QStringLiteral(
                                                "Failed to write the menu list \"%1\". File: \"%2\". Error: \"%3\"")
                                                .arg(listKey, defaults.filePath(), defaults.lastError());
    }
    return written;
}

QVMenuItemList QVMenuManager::menuItemArrayWithToMenu(bool toMenu)
{
    QVMenuItemList& belongApp = belongAppMenuArray();
    belongApp.clear();
    QVMenuItemList records;
    for (const QVariant& value : storedList(kArrayRightMenu)) {
        const QVariantMap entry = value.toMap();
        auto record = QVMenuItem::create();
        QVMenuItem& item = *record;
        item.setDisabled(flag(entry, "disabled"));
        item.setKey(text(entry, "key"));
        if (!qv::isValid(item.key()) || (item.disabled() && toMenu)) {
            continue;
        }
        item.setIcon(text(entry, "icon"));
        item.setIconPath(text(entry, "iconPath"));
        item.setAppName(text(entry, "appName"));
        item.setAppBundleId(text(entry, "appBundleId"));
        item.setAppCmd(text(entry, "appCmd"));
        item.setCreateTime(text(entry, "createTime"));
        item.setDisplayName(text(entry, "displayName"));
        item.setIsAddToMainMenu(flag(entry, "toMainMenu"));
        item.setHaveSepLine(flag(entry, "haveSepLine"));
        item.setDisabledAuth(flag(entry, "disabledAuth"));
        item.setDisabledOpenPath(flag(entry, "disabledOpenPath"));
        item.setIsFoldUp(flag(entry, "foldUp"));
        item.setIsMainMenuNewFile(flag(entry, "mainMenuNewFile"));
        item.setExt(text(entry, "ext"));
        item.setFileName(text(entry, "fileName"));
        item.setFileType(text(entry, "fileType"));
        item.setTemplatePath(text(entry, "templatePath"));
        // A new-file template promoted to the main menu opens its new file with the
        // application the user chose for it.
        item.setOpenFileAppName(text(entry, "openFileAppName"));
        item.setIsSpecialFile(flag(entry, "special"));
        item.setScript(text(entry, "script"));
        item.setIsNeedFolder(flag(entry, "needFolder"));
        item.setIsNeedFile(flag(entry, "needFile"));
        item.setFormats(formatsOf(entry));

        applyTraits(record, entry, belongApp);

        if (!toMenu) {
            const QString introduceKey = item.key() + QStringLiteral(" Introduce");
            const QString introduce = qv::localized(introduceKey);
            if (introduce != introduceKey) {
                item.setIntroduce(introduce);
            }
        }
        records << record;

        if (item.isCutPaste() && toMenu && !item.cutPaths().isEmpty()) {
            auto paste = QVMenuItem::create();
            paste->setKey(QStringLiteral("Paste"));
            paste->setIcon(QStringLiteral("paste"));
            paste->setCutPaths(item.cutPaths());
            paste->setIsNeedFolder(true);
            records << paste;
        }
    }
    return records;
}

QVMenuItemList QVMenuManager::newFileTemplateMenuArray(bool keepDisabled)
{
    const qint64 displayMode = sharedDefaults().integerValue(kNewFileDisplayMode);
    return buildSubList(kArrayNewFile, kLeaveOutDisabled && !keepDisabled, [&](QVMenuItem& item, const QVariantMap& e) {
        item.setKey(text(e, "key"));
        item.setIcon(text(e, "icon"));
        item.setExt(text(e, "ext"));
        const QString fileName = text(e, "fileName");
        item.setFileName(qv::isValid(fileName) ? fileName : qv::localized(QStringLiteral("Untitled")));
        item.setFileType(text(e, "fileType"));
        item.setDisplayName(text(e, "displayName"));
        if (!qv::isValid(item.fileType())) {
            item.setFileType(item.menuTitle());
        }
        item.setTemplatePath(text(e, "templatePath"));
        item.setIconPath(text(e, "iconPath"));
        item.setOpenFileAppName(text(e, "openFileAppName"));
        item.setIsSpecialFile(flag(e, "special"));
        item.setIsAddToMainMenu(flag(e, "toMainMenu"));
        item.setHaveSepLine(flag(e, "haveSepLine"));
        if (displayMode == 2 && !item.isNewFileFromWindow()) {
            item.setDisplayName(qv::isValid(item.ext()) ? item.fileName() + QLatin1Char('.') + item.ext()
                                                        : item.fileName());
        }
    });
}

QVMenuItemList QVMenuManager::folderIconMenuArray()
{
    return buildSubList(kArrayFolderIcon, kLeaveOutDisabled, [](QVMenuItem& item, const QVariantMap& e) {
        item.setKey(text(e, "key"));
        item.setIcon(text(e, "icon"));
        item.setIconPath(text(e, "iconPath"));
        item.setDisplayName(text(e, "displayName"));
    });
}

QVMenuItemList QVMenuManager::commonAppMenuArray()
{
    return buildSubList(kArrayCommonApp, kLeaveOutDisabled, [](QVMenuItem& item, const QVariantMap& e) {
        fillApplication(item, e);
        item.setDisabledOpenPath(flag(e, "disabledOpenPath"));
        item.setHaveSepLine(flag(e, "haveSepLine"));
        const QString appName = text(e, "appName");
        item.setAppName(qv::isValid(appName) ? appName : item.key());
    });
}

QVMenuItemList QVMenuManager::borellaMenuArray(bool pro)
{
    return buildSubList(pro ? kArrayBorellaPro : kArrayBorella, kLeaveOutDisabled,
                        [](QVMenuItem& item, const QVariantMap& e) {
                            fillApplication(item, e);
                            item.setAppName(text(e, "appName"));
                        });
}

QVMenuItemList QVMenuManager::commonPathMenuArray()
{
    return buildSubList(kArrayCommonPath, kLeaveOutDisabled, [](QVMenuItem& item, const QVariantMap& e) {
        item.setIcon(QStringLiteral("folder"));
        item.setIconPath(text(e, "iconPath"));
        item.setIsAddToMainMenu(flag(e, "toMainMenu"));
        item.setHaveSepLine(flag(e, "haveSepLine"));
        item.setDisplayName(text(e, "displayName"));
        item.setPath(standardizedPath(text(e, "path")));
        const QString key = text(e, "key");
        item.setKey(qv::isValid(key) ? key : item.path());
    });
}

QVMenuItemList QVMenuManager::commonScriptMenuArray()
{
    return buildSubList(kArrayCommonScript, kLeaveOutDisabled, [](QVMenuItem& item, const QVariantMap& e) {
        item.setKey(text(e, "key"));
        item.setExt(text(e, "ext"));
        item.setIcon(text(e, "icon"));
        item.setIconPath(text(e, "iconPath"));
        item.setIsAddToMainMenu(flag(e, "toMainMenu"));
        item.setHaveSepLine(flag(e, "haveSepLine"));
        item.setDisplayName(text(e, "displayName"));
        item.setCreateTime(text(e, "createTime"));
        item.setScript(text(e, "script"));
        item.setIsNeedFolder(flag(e, "needFolder"));
        item.setIsNeedFile(flag(e, "needFile"));
        item.setFormats(formatsOf(e));
    });
}

bool QVMenuManager::addMenuKey(const QString& listKey, const QVariantMap& withDict, qint64 atIndex)
{
    const QString key = withDict.value(QStringLiteral("key")).toString();
    return editList(listKey, [&](QVariantList& list) {
        if (indexOfEntry(list, key, false) >= 0) {
            return;
        }
        if (atIndex >= 0 && atIndex < list.size()) {
            list.insert(atIndex, withDict);
        } else {
            list.append(withDict);
        }
    });
}

bool QVMenuManager::removeMenuKey(const QString& listKey, const QString& withItemKey)
{
    QVariantMap removed;
    const bool written = editList(listKey, [&](QVariantList& list) {
        const qsizetype i = indexOfEntry(list, withItemKey, true);
        if (i >= 0) {
            removed = list.takeAt(i).toMap();
        }
    });
    if (!written || removed.isEmpty()) {
        return written;
    }
    // An entry's icon and template are its own copies inside the shared folder; a path that
    // points anywhere else (a restored or hand-edited configuration) names a user's file.
    const bool mainList = listKey == kArrayRightMenu;
    const QString iconPath = text(removed, "iconPath");
    removeOwnedFile(iconPath, mainList ? rightMenuIconFolder() : sharedFolder());
    if (!mainList) {
        removeOwnedFile(text(removed, "templatePath"), sharedFolder());
    }
    return written;
}

bool QVMenuManager::updateMenuKey(const QString& listKey, const QString& withItemKey, const QVariantMap& withDic)
{
    return editList(listKey, [&](QVariantList& list) {
        const qsizetype i = indexOfEntry(list, withItemKey, true);
        if (i < 0) {
            return;
        }
        QVariantMap entry = list.at(i).toMap();
        entry.insert(withDic);
        list[i] = entry;
    });
}

bool QVMenuManager::updateMenuKey(const QString& listKey, const QString& withItemKey, const QString& withAttrKey,
                                  const QVariant& withAttrValue)
{
    return updateMenuKey(listKey, withItemKey, QVariantMap { { withAttrKey, withAttrValue } });
}

bool QVMenuManager::replaceMenuKey(const QString& listKey, const QVariantMap& withItem)
{
    const QString key = withItem.value(QStringLiteral("key")).toString();
    return editList(listKey, [&](QVariantList& list) {
        const qsizetype i = indexOfEntry(list, key, false);
        if (i >= 0) {
            list[i] = withItem;
        }
    });
}

bool QVMenuManager::changePositionMenuKey(const QString& listKey, qint64 fromIndex, qint64 toIndex)
{
    return editList(listKey, [&](QVariantList& list) {
        // Indexes can come from a drag of plain text from any program; a bad one is ignored.
        if (fromIndex < 0 || fromIndex >= list.size() || toIndex < 0 || toIndex > list.size()) {
            qCInfo(lcMenuStore) << "Ignored a move from" << fromIndex << "to" << toIndex << "in a list of"
                                << list.size();
            return;
        }
        const QVariant entry = list.takeAt(fromIndex);
        list.insert(fromIndex < toIndex ? toIndex - 1 : toIndex, entry);
    });
}
