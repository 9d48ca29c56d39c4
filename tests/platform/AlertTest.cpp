#include "platform/Alert.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QMessageBox* openBox(const QWidget& window)
{
    QMessageBox* box = nullptr;
    const bool shown = QTest::qWaitFor(
        [&]() {
            box = window.findChild<QMessageBox*>(QStringLiteral("alertMessageBox"));
            return box != nullptr && box->isVisible();
        },
        2000);
    return shown ? box : nullptr;
}

QList<QAbstractButton*> buttonsInOrder(QMessageBox* box)
{
    // The order the user sees: the button box lays its buttons out left to right.
    QList<QAbstractButton*> buttons = box->buttons();
    std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) { return a->x() < b->x(); });
    return buttons;
}

platform::Alert threeButtonAlert()
{
    platform::Alert alert;
    alert.setMessageText(QStringLiteral("Tip"));
    alert.setInformativeText(QStringLiteral("Name taken"));
    alert.addButtonWithTitle(QStringLiteral("Keep Both"));
    alert.addButtonWithTitle(QStringLiteral("Stop"));
    alert.addButtonWithTitle(QStringLiteral("Replace"));
    return alert;
}

TEST(AlertTest, SheetAnswersTheCodeOfTheClickedButton)
{
    QWidget window;
    window.resize(500, 400);
    window.show();
    int response = 0;
    threeButtonAlert().beginSheetModalForWindow(&window, [&](int r) { response = r; });
    QMessageBox* box = openBox(window);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_EQ(box->text(), QStringLiteral("Tip"));
    EXPECT_EQ(box->informativeText(), QStringLiteral("Name taken"));
    const QList<QAbstractButton*> buttons = buttonsInOrder(box);
    ASSERT_EQ(buttons.size(), 3);
    EXPECT_EQ(buttons.at(0)->text(), QStringLiteral("Keep Both"));
    EXPECT_EQ(buttons.at(2)->text(), QStringLiteral("Replace"));
    buttons.at(1)->click();
    ASSERT_TRUE(QTest::qWaitFor([&]() { return response != 0; }, 2000));
    EXPECT_EQ(response, 1001);
}

TEST(AlertTest, ClosingWithoutAButtonAnswersTheLastButton)
{
    QWidget window;
    window.show();
    int response = 0;
    threeButtonAlert().beginSheetModalForWindow(&window, [&](int r) { response = r; });
    QMessageBox* box = openBox(window);
    ASSERT_NE(box, nullptr);
    QTest::keyClick(box, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&]() { return response != 0; }, 2000));
    EXPECT_EQ(response, 1002);
}

TEST(AlertTest, ModalRunReturnsTheAnswerAndFloats)
{
    platform::Alert alert;
    alert.setLevel(platform::Alert::FloatingLevel);
    alert.addButtonWithTitle(QStringLiteral("Go Review"));
    alert.addButtonWithTitle(QStringLiteral("Next Time"));
    bool floated = false;
    QTimer::singleShot(0, [&]() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        floated = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
        buttonsInOrder(box).at(0)->click();
    });
    EXPECT_EQ(alert.runModal(), 1000);
    EXPECT_TRUE(floated);
}

TEST(AlertTest, NoButtonsShowsOk)
{
    platform::Alert alert;
    QString shown;
    QTimer::singleShot(0, [&]() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        ASSERT_EQ(box->buttons().size(), 1);
        shown = box->buttons().first()->text();
        box->buttons().first()->click();
    });
    EXPECT_EQ(alert.runModal(), 1000);
    EXPECT_EQ(shown, QStringLiteral("OK"));
}

TEST(AlertTest, ResponderAnswersWithoutShowing)
{
    QStringList seen;
    platform::Alert::setResponder([&](const platform::Alert& alert, QWidget*) {
        seen = alert.buttonTitles();
        return 1002;
    });
    EXPECT_EQ(threeButtonAlert().runModal(), 1002);
    EXPECT_EQ(seen.size(), 3);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(qobject_cast<QMessageBox*>(top) != nullptr && top->isVisible());
    }
    platform::Alert::setResponder({});
    EXPECT_FALSE(platform::Alert::hasResponder());
}

} // namespace
