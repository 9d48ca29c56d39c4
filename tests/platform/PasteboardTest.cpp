#include "platform/Pasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

using platform::Pasteboard;

namespace {

enum class Board { Memory, Clipboard };

// Every behaviour holds for the in-memory board and the real (offscreen) clipboard alike.
class PasteboardTest : public testing::TestWithParam<Board>
{
protected:
    void SetUp() override
    {
        Pasteboard::useMemoryBoard(GetParam() == Board::Memory);
        Pasteboard::general().clear();
    }
    void TearDown() override
    {
        Pasteboard::general().clear();
        Pasteboard::useMemoryBoard(false);
    }
};

const QStringList kOddPaths { QStringLiteral("/tmp/with space/a b.txt"), QStringLiteral("/tmp/grün/#1 50%.md"),
                              QStringLiteral("/tmp/quote'\"/x?y") };

} // namespace

TEST_P(PasteboardTest, HoldsPlainTextUntilCleared)
{
    Pasteboard& board = Pasteboard::general();
    EXPECT_FALSE(board.hasString());
    EXPECT_TRUE(board.string().isEmpty());

    ASSERT_TRUE(board.setString(QStringLiteral("Größe: 12 ✓\nline two")));
    EXPECT_TRUE(board.hasString());
    EXPECT_EQ(board.string(), QStringLiteral("Größe: 12 ✓\nline two"));
    EXPECT_TRUE(board.filePaths().isEmpty());

    board.clear();
    EXPECT_FALSE(board.hasString());
    EXPECT_TRUE(board.string().isEmpty());
}

TEST_P(PasteboardTest, FilePathsTravelAsAddressesAndAsText)
{
    Pasteboard& board = Pasteboard::general();
    ASSERT_TRUE(board.setFilePaths(kOddPaths));
    EXPECT_EQ(board.filePaths(), kOddPaths);
    EXPECT_EQ(board.string(), kOddPaths.join(QLatin1Char('\n')));

    // New text replaces the addresses rather than sitting beside stale ones.
    ASSERT_TRUE(board.setString(QStringLiteral("plain")));
    EXPECT_TRUE(board.filePaths().isEmpty());

    ASSERT_TRUE(board.setFilePaths({}));
    EXPECT_FALSE(board.hasString());
}

TEST_P(PasteboardTest, UsableFromAWorkerThread)
{
    QString readBack;
    QThread* worker = QThread::create([&readBack] {
        Pasteboard::general().setString(QStringLiteral("from worker"));
        readBack = Pasteboard::general().string();
    });
    worker->start();
    // The clipboard board hops to this thread, so keep its event loop turning.
    EXPECT_TRUE(QTest::qWaitFor([worker] { return worker->isFinished(); }, 20000));
    worker->wait();
    delete worker;
    EXPECT_EQ(readBack, QStringLiteral("from worker"));
    EXPECT_EQ(Pasteboard::general().string(), QStringLiteral("from worker"));
}

INSTANTIATE_TEST_SUITE_P(Boards, PasteboardTest, testing::Values(Board::Memory, Board::Clipboard),
                         [](const testing::TestParamInfo<Board>& info) {
                             return info.param == Board::Memory ? "Memory" : "Clipboard";
                         });

TEST(PasteboardClipboardTest, ReadsWhatOtherProgramsPutOnTheClipboard)
{
    Pasteboard::useMemoryBoard(false);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("typed elsewhere"));
    EXPECT_EQ(Pasteboard::general().string(), QStringLiteral("typed elsewhere"));

    auto* mime = new QMimeData;
    mime->setUrls({ QUrl::fromLocalFile(QStringLiteral("/srv/a file")), QUrl(QStringLiteral("https://example.org/x")),
                    QUrl::fromLocalFile(QStringLiteral("/srv/b")) });
    clipboard->setMimeData(mime);
    // Web addresses are no file paths.
    EXPECT_EQ(Pasteboard::general().filePaths(),
              QStringList({ QStringLiteral("/srv/a file"), QStringLiteral("/srv/b") }));
    clipboard->clear();
}

TEST(PasteboardClipboardTest, TheMemoryBoardKeepsTestsOffTheClipboard)
{
    Pasteboard::useMemoryBoard(false);
    QGuiApplication::clipboard()->setText(QStringLiteral("desktop text"));
    Pasteboard::useMemoryBoard(true);
    EXPECT_FALSE(Pasteboard::general().hasString());
    Pasteboard::general().setString(QStringLiteral("test text"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("desktop text"));

    // Removing and reinstalling gives an empty board again.
    Pasteboard::useMemoryBoard(false);
    EXPECT_EQ(Pasteboard::general().string(), QStringLiteral("desktop text"));
    Pasteboard::useMemoryBoard(true);
    EXPECT_FALSE(Pasteboard::general().hasString());
    Pasteboard::useMemoryBoard(false);
    QGuiApplication::clipboard()->clear();
}
