// The settings window's menu bar, driven as a user drives it: its titles, its standard
// shortcuts, About, Feedback, Close and Quit, and the Edit menu on the focused text field of a
// dialog opened on the window.

#include "app/AppDelegate.h"
#include "app/settings/QVAboutWinCtl.h"
#include "app/settings/QVEditAppConfigWinCtl.h"
#include "app/settings/QVSettingsWindow.h"
#include "foundation/BundleExpand.h"
#include "platform/Workspace.h"

#include "testsupport/TestNames.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

struct Launch
{
    QString program;
    QStringList args;
};

class SettingsMenusTest : public testing::Test
{
protected:
    void SetUp() override
    {
        platform::Workspace::setLauncher([this](const QString& program, const QStringList& args) {
            m_launches.append({ program, args });
            return true;
        });
        QVSettingsWindow::install(m_delegate);
        m_delegate.openWindow();
        m_window = QVSettingsWindow::shared();
        m_menuBar = m_window->findChild<QMenuBar*>(QStringLiteral("menuBar"));
    }
    void TearDown() override
    {
        platform::Workspace::setLauncher({});
        m_window->hide();
    }
    QAction* action(const char* name) const { return m_window->findChild<QAction*>(QString::fromLatin1(name)); }

    AppDelegate m_delegate;
    QVSettingsWindow* m_window = nullptr;
    QMenuBar* m_menuBar = nullptr;
    QList<Launch> m_launches;
};

struct EntryCase
{
    const char* name; ///< the action's object name
    const char* key; ///< its title's key, a format filled with the display name
    const char* keys; ///< one of its shortcuts, empty for none
};

class SettingsMenuEntriesTest : public SettingsMenusTest, public testing::WithParamInterface<EntryCase>
{
};

} // namespace

// The window had no menu bar: no About, Close, Quit or Feedback and no Edit menu.
TEST_P(SettingsMenuEntriesTest, IsInTheMenuBarWithItsTitleAndShortcut)
{
    const EntryCase& c = GetParam();
    ASSERT_NE(m_menuBar, nullptr);
    QAction* entry = action(c.name);
    ASSERT_NE(entry, nullptr);
    bool inMenu = false;
    for (QAction* top : m_menuBar->actions()) {
        inMenu = inMenu || (top->menu() != nullptr && top->menu()->actions().contains(entry));
    }
    EXPECT_TRUE(inMenu);
    EXPECT_EQ(entry->text(), qv::localized(QString::fromLatin1(c.key)).replace(QStringLiteral("%@"), "Tarsel"));
    EXPECT_FALSE(entry->text().isEmpty());
    if (*c.keys != 0) {
        EXPECT_TRUE(entry->shortcuts().contains(QKeySequence(QString::fromLatin1(c.keys))))
            << QKeySequence::listToString(entry->shortcuts()).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Entries, SettingsMenuEntriesTest,
    testing::Values(EntryCase { "menuAbout", "Menu Abount", "" }, EntryCase { "menuFeedback", "Menu Feedback", "" },
                    EntryCase { "menuClose", "Menu Close", "Ctrl+W" }, EntryCase { "menuQuit", "Menu Quit", "Ctrl+Q" },
                    EntryCase { "menuItemUndo", "Undo", "Ctrl+Z" },
                    EntryCase { "menuItemRedo", "Redo", "Ctrl+Shift+Z" }, EntryCase { "menuItemCut", "Cut", "Ctrl+X" },
                    EntryCase { "menuItemCopy", "Copy", "Ctrl+C" }, EntryCase { "menuItemPaste", "Paste", "Ctrl+V" },
                    EntryCase { "menuItemSelectall", "Select All", "Ctrl+A" }),
    caseName<EntryCase>);

TEST_F(SettingsMenusTest, AboutShowsTheNameTheVersionAndTheIcon)
{
    QCoreApplication::setApplicationVersion(QStringLiteral(TARSEL_PROJECT_VERSION));
    action("menuAbout")->trigger();
    QVAboutWinCtl* about = m_window->findChild<QVAboutWinCtl*>();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("nameLabel"))->text(), QStringLiteral("Tarsel"));
    EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("versionLabel"))->text(),
              QStringLiteral("V" TARSEL_PROJECT_VERSION));
    EXPECT_FALSE(about->findChild<QLabel*>(QStringLiteral("iconImageView"))->pixmap().isNull());
    // Asked again, the same window comes forward.
    action("menuAbout")->trigger();
    EXPECT_EQ(m_window->findChildren<QVAboutWinCtl*>().size(), 1);
    about->close();
}

TEST_F(SettingsMenusTest, FeedbackOpensTheIssuePage)
{
    action("menuFeedback")->trigger();
    ASSERT_EQ(m_launches.size(), 1);
    EXPECT_EQ(m_launches.first().args, QStringList { QVSettingsWindow::kFeedbackPageAddress });
}

TEST_F(SettingsMenusTest, CtrlWClosesTheWindowAndQuitEndsTheApplication)
{
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window));
    QTest::keyClick(m_window->windowHandle(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(m_window->isVisible());
    QSignalSpy ended(&m_delegate, &AppDelegate::terminating);
    action("menuQuit")->trigger();
    EXPECT_EQ(ended.count(), 1);
}

// Undo, Redo, Cut, Copy, Paste and Select All act on the text field focused in a dialog of the
// window, and show what they can do there when the menu opens.
TEST_F(SettingsMenusTest, EditEntriesActOnTheFocusedTextField)
{
    QVEditAppConfigWinCtl dialog(m_window);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("nameInput"));
    ASSERT_NE(field, nullptr);
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == field; }));
    field->clear();
    QTest::keyClicks(field, QStringLiteral("hello world"));

    QMenu* edit = m_window->findChild<QMenu*>(QStringLiteral("menuEdit"));
    ASSERT_NE(edit, nullptr);
    Q_EMIT edit->aboutToShow();
    EXPECT_FALSE(action("menuItemCopy")->isEnabled()); // nothing selected yet
    EXPECT_TRUE(action("menuItemUndo")->isEnabled());
    Q_EMIT edit->aboutToHide();

    action("menuItemSelectall")->trigger();
    EXPECT_EQ(field->selectedText(), QStringLiteral("hello world"));
    action("menuItemCopy")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("hello world"));
    action("menuItemCut")->trigger();
    EXPECT_EQ(field->text(), QString());
    action("menuItemPaste")->trigger();
    action("menuItemPaste")->trigger();
    EXPECT_EQ(field->text(), QStringLiteral("hello worldhello world"));
    action("menuItemUndo")->trigger();
    EXPECT_EQ(field->text(), QStringLiteral("hello world"));
    action("menuItemRedo")->trigger();
    EXPECT_EQ(field->text(), QStringLiteral("hello worldhello world"));

    // No text field focused: the entries are off and do nothing.
    field->clearFocus();
    dialog.hide();
    Q_EMIT edit->aboutToShow();
    EXPECT_FALSE(action("menuItemPaste")->isEnabled());
    Q_EMIT edit->aboutToHide();
}
