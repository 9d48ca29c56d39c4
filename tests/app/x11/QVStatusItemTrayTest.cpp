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

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

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
        m_process.start(QStringLiteral("trayer"),
                        { QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                          QStringLiteral("left"), QStringLiteral("--widthtype"), QStringLiteral("request"),
                          QStringLiteral("--height"), QStringLiteral("32"), QStringLiteral("--SetDockType"),
                          QStringLiteral("false") });
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

TEST(StatusItemTrayTest, ClickOpensTheFolderMenuAndAnEntryRunsItsCommand)
{
    TrayHost tray;
    ASSERT_TRUE(tray.started()) << "trayer is missing (scripts/install-deps)";
    ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 20000)) << tray.output();

    ASSERT_TRUE(QVDefaultData::setup());
    const QString folder = inHome(QStringLiteral("Status Folder"));
    writeFile(folder + QStringLiteral("/report.txt"), "r");
    writeFile(folder + QStringLiteral("/notes.md"), "n");
    platform::Defaults& shared = QVMenuManager::sharedDefaults();
    shared.setValue(QStringLiteral("status bar menu folder"), folder);
    shared.setValue(QVMenuManager::prefCheck(QVSwitch::StatusItem), true);

    QVMenuService service;
    QVStatusMenu menu(service);
    QVStatusItem item(menu);
    item.createStatusBar();
    ASSERT_NE(item.statusItem(), nullptr);
    // Embedded by the tray host: the icon has a place on the screen.
    ASSERT_TRUE(QTest::qWaitFor([&item] { return !item.statusItem()->geometry().isEmpty(); }, 20000));

    QSignalSpy shown(&item, &QVStatusItem::menuShown);
    // The tray may still be placing the icon when it first has a geometry: click again until the
    // menu opens.
    for (int attempt = 0; attempt < 10 && shown.isEmpty(); ++attempt) {
        ASSERT_TRUE(x11Click(item.statusItem()->geometry().center()));
        shown.wait(1000);
    }
    ASSERT_EQ(shown.size(), 1);
    QMenu* popup = item.shownMenu();
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));
    EXPECT_EQ(popup->actions().first()->text(), qv::localized(QStringLiteral("Preferences")));
    EXPECT_NE(
        actionTitled(*popup, QStringLiteral("Status Folder ") + qv::localized(QStringLiteral("Right-click Menu"))),
        nullptr);

    QAction* hideAll = actionTitled(*popup, qv::localized(QStringLiteral("Hide All Files")));
    ASSERT_NE(hideAll, nullptr);
    ASSERT_TRUE(x11Click(popup->mapToGlobal(popup->actionGeometry(hideAll).center())));
    // The folder-background command hides every entry of the status folder.
    QFile hidden(folder + QStringLiteral("/.hidden"));
    ASSERT_TRUE(QTest::qWaitFor([&hidden] { return hidden.exists(); }, 10000));
    ASSERT_TRUE(hidden.open(QIODevice::ReadOnly));
    const QByteArray names = hidden.readAll();
    EXPECT_TRUE(names.contains("report.txt")) << names.toStdString();
    EXPECT_TRUE(names.contains("notes.md")) << names.toStdString();
}

} // namespace
