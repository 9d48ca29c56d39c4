// The factory scripts run for real in a tarsel-finder process, on files whose names would break
// a naively quoted command line.

#include "HostRun.h"
#include "engine/model/QVDefaultData.h"
#include "platform/AppleScript.h"
#include "platform/Bundle.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

// The tag of the entry under "Common Script" with that key, in the menu printed for the paths.
QString scriptTag(const QStringList& paths, const char* key)
{
    const HostRun menu = runHost(QStringList { QStringLiteral("menu"), QStringLiteral("--json") } + paths);
    const QString top = platform::Bundle::localizedString(QStringLiteral("Common Script"));
    const QString title = platform::Bundle::localizedString(QString::fromUtf8(key));
    for (const QJsonValue& entry :
         QJsonDocument::fromJson(menu.out).object().value(QStringLiteral("items")).toArray()) {
        if (entry[QStringLiteral("title")].toString() != top) {
            continue;
        }
        for (const QJsonValue& child : entry[QStringLiteral("submenu")].toArray()) {
            if (child[QStringLiteral("title")].toString() == title) {
                return QString::number(child[QStringLiteral("tag")].toInt());
            }
        }
    }
    return QString();
}

} // namespace

TEST(FinderHostScriptsTest, FactoryScriptsRunOnRealFiles)
{
    ASSERT_TRUE(QVDefaultData::setup());
    const QString folder = testHome() + QStringLiteral("/My Files $(id)");
    const QString a = writeFile(folder + QStringLiteral("/a b.txt"), "a");
    const QString b = writeFile(folder + QStringLiteral("/it's.txt"), "b");

    const QString tar = scriptTag({ a, b }, "Tar Compression");
    ASSERT_FALSE(tar.isEmpty());
    HostRun run = runHost({ QStringLiteral("pick"), tar, a, b });
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QString archive = folder + QStringLiteral("/a b.tar.gz");
    ASSERT_TRUE(QFileInfo(archive).isFile()) << run.err.constData();
    QProcess list;
    list.start(QStringLiteral("tar"), { QStringLiteral("-tzf"), archive });
    ASSERT_TRUE(list.waitForFinished(30000));
    EXPECT_EQ(list.readAllStandardOutput(), QByteArray("a b.txt\nit's.txt\n"));
    // Nobody can see a window here: the output is reported on standard error.
    EXPECT_TRUE(run.err.contains("a b.txt\nit's.txt\n")) << run.err.constData();

    const QString mkdir = scriptTag({ b }, "New folder based on file");
    ASSERT_FALSE(mkdir.isEmpty());
    run = runHost({ QStringLiteral("pick"), mkdir, b });
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/it's")).isDir()) << run.err.constData();
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 4);

    // The greeting AppleScript takes the error path with the stand-in's text.
    const QString hello = scriptTag({ a }, "HelloWelcome");
    ASSERT_FALSE(hello.isEmpty());
    run = runHost({ QStringLiteral("pick"), hello, a });
    EXPECT_TRUE(run.err.contains(platform::AppleScript::kUnavailableMessage.toUtf8())) << run.err.constData();
}
