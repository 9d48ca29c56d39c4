// The garbled-name window driven through its real widgets on the offscreen platform: rows from
// several folders, a choice made in a row's pop-up, and "One-click Recover".

#include "toolwindows/fixname/QVFixNameWinCtl.h"

#include "testsupport/TestEnvironment.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

QComboBox* popUpOf(QVFixNameWinCtl& ctl, int row)
{
    return qobject_cast<QComboBox*>(ctl.tableView()->cellWidget(row, 1));
}

} // namespace

// The rename once took the first row's folder for every row, moving files of other folders
// there, and a taken name was replaced. Now each file stays in its folder, a taken name is
// refused and the other file kept, and a proposal that names another folder is never offered.
TEST(QVFixNameWinCtlTest, RenamesEachFileInItsOwnFolderAndNeverOverATakenName)
{
    const QString a = testHome() + QStringLiteral("/fix/a");
    const QString b = testHome() + QStringLiteral("/fix/b");
    // A Shift_JIS name read as Latin-1: the first proposal (a GBK reading) is not the right one.
    const QString japanese = QStringLiteral("東京.txt");
    using Encoding = QVFixNameParser::Encoding;
    const QString garbled
        = *QVFixNameParser::decode(*QVFixNameParser::encode(japanese, Encoding::ShiftJIS), Encoding::Latin1);
    const QString gbk = writeFile(a + QLatin1Char('/') + garbled, "sjis");
    const QString spaced = writeFile(b + QStringLiteral("/a%20b.txt"), "spaced");
    const QString clash = writeFile(b + QStringLiteral("/x%41.txt"), "clash");
    const QString taken = writeFile(b + QStringLiteral("/xA.txt"), "taken");
    const QString escape = writeFile(b + QStringLiteral("/..%2Fout.txt"), "escape");

    QVFixNameWinCtl ctl;
    QList<int> sounds;
    int sure = 0;
    ctl.setSoundPlayer([&](int type) { sounds << type; });
    ctl.setSureBlock([&] { ++sure; });
    const auto url = [](const QString& p) { return QUrl::fromLocalFile(p); };
    ctl.openWithURLs({ url(gbk), url(spaced), url(clash) });
    ctl.openWithURLs({ url(escape), url(gbk) }); // a file given twice has one row
    ASSERT_EQ(ctl.tableView()->rowCount(), 4);
    EXPECT_TRUE(ctl.window()->isVisible());
    EXPECT_EQ(popUpOf(ctl, 3)->count(), 0);

    // Choose the Shift_JIS reading in the first row's pop-up with the keyboard, as a user would.
    QComboBox* first = popUpOf(ctl, 0);
    const int wanted = first->findText(japanese);
    ASSERT_GT(wanted, 0);
    for (int i = 0; i < wanted; ++i) {
        QTest::keyClick(first, Qt::Key_Down);
    }
    EXPECT_EQ(ctl.tableData().first().curDict, wanted);

    // Nothing is selected, so there is nothing to remove.
    EXPECT_FALSE(ctl.deleteBtn()->isEnabled());
    QTest::mouseClick(ctl.okBtn(), Qt::LeftButton);

    EXPECT_EQ(readFile(a + QLatin1Char('/') + japanese), "sjis");
    EXPECT_EQ(readFile(b + QStringLiteral("/a b.txt")), "spaced");
    EXPECT_FALSE(QFileInfo::exists(a + QStringLiteral("/a b.txt")));
    EXPECT_EQ(readFile(taken), "taken");
    EXPECT_EQ(readFile(clash), "clash");
    EXPECT_EQ(readFile(escape), "escape");
    EXPECT_FALSE(QFileInfo::exists(testHome() + QStringLiteral("/fix/out.txt")));
    EXPECT_TRUE(ctl.tableData().isEmpty());
    EXPECT_FALSE(ctl.window()->isVisible());
    EXPECT_EQ(sounds, QList<int>({ 5 }));
    EXPECT_EQ(sure, 1);
}

TEST(QVFixNameWinCtlTest, RemoveTakesTheSelectedRowAndClearTakesAll)
{
    const QString dir = testHome() + QStringLiteral("/fixrows");
    QVFixNameWinCtl ctl;
    ctl.openWithURLs({ QUrl::fromLocalFile(writeFile(dir + QStringLiteral("/one%20.txt"), "1")),
                       QUrl::fromLocalFile(writeFile(dir + QStringLiteral("/two%20.txt"), "2")) });
    ctl.tableView()->selectRow(0);
    ASSERT_TRUE(ctl.deleteBtn()->isEnabled());
    QTest::mouseClick(ctl.deleteBtn(), Qt::LeftButton);
    ASSERT_EQ(ctl.tableData().size(), 1);
    EXPECT_TRUE(ctl.tableData().first().path.endsWith(QStringLiteral("two%20.txt")));
    EXPECT_FALSE(ctl.deleteBtn()->isEnabled());
    QTest::mouseClick(ctl.clearBtn(), Qt::LeftButton);
    EXPECT_EQ(ctl.tableView()->rowCount(), 0);
}
