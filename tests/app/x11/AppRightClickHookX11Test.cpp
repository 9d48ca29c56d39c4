// The global right-click hook on a real X server with a window manager (openbox): real clicks
// (XTest) over a stand-in file-manager window, whose WM_CLASS says Thunar and which puts its
// selection's addresses on the clipboard for Control+C, and over other windows. The user's own
// clipboard is held by xclip, a third program, as on a desktop.

#include "app/AppDelegate.h"
#include "engine/model/QVMenuManager.h"
#include "engine/model/QVSwitch.h"
#include "foundation/QVPermissions.h"
#include "kit/shortcut/MASShortcutBinder.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"
#include "platform/Menu.h"
#include "platform/DefaultsController.h"
#include "platform/Pasteboard.h"
#include "platform/X11.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"
#include "testsupport/X11Input.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

using tarsel::test::inHome;
using tarsel::test::writeFile;
using tarsel::test::x11Click;

namespace {

const QString kUserText = QStringLiteral("the user's own clipboard text");

// The clipboard's text as another program reads it. The event loop runs meanwhile: when this
// process owns the clipboard, it must answer xclip.
QString xclipOut()
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                { QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard") });
    (void)QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, 5000);
    return QString::fromUtf8(xclip.readAllStandardOutput());
}

// A program this test starts and ends (by its own process, never by name).
struct Started
{
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    ~Started()
    {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(3000)) {
                process->kill();
                process->waitForFinished(3000);
            }
        }
    }
};

// A stand-in window and its log.
struct StandIn
{
    Started program;
    QString log;
    QRect client;
    QStringList lines() const
    {
        QFile file(log);
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    qsizetype count(const QString& prefix) const
    {
        const QStringList all = lines();
        return std::count_if(all.cbegin(), all.cend(), [&](const QString& line) { return line.startsWith(prefix); });
    }
    bool logged(const QString& prefix) const { return count(prefix) > 0; }
};

class AppRightClickHookTest : public testing::Test
{
protected:
    void SetUp() override
    {
        startWindowManager();
        setSwitch(QVSwitch::RightClickHook, true);
        setSwitch(QVSwitch::HookPlainRightClick, true);
        setSwitch(QVSwitch::HookMiddleButton, false);
        setSwitch(QVSwitch::HookModifiedRightClick, false);
        QVMenuManager::sharedDefaults().setValue(QVMenuManager::prefCheck(QVSwitch::SystemMenuPlace), 2);
        QString error;
        ASSERT_TRUE(delegate.awakeFromNib(&error)) << error.toStdString();
        ASSERT_TRUE(QTest::qWaitFor([] { return QVPermissions::sharedInstance().hasEventTap(); }, 5000));
        m_files = { writeFile(inHome(QStringLiteral("Documents/report one.txt")), "1"),
                    writeFile(inHome(QStringLiteral("Documents/notes.md")), "2") };
        setUserClipboard();
    }
    void TearDown() override
    {
        closeMenu();
        setSwitch(QVSwitch::RightClickHook, false);
        delegate.setupCloudFolderEnable();
        EXPECT_FALSE(QVPermissions::sharedInstance().hasEventTap());
        MASShortcutBinder::sharedBinder().breakBindingWithDefaultsKey(AppDelegate::kColorPickerShortCut);
        platform::DefaultsController::shared().clearRegisteredDefaults();
    }
    static void setSwitch(QVSwitch number, bool on)
    {
        QVMenuManager::sharedDefaults().setValue(QVMenuManager::prefCheck(number), on);
    }
    void startWindowManager()
    {
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        ASSERT_FALSE(openbox.isEmpty()) << "openbox is needed (scripts/install-deps)";
        m_wm.process->start(openbox, { QStringLiteral("--sm-disable") });
        ASSERT_TRUE(m_wm.process->waitForStarted(5000));
        // Ready once it keeps the window list on the root window.
        ASSERT_TRUE(QTest::qWaitFor(
            [] {
                QProcess xprop;
                xprop.start(QStringLiteral("xprop"),
                            { QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK") });
                xprop.waitForFinished(2000);
                return xprop.readAllStandardOutput().contains("window id");
            },
            5000));
    }
    void setUserClipboard()
    {
        m_xclip.process->start(QStringLiteral("xclip"),
                               { QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-loops"),
                                 QStringLiteral("0"), QStringLiteral("-quiet") });
        ASSERT_TRUE(m_xclip.process->waitForStarted(5000));
        m_xclip.process->write(kUserText.toUtf8());
        m_xclip.process->closeWriteChannel();
        ASSERT_TRUE(QTest::qWaitFor([] { return xclipOut() == kUserText; }, 5000));
    }
    std::unique_ptr<StandIn> startStandIn(const QString& wmClass, const QRect& geometry, const QStringList& selection)
    {
        auto standIn = std::make_unique<StandIn>();
        standIn->log = inHome(wmClass + QStringLiteral(".log"));
        QStringList args = { QStringLiteral("--class"),
                             wmClass,
                             QStringLiteral("--log"),
                             standIn->log,
                             QStringLiteral("--geometry"),
                             QStringLiteral("%1,%2,%3,%4")
                                 .arg(geometry.x())
                                 .arg(geometry.y())
                                 .arg(geometry.width())
                                 .arg(geometry.height()) };
        for (const QString& path : selection) {
            args << QStringLiteral("--select") << path;
        }
        standIn->program.process->start(QStringLiteral(TARSEL_FAKE_FILE_MANAGER), args);
        EXPECT_TRUE(standIn->program.process->waitForStarted(5000));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                const QList<platform::X11::Window> windows = platform::X11::shared().windowsFrontToBack();
                for (const platform::X11::Window& window : windows) {
                    if (window.wmClass == wmClass && standIn->logged(QStringLiteral("ready"))) {
                        standIn->client = window.client;
                        return true;
                    }
                }
                return false;
            },
            10000));
        return standIn;
    }
    static QMenu* waitForMenu(int ms = 5000)
    {
        (void)QTest::qWaitFor([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; }, ms);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    static void closeMenu()
    {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
        EXPECT_TRUE(QTest::qWaitFor([] { return !QVPermissions::sharedInstance().menuVisible(); }, 3000));
    }
    QString titleFor(int count) const
    {
        return platform::Bundle::localizedString(QStringLiteral("%@ files have been selected"))
            .replace(QStringLiteral("%@"), QString::number(count));
    }

    Started m_wm;
    Started m_xclip;
    QStringList m_files;
    AppDelegate delegate;
};

TEST_F(AppRightClickHookTest, RightClickOverTheFileManagerOpensTheMenuForItsSelection)
{
    const std::unique_ptr<StandIn> thunar = startStandIn(QStringLiteral("Thunar"), QRect(200, 200, 500, 400), m_files);
    const qint64 changesBefore = platform::Pasteboard::general().changeCount();
    const QPoint at = thunar->client.center();
    ASSERT_TRUE(x11Click(at, 3));
    QMenu* menu = waitForMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions().first()->text(), titleFor(2));
    EXPECT_EQ(QVPermissions::sharedInstance().eventType(), QVPermissions::PlainRightClick);
    EXPECT_EQ(QVPermissions::sharedInstance().location(), at);
    EXPECT_TRUE(menu->geometry().contains(at + QPoint(1, 1)));
    // The right click itself never reached the window; the copy shortcut did.
    EXPECT_FALSE(thunar->logged(QStringLiteral("press 3")));
    EXPECT_TRUE(thunar->logged(QStringLiteral("copy 2")));
    closeMenu();
    // The file manager's copy was read, then the user's text put back.
    EXPECT_GT(platform::Pasteboard::general().changeCount(), changesBefore);
    EXPECT_EQ(xclipOut(), kUserText);
}

TEST_F(AppRightClickHookTest, TheWaitingHookKeepsNoTimerRunningAndStillTakesTheNextClick)
{
    // Waiting for a click, the application has nothing that wakes it on a clock: the hook's
    // thread sleeps until the server sends a press.
    QList<QTimer*> timers = QCoreApplication::instance()->findChildren<QTimer*>();
    timers << delegate.findChildren<QTimer*>();
    for (const QTimer* timer : std::as_const(timers)) {
        EXPECT_FALSE(timer->isActive()) << "a timer every " << timer->interval() << " ms";
    }
    const std::unique_ptr<StandIn> thunar = startStandIn(QStringLiteral("Thunar"), QRect(200, 200, 500, 400), m_files);
    ASSERT_TRUE(x11Click(thunar->client.center(), 3));
    QMenu* menu = waitForMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions().first()->text(), titleFor(2));
    EXPECT_FALSE(thunar->logged(QStringLiteral("press 3")));
    closeMenu();
}

TEST_F(AppRightClickHookTest, ASecondClickWhileTheMenuIsPreparedIsSwallowedAndOpensNoSecondMenu)
{
    const std::unique_ptr<StandIn> thunar = startStandIn(QStringLiteral("Thunar"), QRect(200, 200, 500, 400), m_files);
    ASSERT_TRUE(x11Click(thunar->client.center(), 3));
    ASSERT_TRUE(x11Click(thunar->client.center() + QPoint(20, 20), 3));
    QMenu* menu = waitForMenu();
    ASSERT_NE(menu, nullptr);
    QTest::qWait(200);
    EXPECT_EQ(QApplication::activePopupWidget(), menu);
    EXPECT_EQ(thunar->count(QStringLiteral("copy")), 1);
    EXPECT_FALSE(thunar->logged(QStringLiteral("press 3")));
    closeMenu();
    EXPECT_EQ(xclipOut(), kUserText);
}

TEST_F(AppRightClickHookTest, TheNextMenuShowsItsOwnEntriesOnly)
{
    // A closed menu's QMenu opens the next menu: emptied of the last menu's entries and submenus.
    const std::unique_ptr<StandIn> thunar = startStandIn(QStringLiteral("Thunar"), QRect(200, 200, 500, 400), m_files);
    QList<QPointer<QMenu>> shown;
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(x11Click(thunar->client.center(), 3));
        QMenu* menu = waitForMenu();
        ASSERT_NE(menu, nullptr);
        shown << menu;
        const std::shared_ptr<platform::Menu> expected = delegate.rightMenuWithPaths(m_files);
        ASSERT_NE(expected, nullptr);
        QStringList titles;
        qsizetype submenus = 0;
        for (const platform::MenuItem* item : expected->items()) {
            titles << item->title();
            submenus += item->hasSubmenu() ? 1 : 0;
        }
        QStringList texts;
        for (const QAction* action : menu->actions()) {
            texts << action->text();
        }
        EXPECT_EQ(texts, titles) << "round " << round;
        EXPECT_EQ(menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly).size(), submenus) << "round " << round;
        closeMenu();
    }
    // The kept QMenu is the one the second menu opened in (so the rounds above checked it).
    EXPECT_EQ(shown.first().data(), shown.last().data());
    EXPECT_EQ(xclipOut(), kUserText);
}

TEST_F(AppRightClickHookTest, WithTheModifierSwitchOnlyASuperRightClickOpensTheMenu)
{
    setSwitch(QVSwitch::HookPlainRightClick, false);
    setSwitch(QVSwitch::HookModifiedRightClick, true);
    QVMenuManager::sharedDefaults().setValue(QVMenuManager::prefCheck(QVSwitch::HookModifier), 3);
    const std::unique_ptr<StandIn> thunar = startStandIn(QStringLiteral("Thunar"), QRect(200, 200, 500, 400), m_files);
    // Without the modifier the click is the window's own.
    ASSERT_TRUE(x11Click(thunar->client.center(), 3));
    EXPECT_TRUE(QTest::qWaitFor([&] { return thunar->logged(QStringLiteral("press 3")); }, 3000));
    EXPECT_EQ(waitForMenu(300), nullptr);
    EXPECT_EQ(QVPermissions::sharedInstance().eventFlag(), -1);
    // With Super held it opens the menu, as a modifier click.
    ASSERT_TRUE(tarsel::test::x11Key("Super_L", true));
    ASSERT_TRUE(x11Click(thunar->client.center(), 3));
    ASSERT_TRUE(tarsel::test::x11Key("Super_L", false));
    QMenu* menu = waitForMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(QVPermissions::sharedInstance().eventFlag(), 3);
    EXPECT_EQ(QVPermissions::sharedInstance().eventType(), QVPermissions::MiddleOrModifierClick);
    EXPECT_EQ(menu->actions().first()->text(), titleFor(2));
    EXPECT_EQ(thunar->count(QStringLiteral("press 3")), 1);
    closeMenu();
    EXPECT_EQ(xclipOut(), kUserText);
}

TEST_F(AppRightClickHookTest, ClicksElsewherePassThroughUntouched)
{
    const std::unique_ptr<StandIn> thunar = startStandIn(QStringLiteral("Thunar"), QRect(100, 150, 400, 300), m_files);
    const std::unique_ptr<StandIn> editor = startStandIn(QStringLiteral("Mousepad"), QRect(650, 150, 400, 300), {});
    struct Click
    {
        const char* name;
        StandIn* window;
        int button;
    };
    // Another program's window; the middle button while its switch is off; the left button.
    for (const Click& click : { Click { "OtherWindow", editor.get(), 3 }, Click { "MiddleButtonOff", thunar.get(), 2 },
                                Click { "LeftButton", thunar.get(), 1 } }) {
        SCOPED_TRACE(click.name);
        const QString pressed = QStringLiteral("press %1").arg(click.button);
        ASSERT_TRUE(x11Click(click.window->client.center(), click.button));
        EXPECT_TRUE(QTest::qWaitFor([&] { return click.window->logged(pressed); }, 3000));
        EXPECT_EQ(waitForMenu(300), nullptr);
    }
    // The bare desktop: no menu of ours, and the pointer is not held: a left click reaches the
    // window again (the first may only close the menu the window manager showed there).
    ASSERT_TRUE(x11Click(QPoint(1200, 900), 3));
    EXPECT_EQ(waitForMenu(300), nullptr);
    const qsizetype leftClicks = editor->count(QStringLiteral("press 1"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            x11Click(editor->client.center(), 1);
            return QTest::qWaitFor([&] { return editor->count(QStringLiteral("press 1")) > leftClicks; }, 300);
        },
        3000));
    EXPECT_FALSE(thunar->logged(QStringLiteral("copy")));
    EXPECT_EQ(xclipOut(), kUserText);
}

TEST_F(AppRightClickHookTest, NothingSelectedLeavesTheClipboardAloneAndShowsTheFolderMenu)
{
    const std::unique_ptr<StandIn> thunar = startStandIn(QStringLiteral("Thunar"), QRect(200, 200, 500, 400), {});
    ASSERT_TRUE(x11Click(thunar->client.center(), 1)); // the window is active: no click first
    ASSERT_TRUE(QTest::qWaitFor([&] { return thunar->logged(QStringLiteral("press 1")); }, 3000));
    QTest::qWait(100);
    const qint64 changesBefore = platform::Pasteboard::general().changeCount();
    ASSERT_TRUE(x11Click(thunar->client.center(), 3));
    QMenu* menu = waitForMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(thunar->logged(QStringLiteral("copy 0")));
    EXPECT_TRUE(menu->actions().first()->text().contains(
        platform::Bundle::localizedString(QStringLiteral("Right-click Menu"))));
    // Nothing was written over the user's clipboard, not even the same text again.
    EXPECT_EQ(platform::Pasteboard::general().changeCount(), changesBefore);
    closeMenu();
    EXPECT_EQ(xclipOut(), kUserText);
}

TEST_F(AppRightClickHookTest, TheHotKeyOpensTheMenuAtThePointerForTheActiveFileManager)
{
    const std::unique_ptr<StandIn> thunar = startStandIn(QStringLiteral("Thunar"), QRect(200, 200, 500, 400), m_files);
    const QPoint at = thunar->client.center() + QPoint(40, 30);
    ASSERT_TRUE(x11Click(at, 1));
    ASSERT_TRUE(QTest::qWaitFor([] { return QVPermissions::isFinderApp(); }, 3000));
    ASSERT_TRUE(platform::X11::shared().postKeyCombination(platform::X11::kKeyCodeE,
                                                           platform::X11::kControlKey | platform::X11::kCommandKey));
    QMenu* menu = waitForMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(QVPermissions::sharedInstance().eventType(), QVPermissions::HotKeyOrStatusItem);
    EXPECT_EQ(menu->actions().first()->text(), titleFor(2));
    EXPECT_TRUE(menu->geometry().contains(at + QPoint(1, 1)));
    closeMenu();
    EXPECT_EQ(xclipOut(), kUserText);
}

TEST_F(AppRightClickHookTest, SystemRightClickMenuPassesTheClickToTheFileManager)
{
    const std::unique_ptr<StandIn> thunar = startStandIn(QStringLiteral("Thunar"), QRect(200, 200, 500, 400), m_files);
    ASSERT_TRUE(x11Click(thunar->client.center(), 3));
    QMenu* menu = waitForMenu();
    ASSERT_NE(menu, nullptr);
    const QString entry = platform::Bundle::localizedString(QStringLiteral("System Right-Click Menu"));
    QAction* system = menu->actions().last();
    ASSERT_EQ(system->text(), entry);
    system->trigger();
    menu->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return thunar->logged(QStringLiteral("press 3")); }, 3000));
    EXPECT_FALSE(QVPermissions::sharedInstance().ignore());
    EXPECT_EQ(waitForMenu(300), nullptr);
}

TEST_F(AppRightClickHookTest, ClicksOnTheApplicationsOwnWidgetsArriveWhereTheyWereMade)
{
    // Our own window in front of a file manager's: every button reaches our widgets as it would
    // without the hook, and nothing reaches the file manager behind.
    const std::unique_ptr<StandIn> thunar = startStandIn(QStringLiteral("Thunar"), QRect(250, 150, 500, 500), m_files);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* list = new QListWidget;
    list->addItems({ QStringLiteral("Preferences"), QStringLiteral("iCloud"), QStringLiteral("More Apps"),
                     QStringLiteral("Help") });
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* button = new QPushButton(QStringLiteral("Add"));
    layout->addWidget(list);
    layout->addWidget(button);
    QList<QListWidgetItem*> contextItems;
    QObject::connect(list, &QWidget::customContextMenuRequested,
                     [&](const QPoint& pos) { contextItems << list->itemAt(pos); });
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    window.setGeometry(300, 200, 400, 400);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 5000));
    auto centre
        = [&](int row) { return list->viewport()->mapToGlobal(list->visualItemRect(list->item(row)).center()); };
    // Each row in turn, the right button over another row between the left clicks.
    for (const int row : { 1, 3, 2 }) {
        SCOPED_TRACE(row);
        ASSERT_TRUE(x11Click(centre(row), 1));
        EXPECT_TRUE(QTest::qWaitFor([&] { return list->currentRow() == row; }, 3000));
        const int other = (row + 2) % list->count();
        ASSERT_TRUE(x11Click(centre(other), 3));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !contextItems.isEmpty(); }, 3000));
        EXPECT_EQ(contextItems.value(0), list->item(other));
        contextItems.clear();
        EXPECT_EQ(waitForMenu(300), nullptr);
    }
    ASSERT_TRUE(x11Click(button->mapToGlobal(button->rect().center()), 1));
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicks == 1; }, 3000));
    QTest::qWait(200);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(thunar->lines() == QStringList { QStringLiteral("ready") }) << thunar->lines().join(u',').toStdString();
}

} // namespace
