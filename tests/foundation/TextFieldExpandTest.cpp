#include "foundation/TextFieldExpand.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class TextFieldExpandTest : public testing::Test
{
protected:
    void SetUp() override
    {
        qv::installTextFieldKeyEquivalents();
        auto* layout = new QVBoxLayout(&m_window);
        m_field = new QLineEdit(&m_window);
        layout->addWidget(m_field);
        m_window.show();
        m_field->setFocus();
        QApplication::clipboard()->setText(QStringLiteral("pasted"));
    }

    QWidget m_window;
    QLineEdit* m_field = nullptr;
};

TEST_F(TextFieldExpandTest, CtrlVPastesAndCtrlShiftVDoesNot)
{
    m_field->setText(QStringLiteral("x"));
    m_field->end(false);
    QTest::keyClick(m_field, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(m_field->text(), QStringLiteral("x"));
    QTest::keyClick(m_field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(m_field->text(), QStringLiteral("xpasted"));
}

TEST_F(TextFieldExpandTest, CutAndSelectAllGoToTheFocusedField)
{
    m_field->setText(QStringLiteral("hello"));
    QTest::keyClick(m_field, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(m_field->selectedText(), QStringLiteral("hello"));
    QTest::keyClick(m_field, Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(m_field->text().isEmpty());
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("hello"));
}

TEST_F(TextFieldExpandTest, OnlyCtrlAloneCounts)
{
    QKeyEvent altV(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(qv::performKeyEquivalent(m_field, &altV));
    QKeyEvent plainV(QEvent::KeyPress, Qt::Key_V, Qt::NoModifier, QStringLiteral("v"));
    EXPECT_FALSE(qv::performKeyEquivalent(m_field, &plainV));
    QKeyEvent ctrlZ(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(qv::performKeyEquivalent(m_field, &ctrlZ));
    // The keypad flag is a device bit, not a modifier the user pressed.
    QKeyEvent keypadC(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_TRUE(qv::performKeyEquivalent(m_field, &keypadC));
}

} // namespace
