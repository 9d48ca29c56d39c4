#include "engine/model/QVDefaultData.h"

#include "MenuStoreTestSupport.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/StringExpand.h"
#include "platform/Bundle.h"
#include "platform/Paths.h"
#include "platform/System.h"
#include "testsupport/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

const QString kKey = "key";
const QString kMarker = "is changed version";

int countEnabled(const QString& listKey)
{
    int enabled = 0;
    for (const QVariant& v : QVMenuManager::storedList(listKey)) {
        enabled += v.toMap().value("disabled").toBool() ? 0 : 1;
    }
    return enabled;
}

QVariantMap storedEntry(const QString& listKey, const QString& key)
{
    for (const QVariant& v : QVMenuManager::storedList(listKey)) {
        if (v.toMap().value(kKey).toString() == key) {
            return v.toMap();
        }
    }
    return {};
}

// A main list as version 3.6.0 left it: the factory list without "Copy File Contents".
QVariantList mainListOf360()
{
    QVariantList list;
    for (const QVariant& v : QVDefaultData::defaultMainMenu()) {
        QVariantMap e = v.toMap();
        e.remove(kMarker);
        if (e.value(kKey).toString() != QLatin1String("Copy File Contents")) {
            list << e;
        }
    }
    return list;
}

const QStringList kAllLists
    = { QVMenuManager::kArrayRightMenu,  QVMenuManager::kArrayNewFile,    QVMenuManager::kArrayCommonApp,
        QVMenuManager::kArrayFolderIcon, QVMenuManager::kArrayCommonPath, QVMenuManager::kArrayCommonScript,
        QVMenuManager::kArrayBorella,    QVMenuManager::kArrayBorellaPro };

} // namespace

TEST(QVDefaultDataTest, FirstStartWritesEveryListAndSwitch)
{
    ASSERT_TRUE(QVDefaultData::setup());

    for (const QString& listKey : kAllLists) {
        EXPECT_TRUE(shared().contains(listKey)) << qPrintable(listKey);
        for (const QVariant& v : QVMenuManager::storedList(listKey)) {
            EXPECT_FALSE(v.toMap().contains(kMarker)) << qPrintable(listKey);
            EXPECT_FALSE(v.toMap().contains("defAddToMainMenu")) << qPrintable(listKey);
        }
    }

    // 43 factory entries and the two applications marked for the main menu; the second one
    // inserted at 5 pushes the first to 6.
    const QStringList main = storedKeys(QVMenuManager::kArrayRightMenu);
    ASSERT_EQ(main.size(), 45);
    EXPECT_EQ(main.at(0), "New Folder");
    EXPECT_EQ(main.at(5), "Sublime Text");
    EXPECT_EQ(main.at(6), "Visual Studio Code");
    EXPECT_EQ(main.at(7), "Folder Icon");
    EXPECT_EQ(main.last(), "System Hide Files");
    const QVariantMap vscode = storedEntry(QVMenuManager::kArrayRightMenu, "Visual Studio Code");
    EXPECT_EQ(vscode.value("appName").toString(), "Visual Studio Code");
    EXPECT_EQ(vscode.value("icon").toString(), "vscode");
    EXPECT_TRUE(storedEntry(QVMenuManager::kArrayCommonApp, "Sublime Text").value("toMainMenu").toBool());
    EXPECT_FALSE(storedEntry(QVMenuManager::kArrayCommonApp, "Cursor").value("toMainMenu").toBool());

    EXPECT_EQ(QVMenuManager::storedList(QVMenuManager::kArrayNewFile).size(), 20);
    EXPECT_EQ(countEnabled(QVMenuManager::kArrayNewFile), 12); // "New File From Window" and "txt" to "wps"
    EXPECT_EQ(QVMenuManager::storedList(QVMenuManager::kArrayCommonApp).size(), 16);
    EXPECT_EQ(QVMenuManager::storedList(QVMenuManager::kArrayFolderIcon).size(), 20);
    EXPECT_EQ(countEnabled(QVMenuManager::kArrayFolderIcon), 11);
    EXPECT_TRUE(QVMenuManager::storedList(QVMenuManager::kArrayCommonPath).isEmpty());
    EXPECT_EQ(storedKeys(QVMenuManager::kArrayCommonScript),
              (QStringList { "HelloWelcome", "New folder based on file", "Tar Compression" }));
    EXPECT_EQ(QVMenuManager::storedList(QVMenuManager::kArrayBorella).size(), 4);
    EXPECT_EQ(storedEntry(QVMenuManager::kArrayBorellaPro, "Preview ").value("appBundleId").toString(),
              "com.valden.borellapro");

    EXPECT_EQ(shared().stringValue(QVMenuManager::kUpdateVersion), QVDefaultData::appVersion());
    EXPECT_TRUE(shared().boolValue(QVMenuManager::prefCheck(QVSwitch::StatusItem)));
    for (QVSwitch on : { QVSwitch::AddToCommonPath, QVSwitch::OpenSettingsPage, QVSwitch::AddToFileTemplate,
                         QVSwitch::HookMiddleButton }) {
        EXPECT_TRUE(shared().boolValue(QVMenuManager::prefCheck(on))) << static_cast<int>(on);
    }
    EXPECT_FALSE(shared().contains(QVMenuManager::prefCheck(QVSwitch::RightClickHook)));
    EXPECT_EQ(shared().integerValue(QVMenuManager::prefCheck(QVSwitch::SystemMenuPlace)), 1);
    EXPECT_EQ(shared().integerValue(QVMenuManager::prefCheck(QVSwitch::HookModifier)), 3);
    EXPECT_EQ(shared().integerValue(QVMenuManager::kCommonPathNextMenu), 3);
    EXPECT_EQ(shared().integerValue(QVMenuManager::kNewFileDisplayMode), 1);
    EXPECT_FALSE(shared().contains(QVMenuManager::kCommonSubpathMaxCount));
    const QVariantList sizes = shared().arrayValue(QVMenuManager::kArrayImageSize);
    ASSERT_EQ(sizes.size(), 3);
    EXPECT_EQ(sizes.at(0).toMap().value("displayName").toString(), "60\u00D760");
    EXPECT_EQ(sizes.at(2).toMap().value("width").toString(), "1920");
    EXPECT_EQ(sizes.at(2).toMap().value("height").toString(), "1080");
}

// A main list of the wrong type used to count as "no main list" and reset all eight lists, so
// favourite folders and user scripts were lost. Only lists that are absent or not a list are
// filled now; an empty main list without any "update version" is what an engine that ran before
// the first start once wrote, and is filled too.
struct UnusableListCase
{
    const char* name;
    QVariantMap stored;
    QStringList filled;
};

using QVDefaultDataUnusableListTest = testing::TestWithParam<UnusableListCase>;

const QVariantList kUserPaths { QVariantMap { { "key", "docs" }, { "path", "/srv/docs" } } };
const QVariantList kUserScripts { QVariantMap { { "key", "mine" }, { "script", "echo hi" } } };
const QVariantList kUserMain { QVariantMap { { "key", "Copy Path" } } };

UnusableListCase unusableListCases[] = {
    { "MainListIsAString",
      { { QVMenuManager::kArrayRightMenu, "Copy Path" },
        { QVMenuManager::kArrayCommonPath, kUserPaths },
        { QVMenuManager::kArrayCommonScript, kUserScripts } },
      { QVMenuManager::kArrayRightMenu, QVMenuManager::kArrayNewFile, QVMenuManager::kArrayCommonApp,
        QVMenuManager::kArrayFolderIcon, QVMenuManager::kArrayBorella, QVMenuManager::kArrayBorellaPro } },
    { "ScriptListIsANumber",
      { { QVMenuManager::kArrayRightMenu, kUserMain },
        { QVMenuManager::kUpdateVersion, QVDefaultData::appVersion() },
        { QVMenuManager::kArrayCommonPath, kUserPaths },
        { QVMenuManager::kArrayCommonScript, 7 } },
      { QVMenuManager::kArrayNewFile, QVMenuManager::kArrayCommonApp, QVMenuManager::kArrayFolderIcon,
        QVMenuManager::kArrayCommonScript, QVMenuManager::kArrayBorella, QVMenuManager::kArrayBorellaPro } },
    { "EmptyMainListLeftBeforeTheFirstStart", { { QVMenuManager::kArrayRightMenu, QVariantList() } }, kAllLists },
};

TEST_P(QVDefaultDataUnusableListTest, SetupFillsOnlyListsThatAreAbsentOrUnusable)
{
    const UnusableListCase& c = GetParam();
    ASSERT_TRUE(shared().setDictionaryRepresentation(c.stored));
    ASSERT_TRUE(QVDefaultData::setup());
    const QVariantList factory[]
        = { QVDefaultData::defaultMainMenu(),         QVDefaultData::defaultNewFileMenu(),
            QVDefaultData::defaultCommonAppMenu(),    QVDefaultData::defaultFolderIconMenu(),
            QVDefaultData::defaultCommonPathMenu(),   QVDefaultData::defaultCommonScriptMenu(),
            QVDefaultData::defaultBorellaMenu(false), QVDefaultData::defaultBorellaMenu(true) };
    for (qsizetype i = 0; i < kAllLists.size(); ++i) {
        const QString& listKey = kAllLists.at(i);
        if (c.filled.contains(listKey)) {
            // Filled from the factory: every factory key that is not a "delete" marker is there.
            QStringList keys;
            for (const QVariant& v : factory[i]) {
                if (v.toMap().value(kMarker).toString() != QLatin1String("delete")) {
                    keys << v.toMap().value(kKey).toString();
                }
            }
            for (const QString& key : keys) {
                EXPECT_TRUE(storedKeys(listKey).contains(key)) << qPrintable(listKey) << " " << qPrintable(key);
            }
        } else {
            EXPECT_EQ(shared().value(listKey), c.stored.value(listKey)) << qPrintable(listKey);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, QVDefaultDataUnusableListTest, testing::ValuesIn(unusableListCases),
                         [](const testing::TestParamInfo<UnusableListCase>& info) {
                             return std::string(info.param.name);
                         });

// The switches are stored configuration: a first start writes exactly these keys, spelled as
// the settings controls form them, with a bool for a check box and an integer for a choice.
TEST(QVDefaultDataTest, FirstStartWritesTheSwitchKeysAsStored)
{
    ASSERT_TRUE(QVDefaultData::setup());
    const QVariantMap expected
        = { { "pref check5", true },  { "pref check12", true }, { "pref check14", true }, { "pref check15", true },
            { "pref check17", true }, { "pref check20", 1 },    { "pref check24", 3 } };
    QVariantMap written;
    for (const QString& key : shared().dictionaryRepresentation().keys()) {
        if (key.startsWith(QLatin1String("pref check"))) {
            written.insert(key, shared().value(key));
        }
    }
    EXPECT_EQ(written, expected);
    for (auto it = written.cbegin(); it != written.cend(); ++it) {
        EXPECT_EQ(it.value().typeId() == QMetaType::Bool, expected.value(it.key()).typeId() == QMetaType::Bool)
            << qPrintable(it.key());
    }
}

TEST(QVDefaultDataTest, LaterStartsKeepTheUsersChoices)
{
    ASSERT_TRUE(QVDefaultData::setup());
    shared().setValue(QVMenuManager::prefCheck(QVSwitch::StatusItem), false);
    shared().setValue(QVMenuManager::prefCheck(QVSwitch::AddToCommonPath), false);
    shared().setValue(QVMenuManager::kCommonPathNextMenu, 2);
    QVMenuManager::removeMenuKey(QVMenuManager::kArrayRightMenu, "Copy to");

    ASSERT_TRUE(QVDefaultData::setup());
    EXPECT_FALSE(shared().boolValue(QVMenuManager::prefCheck(QVSwitch::StatusItem)));
    EXPECT_FALSE(shared().boolValue(QVMenuManager::prefCheck(QVSwitch::AddToCommonPath)));
    EXPECT_EQ(shared().integerValue(QVMenuManager::kCommonPathNextMenu), 2);
    EXPECT_EQ(QVMenuManager::storedList(QVMenuManager::kArrayRightMenu).size(), 44);

    // The status-item switch is a first-start default only: an upgrade does not bring it back.
    shared().remove(QVMenuManager::prefCheck(QVSwitch::StatusItem));
    shared().setValue(QVMenuManager::kUpdateVersion, "3.0.0");
    ASSERT_TRUE(QVDefaultData::setup());
    EXPECT_FALSE(shared().contains(QVMenuManager::prefCheck(QVSwitch::StatusItem)));
    EXPECT_EQ(shared().stringValue(QVMenuManager::kUpdateVersion), QVDefaultData::appVersion());
}

TEST(QVDefaultDataTest, UpgradeInsertsAMissingChangedEntryAtItsFactoryIndex)
{
    storeList(QVMenuManager::kArrayRightMenu, mainListOf360());
    shared().setValue(QVMenuManager::kUpdateVersion, "3.6.0");
    ASSERT_TRUE(QVDefaultData::setup());
    const QStringList keys = storedKeys(QVMenuManager::kArrayRightMenu);
    EXPECT_EQ(keys.indexOf("Copy File Contents"), 31);
    EXPECT_EQ(keys.size(), 43);
    EXPECT_EQ(shared().stringValue(QVMenuManager::kUpdateVersion), QVDefaultData::appVersion());
}

TEST(QVDefaultDataTest, UpgradeInsertsAtTheTopOfAShortList)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Copy Path"), keyed("Delete") });
    shared().setValue(QVMenuManager::kUpdateVersion, "3.6.0");
    ASSERT_TRUE(QVDefaultData::update());
    const QStringList keys = storedKeys(QVMenuManager::kArrayRightMenu);
    EXPECT_EQ(keys.first(), "Copy File Contents");
    // Only entries changed after 3.6.0 arrive.
    EXPECT_EQ(keys.size(), 3);
}

TEST(QVDefaultDataTest, UpgradeReplacesAChangedEntryWithTheFactoryOne)
{
    QVariantList list = mainListOf360();
    list.insert(10, entry({ { kKey, "Copy File Contents" }, { "disabled", true }, { "displayName", "Mine" } }));
    storeList(QVMenuManager::kArrayRightMenu, list);
    shared().setValue(QVMenuManager::kUpdateVersion, "3.6.0");
    ASSERT_TRUE(QVDefaultData::update());
    const QStringList keys = storedKeys(QVMenuManager::kArrayRightMenu);
    EXPECT_EQ(keys.indexOf("Copy File Contents"), 10); // stays where the user put it
    const QVariantMap merged = storedEntry(QVMenuManager::kArrayRightMenu, "Copy File Contents");
    EXPECT_FALSE(merged.value("disabled").toBool());
    EXPECT_FALSE(merged.contains("displayName"));
    EXPECT_FALSE(merged.contains(kMarker));
    EXPECT_EQ(merged.value("icon").toString(), "copy1");
}

TEST(QVDefaultDataTest, EqualVersionsAreNotMerged)
{
    // A list last written by 2.1.0 does not get the entry marked 2.1.0 again.
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Copy Path") });
    shared().setValue(QVMenuManager::kUpdateVersion, "2.1.0");
    ASSERT_TRUE(QVDefaultData::update());
    const QStringList keys = storedKeys(QVMenuManager::kArrayRightMenu);
    EXPECT_FALSE(keys.contains("Folder Icon")); // marked 2.1.0
    EXPECT_FALSE(keys.contains("Cut Paste")); // marked 2.0.1
    EXPECT_TRUE(keys.contains("Encrypted Compression")); // marked 2.2.0
}

TEST(QVDefaultDataTest, FolderIconCommandArrivesWithItsIcons)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Copy Path") });
    storeList(QVMenuManager::kArrayFolderIcon, { keyed("mine") });
    shared().setValue(QVMenuManager::kUpdateVersion, "2.0.0");
    ASSERT_TRUE(QVDefaultData::update());
    EXPECT_TRUE(storedKeys(QVMenuManager::kArrayRightMenu).contains("Folder Icon"));
    EXPECT_EQ(QVMenuManager::storedList(QVMenuManager::kArrayFolderIcon).size(), 20);
    EXPECT_EQ(countEnabled(QVMenuManager::kArrayFolderIcon), 11);
}

TEST(QVDefaultDataTest, DeleteMarkersActEvenWithoutAStoredVersion)
{
    storeList(QVMenuManager::kArrayCommonScript, { keyed("Copy File (Folder) Name"), keyed("Mine") });
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Copy Path") });
    ASSERT_FALSE(shared().contains(QVMenuManager::kUpdateVersion));
    ASSERT_TRUE(QVDefaultData::update());
    EXPECT_EQ(storedKeys(QVMenuManager::kArrayCommonScript), QStringList { "Mine" });
    // With no version to compare, nothing else is merged.
    EXPECT_EQ(storedKeys(QVMenuManager::kArrayRightMenu), QStringList { "Copy Path" });
}

TEST(QVDefaultDataTest, UpgradeNeverTouchesCommonPaths)
{
    const QVariantList paths = { entry({ { kKey, "p" }, { "path", "/srv" } }) };
    storeList(QVMenuManager::kArrayCommonPath, paths);
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Copy Path") });
    shared().setValue(QVMenuManager::kUpdateVersion, "1.0");
    ASSERT_TRUE(QVDefaultData::setup());
    EXPECT_EQ(QVMenuManager::storedList(QVMenuManager::kArrayCommonPath), paths);
}

TEST(QVDefaultDataTest, ResetsRestoreFactoryContents)
{
    ASSERT_TRUE(QVDefaultData::setup());
    storeList(QVMenuManager::kArrayFolderIcon, { keyed("mine") });
    ASSERT_TRUE(QVDefaultData::recoverFolderIcon());
    EXPECT_EQ(QVMenuManager::storedList(QVMenuManager::kArrayFolderIcon).size(), 20);
    EXPECT_EQ(countEnabled(QVMenuManager::kArrayFolderIcon), 11);

    // Resetting the applications again does not put them into the main list twice.
    ASSERT_TRUE(QVDefaultData::recoverCommonApp());
    EXPECT_EQ(storedKeys(QVMenuManager::kArrayRightMenu).count("Sublime Text"), 1);
    EXPECT_EQ(QVMenuManager::storedList(QVMenuManager::kArrayRightMenu).size(), 45);
}

TEST(QVDefaultDataTest, AppVersionComesAfterEveryFactoryMarker)
{
    // Otherwise an upgrade to this version would merge entries that did not change.
    const QString version = QVDefaultData::appVersion();
    ASSERT_FALSE(version.isEmpty());
    QList<QVariantList> lists = { QVDefaultData::defaultMainMenu(),         QVDefaultData::defaultNewFileMenu(),
                                  QVDefaultData::defaultCommonAppMenu(),    QVDefaultData::defaultFolderIconMenu(),
                                  QVDefaultData::defaultCommonScriptMenu(), QVDefaultData::defaultBorellaMenu(false),
                                  QVDefaultData::defaultBorellaMenu(true) };
    for (const QVariantList& list : lists) {
        for (const QVariant& v : list) {
            const QString marker = v.toMap().value(kMarker).toString();
            if (marker.isEmpty() || marker == QLatin1String("delete")) {
                continue;
            }
            EXPECT_EQ(qv::compareVersion(version, marker), 1) << qPrintable(marker);
        }
    }
}

TEST(QVDefaultDataTest, EveryFactoryImageResolves)
{
    QStringList names;
    for (const QVariantList& list :
         { QVDefaultData::defaultMainMenu(), QVDefaultData::defaultNewFileMenu(), QVDefaultData::defaultCommonAppMenu(),
           QVDefaultData::defaultFolderIconMenu(), QVDefaultData::defaultCommonScriptMenu(),
           QVDefaultData::defaultBorellaMenu(false), QVDefaultData::defaultBorellaMenu(true) }) {
        for (const QVariant& v : list) {
            names << v.toMap().value("icon").toString();
        }
    }
    // Images the records themselves name.
    names << "set"
          << "add"
          << "paste"
          << "file"
          << "img"
          << "docx"
          << "xlsx"
          << "pptx"
          << "folder"
          << "unlock";
    names.removeDuplicates();
    for (const QString& name : names) {
        EXPECT_FALSE(platform::Bundle::imageNamed(name).isNull()) << qPrintable(name);
    }
}

TEST(QVDefaultDataTest, EveryFactoryTitleAndHelpTextIsWritten)
{
    for (const QVariantList& list : { QVDefaultData::defaultMainMenu(), QVDefaultData::defaultNewFileMenu(),
                                      QVDefaultData::defaultFolderIconMenu(), QVDefaultData::defaultCommonScriptMenu(),
                                      QVDefaultData::defaultBorellaMenu(false) }) {
        for (const QVariant& v : list) {
            const QString key = v.toMap().value(kKey).toString();
            EXPECT_FALSE(platform::Bundle::localizedString(key, "\x01") == "\x01") << qPrintable(key);
        }
    }
    for (const QVariant& v : QVDefaultData::defaultMainMenu()) {
        const QString key = v.toMap().value(kKey).toString() + " Introduce";
        EXPECT_NE(platform::Bundle::localizedString(key), key);
    }
}

TEST(QVDefaultDataTest, GreetingScriptIsLocalisedAndQuoted)
{
    const QVariantMap hello = QVDefaultData::defaultCommonScriptMenu().first().toMap();
    EXPECT_EQ(hello.value("displayName").toString(), platform::Bundle::localizedString("Hello"));
    const QString script = hello.value("script").toString();
    EXPECT_TRUE(script.contains("Tarsel"));
    EXPECT_FALSE(script.contains("%@"));
    EXPECT_TRUE(script.contains("display dialog"));
    EXPECT_TRUE(script.contains("呃呃， ┭┮﹏┭┮ 那就下次吧！"));
    EXPECT_TRUE(script.contains(platform::Bundle::localizedString("Go Review")));
}

TEST(QVDefaultDataTest, SetupReportsAnUnwritableSuite)
{
    writeFile(platform::Paths::groupContainer(platform::System::kGroupId) + "/Library", "not a folder");
    EXPECT_FALSE(QVDefaultData::setup());
}
