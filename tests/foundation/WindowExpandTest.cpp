#include "foundation/WindowExpand.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

using tarsel::test::runChild;
using tarsel::test::testHome;
using tarsel::test::writeFile;

namespace {

const QRect kScreen(0, 0, 1440, 900);

// A panel takes the top 30 pixels of the first screen; a second screen sits up and to the right
// of it; a third, left of the primary, has negative coordinates.
const QRect kAvailable(0, 30, 1440, 870);
const QRect kUpper(1440, -1000, 1000, 800);
const QRect kLeft(-1920, 0, 1920, 1080);

struct FrameCase
{
    const char* name;
    QSize size;
    QPoint mouse;
    QList<QRect> screens;
    void (*check)(const QRect& frame);
};

const FrameCase kFrameCases[] = {
    { "CentresOnTheMouseWhenThereIsRoom",
      { 400, 300 },
      { 700, 450 },
      { kScreen },
      [](const QRect& frame) { EXPECT_EQ(frame, QRect(500, 300, 400, 300)); } },
    // Near the far edges the window is pushed back in, not left hanging off the screen.
    { "KeepsTheWholeWindowOnTheScreenAtTheFarEdges",
      { 400, 300 },
      { 1430, 890 },
      { kScreen },
      [](const QRect& frame) { EXPECT_EQ(frame, QRect(1040, 600, 400, 300)); } },
    { "KeepsTheWholeWindowOnTheScreenAtTheNearEdges",
      { 400, 300 },
      { 5, 5 },
      { kScreen },
      [](const QRect& frame) { EXPECT_EQ(frame, QRect(0, 0, 400, 300)); } },
    { "MouseInTheLowerLeftCornerPutsTheWindowInThatCorner",
      { 400, 300 },
      { 0, 899 },
      { kScreen },
      [](const QRect& frame) {
          EXPECT_EQ(frame.bottomLeft(), QPoint(0, 899));
          EXPECT_TRUE(kScreen.contains(frame));
      } },
    // The window must not be pulled over to the primary.
    { "StaysOnTheScreenUnderTheMouseLeftOfThePrimary",
      { 400, 300 },
      { -10, 500 },
      { kScreen, kLeft },
      [](const QRect& frame) {
          EXPECT_EQ(frame, QRect(-400, 350, 400, 300));
          EXPECT_TRUE(kLeft.contains(frame));
      } },
    { "UsesTheAvailableArea",
      { 200, 100 },
      { 100, 0 },
      { kAvailable, kUpper },
      [](const QRect& frame) { EXPECT_EQ(frame.top(), 30); } },
    // The mouse is in the gap below the upper screen, just right of the first screen.
    { "UsesTheNearestScreen",
      { 200, 100 },
      { 1600, 850 },
      { kAvailable, kUpper },
      [](const QRect& frame) {
          EXPECT_TRUE(kAvailable.contains(frame)) << "the screen nearest the mouse holds the window";
      } },
    { "WindowLargerThanTheScreenKeepsItsTopLeftOnIt",
      { 2000, 1000 },
      { 700, 450 },
      { kScreen },
      [](const QRect& frame) { EXPECT_EQ(frame.topLeft(), QPoint(0, 0)); } },
};

using WindowFrameTest = testing::TestWithParam<FrameCase>;

TEST_P(WindowFrameTest, CentresOnTheMouseWithinTheScreen)
{
    const FrameCase& c = GetParam();
    c.check(qv::frameCenteredOnMouse(c.size, c.mouse, c.screens));
}

INSTANTIATE_TEST_SUITE_P(Frames, WindowFrameTest, testing::ValuesIn(kFrameCases), tarsel::test::caseName<FrameCase>);

TEST(WindowExpandTest, MoveToMouseMovesTheWindow)
{
    QWidget window;
    window.resize(300, 200);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCursor::setPos(screen.center());
    qv::moveToMouse(&window);
    EXPECT_EQ(window.pos(), screen.center() - QPoint(150, 100));
    EXPECT_EQ(window.size(), QSize(300, 200)) << "the size is kept";

    QCursor::setPos(screen.bottomRight());
    qv::moveToMouse(&window);
    EXPECT_TRUE(screen.contains(QRect(window.pos(), window.size())));
}

TEST(WindowExpandTest, OpenClearsStayOnTopAndShows)
{
    QWidget window;
    window.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    qv::open(&window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    qv::shut(&window);
    EXPECT_FALSE(window.isVisible());
}

TEST(WindowExpandTest, SheetBlocksOnlyItsParentAndEndsOnShut)
{
    QWidget parent;
    parent.setGeometry(100, 100, 600, 400);
    parent.show();
    QWidget sheet;
    sheet.resize(200, 100);
    qv::openOnWindow(&sheet, &parent);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(sheet.windowModality(), Qt::WindowModal);
    ASSERT_NE(sheet.windowHandle(), nullptr);
    EXPECT_EQ(sheet.windowHandle()->transientParent(), parent.windowHandle());
    EXPECT_EQ(sheet.parent(), nullptr) << "the sheet stays owned by whoever owned it";

    qv::shut(&sheet);
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(sheet.windowModality(), Qt::NonModal);

    // Opened again without a parent it is an ordinary window.
    qv::openOnWindow(&sheet, nullptr);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(sheet.windowModality(), Qt::NonModal);
    qv::shut(&sheet);
}

// moveToMouse on a real desktop of two screens, the second left of the first, in a child
// process whose offscreen platform has those screens.
TARSEL_TEST_CHILD(moveToMouseOnTwoScreens)
{
    if (QGuiApplication::screens().size() != 2) {
        return 2;
    }
    QWidget window;
    window.resize(400, 300);
    QCursor::setPos(QPoint(-5, 10));
    qv::moveToMouse(&window);
    const QRect frame(window.pos(), window.size());
    return QRect(-1024, 0, 1024, 768).contains(frame) ? 0 : 1;
}

TEST(WindowExpandTest, MoveToMouseKeepsToTheScreenUnderTheMouse)
{
    const QString config = testHome() + QStringLiteral("/screens.json");
    writeFile(config, R"({"screens": [
        {"name": "primary", "x": 0, "y": 0, "width": 1280, "height": 1024},
        {"name": "left", "x": -1024, "y": 0, "width": 1024, "height": 768}]})");
    const QByteArray previous = qgetenv("QT_QPA_PLATFORM");
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    const tarsel::test::ChildResult result = runChild(QStringLiteral("moveToMouseOnTwoScreens"));
    qputenv("QT_QPA_PLATFORM", previous);
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
}

} // namespace
