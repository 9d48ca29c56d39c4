#include "foundation/ViewExpand.h"

#include "foundation/FillView.h"
#include "foundation/HudLabel.h"
#include "foundation/HudView.h"
#include "foundation/Spinner.h"
#include "platform/Bundle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class HudTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_host.resize(600, 400);
        new QLabel(QStringLiteral("page content"), &m_host);
        m_host.show();
    }

    qv::HudView* overlay() const { return m_host.findChild<qv::HudView*>(QString(), Qt::FindDirectChildrenOnly); }
    QTimer* hudTimer() const { return m_host.findChild<QTimer*>(QStringLiteral("hudTimer")); }

    QWidget m_host;
};

TEST_F(HudTest, TextHudCoversTheHostAndCentresItsPanel)
{
    qv::showHudSuccessWithStatus(&m_host, QStringLiteral("Copied"));
    ASSERT_TRUE(qv::hudVisible(&m_host));
    qv::HudView* hud = overlay();
    ASSERT_NE(hud, nullptr);
    EXPECT_EQ(qv::subviews(&m_host).last(), hud) << "the overlay is the host's last subview";
    EXPECT_EQ(hud->geometry(), m_host.rect());
    QWidget* panel = qv::hudView(&m_host);
    EXPECT_EQ(panel, hud->panel());
    EXPECT_EQ(QRectF(panel->geometry()).center(), QRectF(hud->rect()).center());
    EXPECT_EQ(panel->width(), 100);
    EXPECT_GE(panel->height(), 100);
    EXPECT_FALSE(hud->spinner()->isVisible());
    EXPECT_TRUE(hud->imageView()->isVisible());
    EXPECT_FALSE(hud->imageView()->pixmap().isNull()) << "the success image is a bundled resource";
    const QRect image = hud->imageView()->geometry();
    EXPECT_EQ(image.size(), QSize(35, 35));
    EXPECT_EQ(image.top(), 20);
    EXPECT_NEAR(QRectF(image).center().x(), 50, 0.5) << "centred, up to rounding";
    EXPECT_EQ(hud->label()->geometry(), QRect(10, 65, 80, 32));

    // The overlay follows the host.
    m_host.resize(800, 500);
    ASSERT_TRUE(QTest::qWaitFor([&]() { return hud->geometry() == m_host.rect(); }, 2000));
    EXPECT_EQ(QRectF(panel->geometry()).center(), QRectF(hud->rect()).center());
}

TEST_F(HudTest, TextHudDismissesItselfAfterItsDuration)
{
    qv::showHudErrorWithStatus(&m_host, QStringLiteral("0123456789012345678901234"));
    QTimer* timer = hudTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 2500);
    ASSERT_TRUE(QTest::qWaitFor([&]() { return !qv::hudVisible(&m_host); }, 5000));
    EXPECT_EQ(overlay(), nullptr);
    EXPECT_FALSE(timer->isActive());
}

TEST_F(HudTest, EmptyTextIsNarrowAndShort)
{
    qv::showHudInfoWithStatus(&m_host, QString());
    EXPECT_EQ(qv::hudView(&m_host)->width(), 100);
    EXPECT_EQ(hudTimer()->interval(), 1500);
}

TEST_F(HudTest, LongTextIsWidestWithTwoLinesTheSecondCut)
{
    const QString text = QStringLiteral("The address was copied to the clipboard, and this message goes on and on "
                                        "for much longer than any panel could ever show in two lines of text.");
    qv::showHudTextWithStatus(&m_host, text);
    EXPECT_EQ(qv::hudView(&m_host)->width(), 300);
    EXPECT_EQ(hudTimer()->interval(), 3500);
    const QStringList lines = overlay()->label()->displayedLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines.at(1).endsWith(QChar(0x2026))) << lines.at(1).toStdString();
    EXPECT_TRUE(text.startsWith(lines.at(0)));
}

TEST_F(HudTest, TextTypeShowsTheInfoImage)
{
    qv::showHudInfoWithStatus(&m_host, QStringLiteral("a"));
    const QImage info = overlay()->imageView()->pixmap().toImage();
    qv::showHudTextWithStatus(&m_host, QStringLiteral("a"));
    EXPECT_EQ(overlay()->imageView()->pixmap().toImage(), info);
    qv::showHudSuccessWithStatus(&m_host, QStringLiteral("a"));
    EXPECT_NE(overlay()->imageView()->pixmap().toImage(), info);
}

TEST_F(HudTest, LoadingHudAppearsOnTheNextTurnAndStays)
{
    qv::showHudWithStatus(&m_host, QStringLiteral("Compressing"));
    EXPECT_FALSE(qv::hudVisible(&m_host)) << "delay 0 still waits for the event loop";
    ASSERT_TRUE(QTest::qWaitFor([&]() { return qv::hudVisible(&m_host); }, 2000));
    qv::HudView* hud = overlay();
    EXPECT_TRUE(hud->spinner()->isAnimating());
    EXPECT_TRUE(hud->spinner()->isVisible());
    EXPECT_FALSE(hud->imageView()->isVisible());
    EXPECT_EQ(hud->label()->text(), QStringLiteral("Compressing"));
    EXPECT_FALSE(hudTimer()->isActive()) << "a loading message has no dismiss timer";
    // The spinner sits 10 above the panel's centre, the label 10 below the spinner.
    const QRectF panel = hud->panel()->rect();
    EXPECT_NEAR(QRectF(hud->spinner()->geometry()).center().y() + 10, panel.center().y(), 1.0);
    EXPECT_EQ(hud->label()->geometry().top(), hud->spinner()->geometry().bottom() + 1 + 10);
}

TEST_F(HudTest, LoadingWithoutValidTextSaysLoading)
{
    qv::showHudWithStatus(&m_host, QStringLiteral("  \n"));
    ASSERT_TRUE(QTest::qWaitFor([&]() { return qv::hudVisible(&m_host); }, 2000));
    EXPECT_EQ(overlay()->label()->text(), platform::Bundle::localizedString(QStringLiteral("Loading...")));
}

TEST_F(HudTest, DelayedLoadingThatIsDismissedNeverShows)
{
    qv::showHudWithStatus(&m_host, QStringLiteral("Wait"), 0.05);
    EXPECT_TRUE(hudTimer()->isActive());
    EXPECT_EQ(hudTimer()->interval(), 50);
    qv::dismissHud(&m_host);
    EXPECT_FALSE(hudTimer()->isActive());
    QTest::qWait(100);
    EXPECT_FALSE(qv::hudVisible(&m_host));
}

TEST_F(HudTest, TextReplacesLoadingInPlace)
{
    qv::showHudWithStatus(&m_host, QString());
    ASSERT_TRUE(QTest::qWaitFor([&]() { return qv::hudVisible(&m_host); }, 2000));
    qv::HudView* loading = overlay();
    qv::showHudSuccessWithStatus(&m_host, QStringLiteral("Done"));
    EXPECT_EQ(overlay(), loading) << "the same panel is reused";
    EXPECT_FALSE(loading->spinner()->isVisible());
    EXPECT_TRUE(loading->imageView()->isVisible());
    EXPECT_TRUE(hudTimer()->isActive());
}

TEST_F(HudTest, LoadingRequestWhileTextIsUpCancelsItsDismissal)
{
    qv::showHudSuccessWithStatus(&m_host, QStringLiteral("Done"));
    qv::showHudWithStatus(&m_host, QStringLiteral("Next"), 10);
    EXPECT_EQ(hudTimer()->interval(), 10000) << "the dismiss timer was replaced";
    EXPECT_TRUE(qv::hudVisible(&m_host));
}

TEST_F(HudTest, SecondTextRestartsTheDismissalWithItsOwnDuration)
{
    qv::showHudSuccessWithStatus(&m_host, QStringLiteral("short"));
    EXPECT_EQ(hudTimer()->interval(), 1500);
    qv::showHudErrorWithStatus(&m_host, QString(40, QLatin1Char('e')));
    EXPECT_EQ(hudTimer()->interval(), 3500);
    EXPECT_EQ(qv::subviews(&m_host).size(), 2) << "still one overlay";
}

TEST_F(HudTest, DismissWithoutHudChangesNothing)
{
    const QList<QWidget*> before = qv::subviews(&m_host);
    qv::dismissHud(&m_host);
    EXPECT_EQ(qv::subviews(&m_host), before);
    EXPECT_FALSE(qv::hudVisible(&m_host));

    qv::showHudSuccessWithStatus(&m_host, QStringLiteral("x"));
    qv::dismissHud(&m_host);
    EXPECT_EQ(qv::subviews(&m_host), before) << "dismissal removes the overlay at once";
}

TEST(ViewExpandTest, FrameSettersChangeOneValueAndKeepTheRest)
{
    QWidget parent;
    auto* view = new QWidget(&parent);
    view->setGeometry(10, 20, 100, 50);
    EXPECT_EQ(qv::right(view), 110);
    EXPECT_EQ(qv::bottom(view), 70);
    EXPECT_EQ(qv::bottomLeft(view), QPoint(10, 70));
    EXPECT_EQ(qv::bottomRight(view), QPoint(110, 70));
    EXPECT_EQ(qv::topRight(view), QPoint(110, 20));

    qv::setRight(view, 200);
    EXPECT_EQ(view->geometry(), QRect(100, 20, 100, 50)) << "setRight moves, the width stays";
    qv::setBottom(view, 60);
    EXPECT_EQ(view->geometry(), QRect(100, 10, 100, 50));
    qv::setWidth(view, 30);
    qv::setY(view, 5);
    EXPECT_EQ(view->geometry(), QRect(100, 5, 30, 50));
    qv::setSize(view, QSize(7, 8));
    EXPECT_EQ(qv::origin(view), QPoint(100, 5));
    qv::setOrigin(view, QPoint(1, 2));
    EXPECT_EQ(qv::size(view), QSize(7, 8));
}

TEST(ViewExpandTest, ToImageIsASnapshotOfTheBounds)
{
    QWidget view;
    view.resize(40, 30);
    view.setAutoFillBackground(true);
    QPalette palette = view.palette();
    palette.setColor(QPalette::Window, Qt::red);
    view.setPalette(palette);
    const QImage image = qv::toImage(&view);
    EXPECT_EQ(image.size(), QSize(40, 30) * view.devicePixelRatio());
    EXPECT_EQ(QColor(image.pixel(5, 5)), QColor(Qt::red));
}

class ReplaceSubviewTest : public testing::Test
{
protected:
    void SetUp() override
    {
        for (int i = 0; i < 3; ++i) {
            auto* label = new QLabel(QString::number(i), &m_parent);
            label->setObjectName(QStringLiteral("label%1").arg(i));
            m_views.append(label);
        }
    }

    QWidget m_parent;
    QList<QPointer<QWidget>> m_views;
};

TEST_F(ReplaceSubviewTest, KeepsThePlaceInTheOrder)
{
    auto* replacement = new QLabel(QStringLiteral("new"));
    qv::replaceSubviewIndex(&m_parent, 1, replacement);
    const QList<QWidget*> after = qv::subviews(&m_parent);
    ASSERT_EQ(after.size(), 3);
    EXPECT_EQ(after.at(0), m_views.at(0).data());
    EXPECT_EQ(after.at(1), replacement);
    EXPECT_EQ(after.at(2), m_views.at(2).data());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(m_views.at(1).isNull()) << "the replaced view is gone";
}

// An index past the end once raised; nothing may change instead.
TEST_F(ReplaceSubviewTest, InvalidIndexDoesNothing)
{
    QLabel replacement(QStringLiteral("new"));
    const QList<QWidget*> before = qv::subviews(&m_parent);
    for (int index : { -1, 3, 100 }) {
        qv::replaceSubviewIndex(&m_parent, index, &replacement);
        EXPECT_EQ(qv::subviews(&m_parent), before) << index;
    }
    EXPECT_EQ(replacement.parent(), nullptr);
    qv::replaceSubviewIndex(&m_parent, 0, nullptr);
    EXPECT_EQ(qv::subviews(&m_parent), before);
}

TEST_F(ReplaceSubviewTest, TakesTheOldViewsPlaceInTheLayout)
{
    QWidget box;
    auto* layout = new QHBoxLayout(&box);
    auto* first = new QLabel(QStringLiteral("a"));
    auto* second = new QLabel(QStringLiteral("b"));
    layout->addWidget(first);
    layout->addWidget(second);
    auto* replacement = new QLabel(QStringLiteral("c"));
    qv::replaceSubviewIndex(&box, 0, replacement);
    EXPECT_EQ(layout->indexOf(replacement), 0);
    EXPECT_EQ(layout->indexOf(first), -1);
    EXPECT_EQ(layout->indexOf(second), 1);
}

} // namespace
