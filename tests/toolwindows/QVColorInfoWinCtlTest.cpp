#include "toolwindows/colorinfo/QVColorInfoWinCtl.h"

#include "engine/model/QVMenuManager.h"
#include "platform/Defaults.h"
#include "platform/Pasteboard.h"
#include "toolwindows/colorinfo/QVColorFormatTemplate.h"
#include "toolwindows/colorinfo/QVSetColorFormatWinCtl.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Real widgets offscreen; the pasteboard is in memory and sounds are recorded.
class QVColorInfoWinCtlTest : public testing::Test
{
protected:
    void SetUp() override
    {
        platform::Pasteboard::useMemoryBoard(true);
        platform::Pasteboard::general().clear();
        shared().remove(QStringLiteral("pref check6"));
        shared().remove(QVColorFormatTemplate::kFormat1Key);
        shared().remove(QVColorFormatTemplate::kFormat2Key);
        m_ctl.setSoundPlayer([this](int type) { m_sounds << type; });
    }
    void TearDown() override { platform::Pasteboard::useMemoryBoard(false); }
    static platform::Defaults& shared() { return QVMenuManager::sharedDefaults(); }
    QStringList texts() const
    {
        QStringList all;
        for (int i = 1; i <= 4; ++i) {
            all << m_ctl.input(i)->text();
        }
        return all;
    }

    QVColorInfoWinCtl m_ctl;
    QList<int> m_sounds;
};

} // namespace

TEST_F(QVColorInfoWinCtlTest, OpensOnTheColourWithEveryText)
{
    m_ctl.openWithColor(QColor::fromRgbF(1.0f, 0.5f, 0.0f));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_ctl.window()));
    EXPECT_EQ(m_ctl.window()->windowTitle(), QStringLiteral("Color Picker"));
    EXPECT_EQ(texts(),
              QStringList({ QStringLiteral("FF7F00"), QStringLiteral("255,127,0"),
                            QStringLiteral("UIColor(red: 255/255.0, green: 127/255.0, blue: 0/255.0, alpha: 1.0)"),
                            QStringLiteral("Color.rgb(255, 127, 0)") }));
    EXPECT_EQ(m_ctl.format1Label()->text(), QStringLiteral("Custom 1："));
    EXPECT_EQ(m_ctl.format2Label()->text(), QStringLiteral("Custom 2："));
    EXPECT_EQ(m_ctl.copyButton(3)->text(), QStringLiteral("Copy"));
    EXPECT_FALSE(m_ctl.btn1Check()->isChecked());
    // The panel is embedded in the window, not a window of its own.
    EXPECT_FALSE(m_ctl.colorPanel()->isWindow());
    EXPECT_EQ(m_ctl.colorPanel()->window(), m_ctl.window());
}

TEST_F(QVColorInfoWinCtlTest, NoColourOpensNothing)
{
    m_ctl.openWithColor(QColor());
    EXPECT_FALSE(m_ctl.window()->isVisible());
}

TEST_F(QVColorInfoWinCtlTest, HashSwitchIsStoredAndFollowedByHexAndTemplates)
{
    ASSERT_TRUE(QVColorFormatTemplate::setStoredTemplate(2, QStringLiteral("hex $H")));
    m_ctl.openWithColor(QColor(0x12, 0xAB, 0xEF));
    EXPECT_EQ(m_ctl.input(4)->text(), QStringLiteral("hex 12ABEF"));
    m_ctl.btn1Check()->click();
    EXPECT_TRUE(shared().boolValue(QStringLiteral("pref check6")));
    EXPECT_EQ(m_ctl.input(1)->text(), QStringLiteral("#12ABEF"));
    EXPECT_EQ(m_ctl.input(4)->text(), QStringLiteral("hex #12ABEF"));
    // A window opened later reads the switch.
    QVColorInfoWinCtl other;
    other.openWithColor(Qt::white);
    EXPECT_TRUE(other.btn1Check()->isChecked());
    EXPECT_EQ(other.input(1)->text(), QStringLiteral("#FFFFFF"));
}

TEST_F(QVColorInfoWinCtlTest, EditedHexBecomesTheColourAndBlankLeavesIt)
{
    m_ctl.openWithColor(Qt::black);
    for (const char* typed : { "#3366cc", "3366CC" }) {
        // A colour chosen in the panel is shown at once.
        m_ctl.colorPanel()->setCurrentColor(Qt::black);
        EXPECT_EQ(m_ctl.input(2)->text(), QStringLiteral("0,0,0"));
        m_ctl.input(1)->setText(QString::fromLatin1(typed));
        m_ctl.onHexColorChange();
        EXPECT_EQ(m_ctl.colorPanel()->currentColor(), QColor(0x33, 0x66, 0xCC)) << typed;
        EXPECT_EQ(m_ctl.input(2)->text(), QStringLiteral("51,102,204")) << typed;
    }
    for (const char* typed : { "", "   " }) {
        m_ctl.input(1)->setText(QString::fromLatin1(typed));
        m_ctl.onHexColorChange();
        EXPECT_EQ(m_ctl.color(), QColor(0x33, 0x66, 0xCC)) << '"' << typed << '"';
    }
}

TEST_F(QVColorInfoWinCtlTest, EachCopyButtonCopiesItsTextPlaysTheCopySoundAndCloses)
{
    ASSERT_TRUE(QVColorFormatTemplate::setStoredTemplate(1, QStringLiteral("  padded $R  ")));
    const QStringList expected { QStringLiteral("0A141E"), QStringLiteral("10,20,30"), QStringLiteral("padded 10"),
                                 QStringLiteral("Color.rgb(10, 20, 30)") };
    for (int number = 1; number <= 4; ++number) {
        m_ctl.openWithColor(QColor(10, 20, 30));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_ctl.window()));
        QSignalSpy closed(&m_ctl, &QVColorInfoWinCtl::closed);
        QTest::mouseClick(m_ctl.copyButton(number), Qt::LeftButton);
        EXPECT_EQ(platform::Pasteboard::general().string(), expected.at(number - 1)) << number;
        EXPECT_FALSE(m_ctl.window()->isVisible());
        EXPECT_EQ(closed.count(), 1);
    }
    EXPECT_EQ(m_sounds, QList<int>({ 3, 3, 3, 3 }));
}

TEST_F(QVColorInfoWinCtlTest, TemplateSheetStoresAndRefreshesAndEmptyReadsAsDefault)
{
    m_ctl.openWithColor(QColor(1, 2, 3));
    QTest::mouseClick(m_ctl.setFormatButton(2), Qt::LeftButton);
    QVSetColorFormatWinCtl* sheet = m_ctl.setFormatWinCtl();
    ASSERT_TRUE(sheet->window()->isVisible());
    EXPECT_EQ(sheet->formatIndex(), 2);
    EXPECT_EQ(sheet->colorFormatLabel()->text(), QStringLiteral("Please enter the color code for Custom 2:"));
    EXPECT_EQ(sheet->colorFormatInput()->text(), QVColorFormatTemplate::kDefaultFormat2);
    EXPECT_EQ(sheet->okBtn()->text(), QStringLiteral("OK"));

    sheet->colorFormatInput()->setText(QStringLiteral("#$R-$G-$B"));
    QTest::mouseClick(sheet->okBtn(), Qt::LeftButton);
    EXPECT_FALSE(sheet->window()->isVisible());
    EXPECT_EQ(m_ctl.input(4)->text(), QStringLiteral("#1-2-3"));

    // Cancel keeps what is stored.
    m_ctl.onSetFormat(1);
    sheet->colorFormatInput()->setText(QStringLiteral("never stored"));
    QTest::mouseClick(sheet->cancelBtn(), Qt::LeftButton);
    EXPECT_EQ(QVColorFormatTemplate::storedTemplate(1), QVColorFormatTemplate::kDefaultFormat1);

    m_ctl.onSetFormat(2);
    EXPECT_EQ(sheet->colorFormatInput()->text(), QStringLiteral("#$R-$G-$B"));
    sheet->colorFormatInput()->clear();
    sheet->onSure();
    EXPECT_EQ(m_ctl.input(4)->text(), QStringLiteral("Color.rgb(1, 2, 3)"));
}
