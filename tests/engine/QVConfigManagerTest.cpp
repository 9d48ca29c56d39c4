#include "engine/model/QVConfigManager.h"

#include "CraftedZip.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/zip/SSZipArchive.h"
#include "foundation/BundleExpand.h"
#include "platform/Defaults.h"
#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

using namespace tarsel::test;

namespace {

platform::Defaults& shared()
{
    return QVMenuManager::sharedDefaults();
}

QString asset(const QString& relative)
{
    return QVMenuManager::sharedFolder() + "/" + relative;
}

/// Every restorable key gets a value of its own, one key outside the list another.
void writeConfiguration(const QString& tag)
{
    for (const QString& key : QVConfigManager::restorableKeys()) {
        shared().setValue(key, QVariantList { key, tag });
    }
    shared().setValue(QVConfigManager::kTreatType, tag);
    shared().setValue("update version", tag);
    for (const QString& folder : QVConfigManager::assetFolders()) {
        writeFile(asset(folder + "/" + tag + ".png"), tag.toUtf8());
    }
}

template <typename T> std::optional<T> waitFor(const std::function<void(std::function<void(T)>)>& start)
{
    std::optional<T> result;
    start([&](T value) { result = value; });
    if (!QTest::qWaitFor([&] { return result.has_value(); }, 30000)) {
        return std::nullopt;
    }
    return result;
}

QString saveArchive(QVConfigManager& manager)
{
    return waitFor<QString>([&](auto done) { manager.saveConfigToPathWithComplete(done); }).value_or("<none>");
}

// Export from one home, import on a fresh one (other data folder, nothing configured): every
// restorable key and every asset folder comes back, keys outside the list and "treat type" (which
// only the cloud copy restores) do not, and no "config.plist" is left in the shared folder.
TEST(QVConfigManagerTest, ExportThenImportOnAFreshHomeRestoresEverything)
{
    writeConfiguration("mine");
    QDir().mkpath(inHome("Desktop"));
    QVConfigManager manager;
    const QString exported = waitFor<QString>([&](auto done) {
                                 manager.exportConfigToPath(inHome("Desktop/backup.zip"), done);
                             }).value_or(QString());
    ASSERT_FALSE(exported.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(asset("config.plist")));

    ScopedEnvironment fresh;
    fresh.set("XDG_DATA_HOME", QFile::encodeName(inHome("fresh-data")));
    shared().setValue("update version", "fresh");
    QVConfigManager other;
    ASSERT_EQ(waitFor<bool>([&](auto done) { other.importConfigPath(exported, done); }), true);
    for (const QString& key : QVConfigManager::restorableKeys()) {
        EXPECT_EQ(shared().value(key), QVariant(QVariantList { key, "mine" })) << key.toStdString();
    }
    EXPECT_FALSE(shared().contains(QVConfigManager::kTreatType));
    EXPECT_EQ(shared().stringValue("update version"), "fresh");
    for (const QString& folder : QVConfigManager::assetFolders()) {
        EXPECT_EQ(readFile(asset(folder + "/mine.png")), QByteArray("mine")) << folder.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(asset("config.plist")));
    EXPECT_TRUE(QFileInfo::exists(other.configZipPath()));
}

struct BadArchive
{
    const char* name;
    bool showsErrorTip;
    std::function<QString()> make;
};

class ConfigImportFailures : public testing::TestWithParam<BadArchive>
{
};

// An archive that cannot be restored whole changes nothing: no key, no asset file, not the
// stored archive. A restore that wrote entries as it read them would leave the first entries of
// a damaged archive in place, and one that deleted the stored archive before copying would lose
// it. Entries outside the asset folders are never taken.
TEST_P(ConfigImportFailures, ChangeNothing)
{
    writeConfiguration("before");
    QVConfigManager manager;
    ASSERT_EQ(saveArchive(manager), manager.configZipPath());
    const QByteArray stored = readFile(manager.configZipPath());
    const QString bad = GetParam().make();
    AlertScript alerts;
    EXPECT_EQ(waitFor<bool>([&](auto done) { manager.importConfigPath(bad, done); }), false);
    EXPECT_EQ(alerts.shown().size(), GetParam().showsErrorTip ? 1 : 0);
    if (GetParam().showsErrorTip && !alerts.shown().isEmpty()) {
        EXPECT_EQ(alerts.shown().first().informativeText, qv::localized("Config File Error Tip"));
    }
    EXPECT_EQ(shared().value("array right menu"), QVariant(QVariantList { "array right menu", "before" }));
    EXPECT_FALSE(QFileInfo::exists(asset("QVAppIcon/evil.png")));
    EXPECT_FALSE(QFileInfo::exists(asset("outside.txt")));
    EXPECT_EQ(readFile(manager.configZipPath()), stored);
    EXPECT_FALSE(QFileInfo::exists(asset("config.plist")));
}

QString archiveWith(const QString& password)
{
    const QString plist = writeFile(inHome("other/config.plist"), readFile(shared().filePath()));
    const QString path = inHome("other.zip");
    SSZipArchive::createZipFileAtPath(path, { plist }, password);
    return path;
}

INSTANTIATE_TEST_SUITE_P(
    Bad, ConfigImportFailures,
    testing::Values(
        BadArchive { "WrongPassword", true, [] { return archiveWith("not the password"); } },
        BadArchive { "NotAZip", true, [] { return writeFile(inHome("notes.zip"), "plain text"); } },
        // Unencrypted (any password passes), damaged in its last entry.
        BadArchive { "Damaged", false,
                     [] {
                         return writeFile(inHome("damaged.zip"),
                                          craftZip({ { "config.plist", "<plist/>" },
                                                     { "QVAppIcon/evil.png", "x" },
                                                     { "QVCache/late.png", "bad", 0100644, true } }));
                     } },
        // No configuration inside: the entries outside the asset folders stay out.
        BadArchive {
            "OnlyForeignEntries", false,
            [] {
                return writeFile(inHome("foreign.zip"), craftZip({ { "outside.txt", "x" }, { "Library/x", "y" } }));
            } }),
    caseName<BadArchive>);

// A failed save says so and leaves no "config.plist" behind; a restore never reads a stale one.
// The save fails because a folder stands where the archive goes.
TEST(QVConfigManagerTest, AFailedSaveAnswersFailureAndAStalePlistIsNeverRestored)
{
    QVConfigManager manager;
    ASSERT_TRUE(QDir().mkpath(manager.configZipPath()));
    EXPECT_EQ(saveArchive(manager), QString());
    EXPECT_TRUE(QDir(manager.configZipPath()).removeRecursively());
    EXPECT_FALSE(QFileInfo::exists(asset("config.plist")));

    shared().setValue("fold menu name", "current");
    writeFile(asset("config.plist"),
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>fold menu "
              "name</key><string>stale</string></dict></plist>");
    writeFile(manager.configZipPath(), craftZip({ { "QVCache/a.png", "a" } }));
    EXPECT_EQ(waitFor<bool>([&](auto done) { manager.setupConfigWithComplete(done); }), false);
    EXPECT_EQ(shared().stringValue("fold menu name"), "current");
}

// Upload moves the archive into the cloud folder; a search finds it and, when asked, restores
// it with "treat type"; delete removes it. A copy that stays unfindable ends the search after a
// bounded number of tries instead of searching forever.
TEST(QVConfigManagerTest, CloudCopyRoundTrip)
{
    ScopedEnvironment cloud;
    cloud.set("TARSEL_CLOUD_DIR", QFile::encodeName(inHome("Sync/Tarsel")));
    writeConfiguration("cloud");
    QVConfigManager manager;
    ASSERT_EQ(waitFor<bool>([&](auto done) { manager.uploadConfigToCloudWithComplete(done); }), true);
    EXPECT_TRUE(QFileInfo::exists(inHome("Sync/Tarsel/Documents/qvconfig.zip")));
    EXPECT_FALSE(QFileInfo::exists(manager.configZipPath()));

    writeConfiguration("later");
    manager.setIsSyncConfig(true);
    manager.setFromCloud(true);
    std::optional<std::pair<bool, QString>> found;
    manager.queryCloudDataWithComplete([&](bool ok, const QString& text) { found = { ok, text }; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return found.has_value(); }, 30000));
    EXPECT_TRUE(found->first);
    EXPECT_EQ(found->second, qv::localized("Just now"));
    EXPECT_TRUE(manager.isBackup());
    EXPECT_EQ(shared().stringValue(QVConfigManager::kTreatType), "cloud");
    EXPECT_EQ(shared().value("use count"), QVariant(QVariantList { "use count", "cloud" }));

    EXPECT_TRUE(manager.deleteConfigFromCloud());
    EXPECT_FALSE(manager.deleteConfigFromCloud());

    QDir().mkpath(inHome("Sync/Tarsel/Documents/qvconfig.zip"));
    manager.setCloudRetryDelay(std::chrono::milliseconds(5));
    found.reset();
    manager.queryCloudDataWithComplete([&](bool ok, const QString& text) { found = { ok, text }; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return found.has_value(); }, 30000));
    EXPECT_FALSE(found->first);

    cloud.set("TARSEL_CLOUD_DIR", "");
    EXPECT_EQ(waitFor<bool>([&](auto done) { manager.uploadConfigToCloudWithComplete(done); }), false);
}

// A manager dropped while its search is still queued (its page closed) ends the search quietly:
// the block is never called and nothing touches the gone manager.
TEST(QVConfigManagerTest, ASearchOutlivedByItsManagerEndsQuietly)
{
    ScopedEnvironment cloud;
    cloud.set("TARSEL_CLOUD_DIR", QFile::encodeName(inHome("Sync/Tarsel")));
    // A copy that is there but not found keeps the search retrying.
    QDir().mkpath(inHome("Sync/Tarsel/Documents/qvconfig.zip"));
    bool called = false;
    for (const bool retrying : { false, true }) {
        auto manager = std::make_unique<QVConfigManager>();
        manager->setCloudRetryDelay(std::chrono::milliseconds(20));
        manager->queryCloudDataWithComplete([&called](bool, const QString&) { called = true; });
        if (retrying) {
            QTest::qWait(5);
        }
        manager.reset();
        QTest::qWait(100);
    }
    EXPECT_FALSE(called);
}

} // namespace
