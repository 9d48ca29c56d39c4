// The popup of a tarsel-finder process in a Wayland session opens at the pointer, and an entry
// chosen with the keyboard runs. It used to open as an ordinary titled window, placed by the
// compositor far from the click: a Wayland client cannot place a top-level window.
// On a compositor with layer surfaces (sway here) the surface the menu opens over is one, not a
// window: the file manager's window stays in view under the menu. It used to be a full-screen
// window, and sway hid the workspace behind it.

#include "tests/engine/MenuStoreTestSupport.h"
#include "engine/model/QVMenuManager.h"

#include "testsupport/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace tarsel::test;

namespace {

std::string runTool(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
    }
    return process.readAllStandardOutput().toStdString();
}

// Sends one command to the virtual pointer and waits for its "ok".
bool tell(QProcess& pointer, const QByteArray& command)
{
    pointer.write(command + '\n');
    return QTest::qWaitFor([&pointer] { return pointer.canReadLine() && pointer.readLine() == "ok\n"; }, 10000);
}

// Every window of sway's tree (its views), by app_id.
void collectViews(const QJsonObject& node, QHash<QString, QJsonObject>& views)
{
    if (node.contains(QStringLiteral("app_id"))) {
        views.insert(node.value(QStringLiteral("app_id")).toString(), node);
    }
    for (const char* children : { "nodes", "floating_nodes" }) {
        const QJsonArray list = node.value(QLatin1String(children)).toArray();
        for (const QJsonValue& child : list) {
            collectViews(child.toObject(), views);
        }
    }
}

QHash<QString, QJsonObject> swayViews()
{
    QHash<QString, QJsonObject> views;
    const std::string tree = runTool(QStringLiteral("swaymsg"),
                                     { QStringLiteral("-r"), QStringLiteral("-t"), QStringLiteral("get_tree") });
    collectViews(QJsonDocument::fromJson(QByteArray::fromStdString(tree)).object(), views);
    return views;
}

// Ends a helper process at the end of the test, whatever its outcome.
struct Ended
{
    explicit Ended(QProcess& process)
        : process(process)
    {
    }
    ~Ended()
    {
        process.kill();
        process.waitForFinished();
    }
    Q_DISABLE_COPY_MOVE(Ended)
    QProcess& process;
};

struct ClipboardCleanup
{
    ClipboardCleanup() = default;
    ~ClipboardCleanup() { runTool(QStringLiteral("wl-copy"), { QStringLiteral("--clear") }); }
    Q_DISABLE_COPY_MOVE(ClipboardCleanup)
};

} // namespace

TEST(FinderHostWaylandPopupTest, TheMenuOpensAtThePointerAndTheKeyboardChooses)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) << "run inside scripts/wayland-run";
    storeList(QVMenuManager::kArrayRightMenu, { keyed(QStringLiteral("Copy Path")) });
    const QString file = writeFile(testHome() + QStringLiteral("/files/chosen.txt"), "contents");
    const ClipboardCleanup cleanup;

    // A keyboard, there before the menu, as on a real desktop: wtype's virtual keyboard, kept
    // while it waits.
    QProcess keyboard;
    keyboard.start(QStringLiteral("wtype"), { QStringLiteral("-s"), QStringLiteral("60000") });
    const Ended keyboardEnded(keyboard);
    ASSERT_TRUE(QTest::qWaitFor(
        [] {
            return runTool(QStringLiteral("swaymsg"),
                           { QStringLiteral("-r"), QStringLiteral("-t"), QStringLiteral("get_seats") })
                       .find("keyboard")
                != std::string::npos;
        },
        10000));

    // The file manager's window, which sway tiles over the whole workspace.
    QProcess files;
    files.start(QStringLiteral(TARSEL_WAYLAND_WINDOW), {});
    const Ended filesEnded(files);
    ASSERT_TRUE(QTest::qWaitFor([] { return swayViews().contains(QStringLiteral("tarsel-test-files")); }, 10000))
        << files.readAllStandardError().constData();

    QProcess pointer;
    pointer.start(QStringLiteral(TARSEL_WAYLAND_POINTER), {});
    ASSERT_TRUE(QTest::qWaitFor([&pointer] { return pointer.canReadLine() && pointer.readLine() == "ok\n"; }, 10000))
        << pointer.readAllStandardError().constData();
    ASSERT_TRUE(tell(pointer, "move 321 234"));

    QProcess host;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("tarsel.host.popup.info=true"));
    host.setProcessEnvironment(env);
    host.start(QStringLiteral(TARSEL_FINDER_PROGRAM), { QStringLiteral("popup"), file });
    QByteArray said;
    const QRegularExpression placed(QStringLiteral("menu at (\\d+),(\\d+) as a popup"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            said += host.readAllStandardError();
            return (placed.match(QString::fromUtf8(said)).hasMatch() && said.contains("has the keyboard"))
                || host.state() == QProcess::NotRunning;
        },
        20000))
        << said.constData();
    const QRegularExpressionMatch at = placed.match(QString::fromUtf8(said));
    ASSERT_TRUE(at.hasMatch()) << said.constData();
    EXPECT_EQ(at.captured(1).toInt(), 321);
    EXPECT_EQ(at.captured(2).toInt(), 234);

    // The menu is open over a layer surface, which is no window of sway's tree: the file
    // manager's window is still in view, and there is no full-screen window.
    EXPECT_TRUE(said.contains("the pointer surface is a layer surface")) << said.constData();
    const QHash<QString, QJsonObject> views = swayViews();
    EXPECT_FALSE(views.contains(QStringLiteral("tarsel-finder")));
    EXPECT_TRUE(views.value(QStringLiteral("tarsel-test-files")).value(QStringLiteral("visible")).toBool());
    for (const QJsonObject& view : views) {
        EXPECT_EQ(view.value(QStringLiteral("fullscreen_mode")).toInt(), 0)
            << view.value(QStringLiteral("app_id")).toString().toStdString();
    }

    // Copy Path, the one entry, chosen with the keyboard. wtype brings a keyboard of its own, and
    // keys it types before the compositor has handed its key map over are lost: Return comes twice,
    // the first one selects the entry if Down was lost, the second one runs it.
    runTool(QStringLiteral("wtype"),
            { QStringLiteral("-k"), QStringLiteral("Down"), QStringLiteral("-s"), QStringLiteral("300"),
              QStringLiteral("-k"), QStringLiteral("Return"), QStringLiteral("-s"), QStringLiteral("300"),
              QStringLiteral("-k"), QStringLiteral("Return") });
    ASSERT_TRUE(host.waitForFinished(20000)) << "the menu is still open";
    EXPECT_EQ(host.exitCode(), 0) << host.readAllStandardError().constData();
    EXPECT_EQ(runTool(QStringLiteral("wl-paste"), { QStringLiteral("--no-newline") }), file.toStdString());
    pointer.closeWriteChannel();
    pointer.waitForFinished();
}
