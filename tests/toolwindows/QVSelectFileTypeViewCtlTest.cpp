#include "toolwindows/filetype/QVSelectFileTypeViewCtl.h"

#include <QComboBox>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

QList<QVFileTypeEntry> templates()
{
    QVFileTypeEntry window { QStringLiteral("New File From Window"), QString(), QString(), QIcon(), false };
    QVFileTypeEntry txt { QStringLiteral("TXT"), QStringLiteral("Text"), QStringLiteral("txt"), QIcon(), true };
    QVFileTypeEntry make { QStringLiteral("Makefile"), QStringLiteral("Make"), QString(), QIcon(), true };
    return { window, txt, make };
}

} // namespace

TEST(QVSelectFileTypeViewCtlTest, EntriesKeepTheirListIndexAndThePresetKeyIsSelected)
{
    QVSelectFileTypeViewCtl ctl(templates());
    QList<int> chosen;
    ctl.setCurrentKey(QStringLiteral("Makefile"));
    ctl.setSelectHandler([&](int index) { chosen.append(index); });
    ctl.view();
    EXPECT_EQ(ctl.tipLabel()->text(), QStringLiteral("File Type:"));
    ASSERT_EQ(ctl.popUpButton()->count(), 2);
    EXPECT_EQ(ctl.popUpButton()->itemText(0), QStringLiteral("Text (.txt)"));
    EXPECT_EQ(ctl.popUpButton()->itemText(1), QStringLiteral("Make (.Makefile)"));
    EXPECT_EQ(ctl.popUpButton()->itemData(0).toInt(), 1);
    EXPECT_EQ(chosen, QList<int> { 2 });

    ctl.popUpButton()->setCurrentIndex(0);
    Q_EMIT ctl.popUpButton()->activated(0);
    EXPECT_EQ(chosen, QList<int>({ 2, 1 }));
    EXPECT_EQ(ctl.currentKey(), QStringLiteral("TXT"));
}

// Regression: the preset was the skipped "New File From Window" entry, so no entry matched,
// the pop-up was asked for a tag nothing carried and the handler learnt no template.
TEST(QVSelectFileTypeViewCtlTest, AKeyThatMatchesNoListedEntrySelectsTheFirstListedOne)
{
    QVSelectFileTypeViewCtl ctl(templates());
    int chosen = -2;
    ctl.setCurrentKey(QStringLiteral("New File From Window"));
    ctl.setSelectHandler([&](int index) { chosen = index; });
    ctl.view();
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(ctl.popUpButton()->currentIndex(), 0);
}

TEST(QVSelectFileTypeViewCtlTest, OnlySkippedEntriesGiveAnEmptyPopUpAndNoTemplate)
{
    QVSelectFileTypeViewCtl ctl({ templates().first() });
    int chosen = -2;
    ctl.setSelectHandler([&](int index) { chosen = index; });
    ctl.view();
    EXPECT_EQ(ctl.popUpButton()->count(), 0);
    EXPECT_EQ(chosen, -1);
    EXPECT_EQ(ctl.currentIndex(), -1);
}
