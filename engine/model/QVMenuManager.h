#pragma once

#include "engine/model/QVMenuItem.h"
#include "engine/model/QVSwitch.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

namespace platform {
class Defaults;
}

/// The configuration the application and the extension share: the shared defaults suite
/// "group.com.valden.tarsel", the shared folder with its sub-folders, the stored menu lists with
/// the operations that edit them, and the builders that turn a stored list into QVMenuItem
/// records.
///
/// A stored list is an array of entry dictionaries under one key of the shared suite; an absent
/// list reads as empty. Every edit is one locked read-modify-write of its list, so the two
/// processes editing at once lose nothing. The switches ("pref check" + number) are named in
/// QVSwitch.h, the other shared keys below.
class QVMenuManager final
{
public:
    // Stored menu lists.
    static inline const QString kArrayRightMenu = QStringLiteral("array right menu");
    static inline const QString kArrayNewFile = QStringLiteral("array new file");
    static inline const QString kArrayFolderIcon = QStringLiteral("array folder icon");
    static inline const QString kArrayCommonApp = QStringLiteral("array common app");
    static inline const QString kArrayBorella = QStringLiteral("array borella");
    static inline const QString kArrayBorellaPro = QStringLiteral("array borella pro");
    static inline const QString kArrayCommonPath = QStringLiteral("array common path");
    static inline const QString kArrayCommonScript = QStringLiteral("array common script");

    // Other shared keys.
    static inline const QString kUpdateVersion = QStringLiteral("update version");
    static inline const QString kCommonPathNextMenu = QStringLiteral("common path next menu");
    static inline const QString kCommonSubpathMaxCount = QStringLiteral("common subpath maxcount");
    static inline const QString kNewFileDisplayMode = QStringLiteral("new file display mode");
    static inline const QString kArrayImageSize = QStringLiteral("array image size");
    static inline const QString kFoldMenuName = QStringLiteral("fold menu name");
    static inline const QString kStatusBarMenuFolder = QStringLiteral("status bar menu folder");
    static inline const QString kMainOpenTabview = QStringLiteral("main open tabview");
    // "compress skip junk" is QVCompress::kCompressSkipJunk (engine/archive, below the model).
    static inline const QString kOpenNewFile = QStringLiteral("open new file");
    static inline const QString kNewFileHideExtension = QStringLiteral("new file hide extension");
    /// When the application first started, "yyyy-MM-dd HH:mm:ss" local time: the script
    /// placeholder "@rday" counts the days since.
    static inline const QString kFirstStartDate = QStringLiteral("first start date");

    /// The switch edited by the settings control with that number: "pref check" + number.
    static QString prefCheck(int number) { return QStringLiteral("pref check%1").arg(number); }
    static QString prefCheck(QVSwitch number) { return prefCheck(static_cast<int>(number)); }
    /// Whether the switch is on in the shared suite (absent reads NO).
    static bool isPrefCheckOn(QVSwitch number);

    /// The process-wide instance.
    static QVMenuManager& sharedInstance();
    Q_DISABLE_COPY_MOVE(QVMenuManager)

    /// The shared defaults suite of the application group.
    static platform::Defaults& sharedDefaults();
    /// The shared container folder of the application group (created when missing).
    static QString sharedFolder();
    /// The records of the last built main list that open an application.
    static QVMenuItemList& belongAppMenuArray();

    /// sharedFolder()/name, created (without intermediate folders) when nothing is there.
    static QString createFolderName(const QString& name);
    static QString appIconFolder() { return createFolderName(QStringLiteral("QVAppIcon")); }
    static QString rightMenuIconFolder() { return createFolderName(QStringLiteral("QVRightMenuIcon")); }
    static QString fileTemplateFolder() { return createFolderName(QStringLiteral("QVFileTemplate")); }
    static QString folderIconFolder() { return createFolderName(QStringLiteral("QVFolderIcon")); }
    static QString cacheFolder() { return createFolderName(QStringLiteral("QVCache")); }
    static QString configManagerFolder() { return createFolderName(QStringLiteral("QVConfigManager")); }

    /// The 20 image extensions that conversion and resizing accept, in their fixed order.
    static QStringList imageFormats();
    /// A record in the array has exactly this key.
    static bool existKey(const QString& key, const QVMenuItemList& forArray);

    /// The stored list under a key (empty when absent).
    static QVariantList storedList(const QString& listKey);
    /// One locked read-modify-write of a stored list (an absent list edits as empty); an edit
    /// that changes nothing writes nothing. False, and logged, when the shared suite could not
    /// be written.
    static bool editList(const QString& listKey, const std::function<void(QVariantList&)>& edit);

    // Builders: each reads its list afresh and answers new records in stored order.
    /// The main list: toMenu YES for showing (disabled entries left out, a "Paste" record after
    /// a "Cut Paste" that holds cut paths), NO for the settings page (with help texts).
    static QVMenuItemList menuItemArrayWithToMenu(bool toMenu);
    static QVMenuItemList menuItemArray() { return menuItemArrayWithToMenu(true); }
    static QVMenuItemList newFileTemplateMenuArray(bool keepDisabled);
    static QVMenuItemList folderIconMenuArray();
    static QVMenuItemList commonAppMenuArray();
    static QVMenuItemList borellaMenuArray(bool pro);
    static QVMenuItemList commonPathMenuArray();
    static QVMenuItemList commonScriptMenuArray();

    // Starting the application (defined with the app command URL, QVAppCommandURL.cpp).
    /// Hands a command to the application by its app command URL; false when that failed.
    static bool openMainAppWithMethod(qint64 method, const QList<QUrl>& withURLs, bool isSelectURL);
    /// Starts the application without a command.
    static bool openMainApp();

    // Edit operations. Each is one locked read-modify-write of the list; false when the shared
    // suite could not be written.
    /// Inserts the entry at the index (appends when the index is outside [0, count)); does
    /// nothing when an entry with the same "key" is already there.
    static bool addMenuKey(const QString& listKey, const QVariantMap& withDict, qint64 atIndex);
    /// Removes the first entry whose "key" or "path" equals the item key, deleting its icon and
    /// template files when they belong to it and lie inside the shared folder.
    static bool removeMenuKey(const QString& listKey, const QString& withItemKey);
    /// Merges the dictionary into the first entry whose "key" or "path" equals the item key.
    static bool updateMenuKey(const QString& listKey, const QString& withItemKey, const QVariantMap& withDic);
    static bool updateMenuKey(const QString& listKey, const QString& withItemKey, const QString& withAttrKey,
                              const QVariant& withAttrValue);
    /// Replaces the first entry whose "key" equals the dictionary's "key".
    static bool replaceMenuKey(const QString& listKey, const QVariantMap& withItem);
    /// Moves the entry at fromIndex so that it stands before the entry that was at toIndex
    /// (toIndex == count moves it to the end). Indexes outside the list are ignored.
    static bool changePositionMenuKey(const QString& listKey, qint64 fromIndex, qint64 toIndex);

private:
    QVMenuManager() = default;

    QVMenuItemList m_belongAppMenuArray;
};
