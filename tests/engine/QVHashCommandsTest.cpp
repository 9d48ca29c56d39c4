// "File Info" through the action table as the user picks it: one digest of the first file in an
// alert whose buttons copy it, or the file hash window on the whole selection.

#include "CommandTestSupport.h"
#include "engine/service/QVMenuService.h"
#include "foundation/FileToolWindows.h"
#include "platform/Bundle.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestNames.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

struct DigestCase
{
    const char* name;
    const char* child; ///< the pick under "File Info"
    const char* contents; ///< null: the file is not there
    const char* shown; ///< the alert's informative text; null: "Error Common Tip"
    int answer; ///< the button pressed
    const char* copied; ///< the pasteboard afterwards
};

QVMenuItemPtr fileInfoRecord()
{
    auto top = QVMenuItem::create();
    top->setKey(QStringLiteral("File Info"));
    QVMenuItemList children;
    for (const char* key : { "All Info", "MD5", "SHA1", "SHA256", "SHA512", "CRC32" }) {
        auto child = QVMenuItem::create();
        child->setKey(QString::fromLatin1(key));
        child->setParent(top);
        children << child;
    }
    top->setChildren(children);
    return top;
}

QString pickIndex(const char* child)
{
    const QStringList keys = { "All Info", "MD5", "SHA1", "SHA256", "SHA512", "CRC32" };
    return QStringLiteral("%1").arg(keys.indexOf(QString::fromLatin1(child)) + 1, 2, 10, QLatin1Char('0'));
}

class QVHashCommandsTest : public CommandTest, public testing::WithParamInterface<DigestCase>
{
};

using QVHashWindowCommandTest = CommandTest;

} // namespace

TEST_P(QVHashCommandsTest, OneDigestShowsInAnAlertThatCopiesIt)
{
    const DigestCase& c = GetParam();
    const QString path = c.contents != nullptr ? file(QStringLiteral("f.bin"), c.contents) : m_dir + "/gone.bin";
    select({ path, file(QStringLiteral("second.bin"), "ignored") });
    platform::Pasteboard::general().setString(QStringLiteral("before"));
    AlertScript script({ 1000 + c.answer });
    m_service.readyStart(fileInfoRecord(), { pickIndex(c.child) });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !script.shown().isEmpty(); }, 10000));
    const auto& shown = script.shown().first();
    EXPECT_EQ(shown.messageText, QString::fromLatin1(c.child));
    EXPECT_EQ(shown.informativeText,
              c.shown != nullptr ? QString::fromLatin1(c.shown)
                                 : platform::Bundle::localizedString("Error Common Tip"));
    EXPECT_EQ(platform::Pasteboard::general().string(), QString::fromLatin1(c.copied));
}

// A file that is not there once showed CRC-32 "0" / "00000000", the checksum of an empty file,
// and offered to copy it; now it says it went wrong and copies nothing, like the other digests.
INSTANTIATE_TEST_SUITE_P(
    Digests, QVHashCommandsTest,
    testing::Values(DigestCase { "Md5OfTheFirstFileOnly", "MD5", "abc", "900150983cd24fb0d6963f7d28e17f72", 0,
                                 "900150983cd24fb0d6963f7d28e17f72" },
                    DigestCase { "Sha256CancelCopiesNothing", "SHA256", "abc",
                                 "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", 1, "before" },
                    DigestCase { "CrcDecimalAndHex", "CRC32", "123456789", "Decimal: 3421780262\nHexadecimal: cbf43926",
                                 1, "cbf43926" },
                    DigestCase { "CrcOfAnEmptyFileIsZero", "CRC32", "", "Decimal: 0\nHexadecimal: 00000000", 0, "0" },
                    DigestCase { "CrcOfAMissingFileIsNoChecksum", "CRC32", nullptr, nullptr, 0, "before" },
                    DigestCase { "Sha512OfAMissingFileIsAnError", "SHA512", nullptr, nullptr, 0, "before" }),
    caseName<DigestCase>);

TEST_F(QVHashWindowCommandTest, AllInfoOpensTheWindowOnTheWholeSelectionAndAFolderNothing)
{
    QList<QList<QUrl>> opened;
    qv::setFileHashWindowOpener([&](const QList<QUrl>& urls, const std::function<void()>&) { opened << urls; });
    const QStringList files = { file(QStringLiteral("a.txt")), file(QStringLiteral("b.txt")) };
    select(files);
    m_service.readyStart(fileInfoRecord(), { QStringLiteral("01") });
    auto entry = fileInfoRecord();
    entry->setChildren({});
    m_service.readyStart(entry, {});
    select({ folder(QStringLiteral("dir")), files.first() });
    AlertScript script;
    m_service.readyStart(fileInfoRecord(), { QStringLiteral("02") });
    m_service.readyStart(fileInfoRecord(), { QStringLiteral("01") });
    qv::setFileHashWindowOpener({});

    const QList<QUrl> both = { QUrl::fromLocalFile(files.at(0)), QUrl::fromLocalFile(files.at(1)) };
    EXPECT_EQ(opened, QList<QList<QUrl>>({ both, both }));
    EXPECT_TRUE(script.shown().isEmpty());
}
