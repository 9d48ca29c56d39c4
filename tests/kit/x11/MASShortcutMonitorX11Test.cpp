// Hot keys on a real X server: registered through the kit, pressed through XTest.

#include "kit/shortcut/MASShortcutBinder.h"
#include "kit/shortcut/MASShortcutMonitor.h"
#include "kit/shortcut/MASShortcutValidator.h"
#include "platform/DefaultsController.h"
#include "platform/X11.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>

using platform::X11;

namespace {

const MASShortcut kControlCommandE(14, MASShortcut::kControlFlag | MASShortcut::kCommandFlag);
const MASShortcut kControlOptionF(3, MASShortcut::kControlFlag | MASShortcut::kOptionFlag);

bool press(const MASShortcut& shortcut)
{
    QString error;
    const bool ok = X11::shared().postKeyCombination(shortcut.carbonKeyCode(), shortcut.carbonFlags(), &error);
    EXPECT_TRUE(ok) << error.toStdString();
    return ok;
}

// Presses the shortcut until the counter moves: a hot key fires on its own schedule.
bool pressAndWait(const MASShortcut& shortcut, const int& counter)
{
    const int before = counter;
    return press(shortcut) && QTest::qWaitFor([&] { return counter > before; }, 5000);
}

class HotKeyTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(X11::shared().isAvailable()) << X11::shared().unavailableReason().toStdString();
    }
    void TearDown() override
    {
        for (const char* key : { "A", "B", "CloudFolderShortCut" }) {
            MASShortcutBinder::sharedBinder().breakBindingWithDefaultsKey(QString::fromLatin1(key));
        }
        MASShortcutMonitor::sharedMonitor().unregisterAllShortcuts();
        platform::DefaultsController::shared().clearRegisteredDefaults();
    }
};

struct LockCase
{
    std::string name;
    qint64 lockKey; // the key that turns a lock on, -1 for none
};

class HotKeyWithLocks : public HotKeyTest, public testing::WithParamInterface<LockCase>
{
};

TEST_P(HotKeyWithLocks, SynthesizedPressRunsTheActionOnTheMainThread)
{
    const LockCase& c = GetParam();
    int runs = 0;
    bool onMain = false;
    ASSERT_TRUE(MASShortcutMonitor::sharedMonitor().registerShortcut(kControlCommandE, [&] {
        ++runs;
        onMain = QThread::currentThread() == QCoreApplication::instance()->thread();
    }));
    // A lock key left on changes the modifier state of every press; grabbing the plain
    // combination alone would make the hot key dead while Caps Lock or Num Lock is on.
    if (c.lockKey >= 0) {
        press(MASShortcut(quint64(c.lockKey), 0));
    }
    EXPECT_TRUE(pressAndWait(kControlCommandE, runs));
    if (c.lockKey >= 0) {
        press(MASShortcut(quint64(c.lockKey), 0));
    }
    EXPECT_TRUE(onMain);
}

INSTANTIATE_TEST_SUITE_P(Locks, HotKeyWithLocks,
                         testing::Values(LockCase { "NoLock", -1 }, LockCase { "CapsLockOn", 57 },
                                         LockCase { "NumLockOn", 71 }),
                         tarsel::test::caseName<LockCase>);

TEST_F(HotKeyTest, AKeyReleasesOnlyTheHotKeyItRegistered)
{
    // Both keys store Control-Command-E; only A got the hot key. If clearing B unregistered the
    // combination, A's hot key would die although A still holds the shortcut.
    auto& defaults = platform::DefaultsController::shared();
    defaults.setValue(QStringLiteral("A"), kControlCommandE.archivedData());
    defaults.setValue(QStringLiteral("B"), kControlCommandE.archivedData());
    int aRuns = 0, bRuns = 0;
    MASShortcutBinder& binder = MASShortcutBinder::sharedBinder();
    binder.bindShortcutWithDefaultsKey(QStringLiteral("A"), [&] { ++aRuns; });
    binder.bindShortcutWithDefaultsKey(QStringLiteral("B"), [&] { ++bRuns; });
    EXPECT_TRUE(binder.hasHotKey(QStringLiteral("A")));
    EXPECT_FALSE(binder.hasHotKey(QStringLiteral("B")));

    defaults.setValue(QStringLiteral("B"), QVariant());
    EXPECT_TRUE(pressAndWait(kControlCommandE, aRuns));

    // When A lets go, B (set again) takes the combination over.
    defaults.setValue(QStringLiteral("B"), kControlCommandE.archivedData());
    binder.breakBindingWithDefaultsKey(QStringLiteral("A"));
    EXPECT_TRUE(pressAndWait(kControlCommandE, bRuns));
    EXPECT_EQ(aRuns, 1);
}

TEST_F(HotKeyTest, RegisteredDefaultWorksAsSoonAsItIsBound)
{
    MASShortcutBinder& binder = MASShortcutBinder::sharedBinder();
    binder.registerDefaultShortcuts({ { QStringLiteral("CloudFolderShortCut"), kControlCommandE } });
    int runs = 0;
    binder.bindShortcutWithDefaultsKey(QStringLiteral("CloudFolderShortCut"), [&] { ++runs; });
    EXPECT_EQ(binder.shortcutForKey(QStringLiteral("CloudFolderShortCut")), kControlCommandE);
    EXPECT_TRUE(pressAndWait(kControlCommandE, runs));
}

TEST_F(HotKeyTest, KeyWithoutANameIsNeverRegistered)
{
    // No key reads as key code 0, the A key: registering it would grab Control-Command-A.
    MASShortcutMonitor& monitor = MASShortcutMonitor::sharedMonitor();
    EXPECT_FALSE(
        monitor.registerShortcut(MASShortcut(MASShortcut::kNotFound, kControlCommandE.modifierFlags()), [] {}));
    EXPECT_FALSE(X11::shared().isTakenByAnotherProgram(0, kControlCommandE.carbonFlags()));
    EXPECT_TRUE(monitor.registerShortcut(MASShortcut(0, kControlCommandE.modifierFlags()), [] {}));
}

TARSEL_TEST_CHILD(holdHotKey)
{
    if (!X11::shared().registerHotKey(kControlOptionF.carbonKeyCode(), kControlOptionF.carbonFlags(), 1, 1)) {
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    char line[8];
    return std::fgets(line, sizeof line, stdin) ? 0 : 0;
}

TEST_F(HotKeyTest, CombinationAnotherProgramHoldsIsTakenBySystem)
{
    QProcess other;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TARSEL_TEST_CHILD"), QStringLiteral("holdHotKey"));
    other.setProcessEnvironment(env);
    other.start(tarsel::test::testBinary(), {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.canReadLine(); }, 30000)) << other.readAllStandardError().data();

    QString explanation;
    EXPECT_TRUE(MASShortcutValidator().isShortcutAlreadyTakenBySystem(kControlOptionF, &explanation));
    EXPECT_TRUE(explanation.startsWith(QStringLiteral("This combination cannot be used because another program")))
        << explanation.toStdString();
    EXPECT_FALSE(MASShortcutMonitor::sharedMonitor().registerShortcut(kControlOptionF, [] {}));
    other.closeWriteChannel();
    other.waitForFinished();
}

} // namespace
