// What a tarsel-finder process copies in a Wayland session stays on the clipboard after the
// process has ended. It used to leave the clipboard empty, the user's earlier text included: a
// Wayland selection goes with the client that set it, and the host set it itself and exited.

#include "tests/engine/MenuStoreTestSupport.h"
#include "tests/host/HostRun.h"
#include "engine/model/QVMenuManager.h"
#include "platform/Bundle.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

QByteArray runTool(const QString& program, const QStringList& args, const QByteArray& input = {})
{
    QProcess process;
    process.start(program, args);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
    }
    return process.readAllStandardOutput();
}

QByteArray pasted()
{
    return runTool(QStringLiteral("wl-paste"), { QStringLiteral("--no-newline") });
}

// Clearing the selection ends the wl-copy that serves it, whatever the test's outcome.
struct ClipboardCleanup
{
    ClipboardCleanup() = default;
    ~ClipboardCleanup() { runTool(QStringLiteral("wl-copy"), { QStringLiteral("--clear") }); }
    Q_DISABLE_COPY_MOVE(ClipboardCleanup)
};

struct CopyCase
{
    const char* name;
    QString key;
    QString fileName;
    QByteArray expected; // empty: the file's path
};

class FinderHostWaylandClipboardTest : public testing::TestWithParam<CopyCase>
{
};

} // namespace

// The user's earlier text is on the clipboard; the host, a native Wayland client, runs the
// entry and ends; then the copied text is pasted.
TEST_P(FinderHostWaylandClipboardTest, ACopyOutlivesItsHost)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) << "run inside scripts/wayland-run";
    const CopyCase& copy = GetParam();
    storeList(QVMenuManager::kArrayRightMenu, { keyed(copy.key) });
    const ClipboardCleanup cleanup;
    runTool(QStringLiteral("wl-copy"), {}, "the user's earlier text");
    ASSERT_EQ(pasted().toStdString(), "the user's earlier text");

    const QString file = writeFile(testHome() + QStringLiteral("/files/") + copy.fileName, "contents");
    const int tag = tagInMenu(menuJson({ file }), { platform::Bundle::localizedString(copy.key) });
    ASSERT_GT(tag, 0);
    const HostRun pick = runHost({ QStringLiteral("pick"), QString::number(tag), file },
                                 { QStringLiteral("QT_QPA_PLATFORM=wayland") });
    ASSERT_EQ(pick.exitCode, 0) << pick.err.constData();

    EXPECT_EQ(QString::fromUtf8(pasted()).toStdString(),
              QString::fromUtf8(copy.expected.isEmpty() ? file.toUtf8() : copy.expected).toStdString())
        << pick.err.constData();
}

INSTANTIATE_TEST_SUITE_P(
    Copies, FinderHostWaylandClipboardTest,
    testing::Values(CopyCase { "CopyPath", QStringLiteral("Copy Path"), QStringLiteral("first file.txt"), {} },
                    CopyCase { "CopyName", QStringLiteral("Copy File(Folder) Name"),
                               QStringLiteral("zweite Datei ä.txt"), "zweite Datei ä.txt" }),
    caseName<CopyCase>);
