// The colour picker on a real X server: the magnifier reads the screen, follows the pointer
// moved through XTest and picks on a click; the colour window copies to the real clipboard.

#include "engine/model/QVMenuManager.h"
#include "foundation/QVColorPickerHook.h"
#include "platform/Defaults.h"
#include "platform/Pasteboard.h"
#include "testsupport/TestNames.h"
#include "testsupport/X11Input.h"
#include "toolwindows/colorinfo/QVColorFormatTemplate.h"
#include "toolwindows/colorinfo/QVColorInfoWinCtl.h"
#include "toolwindows/colorpicker/QVColorPanel.h"
#include "toolwindows/colorpicker/QVColorPickerWindow.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

// A window of known pixels at a fixed place: four stripes 50 pixels wide, and one single pixel
// of its own colour inside the third stripe.
class KnownPixels final : public QWidget
{
public:
    static inline const QRect kGeometry { 100, 100, 200, 100 };
    static inline const QColor kStripes[4]
        = { QColor(255, 0, 0), QColor(0, 128, 255), QColor(18, 52, 86), QColor(127, 127, 127) };
    static constexpr QPoint kDot { 225, 150 };
    static inline const QColor kDotColor { 250, 1, 128 };

    KnownPixels()
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint)
    {
        setGeometry(kGeometry);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        for (int i = 0; i < 4; ++i) {
            painter.fillRect(i * 50, 0, 50, 100, kStripes[i]);
        }
        painter.fillRect(QRect(kDot - kGeometry.topLeft(), QSize(1, 1)), kDotColor);
    }
};

struct PickCase
{
    const char* name;
    QPoint point;
    QColor expected;
    bool hash;
    int copyButton; ///< 1 HEX, 2 R,G,B, 3 and 4 the templates
};

class ColorPickerX11Test : public testing::TestWithParam<PickCase>
{
protected:
    void SetUp() override
    {
        platform::Pasteboard::useMemoryBoard(false);
        platform::Defaults::standard().setValue(QVColorPanel::kScreenRecordTip, true);
        QVMenuManager::sharedDefaults().setValue(QVColorFormatTemplate::kFormat1Key, QStringLiteral("$H|$R|$G|$B"));
        QVMenuManager::sharedDefaults().remove(QVColorFormatTemplate::kFormat2Key);
        m_panel.installAsColorPickerStarter();
        m_pixels.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_pixels));
        QTest::qWait(50);
    }

    // The pick as a user makes it: the pointer is somewhere, the picker starts, the hand moves
    // the magnifier over the point and clicks.
    void pickAt(const QPoint& point)
    {
        ASSERT_TRUE(x11MovePointer(point + QPoint(30, -20)));
        ASSERT_TRUE(qv::startColorPicker());
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_panel.colorPickerWin()->isPicking(); }));
        QVColorPickerWindow* magnifier = m_panel.colorPickerWin();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(magnifier));
        for (const QPoint step : { QPoint(10, -5), QPoint(3, 2), QPoint(0, 0) }) {
            ASSERT_TRUE(x11MovePointer(point + step));
            ASSERT_TRUE(QTest::qWaitFor([&] { return magnifier->pos() + QPoint(40, 40) == point + step; }));
        }
        ASSERT_TRUE(x11Click(point));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !magnifier->isPicking(); }));
    }

    static QString clipboardText()
    {
        QProcess xclip;
        xclip.start(QStringLiteral("xclip"),
                    { QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard") });
        // This process may own the selection: its event loop answers while xclip reads.
        if (!QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, 10000)) {
            xclip.kill();
            xclip.waitForFinished();
            return QStringLiteral("<xclip did not end>");
        }
        return QString::fromUtf8(xclip.readAllStandardOutput());
    }

    KnownPixels m_pixels;
    QVColorPanel m_panel;
};

} // namespace

TEST_P(ColorPickerX11Test, PickedColourInEveryFormatAndCopiedToTheClipboard)
{
    const PickCase& c = GetParam();
    QVMenuManager::sharedDefaults().setValue(QStringLiteral("pref check6"), c.hash);
    pickAt(c.point);
    if (HasFatalFailure()) {
        return;
    }
    QVColorInfoWinCtl* info = m_panel.colorInfoWinCtl();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(info->window()));
    const QColor& e = c.expected;
    const QString hex = QStringLiteral("%1%2").arg(c.hash ? QStringLiteral("#") : QString(), e.name().mid(1).toUpper());
    const QString rgb = QStringLiteral("%1,%2,%3").arg(e.red()).arg(e.green()).arg(e.blue());
    const QStringList expected { hex, rgb,
                                 QStringLiteral("%1|%2|%3|%4").arg(hex).arg(e.red()).arg(e.green()).arg(e.blue()),
                                 QStringLiteral("Color.rgb(%1, %2, %3)").arg(e.red()).arg(e.green()).arg(e.blue()) };
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(info->input(i)->text(), expected.at(i - 1)) << i;
    }
    EXPECT_EQ(info->btn1Check()->isChecked(), c.hash);

    // The user clicks Copy; the window closes and the text stays on the clipboard.
    QPushButton* copy = info->copyButton(c.copyButton);
    QTest::qWait(50);
    ASSERT_TRUE(x11Click(copy->mapToGlobal(copy->rect().center())));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !info->window()->isVisible(); }));
    EXPECT_EQ(clipboardText(), expected.at(c.copyButton - 1));
}

INSTANTIATE_TEST_SUITE_P(
    KnownPixels, ColorPickerX11Test,
    testing::Values(PickCase { "red_stripe_hex", { 110, 110 }, QColor(255, 0, 0), false, 1 },
                    PickCase { "blue_stripe_rgb", { 199, 199 }, QColor(0, 128, 255), true, 2 },
                    PickCase { "single_pixel_template1", KnownPixels::kDot, KnownPixels::kDotColor, true, 3 },
                    PickCase { "pixel_beside_it_template2", KnownPixels::kDot + QPoint(1, 0), QColor(18, 52, 86), false,
                               4 },
                    PickCase { "grey_stripe_edge", { 299, 100 }, QColor(127, 127, 127), false, 1 }),
    caseName<PickCase>);

TEST(ColorPickerEscapeX11Test, EscapeEndsThePickWithoutAColour)
{
    platform::Defaults::standard().setValue(QVColorPanel::kScreenRecordTip, true);
    QVColorPanel panel;
    QList<QColor> picked;
    ASSERT_TRUE(x11MovePointer(QPoint(400, 300)));
    panel.startColorPicker([&](const QColor& color) { picked << color; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.colorPickerWin()->isPicking(); }));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.colorPickerWin()));
    // The magnifier holds the keyboard: the key reaches it wherever the focus was.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        x11Key("Escape", true);
        x11Key("Escape", false);
        return !panel.colorPickerWin()->isPicking();
    }));
    QTest::qWait(50);
    EXPECT_TRUE(picked.isEmpty());
    EXPECT_FALSE(panel.colorInfoWinCtl()->window()->isVisible());
}
