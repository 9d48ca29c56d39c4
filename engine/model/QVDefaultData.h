#pragma once

#include <QString>
#include <QVariantList>

/// The factory contents of every stored menu list and the start-up step that writes them.
///
/// On the first start setup() fills the lists; after an upgrade it merges into the user's
/// lists the factory entries that changed since the version that ran before; at every start it
/// writes the defaults of the shared switches that are absent. The settings pages reset single
/// lists with the recoverX operations.
///
/// A factory entry may carry two keys of its own: "is changed version" (the version that added
/// or changed it, or "delete" for an entry a newer version removes) and, in the common-app list,
/// "defAddToMainMenu" (a reset also puts the application into the main list).
class QVDefaultData final
{
public:
    QVDefaultData() = delete;

    /// The application's start-up step. Fills every list that is absent or not a list (a first
    /// start fills them all), merges after an upgrade, writes the absent switches. False when
    /// the shared suite could not be written; a suite that could not be read is kept aside by
    /// the defaults before anything is written (see platform::Defaults::lastReadError()).
    static bool setup();

    /// The stored integer under `key`; a 0 with a factory value in kIntegerDefaults is replaced
    /// by that value, which is stored and returned.
    static qint64 integerWithDefault(const QString& key);

    /// Resets all eight lists: main, new file, common app, folder icon, common path, common
    /// script, archive utility, archive utility pro.
    static bool recover();
    static bool recoverRightMenu();
    static bool recoverNewFile();
    static bool recoverCommonApp();
    static bool recoverFolderIcon();
    static bool recoverCommonPath();
    static bool recoverCommonScript();
    static bool recoverBorella();
    static bool recoverBorellaPro();

    /// Merges the changed factory entries into seven stored lists (not the common paths),
    /// comparing each entry's "is changed version" with the stored "update version".
    static bool update();

    static QVariantList defaultMainMenu();
    static QVariantList defaultNewFileMenu();
    static QVariantList defaultCommonAppMenu();
    static QVariantList defaultFolderIconMenu();
    static QVariantList defaultCommonPathMenu();
    static QVariantList defaultCommonScriptMenu();
    static QVariantList defaultBorellaMenu(bool pro);
    /// The sizes Resize Image offers before the user changes them.
    static QVariantList defaultImageSizes();

    /// The application's short version ("CFBundleShortVersionString").
    static QString appVersion();

private:
    /// Replaces the stored list with the factory list, markers applied; the common-app entries
    /// marked "defAddToMainMenu" also join the main list when addAppsToMainMenu.
    static bool addMenuKey(const QString& listKey, const QVariantList& defaultMenu, bool addAppsToMainMenu = true);
    /// Merges the factory entries marked newer than the stored "update version".
    static bool updateMenuKey(const QString& listKey, const QVariantList& defaultMenu);
};
