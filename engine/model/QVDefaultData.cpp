#include "engine/model/QVDefaultData.h"

#include "foundation/BundleExpand.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/StringExpand.h"
#include "foundation/DateExpand.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"

#include <QVariantMap>

namespace {

const QString kChangedVersion = QStringLiteral("is changed version");
const QString kDefAddToMainMenu = QStringLiteral("defAddToMainMenu");
const QString kDeleteMarker = QStringLiteral("delete");

// Where the greeting script sends a user who wants to leave a review.
const QString kStorePageAddress = QStringLiteral("https://tarsel.valden.com/review");

// An AppleScript string literal of the text.
QString appleScriptString(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

// The greeting AppleScript of the first factory script: a welcome dialog that offers the store
// page, and a friendly alert when the user declines.
QString greetingScript()
{
    const QString appName = platform::Bundle::localizedString(QStringLiteral("CFBundleDisplayName"), QString(),
                                                              QStringLiteral("InfoPlist"));
    const QString welcome = qv::stringWithFormat(qv::localized("Welcome to use it"), appName);
    const QString cancel = qv::localized("Cancel");
    const QString review = qv::localized("Go Review");
    QString script;
    script += QStringLiteral("set dialogText to %1\n").arg(appleScriptString(welcome));
    script += QStringLiteral("try\n");
    script += QStringLiteral("\tset theAnswer to display dialog dialogText buttons {%1, %2} default button 2 "
                             "cancel button 1 with icon note with title %3\n")
                  .arg(appleScriptString(cancel), appleScriptString(review), appleScriptString(qv::localized("Tip")));
    script += QStringLiteral("\tif button returned of theAnswer is %1 then\n").arg(appleScriptString(review));
    script += QStringLiteral("\t\tdo shell script %1\n")
                  .arg(appleScriptString(QStringLiteral("open ") + qv::shellQuoted(kStorePageAddress)));
    script += QStringLiteral("\tend if\n");
    script += QStringLiteral("on error number -128\n");
    script
        += QStringLiteral("\tdisplay alert %1\n").arg(appleScriptString(QStringLiteral("呃呃， ┭┮﹏┭┮ 那就下次吧！")));
    script += QStringLiteral("end try\n");
    return script;
}

QVariantMap entry(std::initializer_list<std::pair<QString, QVariant>> pairs)
{
    QVariantMap map;
    for (const auto& [key, value] : pairs) {
        map.insert(key, value);
    }
    return map;
}

const QString kKey = QStringLiteral("key");
const QString kIcon = QStringLiteral("icon");
const QString kDisabled = QStringLiteral("disabled");
const QString kDisabledAuth = QStringLiteral("disabledAuth");
const QString kExt = QStringLiteral("ext");

qsizetype indexOfKey(const QVariantList& list, const QString& key)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list.at(i).toMap().value(kKey).toString() == key) {
            return i;
        }
    }
    return -1;
}

} // namespace

QString QVDefaultData::appVersion()
{
    return platform::Bundle::infoValue(QStringLiteral("CFBundleShortVersionString"));
}

bool QVDefaultData::setup()
{
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    // Everything below is one locked write of the suite: a first start fills a dozen lists.
    platform::Defaults::Batch batch(defaults);
    const QVariantMap stored = defaults.dictionaryRepresentation();
    const QVariant storedVersion = stored.value(QVMenuManager::kUpdateVersion);
    const QString version = appVersion();
    const bool sameVersion = storedVersion.isValid() && storedVersion.toString() == version;
    auto usable
        = [&stored](const QString& listKey) { return stored.value(listKey).typeId() == QMetaType::QVariantList; };
    // An empty main list without any "update version" is what an engine that started before the
    // first start once left behind (it wrote the list it found absent): not the user's menu.
    const bool mainStored = usable(QVMenuManager::kArrayRightMenu)
        && !(!storedVersion.isValid() && stored.value(QVMenuManager::kArrayRightMenu).toList().isEmpty());

    // Only the lists that are absent or not a list are filled from the factory: a list the user
    // has is kept whatever happened to the others. The applications of the common-app list join
    // the main list only when that is new too.
    bool ok = true;
    if (!mainStored) {
        ok = recoverRightMenu();
    }
    if (!usable(QVMenuManager::kArrayNewFile)) {
        ok = recoverNewFile() && ok;
    }
    if (!usable(QVMenuManager::kArrayCommonApp)) {
        ok = addMenuKey(QVMenuManager::kArrayCommonApp, defaultCommonAppMenu(), !mainStored) && ok;
    }
    if (!usable(QVMenuManager::kArrayFolderIcon)) {
        ok = recoverFolderIcon() && ok;
    }
    if (!usable(QVMenuManager::kArrayCommonPath)) {
        ok = recoverCommonPath() && ok;
    }
    if (!usable(QVMenuManager::kArrayCommonScript)) {
        ok = recoverCommonScript() && ok;
    }
    if (!usable(QVMenuManager::kArrayBorella)) {
        ok = recoverBorella() && ok;
    }
    if (!usable(QVMenuManager::kArrayBorellaPro)) {
        ok = recoverBorellaPro() && ok;
    }
    if (mainStored && !sameVersion) {
        ok = update() && ok;
    }
    // Written after the merge, which reads the version that ran before.
    if (!(mainStored && sameVersion)) {
        ok = defaults.setValue(QVMenuManager::kUpdateVersion, version) && ok;
    }

    const bool defaultsWritten = defaults.updateAll([&](QVariantMap& values) {
        auto setIfAbsent = [&values](const QString& key, const QVariant& value) {
            if (!values.contains(key)) {
                values.insert(key, value);
            }
        };
        auto setIfZero = [&values](const QString& key, qint64 value) {
            if (values.value(key).toLongLong() == 0) {
                values.insert(key, value);
            }
        };
        // A switch written only on a first start (the status item) stays off for a user who
        // switched it off.
        for (const QVSwitchDefault& entry : kSwitchDefaults) {
            if (entry.write == QVSwitchWrite::OnFirstStart && mainStored) {
                continue;
            }
            setIfAbsent(QVMenuManager::prefCheck(entry.number),
                        entry.isInteger ? QVariant(entry.value) : QVariant(entry.value != 0));
        }
        for (const QVIntegerDefault& entry : kIntegerDefaults) {
            if (entry.atStartUp) {
                setIfZero(QString::fromLatin1(entry.key), entry.value);
            }
        }
        setIfAbsent(QVMenuManager::kArrayImageSize, defaultImageSizes());
        setIfAbsent(QVMenuManager::kFirstStartDate,
                    qv::stringWithDateFormat(qv::now(), QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    });
    const bool committed = batch.commit();
    return committed && defaultsWritten && ok;
}

qint64 QVDefaultData::integerWithDefault(const QString& key)
{
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    const qint64 stored = defaults.integerValue(key);
    if (stored != 0) {
        return stored;
    }
    for (const QVIntegerDefault& entry : kIntegerDefaults) {
        if (key == QLatin1String(entry.key)) {
            defaults.setValue(key, entry.value);
            return entry.value;
        }
    }
    return stored;
}

bool QVDefaultData::recover()
{
    bool ok = recoverRightMenu();
    ok = recoverNewFile() && ok;
    ok = recoverCommonApp() && ok;
    ok = recoverFolderIcon() && ok;
    ok = recoverCommonPath() && ok;
    ok = recoverCommonScript() && ok;
    ok = recoverBorella() && ok;
    ok = recoverBorellaPro() && ok;
    return ok;
}

bool QVDefaultData::recoverRightMenu()
{
    return addMenuKey(QVMenuManager::kArrayRightMenu, defaultMainMenu());
}
bool QVDefaultData::recoverNewFile()
{
    return addMenuKey(QVMenuManager::kArrayNewFile, defaultNewFileMenu());
}
bool QVDefaultData::recoverCommonApp()
{
    return addMenuKey(QVMenuManager::kArrayCommonApp, defaultCommonAppMenu());
}
bool QVDefaultData::recoverFolderIcon()
{
    return addMenuKey(QVMenuManager::kArrayFolderIcon, defaultFolderIconMenu());
}
bool QVDefaultData::recoverCommonPath()
{
    return addMenuKey(QVMenuManager::kArrayCommonPath, defaultCommonPathMenu());
}
bool QVDefaultData::recoverCommonScript()
{
    return addMenuKey(QVMenuManager::kArrayCommonScript, defaultCommonScriptMenu());
}
bool QVDefaultData::recoverBorella()
{
    return addMenuKey(QVMenuManager::kArrayBorella, defaultBorellaMenu(false));
}
bool QVDefaultData::recoverBorellaPro()
{
    return addMenuKey(QVMenuManager::kArrayBorellaPro, defaultBorellaMenu(true));
}

bool QVDefaultData::update()
{
    bool ok = updateMenuKey(QVMenuManager::kArrayRightMenu, defaultMainMenu());
    ok = updateMenuKey(QVMenuManager::kArrayNewFile, defaultNewFileMenu()) && ok;
    ok = updateMenuKey(QVMenuManager::kArrayCommonApp, defaultCommonAppMenu()) && ok;
    ok = updateMenuKey(QVMenuManager::kArrayFolderIcon, defaultFolderIconMenu()) && ok;
    ok = updateMenuKey(QVMenuManager::kArrayCommonScript, defaultCommonScriptMenu()) && ok;
    ok = updateMenuKey(QVMenuManager::kArrayBorella, defaultBorellaMenu(false)) && ok;
    ok = updateMenuKey(QVMenuManager::kArrayBorellaPro, defaultBorellaMenu(true)) && ok;
    return ok;
}

bool QVDefaultData::addMenuKey(const QString& listKey, const QVariantList& defaultMenu, bool addAppsToMainMenu)
{
    const bool commonApp = listKey == QVMenuManager::kArrayCommonApp;
    QVariantList list;
    QVariantList toMainMenu;
    for (const QVariant& value : defaultMenu) {
        QVariantMap item = value.toMap();
        if (item.contains(kChangedVersion)) {
            if (item.value(kChangedVersion).toString() == kDeleteMarker) {
                continue;
            }
            item.remove(kChangedVersion);
        } else if (commonApp && item.value(kDefAddToMainMenu).toBool()) {
            item.remove(kDefAddToMainMenu);
            item.insert(QStringLiteral("toMainMenu"), true);
            toMainMenu << entry({ { kKey, item.value(kKey) },
                                  { QStringLiteral("appName"), item.value(kKey) },
                                  { kIcon, item.value(kIcon) } });
        }
        list << item;
    }
    bool ok = true;
    if (addAppsToMainMenu) {
        for (const QVariant& app : toMainMenu) {
            ok = QVMenuManager::addMenuKey(QVMenuManager::kArrayRightMenu, app.toMap(), 5) && ok;
        }
    }
    // The whole list is replaced, also by an empty one: a reset list is stored, never absent.
    return QVMenuManager::sharedDefaults().setValue(listKey, list) && ok;
}

bool QVDefaultData::updateMenuKey(const QString& listKey, const QVariantList& defaultMenu)
{
    // The version that ran before; with none stored every comparison reads "equal", so only
    // "delete" markers act.
    const QVariant oldVersion = QVMenuManager::sharedDefaults().value(QVMenuManager::kUpdateVersion);
    bool folderIconAdded = false;
    const bool written = QVMenuManager::editList(listKey, [&](QVariantList& list) {
        for (qsizetype i = 0; i < defaultMenu.size(); ++i) {
            QVariantMap factory = defaultMenu.at(i).toMap();
            if (!factory.contains(kChangedVersion)) {
                continue;
            }
            const QString changed = factory.value(kChangedVersion).toString();
            const QString key = factory.value(kKey).toString();
            const qsizetype j = indexOfKey(list, key);
            if (changed == kDeleteMarker) {
                if (j >= 0) {
                    list.removeAt(j);
                }
                continue;
            }
            if (!oldVersion.isValid() || qv::compareVersion(oldVersion.toString(), changed) >= 0) {
                continue;
            }
            if (j < 0) {
                list.insert(list.size() > i ? i : 0, factory);
                folderIconAdded = folderIconAdded || key == QLatin1String("Folder Icon");
            } else {
                factory.remove(kChangedVersion);
                list[j] = factory;
            }
        }
    });
    // The folder-icon command arrives with its icons; reset outside the list's lock.
    if (folderIconAdded) {
        return recoverFolderIcon() && written;
    }
    return written;
}

QVariantList QVDefaultData::defaultMainMenu()
{
    struct Row
    {
        const char* key;
        const char* icon;
        bool disabled;
        bool disabledAuth;
        const char* changedVersion;
    };
    static const Row rows[] = {
        { "New Folder", "folder", true, false, "3.4.1" },
        { "New File", "newfile", false, false, nullptr },
        { "Common Path", "favorites", false, true, nullptr },
        { "Common App", "app", false, false, nullptr },
        { "Common Script", "script", false, true, "3.0.0" },
        { "Folder Icon", "foldericon", false, false, "2.1.0" },
        { "AirDrop", "airdrop", false, false, "2.5.6" },
        { "Send to Wechat", "weixin", false, false, "2.6.4" },
        { "Send to Desktop Shortcut", "symlink", false, false, "3.0.0" },
        { "Create Symlink to", "link", true, false, "3.0.3" },
        { "As Desktop Picture", "desktop_pic", false, false, nullptr },
        { "Copy to", "copy", false, false, nullptr },
        { "Move to", "move", false, false, nullptr },
        { "Convert to", "convert", false, false, nullptr },
        { "Resize Image", "resize", false, false, "3.2.0" },
        { "Cut Paste", "cut", false, false, "2.0.1" },
        { "Lock and Unlock", "lock", true, false, "2.3.0" },
        { "Encrypted Compression", "compress", false, false, "2.2.0" },
        { "Embed in Folder", "embed", true, false, "2.3.0" },
        { "Unembed Folder", "unembed", true, false, "2.3.0" },
        { "Color Picker", "colorpicker", false, false, "2.3.0" },
        { "Extract Icon", "img", true, false, nullptr },
        { "File Info", "fileinfo", true, false, nullptr },
        { "Terminal Window", "terminal", false, true, nullptr },
        { "Terminal Tab", "terminal", true, true, nullptr },
        { "Terminal To", "terminal", true, true, nullptr },
        { "iTerm2 Window", "iterm2", false, true, nullptr },
        { "iTerm2 Tab", "iterm2", true, true, nullptr },
        { "iTerm2 To", "iterm2", true, true, nullptr },
        { "Copy Path", "copypath", false, true, nullptr },
        { "Copy File(Folder) Name", "copy1", false, true, "3.5.7" },
        { "Copy File Contents", "copy1", false, false, "3.6.5" },
        { "Get Info", "intro", true, false, "3.4.5" },
        { "Show Package Contents", "package", true, false, "3.4.7" },
        { "Eject", "eject", true, false, "3.4.8" },
        { "Move to Trash", "trash", true, false, "3.4.1" },
        { "Delete", "delete", true, false, nullptr },
        { "Fixing Garbled Names", "fix", true, false, "3.2.3" },
        { "Hide Selected Files", "hidefile", false, false, nullptr },
        { "Unhide Selected Files", "showfile", true, false, "3.2.1" },
        { "Hide All Files", "hidefile", false, false, nullptr },
        { "Unhide All Files", "showfile", false, false, nullptr },
        { "System Hide Files", "about", true, true, nullptr },
    };
    QVariantList list;
    for (const Row& row : rows) {
        QVariantMap item = entry({ { kKey, QString::fromUtf8(row.key) },
                                   { kIcon, QString::fromUtf8(row.icon) },
                                   { kDisabled, row.disabled },
                                   { kDisabledAuth, row.disabledAuth } });
        if (row.changedVersion) {
            item.insert(kChangedVersion, QString::fromUtf8(row.changedVersion));
        }
        list << item;
    }
    return list;
}

QVariantList QVDefaultData::defaultNewFileMenu()
{
    QVariantList list;
    list << entry({ { kKey, QStringLiteral("New File From Window") },
                    { kIcon, QStringLiteral("newfile") },
                    { kChangedVersion, QStringLiteral("2.3.2") } });
    static const char* const extensions[]
        = { "txt", "rtf", "json", "docx", "xlsx", "pptx", "pages", "numbers", "key", "md",
            "wps", "et",  "dps",  "html", "xml",  "css",  "js",    "py",      "sh" };
    int position = 0;
    for (const char* ext : extensions) {
        const QString name = QString::fromUtf8(ext);
        list << entry({ { kKey, name }, { kExt, name }, { kIcon, name }, { kDisabled, position > 10 } });
        ++position;
    }
    return list;
}

QVariantList QVDefaultData::defaultCommonAppMenu()
{
    const QVariantMap extras[] = {
        {},
        { { kChangedVersion, QStringLiteral("2.6.4") } },
        { { QStringLiteral("appName"), QStringLiteral("BorellaPro") },
          { QStringLiteral("appBundleId"), QStringLiteral("com.valden.borellapro") },
          { kChangedVersion, QStringLiteral("3.0.0") } },
        { { kDefAddToMainMenu, true } },
        { { kChangedVersion, QStringLiteral("3.6.6") } },
        { { kChangedVersion, QStringLiteral("3.6.0") } },
        { { kChangedVersion, QStringLiteral("3.6.0") } },
        { { kDefAddToMainMenu, true } },
        {},
        {},
        {},
        { { kDisabled, true } },
        { { kDisabled, true } },
        { { kDisabled, true } },
        { { kDisabled, true }, { kChangedVersion, QStringLiteral("2.5.1") } },
        { { kDisabled, true } },
    };
    static const char* const apps[][2] = {
        { "WeChat", "weixin" },
        { "Lumeno", "reader" },
        { "Borella Pro", "borellapro" },
        { "Visual Studio Code", "vscode" },
        { "Trae CN", "trae" },
        { "Cursor", "cursor" },
        { "Windsurf", "windsurf" },
        { "Sublime Text", "sublime" },
        { "Android Studio", "studio" },
        { "IntelliJ IDEA", "idea" },
        { "WebStorm", "webstorm" },
        { "PyCharm", "pycharm" },
        { "PhpStorm", "phpstorm" },
        { "GoLand", "goland" },
        { "Warp", "warp" },
        { "Emacs", "emacs" },
    };
    static_assert(std::size(apps) == 16);
    QVariantList list;
    for (size_t i = 0; i < std::size(apps); ++i) {
        QVariantMap item = extras[i];
        item.insert(kKey, QString::fromUtf8(apps[i][0]));
        item.insert(kIcon, QString::fromUtf8(apps[i][1]));
        list << item;
    }
    return list;
}

QVariantList QVDefaultData::defaultFolderIconMenu()
{
    static const char* const names[]
        = { "love",  "google", "java",   "qq",    "zapier",  "pyq",   "html5", "twitter", "ding",     "skype",
            "apple", "share",  "wechat", "weibo", "youtube", "wepay", "react", "erji",    "question", "star" };
    QVariantList list;
    int position = 0;
    for (const char* name : names) {
        const QString key = QString::fromUtf8(name);
        list << entry({ { kKey, key },
                        { kIcon, position == 0 ? QStringLiteral("foldericon") : key },
                        { kDisabled, position >= 11 } });
        ++position;
    }
    return list;
}

QVariantList QVDefaultData::defaultCommonPathMenu()
{
    return {};
}

QVariantList QVDefaultData::defaultCommonScriptMenu()
{
    auto script = [](const char* key, const char* icon, const char* ext, bool needFolder, bool needFile,
                     const QString& text, const char* changedVersion) {
        return entry({ { kKey, QString::fromUtf8(key) },
                       { kIcon, QString::fromUtf8(icon) },
                       { kExt, QString::fromUtf8(ext) },
                       { QStringLiteral("needFolder"), needFolder },
                       { QStringLiteral("needFile"), needFile },
                       { QStringLiteral("script"), text },
                       { kChangedVersion, QString::fromUtf8(changedVersion) } });
    };
    QVariantMap hello = script("HelloWelcome", "applescript", "scpt", false, false, greetingScript(), "3.0.0");
    hello.insert(QStringLiteral("displayName"), qv::localized("Hello"));
    return {
        hello,
        script("New folder based on file", "shell", "sh", false, true, QStringLiteral("mkdir @rfpos/@rfnam"), "3.0.1"),
        script("Copy File (Folder) Name", "copy1", "sh", false, false,
               QStringLiteral("echo -n '@rfnames' | LC_CTYPE=UTF-8 pbcopy"), "delete"),
        script("Tar Compression", "compress", "sh", true, true,
               QStringLiteral("@rloading \ncd @rfpos \ntar -zcvf @rfpos/@rfnam.tar.gz @rfnames"), "3.0.1"),
    };
}

QVariantList QVDefaultData::defaultBorellaMenu(bool pro)
{
    struct Command
    {
        const char* key;
        bool needFolder;
        bool needFile;
        const char* appCmd;
    };
    static const Command commands[] = {
        { "Decompress to the current folder", false, true, "1" },
        { "Preview ", false, true, "2" },
        { "Compressed to ", true, true, "3" },
        { "Custom Compression", true, true, "4" },
    };
    QVariantList list;
    for (const Command& command : commands) {
        list << entry({ { kKey, QString::fromUtf8(command.key) },
                        { kIcon, pro ? QStringLiteral("borellapro") : QStringLiteral("borella") },
                        { QStringLiteral("appName"), pro ? QStringLiteral("BorellaPro") : QStringLiteral("Borella") },
                        { QStringLiteral("appBundleId"),
                          pro ? QStringLiteral("com.valden.borellapro") : QStringLiteral("com.valden.borella") },
                        { QStringLiteral("needFolder"), command.needFolder },
                        { QStringLiteral("needFile"), command.needFile },
                        { QStringLiteral("appCmd"), QString::fromUtf8(command.appCmd) },
                        { kChangedVersion, QStringLiteral("3.0.0") } });
    }
    return list;
}

QVariantList QVDefaultData::defaultImageSizes()
{
    QVariantList rows;
    for (int side : { 60, 200 }) {
        rows << entry({ { QStringLiteral("displayName"), QStringLiteral("%1\u00D7%1").arg(side) },
                        { QStringLiteral("width"), QString::number(side) },
                        { QStringLiteral("height"), QString::number(side) } });
    }
    rows << entry({ { QStringLiteral("displayName"), QStringLiteral("1920\u00D71080") },
                    { QStringLiteral("width"), QStringLiteral("1920") },
                    { QStringLiteral("height"), QStringLiteral("1080") } });
    return rows;
}
