#include "app/AppDelegate.h"
#include "app/settings/QVGeneralViewCtl.h"
#include "app/settings/QVPrefViewCtl.h"
#include "app/settings/QVSettingsWindow.h"
#include "engine/model/QVMenuManager.h"
#include "platform/Defaults.h"

#include "testsupport/TestNames.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

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

// Every side-list entry shows its image as a template in the palette's text colour, and the
// images and the right pane follow the desktop from light to dark and back while shown.
TEST(SettingsSideListTest, IconsAndRightPaneFollowThePalette)
{
    const QPalette light = QApplication::palette();
    QPalette dark(QColor(0x32, 0x32, 0x32));
    dark.setColor(QPalette::WindowText, QColor(0xf0, 0xf0, 0xf0));
    QVPrefViewCtl pref;
    pref.show();
    const auto* rightView = pref.findChild<QWidget*>(QStringLiteral("rightView"));
    ASSERT_NE(rightView, nullptr);
    const auto expectTinted = [&pref](const QColor& text) {
        ASSERT_EQ(pref.listView()->items().size(), 4);
        for (const QVListItem& item : pref.listView()->items()) {
            const QImage image = item.itemView->imgView()->pixmap().toImage();
            ASSERT_FALSE(image.isNull()) << item.icon.toStdString();
            int opaque = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QColor pixel = image.pixelColor(x, y);
                    if (pixel.alpha() == 255) {
                        ++opaque;
                        ASSERT_EQ(pixel.rgb(), text.rgb()) << item.icon.toStdString();
                    }
                }
            }
            EXPECT_GT(opaque, 10) << item.icon.toStdString();
        }
    };
    expectTinted(light.color(QPalette::WindowText));
    EXPECT_EQ(rightView->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0xFF));
    QApplication::setPalette(dark);
    QCoreApplication::processEvents(); // the widgets take the new palette from posted events
    expectTinted(QColor(0xf0, 0xf0, 0xf0));
    EXPECT_EQ(rightView->palette().color(QPalette::Window), QColor(0x1E, 0x1E, 0x1E));
    QApplication::setPalette(light);
    QCoreApplication::processEvents();
    expectTinted(light.color(QPalette::WindowText));
    EXPECT_EQ(rightView->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0xFF));
}

// Every list page titles its add, remove and reset buttons alike, as each tab shows it.
TEST(SettingsListPagesTest, ButtonsReadTheSameOnEveryListPage)
{
    QVSettingsWindow* window = QVSettingsWindow::shared();
    const QStringList pages
        = { QStringLiteral("general"),   QStringLiteral("newfile"),      QStringLiteral("commonpath"),
            QStringLiteral("commonapp"), QStringLiteral("commonscript"), QStringLiteral("foldericon") };
    const QStringList expected
        = { QStringLiteral("Add"), QStringLiteral("Remove"), QStringLiteral("Restore Defaults") };
    for (const QString& name : pages) {
        window->showTab(name);
        const auto* page = window->findChild<QWidget*>(name);
        ASSERT_NE(page, nullptr) << name.toStdString();
        QStringList titles;
        for (const char* button : { "addButton", "deleteButton", "recoverBtn" }) {
            const auto* found = page->findChild<QPushButton*>(QLatin1String(button));
            ASSERT_NE(found, nullptr) << name.toStdString() << " " << button;
            titles << found->text();
        }
        EXPECT_EQ(titles, expected) << name.toStdString();
    }
    window->hide();
}

} // namespace
