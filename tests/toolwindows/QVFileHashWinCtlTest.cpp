// The file hash window: whether several files agree, and the window itself driven through its
// real widgets on the offscreen platform.

#include "toolwindows/filehash/QVFileHashWinCtl.h"

#include "platform/Pasteboard.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace tarsel::test;
using Kind = qv::FileDigestKind;

namespace {

struct AgreeCase
{
    const char* name;
    QList<const char*> files; ///< contents; null for a file that is not there
    bool equal;
};

QVHashTable::Ticks allTicked()
{
    QVHashTable::Ticks ticks;
    ticks.fill(true);
    return ticks;
}

QStringList makeFiles(const QList<const char*>& contents)
{
    QStringList paths;
    for (qsizetype i = 0; i < contents.size(); ++i) {
        const QString path = testHome() + QStringLiteral("/hash/%1.bin").arg(i);
        if (contents.at(i) != nullptr) {
            writeFile(path, contents.at(i));
        }
        paths << path;
    }
    return paths;
}

using QVHashTableTest = testing::TestWithParam<AgreeCase>;

} // namespace

TEST_P(QVHashTableTest, FilesAgreeOnlyWhenEveryTickedDigestIsThereAndTheSame)
{
    const AgreeCase& c = GetParam();
    const QVHashTable table = QVHashTable::compute(makeFiles(c.files), allTicked());
    EXPECT_EQ(table.equal, c.equal);
    ASSERT_EQ(table.rows.size(), c.files.size());
    // MD5, SHA1, SHA256, SHA512 and CRC-32 in decimal and hexadecimal.
    EXPECT_EQ(table.rows.first().children.size(), 6);
}

// A missing digest used to be skipped when it came first (the next file became the reference)
// and to count as different only when it came later: the answer depended on the order. A file
// that gives no digest can never be said to agree.
INSTANTIATE_TEST_SUITE_P(Agreement, QVHashTableTest,
                         testing::Values(AgreeCase { "SameContents", { "abc", "abc", "abc" }, true },
                                         AgreeCase { "OneDiffers", { "abc", "abc", "abd" }, false },
                                         AgreeCase { "MissingFirst", { nullptr, "abc", "abc" }, false },
                                         AgreeCase { "MissingLast", { "abc", "abc", nullptr }, false },
                                         AgreeCase { "BothMissing", { nullptr, nullptr }, false },
                                         AgreeCase { "OneFileAlone", { "abc" }, true }),
                         caseName<AgreeCase>);

TEST(QVFileHashWinCtlTest, ComparesSeveralFilesCopiesADigestAndFollowsTheTicks)
{
    platform::Pasteboard::useMemoryBoard(true);
    const QStringList paths = makeFiles({ "123456789", "123456789", "other" });
    QDir().mkpath(testHome() + QStringLiteral("/hash/folder"));
    QList<QUrl> urls;
    for (const QString& p : paths + QStringList { testHome() + QStringLiteral("/hash/folder") }) {
        urls << QUrl::fromLocalFile(p);
    }
    QVFileHashWinCtl ctl;
    QList<int> sounds;
    ctl.setSoundPlayer([&](int type) { sounds << type; });
    QSignalSpy refreshed(&ctl, &QVFileHashWinCtl::refreshed);
    for (int kind = 0; kind < qv::kFileDigestKindCount; ++kind) {
        ctl.checkBox(Kind(kind))->setChecked(kind == int(Kind::MD5) || kind == int(Kind::CRC32));
    }
    ctl.openWithURLs(urls);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ctl.tipLabel()->text().contains(QStringLiteral("different")); }, 10000));

    QTreeWidget* outline = ctl.outlineView();
    ASSERT_EQ(outline->topLevelItemCount(), 3); // the folder is left out
    EXPECT_EQ(outline->topLevelItem(0)->text(0), QStringLiteral("0.bin"));
    QTreeWidgetItem* crcHex = outline->topLevelItem(0)->child(2);
    EXPECT_EQ(crcHex->text(0), QStringLiteral("CRC32 (Hexadecimal): cbf43926"));
    EXPECT_TRUE(crcHex->isExpanded() || outline->topLevelItem(0)->isExpanded());

    // Clicking a digest copies it; clicking a file row does nothing.
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualItemRect(crcHex).center());
    EXPECT_EQ(platform::Pasteboard::general().string(), QStringLiteral("cbf43926"));
    EXPECT_EQ(sounds, QList<int>({ 3 }));
    EXPECT_EQ(ctl.tipLabel()->text(), QStringLiteral("Copied."));
    outline->setCurrentItem(outline->topLevelItem(1));
    EXPECT_EQ(sounds.size(), 1);

    // Unticking MD5 leaves CRC-32 only, shown afresh.
    const int before = refreshed.size();
    QTest::mouseClick(ctl.checkBox(Kind::MD5), Qt::LeftButton);
    ASSERT_TRUE(refreshed.wait(10000) || refreshed.size() > before);
    EXPECT_EQ(ctl.tableData().first().children.size(), 2);
    platform::Pasteboard::useMemoryBoard(false);
}
