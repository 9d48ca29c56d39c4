// The pasteboard in a Wayland session: a copy reaches the compositor's clipboard even when this
// process has no keyboard focus (wl-copy holds it), and a command that clears the board and then
// copies nothing leaves the user's earlier clipboard in place. A clear used to empty it.

#include "platform/Pasteboard.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

std::string runTool(const QString& program, const QStringList& args, const QByteArray& input = {})
{
    QProcess process;
    process.start(program, args);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
    }
    return process.readAllStandardOutput().toStdString();
}

std::string pasted()
{
    return runTool(QStringLiteral("wl-paste"), { QStringLiteral("--no-newline") });
}

struct ClipboardCleanup
{
    ClipboardCleanup() = default;
    ~ClipboardCleanup() { runTool(QStringLiteral("wl-copy"), { QStringLiteral("--clear") }); }
    Q_DISABLE_COPY_MOVE(ClipboardCleanup)
};

} // namespace

TEST(PasteboardWaylandTest, CopyingNothingKeepsTheEarlierClipboard)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) << "run inside scripts/wayland-run";
    const ClipboardCleanup cleanup;
    runTool(QStringLiteral("wl-copy"), {}, "the user's earlier text");
    platform::Pasteboard& board = platform::Pasteboard::general();

    board.clear();
    EXPECT_TRUE(board.setString(QString()));
    EXPECT_EQ(pasted(), "the user's earlier text");

    board.clear();
    EXPECT_TRUE(board.setString(QStringLiteral("copied: ä")));
    EXPECT_EQ(pasted(), "copied: ä");
}
