#include "app/AppDelegate.h"
#include "app/settings/QVGeneralViewCtl.h"
#include "app/settings/QVPrefViewCtl.h"
#include "app/settings/QVSettingsWindow.h"
#include "engine/model/QVMenuManager.h"
#include "platform/Defaults.h"

#include "testsupport/TestNames.h"

#include <QLabel>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

struct OpenCase
{
    const char* name;
    QString storedTab; // "main open tabview" before the window opens
    QString shownTab;
};

class SettingsWindowOpenTest : public ::testing::TestWithParam<OpenCase>
{
};

// The delegate opens the real window on the tab the engine asked for; a tab that names no
// page leaves the window where it was ("general" in a fresh window) instead of showing an empty one.
TEST_P(SettingsWindowOpenTest, OpensOnTheRequestedTab)
{
    const OpenCase& c = GetParam();
    QVSettingsWindow* window = QVSettingsWindow::shared();
    window->showTab(QStringLiteral("general")); // as a fresh window is
    window->hide();
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    defaults.setValue(QVMenuManager::kMainOpenTabview, c.storedTab);
    AppDelegate delegate;
    QVSettingsWindow::install(delegate);
    delegate.openWindow();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->currentIdentifier(), c.shownTab);
    // The first tab is the main menu page itself, not a placeholder.
    EXPECT_NE(window->findChild<QVGeneralViewCtl*>(QStringLiteral("general")), nullptr);
    EXPECT_FALSE(defaults.contains(QVMenuManager::kMainOpenTabview));
    window->hide();
}

INSTANTIATE_TEST_SUITE_P(
    Tabs, SettingsWindowOpenTest,
    ::testing::Values(OpenCase { "Empty", QString(), QStringLiteral("general") },
                      OpenCase { "NewFile", QStringLiteral("newfile"), QStringLiteral("newfile") },
                      OpenCase { "Prefs", QStringLiteral("preferences"), QStringLiteral("preferences") },
                      OpenCase { "Unknown", QStringLiteral("nosuchtab"), QStringLiteral("general") }),
    caseName<OpenCase>);

// Closed and opened again, the window shows the tab last selected; a stored tab that names no
// page leaves it there too.
TEST(SettingsWindowReopenTest, ReopensOnTheTabLastSelected)
{
    AppDelegate delegate;
    QVSettingsWindow::install(delegate);
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    defaults.setValue(QVMenuManager::kMainOpenTabview, QStringLiteral("commonscript"));
    delegate.openWindow();
    QVSettingsWindow* window = QVSettingsWindow::shared();
    ASSERT_EQ(window->currentIdentifier(), QStringLiteral("commonscript"));
    for (const QString& stored : { QString(), QStringLiteral("nosuchtab") }) {
        window->hide();
        if (!stored.isEmpty()) {
            defaults.setValue(QVMenuManager::kMainOpenTabview, stored);
        }
        delegate.openWindow();
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->currentIdentifier(), QStringLiteral("commonscript")) << stored.toStdString();
    }
    window->hide();
}

TEST(SettingsSideListTest, PageTypeSelectsItsEntryAndUnknownTypesChangeNothing)
{
    QVPrefViewCtl pref;
    EXPECT_EQ(pref.currentIdentifier(), QStringLiteral("pref"));
    // The application's version, as the build sets it.
    const auto* version = pref.findChild<QLabel*>(QStringLiteral("versionLabel"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), QStringLiteral("V" TARSEL_PROJECT_VERSION));
    const QList<QPair<qint64, QString>> steps = { { 4, QStringLiteral("help") },
                                                  { 1, QStringLiteral("icloud") },
                                                  { 2, QStringLiteral("icloud") },
                                                  { 3, QStringLiteral("moreapp") },
                                                  { 0, QStringLiteral("pref") } };
    for (const auto& [type, shown] : steps) {
        pref.setPageType(type);
        EXPECT_EQ(pref.currentIdentifier(), shown) << type;
        for (const QVListItem& item : pref.listView()->items()) {
            EXPECT_EQ(item.itemView->selected(), item.identifier == shown) << type;
        }
    }
}

} // namespace
