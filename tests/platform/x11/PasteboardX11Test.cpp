#include "platform/Pasteboard.h"

#include "testsupport/TestEnvironment.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>

using platform::Pasteboard;

namespace {

// Starts a registered child without waiting, so this process's event loop can serve the
// X selection while the child reads it (a blocking wait would leave the child hanging).
class Child
{
public:
    explicit Child(const QString& name)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TARSEL_TEST_CHILD"), name);
        m_process.setProcessEnvironment(env);
        m_process.start(tarsel::test::testBinary(), {});
    }
    ~Child()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool waitForLine(QByteArray* line)
    {
        const bool got = QTest::qWaitFor([this] { return m_process.canReadLine(); }, 30000);
        *line = m_process.readLine();
        return got;
    }
    bool waitForEnd()
    {
        return QTest::qWaitFor([this] { return m_process.state() == QProcess::NotRunning; }, 30000);
    }
    QByteArray output() { return m_process.readAllStandardOutput(); }

private:
    QProcess m_process;
};

} // namespace

TARSEL_TEST_CHILD(x11ReadBoard)
{
    Pasteboard& board = Pasteboard::general();
    std::printf("text=[%s] paths=[%s]\n", board.string().toUtf8().constData(),
                board.filePaths().join(QLatin1Char('|')).toUtf8().constData());
    return 0;
}

TARSEL_TEST_CHILD(x11WriteBoard)
{
    if (!Pasteboard::general().setFilePaths({ QStringLiteral("/srv/from child/ä.txt") })) {
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec(); // serves the selection until killed
}

TEST(PasteboardX11Test, AnotherProgramReadsWhatWeCopied)
{
    Pasteboard::useMemoryBoard(false);
    ASSERT_TRUE(Pasteboard::general().setFilePaths({ QStringLiteral("/tmp/a b.txt"), QStringLiteral("/tmp/c#1") }));
    Child reader(QStringLiteral("x11ReadBoard"));
    ASSERT_TRUE(reader.waitForEnd());
    EXPECT_EQ(reader.output(), QByteArray("text=[/tmp/a b.txt\n/tmp/c#1] paths=[/tmp/a b.txt|/tmp/c#1]\n"));

    ASSERT_TRUE(Pasteboard::general().setString(QStringLiteral("grün")));
    Child again(QStringLiteral("x11ReadBoard"));
    ASSERT_TRUE(again.waitForEnd());
    EXPECT_EQ(again.output(), QStringLiteral("text=[grün] paths=[]\n").toUtf8());
}

TEST(PasteboardX11Test, WeReadWhatAnotherProgramCopied)
{
    Pasteboard::useMemoryBoard(false);
    Child writer(QStringLiteral("x11WriteBoard"));
    QByteArray line;
    ASSERT_TRUE(writer.waitForLine(&line));
    ASSERT_EQ(line, QByteArray("ready\n"));
    EXPECT_EQ(Pasteboard::general().filePaths(), QStringList({ QStringLiteral("/srv/from child/ä.txt") }));
    EXPECT_EQ(Pasteboard::general().string(), QStringLiteral("/srv/from child/ä.txt"));
}

TARSEL_TEST_CHILD(x11CopyAndEnd)
{
    return Pasteboard::general().setFilePaths({ QStringLiteral("/srv/gone/ä b.txt") }) ? 0 : 1;
}

// An X selection lives only as long as its owner: what a program copied used to be gone once the
// program ended. The holder keeps it, with every format, until the board is cleared, also by a
// program that read the board before the holder came (whose last event is then older than the
// holder's ownership).
TEST(PasteboardX11Test, WhatAnEndedProgramCopiedStaysUntilCleared)
{
    const QString holderDir = QFileInfo(QStringLiteral(TARSEL_CLIPBOARD_PROGRAM)).path();
    tarsel::test::ScopedEnvironment env;
    env.set("PATH", QFile::encodeName(holderDir) + ':' + qgetenv("PATH"));
    Pasteboard::useMemoryBoard(false);
    {
        Child writer(QStringLiteral("x11WriteBoard"));
        QByteArray line;
        ASSERT_TRUE(writer.waitForLine(&line));
        ASSERT_FALSE(Pasteboard::general().filePaths().isEmpty());
    }
    const tarsel::test::ChildResult child = tarsel::test::runChild(QStringLiteral("x11CopyAndEnd"));
    ASSERT_EQ(child.exitCode, 0) << child.err.constData();

    Pasteboard& board = Pasteboard::general();
    const QStringList expected { QStringLiteral("/srv/gone/ä b.txt") };
    EXPECT_TRUE(QTest::qWaitFor([&] { return board.filePaths() == expected; }, 10000))
        << board.filePaths().join(' ').toStdString();
    EXPECT_EQ(board.string(), expected.first());

    board.clear();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !board.hasString(); }, 10000));
}

TARSEL_TEST_CHILD(x11WriteText)
{
    if (!Pasteboard::general().setString(QStringLiteral("'/srv/a b.txt' /srv/c"))) {
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec(); // serves the selection until killed
}

// Another program's copy read in one go (the right-click hook's read): the addresses with the
// text, or the text alone when it copied no addresses; our own copy the same.
TEST(PasteboardX11Test, FilesAndTextOfACopyAreReadInOneGo)
{
    Pasteboard::useMemoryBoard(false);
    Pasteboard& board = Pasteboard::general();
    {
        Child writer(QStringLiteral("x11WriteBoard"));
        QByteArray line;
        ASSERT_TRUE(writer.waitForLine(&line));
        ASSERT_EQ(line, QByteArray("ready\n"));
        const Pasteboard::FilesAndText copied = board.filesAndText();
        EXPECT_EQ(copied.paths, QStringList({ QStringLiteral("/srv/from child/ä.txt") }));
        EXPECT_EQ(copied.text, QStringLiteral("/srv/from child/ä.txt"));
    }
    {
        Child writer(QStringLiteral("x11WriteText"));
        QByteArray line;
        ASSERT_TRUE(writer.waitForLine(&line));
        ASSERT_EQ(line, QByteArray("ready\n"));
        const Pasteboard::FilesAndText copied = board.filesAndText();
        EXPECT_EQ(copied.paths, QStringList());
        EXPECT_EQ(copied.text, QStringLiteral("'/srv/a b.txt' /srv/c"));
    }
    ASSERT_TRUE(board.setString(QStringLiteral("ours")));
    EXPECT_EQ(board.filesAndText().text, QStringLiteral("ours"));
}
