#include "toolwindows/colorpicker/QVColorPickerWindow.h"

#include "foundation/QVColorPickerHook.h"
#include "platform/Defaults.h"
#include "testsupport/ModalScript.h"
#include "toolwindows/colorinfo/QVColorInfoWinCtl.h"
#include "toolwindows/colorpicker/QVColorPanel.h"
#include "toolwindows/colorpicker/QVColorPickerView.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A screen of 40 by 30 pixels whose every pixel has its own colour: red x, green y, blue 7.
QImage numberedScreen()
{
    QImage screen(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            screen.setPixel(x, y, qRgb(x, y, 7));
        }
    }
    return screen;
}

class QVColorPickerWindowTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_window.setScreenGrabber([this](const QRect& rect, QString*) {
            m_asked << rect;
            return m_screen;
        });
        m_window.setCompleteHandler([this](const QColor& color) { m_picked << color; });
    }

    QImage m_screen = numberedScreen();
    QList<QRect> m_asked;
    QList<QColor> m_picked;
    QVColorPickerWindow m_window;
};

} // namespace

TEST_F(QVColorPickerWindowTest, SquareIsCentredOnThePixelAndBlackPastTheEdges)
{
    const QImage square = QVColorPickerWindow::squareAround(m_screen, QPoint(0, 0), QPoint(20, 15), 11);
    ASSERT_EQ(square.size(), QSize(11, 11));
    EXPECT_EQ(QVColorPickerWindow::centreColor(square), QColor(20, 15, 7));
    EXPECT_EQ(square.pixel(0, 0), qRgb(15, 10, 7));
    EXPECT_EQ(square.pixel(10, 10), qRgb(25, 20, 7));

    // At the top-left corner, with the screen's image starting at (100, 50) of the desktop.
    const QImage corner = QVColorPickerWindow::squareAround(m_screen, QPoint(100, 50), QPoint(100, 50), 11);
    EXPECT_EQ(QVColorPickerWindow::centreColor(corner), QColor(0, 0, 7));
    EXPECT_EQ(corner.pixel(4, 5), qRgb(0, 0, 0));
    EXPECT_EQ(corner.pixel(5, 4), qRgb(0, 0, 0));
    EXPECT_EQ(corner.pixel(6, 6), qRgb(1, 1, 7));
    const QImage outside = QVColorPickerWindow::squareAround(m_screen, QPoint(0, 0), QPoint(-50, 400), 11);
    EXPECT_EQ(outside.pixel(5, 5), qRgb(0, 0, 0));
}

TEST_F(QVColorPickerWindowTest, ClickPicksExactlyThePixelUnderThePointer)
{
    QSignalSpy ended(&m_window, &QVColorPickerWindow::pickEnded);
    m_window.startPicking();
    ASSERT_TRUE(m_window.isPicking());
    // The screen is read once, for the whole desktop.
    ASSERT_EQ(m_asked.size(), 1);
    m_window.pointerMoved(QPoint(3, 4));
    EXPECT_EQ(m_window.pos(), QPoint(3 - 40, 4 - 40)); // centred, not kept on the screen
    EXPECT_EQ(m_window.view()->imageRef().size(), QSize(11, 11));
    m_window.pointerMoved(QPoint(30, 20));
    EXPECT_EQ(m_asked.size(), 1);
    m_window.pointerPressed(QPoint(31, 22));
    EXPECT_EQ(m_picked, QList<QColor>({ QColor(31, 22, 7) }));
    EXPECT_FALSE(m_window.isPicking());
    EXPECT_FALSE(m_window.isVisible());
    EXPECT_EQ(ended.count(), 1);
    // Further clicks belong to no pick.
    m_window.pointerPressed(QPoint(1, 1));
    EXPECT_EQ(m_picked.size(), 1);
}

TEST_F(QVColorPickerWindowTest, WithoutAnImageAClickIsIgnoredAndEscapeEndsWithoutColour)
{
    m_screen = QImage();
    QSignalSpy ended(&m_window, &QVColorPickerWindow::pickEnded);
    m_window.startPicking();
    m_window.pointerMoved(QPoint(5, 5));
    m_window.pointerPressed(QPoint(5, 5));
    EXPECT_TRUE(m_picked.isEmpty());
    EXPECT_TRUE(m_window.isPicking());
    EXPECT_EQ(ended.count(), 0);

    QTest::keyClick(&m_window, Qt::Key_Escape);
    EXPECT_FALSE(m_window.isPicking());
    EXPECT_TRUE(m_picked.isEmpty());
    EXPECT_EQ(ended.count(), 1);

    // With an image, Escape still passes no colour on.
    m_screen = numberedScreen();
    m_window.startPicking();
    m_window.pointerMoved(QPoint(5, 5));
    QTest::keyClick(&m_window, Qt::Key_Escape);
    EXPECT_TRUE(m_picked.isEmpty());
    EXPECT_EQ(ended.count(), 2);
}

TEST(QVColorPanelTest, PickOpensTheColourWindowAndHoldsTheProcessWhileEitherIsOpen)
{
    platform::Defaults::standard().remove(QVColorPanel::kScreenRecordTip);
    int pending = 0;
    QVColorPanel panel({ {}, [&] { ++pending; }, [&] { --pending; } });
    panel.installAsColorPickerStarter();
    panel.colorPickerWin()->setScreenGrabber([](const QRect&, QString*) { return numberedScreen(); });
    QList<QColor> changed;
    tarsel::test::AlertScript alerts;

    // Through the engine's way in.
    ASSERT_TRUE(qv::startColorPicker());
    EXPECT_TRUE(panel.isPicking());
    EXPECT_EQ(pending, 1);
    // A second start while starting only replaces the handler.
    panel.startColorPicker([&](const QColor& c) { changed << c; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.colorPickerWin()->isPicking(); }));
    panel.colorPickerWin()->pointerPressed(QPoint(12, 9));
    EXPECT_EQ(changed, QList<QColor>({ QColor(12, 9, 7) }));
    QVColorInfoWinCtl* info = panel.colorInfoWinCtl();
    EXPECT_TRUE(info->window()->isVisible());
    EXPECT_EQ(info->input(2)->text(), QStringLiteral("12,9,7"));
    EXPECT_EQ(pending, 1); // the colour window's
    info->close();
    EXPECT_EQ(pending, 0);

    // The first use told the user about reading the screen, once and for good.
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_TRUE(platform::Defaults::standard().boolValue(QVColorPanel::kScreenRecordTip));
    panel.startColorPicker();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.colorPickerWin()->isPicking(); }));
    panel.colorPickerWin()->cancelPicking();
    EXPECT_EQ(alerts.shown().size(), 1);
    EXPECT_FALSE(info->window()->isVisible());
    EXPECT_EQ(pending, 0);
}

TEST(QVColorPanelTest, DestroyedPanelIsNoLongerTheStarter)
{
    {
        QVColorPanel panel;
        panel.installAsColorPickerStarter();
    }
    EXPECT_FALSE(qv::startColorPicker());
}
