#include "engine/model/QVConfigManager.h"

#include "CraftedZip.h"
#include "engine/model/QVAssetFile.h"
#include "engine/model/QVMenuManager.h"
#include "engine/archive/SSZipArchive.h"
#include "foundation/BundleExpand.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"
#include "platform/System.h"
#include "MenuStoreTestSupport.h"
#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QTest>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <optional>

using namespace tarsel::test;

namespace {

QString asset(const QString& relative)
{
    return QVMenuManager::sharedFolder() + "/" + relative;
}

/// A value of the key's own type that differs from tag to tag.
QVariant valueFor(const QString& key, const QString& tag)
{
    const qint64 number = qint64(qHash(key + tag, 0) & 0xffffff);
    if (key.startsWith("array ")) {
        return QVariantList { QVariantMap { { "key", key + " " + tag }, { "displayName", tag } } };
    }
    if (key.startsWith("pref check") || key == "open new file" || key == "compress skip junk"
        || key == "new file hide extension" || key == "is reviewed" || key == "common path next menu"
        || key == "new file display mode" || key == "use count") {
        return number;
    }
    if (key == "use count detail") {
        return QVariantMap { { tag, number } };
    }
    return key + " " + tag;
}

/// Every restorable key gets a value of its own, one key outside the list another; one
/// new-file entry names its template and icon in the templates folder.
void writeConfiguration(const QString& tag)
{
    for (const QString& key : QVConfigManager::restorableKeys()) {
        shared().setValue(key, valueFor(key, tag));
    }
    shared().setValue(QVConfigManager::kTreatType, tag);
    shared().setValue("update version", tag);
    for (const QString& folder : QVConfigManager::assetFolders()) {
        writeFile(asset(folder + "/" + tag + ".png"), tag.toUtf8());
    }
    shared().setValue("array new file",
                      QVariantList { QVariantMap { { "key", tag },
                                                   { "templatePath", asset("QVFileTemplate/" + tag) },
                                                   { "iconPath", asset("QVFileTemplate/" + tag + ".png") } } });
    writeFile(asset("QVFileTemplate/" + tag), "template " + tag.toUtf8());
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
    // A cut waiting for Paste: it never travels with the configuration.
    const QVariantMap cut { { "key", "Cut Paste" }, { "cutPaths", QVariantList { inHome("Documents") } } };
    shared().setValue("array right menu", QVariantList { cut, QVariantMap { { "key", "Copy Path" } } });
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
        if (key != "array new file" && key != "array right menu") {
            EXPECT_EQ(shared().value(key), valueFor(key, "mine")) << key.toStdString();
        }
    }
    EXPECT_EQ(
        shared().value("array right menu"),
        QVariant(QVariantList { QVariantMap { { "key", "Cut Paste" } }, QVariantMap { { "key", "Copy Path" } } }));
    // The template's paths named the other home's shared folder: they now name this one's,
    // where its file was restored.
    EXPECT_EQ(shared().value("array new file"),
              QVariant(QVariantList { QVariantMap { { "key", "mine" },
                                                    { "templatePath", asset("QVFileTemplate/mine") },
                                                    { "iconPath", asset("QVFileTemplate/mine.png") } } }));
    EXPECT_EQ(readFile(asset("QVFileTemplate/mine")), QByteArray("template mine"));
    EXPECT_FALSE(shared().contains(QVConfigManager::kTreatType));
    EXPECT_EQ(shared().stringValue("update version"), "fresh");
    for (const QString& folder : QVConfigManager::assetFolders()) {
        EXPECT_EQ(readFile(asset(folder + "/mine.png")), QByteArray("mine")) << folder.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(asset("config.plist")));
    EXPECT_TRUE(QFileInfo::exists(other.configZipPath()));
}

/// The environment of one account's home inside the test's home.
void useHome(ScopedEnvironment& env, const QString& home)
{
    env.set("HOME", QFile::encodeName(home))
        .set("XDG_CONFIG_HOME", QFile::encodeName(home + "/.config"))
        .set("XDG_DATA_HOME", QFile::encodeName(home + "/.local/share"))
        .set("XDG_CACHE_HOME", QFile::encodeName(home + "/.cache"));
}

QByteArray pngOf(Qt::GlobalColor color)
{
    QImage image(60, 60, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A configuration exported in one home and imported in another keeps working after the first
// home is gone: its icons and templates named the exporter's shared folder, and an entry then
// showed no icon and New File failed on the template. An icon that the archive did not carry is
// told once, in one message naming it, instead of being ignored.
TEST(QVConfigManagerTest, ImportedInAnotherHomeEveryIconAndTemplateWorksAndAMissingOneIsTold)
{
    const QString alice = inHome("alice");
    const QString bob = inHome("bob");
    const QString transfer = inHome("transfer");
    QDir().mkpath(transfer);
    QString exported;
    {
        ScopedEnvironment env;
        useHome(env, alice);
        const QString folder = QVMenuManager::sharedFolder();
        const auto icon = [&](const QString& relative, Qt::GlobalColor color) {
            return writeFile(folder + "/" + relative, pngOf(color));
        };
        shared().setValue(
            "array new file",
            QVariantList { QVariantMap { { "key", "memo" },
                                         { "ext", "txt" },
                                         { "displayName", "Memo" },
                                         { "templatePath", writeFile(folder + "/QVFileTemplate/memo", "dear diary") },
                                         { "iconPath", icon("QVFileTemplate/memo.png", Qt::red) } } });
        shared().setValue("array folder icon",
                          QVariantList { QVariantMap { { "key", "star" },
                                                       { "displayName", "Star" },
                                                       { "iconPath", icon("QVFolderIcon/star.png", Qt::blue) } } });
        shared().setValue("array common app",
                          QVariantList { QVariantMap { { "key", "editor" },
                                                       { "appName", "Editor" },
                                                       { "iconPath", icon("QVAppIcon/editor.png", Qt::green) } } });
        // This icon was deleted before the export: the archive cannot carry it.
        shared().setValue("array common script",
                          QVariantList { QVariantMap { { "key", "hello" },
                                                       { "displayName", "Hello" },
                                                       { "script", "true" },
                                                       { "iconPath", folder + "/QVFileTemplate/gone.png" } } });
        QVConfigManager manager;
        exported = waitFor<QString>([&](auto done) {
                       manager.exportConfigToPath(transfer + "/qvconfig", done);
                   }).value_or(QString());
    }
    ASSERT_FALSE(exported.isEmpty());
    ASSERT_TRUE(QDir(alice).removeRecursively());

    ScopedEnvironment env;
    useHome(env, bob);
    const QString folder = QVMenuManager::sharedFolder();
    ASSERT_TRUE(folder.startsWith(bob + "/")) << folder.toStdString();
    AlertScript alerts;
    QVConfigManager manager;
    ASSERT_EQ(waitFor<bool>([&](auto done) { manager.importConfigPath(exported, done); }), true);

    const QList<QPair<QVMenuItemList, QString>> lists = {
        { QVMenuManager::newFileTemplateMenuArray(true), folder + "/QVFileTemplate/memo.png" },
        { QVMenuManager::folderIconMenuArray(), folder + "/QVFolderIcon/star.png" },
        { QVMenuManager::commonAppMenuArray(), folder + "/QVAppIcon/editor.png" },
    };
    for (const auto& [items, iconPath] : lists) {
        ASSERT_EQ(items.size(), 1) << iconPath.toStdString();
        QString source;
        EXPECT_FALSE(items.first()->menuIcon(&source).isNull()) << iconPath.toStdString();
        EXPECT_EQ(source, iconPath);
    }
    // New File reads its template through the same guarded reader.
    const QString templatePath = QVMenuManager::newFileTemplateMenuArray(true).first()->templatePath();
    EXPECT_EQ(templatePath, folder + "/QVFileTemplate/memo");
    QByteArray bytes;
    QString error;
    EXPECT_TRUE(QVAssetFile::read(templatePath, QVAssetFile::Kind::Template, &bytes, &error)) << error.toStdString();
    EXPECT_EQ(bytes, QByteArray("dear diary"));

    ASSERT_EQ(alerts.shown().size(), 1);
    const QString told = alerts.shown().first().messageText + alerts.shown().first().informativeText;
    EXPECT_TRUE(told.contains(qv::localized("Config Missing Files Tip"))) << told.toStdString();
    EXPECT_TRUE(told.contains(folder + "/QVFileTemplate/gone.png")) << told.toStdString();
    EXPECT_FALSE(told.contains("memo")) << told.toStdString();
}

/// The bytes of a suite file holding the values.
QByteArray plistOf(const QVariantMap& values)
{
    static int made = 0;
    const QString path = inHome(QString("plists/%1.plist").arg(++made));
    QDir().mkpath(inHome("plists"));
    platform::Defaults file(path);
    file.setDictionaryRepresentation(values);
    return readFile(path);
}

QString archiveOf(const QList<CraftedEntry>& entries)
{
    static int made = 0;
    return writeFile(inHome(QString("import/%1.zip").arg(++made)), craftZip(entries));
}

/// An archive whose config.plist holds the values (beside the entries given).
QString archiveWith(const QVariantMap& values, QList<CraftedEntry> more = {})
{
    more.prepend({ "config.plist", plistOf(values) });
    return archiveOf(more);
}

QVariantMap templateEntry(const QString& templatePath, const QString& iconPath = QString())
{
    QVariantMap entry { { "key", "t" }, { "ext", "txt" }, { "templatePath", templatePath } };
    if (!iconPath.isEmpty()) {
        entry.insert("iconPath", iconPath);
    }
    return { { "array new file", QVariantList { entry } } };
}

QString fifo(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    ::mkfifo(QFile::encodeName(path).constData(), 0600);
    return path;
}

/// An archive holding a deflated entry (the crafted ones are stored).
QString deflatedArchive(const QString& name, const QByteArray& content)
{
    const QString path = inHome("import/deflated.zip");
    QDir().mkpath(inHome("import"));
    SSZipArchive zip(path);
    zip.open();
    zip.writeData(plistOf({ { "fold menu name", "bomb" } }), "config.plist", QString());
    zip.writeData(content, name, 9, QString(), false);
    zip.close();
    return path;
}

/// Every item under the home: its kind, and a regular file's bytes (hashed); a FIFO is never
/// opened. The private application-support folder, where a restore makes its scratch folder,
/// may appear; anything left inside it shows.
std::string snapshotOfHome()
{
    const QString scratchRoot = platform::Paths::applicationSupport(platform::System::bundleIdentifier());
    QMap<QString, QByteArray> items;
    QDirIterator it(testHome(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        if (path == scratchRoot) {
            continue;
        }
        QByteArray what = info.isSymLink() ? "link:" + QFile::encodeName(info.symLinkTarget())
            : info.isDir()                 ? QByteArray("folder")
            : info.isFile() ? QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha256).toHex()
                            : QByteArray("special");
        items.insert(QDir(testHome()).relativeFilePath(path), what);
    }
    std::string text;
    for (auto it = items.cbegin(); it != items.cend(); ++it) {
        text += it.key().toStdString() + " " + it.value().toStdString() + "\n";
    }
    return text;
}

struct BadArchive
{
    const char* name;
    /// What the alert says; empty for "Config File Error Tip".
    const char* message;
    std::function<QString()> make;
    QVConfigArchive::Limits limits = {};
};

using ConfigImportRefusals = testing::TestWithParam<BadArchive>;

// An archive that cannot be restored whole changes nothing and says why: no key, no file
// anywhere in the home (the asset folders included), not the stored archive, and the import
// answers failure. It used to report success for an unreadable config.plist and replace the
// stored archive; write gigabytes or hundreds of thousands of files from a small archive; take
// a list of the wrong type (emptying the menu); store template paths that New File then copied
// from anywhere (/etc/shadow, /dev/zero, a FIFO); and move link entries into the shared folder.
TEST_P(ConfigImportRefusals, ChangeNothingAndSaySo)
{
    writeConfiguration("before");
    QVConfigManager manager;
    ASSERT_EQ(saveArchive(manager), manager.configZipPath());
    manager.setImportLimits(GetParam().limits);
    const QVariantMap store = shared().dictionaryRepresentation();
    const QString bad = GetParam().make();
    const std::string before = snapshotOfHome();
    AlertScript alerts;
    EXPECT_EQ(waitFor<bool>([&](auto done) { manager.importConfigPath(bad, done); }), false);
    ASSERT_EQ(alerts.shown().size(), 1);
    const QString expected
        = *GetParam().message ? QString::fromUtf8(GetParam().message) : qv::localized("Config File Error Tip");
    EXPECT_TRUE(alerts.shown().first().informativeText.contains(expected))
        << alerts.shown().first().informativeText.toStdString();
    EXPECT_EQ(shared().dictionaryRepresentation(), store);
    EXPECT_EQ(snapshotOfHome(), before);
}

QString encryptedWith(const QString& password)
{
    const QString plist = writeFile(inHome("other/config.plist"), readFile(shared().filePath()));
    const QString path = inHome("other.zip");
    SSZipArchive::createZipFileAtPath(path, { plist }, password);
    return path;
}

QByteArray nested(int depth)
{
    return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>treat type</key>"
        + QByteArray("<array>").repeated(depth) + QByteArray("</array>").repeated(depth) + "</dict></plist>";
}

QByteArray noise(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = 2463534242u;
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x);
    }
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Bad, ConfigImportRefusals,
    testing::Values(BadArchive { "WrongPassword", "", [] { return encryptedWith("not the password"); } },
                    BadArchive { "NotAZip", "", [] { return writeFile(inHome("notes.zip"), "plain text"); } },
                    BadArchive { "ChosenFileIsAFifo", "not a regular file", [] { return fifo(inHome("pipe.zip")); } },
                    BadArchive { "ChosenFileIsADevice", "not a regular file", [] { return QString("/dev/zero"); } },
                    // Unencrypted (any password passes), damaged in its last entry.
                    BadArchive { "Damaged", "crc",
                                 [] {
                                     return archiveOf({ { "config.plist", plistOf({ { "fold menu name", "x" } }) },
                                                        { "QVAppIcon/evil.png", "x" },
                                                        { "QVCache/late.png", "bad", 0100644, true } });
                                 } },
                    // No configuration inside: the entries outside the asset folders stay out.
                    BadArchive { "OnlyForeignEntries", "no \"config.plist\"",
                                 [] {
                                     return archiveOf({ { "outside.txt", "x" }, { "Library/x", "y" } });
                                 } },
                    BadArchive { "PlistIsNoPlist", "not a property list",
                                 [] {
                                     return archiveOf({ { "config.plist", "plain text" }, { "QVAppIcon/a.png", "a" } });
                                 } },
                    BadArchive { "PlistIsALink", "symbolic link",
                                 [] {
                                     return archiveOf(
                                         { { "QVCache/real.plist", plistOf({ { "fold menu name", "x" } }) },
                                           { "config.plist", "QVCache/real.plist", 0120777 } });
                                 } },
                    BadArchive { "PlistNestedTooDeep", "nested deeper",
                                 [] {
                                     return archiveOf({ { "config.plist", nested(200) } });
                                 } },
                    // 8 MiB of zeros deflate to about 8 KiB.
                    BadArchive { "ZipBomb", "compressed more than",
                                 [] { return deflatedArchive("QVCache/zeros", QByteArray(8 << 20, '\0')); } },
                    BadArchive { "LargerThanTheBound", "unpacks to more than",
                                 // Each random byte sixteen times: about 10 to 1, below the ratio bound.
                                 [] {
                                     QByteArray runs;
                                     for (const char c : noise(256 << 10)) {
                                         runs += QByteArray(16, c);
                                     }
                                     return deflatedArchive("QVCache/runs", runs);
                                 },
                                 QVConfigArchive::Limits { 10000, 1 << 20, 4 << 20, 200 } },
                    BadArchive { "TooManyEntries", "more than 10000 entries",
                                 [] {
                                     QList<CraftedEntry> entries { { "config.plist", plistOf({}) } };
                                     for (int i = 0; i < 10000; ++i) {
                                         entries.append({ "QVCache/" + QByteArray::number(i), "" });
                                     }
                                     return archiveOf(entries);
                                 } },
                    BadArchive { "ListOfTheWrongType", "\"array right menu\" is not a list",
                                 [] {
                                     return archiveWith({ { "array right menu", "Copy Path" } });
                                 } },
                    BadArchive { "ListNestedTooDeep", "nested too deep",
                                 [] {
                                     // Each level wrapped in a QVariant: a list braced around one list
                                     // of its own type may be read as its copy instead.
                                     const QVariantList deep { QVariant(
                                         QVariantList { QVariant(QVariantList { QVariant(QVariantList { "x" }) }) }) };
                                     return archiveWith({ { "array common app", deep } });
                                 } },
                    BadArchive { "SwitchOfTheWrongType", "\"pref check5\" is not a switch",
                                 [] {
                                     return archiveWith({ { "pref check5", QVariantList {} } });
                                 } },
                    BadArchive { "TemplateOutside", "outside the shared",
                                 [] {
                                     const QString secret = writeFile(inHome("secret"), "root:x:0:0");
                                     QFile::setPermissions(secret, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
                                     return archiveWith(templateEntry(secret));
                                 } },
                    BadArchive { "TemplateClimbsOut", "outside the shared",
                                 [] {
                                     writeFile(inHome("secret"), "secret");
                                     return archiveWith(templateEntry(asset("QVFileTemplate/../../../../../secret")));
                                 } },
                    BadArchive { "TemplateIsAFifo", "outside the shared",
                                 [] { return archiveWith(templateEntry(fifo(inHome("fifo")))); } },
                    BadArchive { "TemplateIsADevice", "outside the shared",
                                 [] { return archiveWith(templateEntry("/dev/zero")); } },
                    BadArchive { "IconIsADevice", "outside the shared",
                                 [] { return archiveWith(templateEntry(QString(), "/dev/zero")); } },
                    BadArchive { "LinkEntry", "symbolic link",
                                 [] {
                                     return archiveWith({ { "fold menu name", "x" } },
                                                        { { "QVFileTemplate/real", "x" },
                                                          { "QVFileTemplate/link", "real", 0120777 } });
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
    EXPECT_EQ(shared().value("use count"), valueFor("use count", "cloud"));

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
