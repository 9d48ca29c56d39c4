// Runs the real tarsel-finder program, which loads the real plug-in, on a configuration this
// test writes into its private HOME.

#include "tests/engine/MenuStoreTestSupport.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"

#include "testsupport/TestEnvironment.h"

#include "tests/host/HostRun.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

// Every entry's tag continues its parent's: a child's tag is the parent's with two digits added.
void expectTagsNest(const QJsonArray& items, qint64 parentTag, int* count)
{
    for (const QJsonValue& value : items) {
        const QJsonObject entry = value.toObject();
        if (entry.value("separator").toBool()) {
            EXPECT_EQ(entry.keys(), QStringList({ "separator", "title" }));
            continue;
        }
        ++*count;
        ASSERT_TRUE(entry.value("title").isString());
        ASSERT_TRUE(entry.value("image").isString() || entry.value("image").isNull());
        const qint64 tag = entry.value("tag").toInteger(-1);
        if (parentTag > 0) {
            EXPECT_EQ(tag / 100, parentTag) << tag;
            EXPECT_GE(tag % 100, 1);
        }
        if (entry.contains("submenu")) {
            const QJsonArray sub = entry.value("submenu").toArray();
            EXPECT_FALSE(sub.isEmpty());
            expectTagsNest(sub, tag, count);
        }
    }
}

QJsonObject entryTitled(const QJsonArray& items, const QString& title)
{
    for (const QJsonValue& value : items) {
        if (value.toObject().value("title").toString() == title) {
            return value.toObject();
        }
    }
    return {};
}

} // namespace

TEST(FinderHostProcessTest, MenuJsonShowsTheFactoryMenuForAFile)
{
    ASSERT_TRUE(QVDefaultData::setup());
    const QString docs = testHome() + "/Docs";
    QDir().mkpath(docs + "/Inner");
    storeList(QVMenuManager::kArrayCommonPath,
              { entry({ { "key", "docs" }, { "path", docs }, { "displayName", "My Docs" } }) });
    const QString file = writeFile(testHome() + "/notes.txt", "hello\n");

    const HostRun run = runHost({ "menu", "--json", file });
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(run.out, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out.constData();
    ASSERT_EQ(doc.object().keys(), QStringList({ "items" }));
    const QJsonArray items = doc.object().value("items").toArray();
    ASSERT_FALSE(items.isEmpty());

    int count = 0;
    expectTagsNest(items, 0, &count);
    EXPECT_GT(count, 10);
    // The extension: no separators at the top, no "Get Info".
    for (const QJsonValue& value : items) {
        EXPECT_FALSE(value.toObject().contains("separator"));
        EXPECT_NE(value.toObject().value("title").toString(), "Get Info");
    }
    // The copy targets list the common folder with its sub-folder.
    const QJsonObject copy = entryTitled(items, "Copy to");
    ASSERT_FALSE(copy.isEmpty()) << run.out.constData();
    const QJsonArray targets = copy.value("submenu").toArray();
    const QJsonObject myDocs = entryTitled(targets, "My Docs");
    ASSERT_FALSE(myDocs.isEmpty());
    EXPECT_FALSE(entryTitled(myDocs.value("submenu").toArray(), "Inner").isEmpty());
}

TEST(FinderHostProcessTest, TextMenuPickAndFailures)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Copy Path"), keyed("File Info") });
    const QString file = writeFile(testHome() + "/a.bin", "x");

    const HostRun text = runHost({ "menu", file });
    ASSERT_EQ(text.exitCode, 0) << text.err.constData();
    EXPECT_TRUE(text.out.startsWith("[1] "));
    EXPECT_TRUE(text.out.contains("\n  [202] "));

    const HostRun pick = runHost({ "pick", "202", file }, { "QT_LOGGING_RULES=tarsel.engine.menu.info=true" });
    EXPECT_EQ(pick.exitCode, 0) << pick.err.constData();
    EXPECT_TRUE(pick.err.contains("menu entry chosen: tag 202 key MD5")) << pick.err.constData();

    const HostRun missingTag = runHost({ "pick", "7", file });
    EXPECT_NE(missingTag.exitCode, 0);
    EXPECT_TRUE(missingTag.err.contains("tag 7"));

    const HostRun missingPath = runHost({ "menu", testHome() + "/gone" });
    EXPECT_NE(missingPath.exitCode, 0);
    EXPECT_TRUE(missingPath.err.contains("no such file"));
    EXPECT_TRUE(missingPath.out.isEmpty());

    const HostRun badKind = runHost({ "menu", "--kind", "9", file });
    EXPECT_NE(badKind.exitCode, 0);
    EXPECT_TRUE(badKind.err.contains("usage:"));

    const HostRun noPlugin = runHost({ "menu", file }, { "TARSEL_EXTENSION_PATH=" + testHome() + "/none.so" });
    EXPECT_NE(noPlugin.exitCode, 0);
    EXPECT_TRUE(noPlugin.err.contains("Failed to load the extension"));
}

TEST(FinderHostProcessTest, ATargetAloneIsTheFolderBackground)
{
    storeList(QVMenuManager::kArrayRightMenu, { keyed("Copy Path"), keyed("Move to") });
    const HostRun run = runHost({ "menu", "--target", testHome() });
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    // "Move to" needs selected items.
    EXPECT_EQ(run.out, QByteArray("[1] Copy Path\n"));
}
