// Text files to UTF-8 on real files: the copy beside the original, and what is never written.

#include "engine/service/textconvert/QVTextCommands.h"

#include "CommandTestSupport.h"
#include "engine/service/QVActionTable.h"

#include "testsupport/TestNames.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

struct TextCase
{
    const char* name;
    QByteArray contents;
    QByteArray utf8; ///< the copy's bytes; empty: no copy is written
};

class QVTextCommandsTest : public CommandTest, public testing::WithParamInterface<TextCase>
{
};

using QVTextCommandsCopyTest = CommandTest;

} // namespace

TEST_P(QVTextCommandsTest, WritesAUtf8CopyOrNothing)
{
    const TextCase& c = GetParam();
    const QString path = file(QStringLiteral("notes.txt"), c.contents);
    const QVTextCommands::Conversion done = QVTextCommands::convertFile(path);
    EXPECT_EQ(readFile(path), c.contents);
    if (c.utf8.isEmpty()) {
        EXPECT_TRUE(done.output.isNull());
        EXPECT_FALSE(done.error.isEmpty());
    } else {
        EXPECT_EQ(done.output, m_dir + QStringLiteral("/notes-utf8.txt"));
        EXPECT_EQ(readFile(done.output), c.utf8);
    }
    // Nothing but the original and the copy: no temporary file is left behind.
    EXPECT_EQ(QDir(m_dir).entryList(QDir::Files | QDir::Hidden).size(), c.utf8.isEmpty() ? 1 : 2);
}

// The last two once produced a copy anyway: ASCII for 2048 bytes and GBK after them was
// written half decoded, and bytes nothing could name were read as UTF-8 with replacement
// marks. A copy that does not hold the text is worse than none.
INSTANTIATE_TEST_SUITE_P(
    Texts, QVTextCommandsTest,
    testing::Values(TextCase { "Gbk",
                               QByteArray("\xd6\xd0\xce\xc4\xce\xc4\xb1\xbe\xa3\xac\xd5\xe2\xca\xc7\xd2\xbb"
                                          "\xb8\xf6\xb2\xe2\xca\xd4\xa1\xa3"),
                               QByteArray("中文文本，这是一个测试。") },
                    TextCase { "AlreadyUtf8", QByteArray("caf\xc3\xa9 na\xc3\xafve"), QByteArray("café naïve") },
                    TextCase { "UndecodableAfterTheGuess", QByteArray(3000, 'a') + QByteArray("\xd6\xd0\xce\xc4"), {} },
                    TextCase { "NoGuessAndNotUtf8", QByteArray("\xff\xfe\x00\xd8\xff\xdb\x81\x8d", 8), {} }),
    caseName<TextCase>);

TEST_F(QVTextCommandsCopyTest, AnExistingCopyIsNeverReplaced)
{
    const QString path = file(QStringLiteral("notes.txt"), "plain");
    file(QStringLiteral("notes-utf8.txt"), "kept");
    EXPECT_EQ(QVTextCommands::convertFile(path).output, m_dir + QStringLiteral("/notes-utf8-1.txt"));
    EXPECT_EQ(readFile(m_dir + QStringLiteral("/notes-utf8.txt")), "kept");
}

TEST_F(QVTextCommandsCopyTest, TheUtf8CandidateIsHandedToTheApplicationAndTheOthersAreNot)
{
    for (const char* key : { "UTF-8", "PNG" }) {
        auto top = item(QStringLiteral("Convert to"));
        auto child = item(QString::fromLatin1(key));
        child->setParent(top);
        top->setChildren({ child });
        const auto request = QVActionTable::request(top, { QStringLiteral("01") });
        ASSERT_TRUE(request);
        const QVActionRow* row = QVActionTable::rowFor(*request);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->has(QVActionRow::HandedToApp), QByteArray(key) == "UTF-8") << key;
    }
}

TEST_F(QVTextCommandsCopyTest, TheApplicationConvertsWhatItIsHandedOver)
{
    select({ file(QStringLiteral("latin.txt"), "d\xe9j\xe0 vu, caf\xe9, na\xefve, \xe9t\xe9, \xe0 bient\xf4t") });
    ASSERT_TRUE(m_service.runHandedOverCommand(QStringLiteral("Convert to")));
    EXPECT_EQ(readFile(m_dir + QStringLiteral("/latin-utf8.txt")), QByteArray("déjà vu, café, naïve, été, à bientôt"));
}
