// The status item in a real system tray: a tray host (trayer) embeds the icon, a click through
// the X server opens the status menu of the status folder, and a click on one of the engine's
// entries runs its command there.

#include "app/QVStatusItem.h"
#include "app/QVStatusMenu.h"

#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/QVMenuService.h"
#include "foundation/BundleExpand.h"
#include "platform/Defaults.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/X11Input.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

QAction* actionTitled(QMenu& menu, const QString& title)
{
    for (QAction* action : menu.actions()) {
        if (action->text() == title) {
            return action;
        }
    }
    return nullptr;
}

class TrayHost
{
public:
    TrayHost()
    {
        m_process.start("trayer",
                        { "--edge", "top", "--align", "left", "--widthtype", "request", "--height", "32",
                          "--SetDockType", "false" });
    }
    ~TrayHost()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    TrayHost(const TrayHost&) = delete;
    TrayHost& operator=(const TrayHost&) = delete;
    bool started() { return m_process.waitForStarted(); }
    std::string output()
    {
        return (m_process.readAllStandardError() + m_process.readAllStandardOutput()).toStdString();
    }

private:
    QProcess m_process;
};

// Clicks the tray icon until the status menu is on the screen; answers it.
QMenu* openStatusMenu(QVStatusItem& item)
{
    qRegisterMetaType<QMenu*>();
    QSignalSpy shown(&item, &QVStatusItem::menuShown);
    // The tray may still be placing the icon when it first has a geometry: click again until the
    // menu opens.
    for (int attempt = 0; attempt < 10 && shown.isEmpty(); ++attempt) {
        if (!x11Click(item.statusItem()->geometry().center())) {
            return nullptr;
        }
        shown.wait(1000);
    }
    QMenu* popup = item.shownMenu();
    return popup && QTest::qWaitForWindowExposed(popup) ? popup : nullptr;
}

void clickEntry(QMenu& popup, QAction& action)
{
    ASSERT_TRUE(x11Click(popup.mapToGlobal(popup.actionGeometry(&action).center())));
}

class StatusItemTrayTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tray.started()) << "trayer is missing (scripts/install-deps)";
        ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 20000)) << m_tray.output();
        ASSERT_TRUE(QVDefaultData::setup());
        m_folder = inHome("Status Folder");
        writeFile(m_folder + "/report.txt", "r");
        writeFile(m_folder + "/notes.md", "n");
        platform::Defaults& shared = QVMenuManager::sharedDefaults();
        shared.setValue("status bar menu folder", m_folder);
        shared.setValue(QVMenuManager::prefCheck(QVSwitch::StatusItem), true);
        m_item.createStatusBar();
        ASSERT_NE(m_item.statusItem(), nullptr);
        // Embedded by the tray host: the icon has a place on the screen.
        ASSERT_TRUE(QTest::qWaitFor([this] { return !m_item.statusItem()->geometry().isEmpty(); }, 20000));
    }

    TrayHost m_tray;
    QString m_folder;
    QVMenuService m_service;
    QVStatusMenu m_menu { m_service };
    QVStatusItem m_item { m_menu };
};

TEST_F(StatusItemTrayTest, ClickOpensTheFolderMenuAndAnEntryRunsItsCommand)
{
    QMenu* popup = openStatusMenu(m_item);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->actions().first()->text(), qv::localized("Preferences"));
    EXPECT_NE(actionTitled(*popup, "Status Folder " + qv::localized("Right-click Menu")), nullptr);

    QAction* hideAll = actionTitled(*popup, qv::localized("Hide All Files"));
    ASSERT_NE(hideAll, nullptr);
    clickEntry(*popup, *hideAll);
    // The folder-background command hides every entry of the status folder.
    QFile hidden(m_folder + "/.hidden");
    ASSERT_TRUE(QTest::qWaitFor([&hidden] { return hidden.exists(); }, 10000));
    ASSERT_TRUE(hidden.open(QIODevice::ReadOnly));
    const QByteArray names = hidden.readAll();
    EXPECT_TRUE(names.contains("report.txt")) << names.toStdString();
    EXPECT_TRUE(names.contains("notes.md")) << names.toStdString();
}

// An entry whose command asks in a modal alert runs that alert's event loop under the menu's own
// code: the menu must outlive it. Answered through the X server as a user would, twice, and the
// tray menu still opens afterwards.
TEST_F(StatusItemTrayTest, AnAlertRaisedFromTheMenuIsAnsweredAndTheMenuStillOpens)
{
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        QMenu* popup = openStatusMenu(m_item);
        ASSERT_NE(popup, nullptr);
        QPointer<QMenu> watched(popup);
        // The factory list's "Open with Sublime Text": not installed here, so the command says so.
        QAction* sublime = actionTitled(*popup, qv::localized("Open With") + qv::localized("Sublime Text"));
        ASSERT_NE(sublime, nullptr);
        bool answered = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&answered] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (answered || box == nullptr || !box->isVisible() || box->buttons().isEmpty()) {
                return;
            }
            QAbstractButton* ok = box->buttons().first();
            answered = x11Click(ok->mapToGlobal(ok->rect().center()));
        });
        poll.start(100);
        clickEntry(*popup, *sublime);
        ASSERT_TRUE(QTest::qWaitFor([&answered] { return answered; }, 10000));
        ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() == nullptr; }, 10000));
        // The menu goes once its command has returned.
        EXPECT_TRUE(QTest::qWaitFor([&watched] { return watched.isNull(); }, 5000));
    }
}

} // namespace
